#include "plot/axes.h"
#include "plot/axis_map.h"
#include "plot/plot_input.h"
#include "plot/zoom_rules.h"
#include "plot_fixture.h"

// Spacing rows at and just below their bounds, and the 1-2.5-5 continuation.
TEST(plot_scale, MajorSpacingByAxisLength) {
  const struct { double range, spacing; } cases[] = {
      {0.0, 0.00005},  {0.0004999, 0.00005}, {0.0005, 0.00025}, {-0.003, 0.0005},
      {1.4999, 0.1},   {11, 1},              {15, 2},           {29.9, 2},
      {999.9, 100},    {1000, 500},          {999999, 100000},  {1000000, 250000},
      {2600000, 500000}, {7e6, 1e6},         {3e9, 5e8},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(scale(c.range), c.spacing) << c.range;
}

// The decade rules against a direct count of powers of ten.
TEST(plot_scale, LogDecades) {
  const struct { double lo, hi; int xlog, dxlog, ylog, dylog; } cases[] = {
      {0.5, 30, 2, 0, 3, 1},      // x shows 1..100, y 0.1..100
      {1, 1000, 4, 0, 5, 0},      // an exact power of ten starts both axes
      {0.002, 0.5, 3, 2, 4, 3}, {20, 25, 1, -2, 2, -1},
  };
  for (const auto& c : cases) {
    int n = 0, d = 0;
    log_decades_x(c.lo, c.hi - c.lo, n, d);
    EXPECT_EQ(std::tuple(n, d), std::tuple(c.xlog, c.dxlog)) << c.lo;
    EXPECT_GE(c.lo, 0.0);
    EXPECT_LE(c.lo, std::pow(10.0, -d) * (1 + 1e-12));  // left edge not below lo
    log_decades_y(c.lo, c.hi - c.lo, n, d);
    EXPECT_EQ(std::tuple(n, d), std::tuple(c.ylog, c.dylog)) << c.lo;
    EXPECT_GE(c.lo * (1 + 1e-12), std::pow(10.0, -d));  // lower edge not above lo
  }
}

// Labels are rounded, not cut, and carry at least the digits the major spacing needs.
TEST(plot_scale, LabelText) {
  const struct { double v; int digits; const char* text; } cases[] = {
      {3.14159, 2, "3.14"}, {3.14159, 0, "3."}, {0.01, 1, "0.0"},          {100, 1, "100.0"},
      {-0.7, 1, "-0.7"},    {0.75, 1, "0.8"},   {2.5e7, 0, "25000000."},   {1.5, 20, "1.5000000000"},
      {3.6, 0, "4."},       {-0.04, 1, "0.0"},  {0.7499999999, 2, "0.75"},
  };
  for (const auto& c : cases) EXPECT_EQ(label_text(c.v, c.digits), c.text);
  // labels: ticks 1..4 spacings from 0 with one digit asked for.
  const struct { double spacing; const char* labels; } spacings[] = {
      {0.25, "0.25 0.50 0.75 1.00"}, {0.05, "0.05 0.10 0.15 0.20"}, {2.5, "2.5 5.0 7.5 10.0"},
      {1e-3, "0.001 0.002 0.003 0.004"}, {5, "5.0 10.0 15.0 20.0"}};
  for (const auto& c : spacings) {
    std::string text;
    for (int i = 1; i <= 4; ++i)
      text += (i > 1 ? " " : "") + label_text(i * c.spacing, std::max(1, spacing_digits(c.spacing)));
    EXPECT_EQ(text, c.labels);
  }
  EXPECT_EQ(spacing_digits(1.0 / 3.0), 10);
}

using axis_map_test = plot_test;

// Four values (axis limits x0, x1, y0, y1 or a frame) against the expected ones.
static testing::AssertionResult near4(std::array<double, 4> got, std::array<double, 4> want) {
  for (int i = 0; i < 4; ++i)
    if (!(std::fabs(got[i] - want[i]) <= 1e-9 * (1 + std::fabs(want[i]))))
      return testing::AssertionFailure() << "value " << i << " is " << got[i] << ", not " << want[i];
  return testing::AssertionSuccess();
}
static std::array<double, 4> limits(const curve& c) { return {c.axmin[0], c.axmax[0], c.axmin[1], c.axmax[1]}; }

TEST_F(axis_map_test, AutoscaleAndMapping) {
  std::vector<double> x = {1, 2, 3, 4, 5}, y = {-2, 0, 8, 3, 1};
  curve& c = with_points(1, 2, x, y);
  plot_input in = resolve_plot_input(0, 1, 2);
  EXPECT_EQ(autoscale_flagged(in), 3);
  EXPECT_TRUE(near4(limits(c), {1.0, 5.0, -2.2, 8.8}));
  // y's smallest value, major spacing, minor ticks; both autoscale flags cleared
  EXPECT_TRUE(near4({c.cmin[1], c.majt[1], 1.0 * c.mint[1], 1.0 * (c.autoscale[0] + c.autoscale[1])}, {-2, 1, 2, 0}));

  axis_map m = preplot(resolve_plot_input(0, 1, 2), 840, 600);
  EXPECT_TRUE(near4({m.x_min, m.x_max, m.y_min, m.y_max}, {100.0, 840.0, 530.0, 0.0}));
  EXPECT_TRUE(near4({m.to_x(1.0), m.to_x(5.0), m.to_y(8.8), m.to_y(-2.2)}, {100.0, 840.0, 0.0, 530.0}));
  EXPECT_TRUE(near4({m.from_x(m.to_x(2.7)), m.from_y(m.to_y(-1.3)), 0, 0}, {2.7, -1.3, 0, 0}));  // the inverses

  // A constant curve still gets an axis of non-zero length.
  curve& flat = with_points(1, 1, {2, 2}, {0, 0});
  plot_input flat_in = resolve_plot_input(0, 1, 1);
  autoscale_flagged(flat_in);
  EXPECT_TRUE(flat.axmin[0] < flat.axmax[0] && flat.axmin[1] < flat.axmax[1]);
}

// A log axis whose range reaches 0 starts at the smallest positive drawn value.
TEST_F(axis_map_test, LogAxisFromZeroStartsAtSmallestPositiveValue) {
  curve& c = with_points(1, 2, {0, 0.5, 3, 30}, {-1, 0.2, 5, 40});
  axes(c, 0, 30, -1, 40);
  c.scale[0] = c.scale[1] = 1;
  axis_map m = preplot(resolve_plot_input(0, 1, 2), 840, 600);
  EXPECT_TRUE(near4({m.cxy[0], m.cxy[1], 1.0 * m.xlog, 1.0 * m.dxlog}, {0.5, 0.2, 2, 0}));
  EXPECT_TRUE(std::isnan(m.to_x(0.0)) && std::isnan(m.to_y(-1.0)));
  EXPECT_NEAR(m.to_x(10.0), 100.0 + 740.0 / 2, 1e-9);  // decade 10 halfway along 1..100
  EXPECT_NEAR(m.from_x(m.to_x(7.0)), 7.0, 1e-12);
}

// The pointer read-out and the zoom by a drag, on the default frame of 840 x 600 (columns
// 100..840, rows 0..530) over the ranges 0..740 and 0..530: one unit per pixel.
TEST_F(axis_map_test, ReadOutAndZoomByDragging) {
  curve& c = with_points(1, 2, {1, 2}, {1, 2});
  auto map = [&](double x0, double x1, double y0, double y1) {
    axes(c, x0, x1, y0, y1);
    return preplot(c, 840, 600);
  };
  axis_map m = map(0, 740, 0, 530);
  EXPECT_EQ(pointer_text(m, c, 100 + 185.7, 265.2), "(x= 185.000000, y= 265.000000)");
  EXPECT_EQ(pointer_text(m, c, 99.0, 100.0) + "|" + pointer_text(m, c, 300.0, 531.0), "Not in plot|Not in plot");

  // Drags pressed at (200, 300): the verdict on their release.
  const struct { int x1, y1; unsigned ms; drag_result verdict; } drags[] = {
      {400, 100, 1000, drag_result::zoom},      {400, 100, 501, drag_result::zoom},
      {400, 100, 500, drag_result::too_short},  {400, 100, 49999, drag_result::zoom},
      {400, 100, 50000, drag_result::too_short}, {850, 100, 1000, drag_result::outside},
      {400, 300, 1000, drag_result::no_drag},   {200, 100, 1000, drag_result::no_drag}};
  for (const auto& d : drags)
    EXPECT_EQ(judge_drag(true, m.inside(d.x1, d.y1), d.x1 - 200, d.y1 - 300, d.ms), d.verdict) << d.x1 << " " << d.y1;
  EXPECT_STREQ(drag_hint(drag_result::zoom), "");

  // Right and up zoom in: the dragged columns and rows become the axes.
  zoom_axes(c, m, 200, 300, 400, 100);
  EXPECT_TRUE(near4(limits(c), {100.0, 300.0, 230.0, 430.0}));
  // Left and down zoom out: both ends move out by the dragged 200 pixels.
  m = map(0, 740, 0, 530);
  zoom_axes(c, m, 400, 100, 200, 300);
  EXPECT_TRUE(near4(limits(c), {-200.0, 940.0, -200.0, 730.0}));
  // The wheel halves both ranges about the pointer in the middle of the frame.
  m = map(0, 740, 0, 530);
  wheel_zoom(c, m, 470, 265, 0.5);
  EXPECT_TRUE(near4(limits(c), {185.0, 555.0, 132.5, 397.5}));
}

// Log axes are drawn in whole decades by their rules; the read-out, the drag and the wheel
// work in those decades. Each result is checked through the drawing rule again (preplot).
TEST_F(axis_map_test, LogAxesReadAndZoomInDecades) {
  curve& c = with_points(1, 2, {1, 2}, {1, 2});
  c.scale[0] = c.scale[1] = 1;
  axes(c, 1, 999, 0.002, 0.5);  // x: 1 .. 1000 (3 decades), y: 0.001 .. 10 (4)
  auto shown = [&] {
    axis_map m = preplot(c, 840, 600);
    return std::array<int, 4>{-m.dxlog, m.xlog, -m.dylog, m.ylog};
  };
  ASSERT_EQ(shown(), (std::array<int, 4>{0, 3, -3, 4}));
  axis_map m = preplot(c, 840, 600);
  // Pointing at the ticks of 10 and 0.01 reads them, within the pixel the read-out truncates to.
  double x = 0, y = 0;
  ASSERT_EQ(pointer_value(m, c, m.to_x(10.0) + 0.5, m.to_y(0.01) + 0.5, x, y), 1);
  EXPECT_TRUE(std::fabs(x - 10.0) < 0.05 && std::fabs(y - 0.01) < 0.0005) << x << " " << y;

  // A drag over part of the first x decade and y's middle two zooms in to the decades it covers.
  zoom_axes(c, m, int(m.to_x(2.0)), int(m.to_y(0.005)), int(m.to_x(8.0)), int(m.to_y(0.5)));
  EXPECT_EQ(shown(), (std::array<int, 4>{0, 1, -3, 3}));
  // Dragged back by a third of the axis: a decade more on each side.
  m = preplot(c, 840, 600);
  zoom_axes(c, m, int(m.x_min + 400), int(m.y_max + 100), int(m.x_min + 150), int(m.y_max + 280));

  EXPECT_EQ(shown(), (std::array<int, 4>{-1, 3, -4, 5}));
  // The wheel takes a decade off about the pointer, down to the fewest the rule shows, and
  // adds one back.
  const struct { double fx, fy, factor; std::array<int, 4> decades; } steps[] = {
      {0.0, 0.0, wheel_step, {-1, 2, -4, 4}},     // pointer at the lower-left corner
      {1.0, 1.0, wheel_step, {0, 1, -3, 3}},      // at the upper-right corner
      {0.5, 0.5, wheel_step, {0, 1, -3, 2}},
      {0.5, 0.5, wheel_step, {0, 1, -3, 2}},      // nothing fewer to show
      {0.5, 0.5, 1 / wheel_step, {-1, 2, -4, 3}},
  };
  for (const auto& st : steps) {
    m = preplot(c, 840, 600);
    wheel_zoom(c, m, m.x_min + st.fx * m.XDRAW, m.y_min + st.fy * m.YDRAW, st.factor);
    EXPECT_EQ(shown(), st.decades) << st.fx << " " << st.factor;
  }
}
