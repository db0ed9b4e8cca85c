// The plots of a series, drawn into image surfaces at two sizes and read back pixel by
// pixel: the colour scale, the waterfall's traces raised one above the other in their
// colours with the colour bar beside them, the trend's dots and the picks.

#include "plot/series_plot.h"
#include "plot_fixture.h"

namespace {

struct rgb { double r, g, b; };
rgb of(const color& c) { return {c.red / 65535.0, c.green / 65535.0, c.blue / 65535.0}; }

// The pixel's colour within `tolerance` (0..255 per channel) of c.
bool near_colour(const image& img, int x, int y, const color& c, int tolerance = 40) {
  const rgb want = of(c);
  return std::abs(img.red(x, y) - want.r * 255) <= tolerance && std::abs(img.green(x, y) - want.g * 255) <= tolerance &&
         std::abs(img.blue(x, y) - want.b * 255) <= tolerance;
}

// Rows around `row` in column x that show colour c over white: fully, or partly where a
// line falls between two rows (the same fraction of c in every channel).
int rows_of_colour(const image& img, int x, double row, const color& c) {
  const rgb want = of(c);
  const double channel[3] = {want.r * 255, want.g * 255, want.b * 255};
  int n = 0;
  for (int y = static_cast<int>(row) - 3; y <= static_cast<int>(row) + 3; ++y) {
    if (y < 0 || y >= img.h) continue;
    const int got[3] = {img.red(x, y), img.green(x, y), img.blue(x, y)};
    double lo = 2.0, hi = -1.0;
    for (int k = 0; k < 3; ++k) {
      if (255 - channel[k] < 40) continue;  // a channel near white tells nothing
      const double a = (255 - got[k]) / (255 - channel[k]);
      lo = std::min(lo, a), hi = std::max(hi, a);
    }
    if (lo > 0.3 && hi - lo < 0.2) ++n;
  }
  return n;
}

// Three flat patterns at y = 0, each raised by 1 above the one before, coloured from the
// start to the end of the scale, the middle one highlighted.
struct flat_series {
  std::vector<double> x{0.0, 2.5, 5.0, 7.5, 10.0}, y{0, 0, 0, 0, 0};
  waterfall_input in;
  flat_series() {
    for (int k = 0; k < 3; ++k) in.traces.push_back({x, y, 0.5 * k, static_cast<std::size_t>(10 + k)});
    in.offset = 1.0, in.x_title = "q [Å-1]", in.y_title = "S(Q)";
    in.scale = {true, 300.0, 500.0, "Temperature", false};
    in.highlight = 1;
  }
};

}  // namespace

// Every colour of the scale reads on white (relative luminance well below the
// background's), the scale runs from blue to red, and a missing value is grey.
TEST(series_plot, ColourScale) {
  for (double t = 0.0; t <= 1.0; t += 0.01) {
    const rgb c = of(colour_along(t));
    EXPECT_LT(0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b, 0.62) << t;
  }
  EXPECT_GT(of(colour_along(0.0)).b, of(colour_along(0.0)).r);
  EXPECT_GT(of(colour_along(1.0)).r, of(colour_along(1.0)).b);
  const rgb grey = of(colour_along(NAN)), below = of(colour_along(-1.0)), start = of(colour_along(0.0));
  EXPECT_TRUE(grey.r == grey.g && grey.g == grey.b && grey.r > 0.3);
  EXPECT_TRUE(below.r == start.r && below.g == start.g && below.b == start.b);  // clamped
}

TEST(series_plot, WaterfallTracesInTheirColoursWithTheColourBar) {
  const flat_series s;
  for (auto [w, h] : {std::pair{640, 400}, std::pair{360, 240}}) {
    image img(w, h);
    cairo_t* cr = cairo_create(img.surface);
    ASSERT_EQ(draw_waterfall(cr, w, h, 1.0, s.in), 1);
    cairo_destroy(cr);
    const series_plot_layout l = waterfall_layout(s.in, w, h);
    // The axes hold the raised traces with a margin of 4 % of their span.
    EXPECT_DOUBLE_EQ(l.x_lo, 0.0);
    EXPECT_DOUBLE_EQ(l.x_hi, 10.0);
    EXPECT_NEAR(l.y_lo, -0.08, 1e-12);
    EXPECT_NEAR(l.y_hi, 2.08, 1e-12);
    EXPECT_TRUE(l.x_max < l.bar_x0 && l.bar_x1 <= w) << "the colour bar right of the frame, inside the image";
    const int x = static_cast<int>(l.x_min + 0.37 * (l.x_max - l.x_min));  // clear of the ticks
    for (int k = 0; k < 3; ++k) {
      const double row = l.y_bottom - (k - l.y_lo) / (l.y_hi - l.y_lo) * (l.y_bottom - l.y_top);
      const int rows = rows_of_colour(img, x, row, colour_along(0.5 * k));
      EXPECT_GE(rows, k == 1 ? 2 : 1) << w << " trace " << k << " (the highlighted trace 1 is wider)";
      EXPECT_TRUE(img.is_white(x, static_cast<int>(row) - 8)) << w << " above trace " << k;
    }
    // The bar from the start of the scale at the bottom to its end at the top.
    const int bx = static_cast<int>(0.5 * (l.bar_x0 + l.bar_x1));
    EXPECT_TRUE(near_colour(img, bx, int(l.y_bottom) - 3, colour_along(0.0)) &&
                near_colour(img, bx, int(l.y_top) + 3, colour_along(1.0)) &&
                near_colour(img, bx, int(0.5 * (l.y_top + l.y_bottom)), colour_along(0.5))) << w;

    // Its labels and title right of it.
    EXPECT_GT(img.dark_pixels(int(l.bar_x1) + 2, int(l.y_top), w, int(l.y_bottom)), 40) << w;
  }
}

TEST(series_plot, PicksTheTraceOrTheDotUnderThePointer) {
  const flat_series s;
  const int w = 500, h = 300;
  const series_plot_layout l = waterfall_layout(s.in, w, h);
  auto row_of = [&](double y) { return l.y_bottom - (y - l.y_lo) / (l.y_hi - l.y_lo) * (l.y_bottom - l.y_top); };
  const double x = 0.3 * l.x_min + 0.7 * l.x_max;
  for (int k = 0; k < 3; ++k)  // a little below and above the trace
    EXPECT_EQ(std::tuple(pick_waterfall(s.in, w, h, x, row_of(k) + 3), pick_waterfall(s.in, w, h, x, row_of(k) - 3)),
              std::tuple(k, k));
  EXPECT_EQ(pick_waterfall(s.in, w, h, x, row_of(0.5)), -1);      // between two traces
  EXPECT_EQ(pick_waterfall(s.in, w, h, l.x_min - 5, row_of(1)), -1);  // outside the frame
  EXPECT_EQ(pick_waterfall(waterfall_input{}, w, h, x, row_of(1)), -1);

  trend_input t;
  t.points = {{1.0, 10.0, 0.0, 7}, {2.0, 30.0, 0.5, 8}, {3.0, 20.0, 1.0, 9}};
  t.highlight = 2;
  const series_plot_layout tl = trend_layout(t, w, h);
  EXPECT_NEAR(tl.x_lo, 0.92, 1e-12);
  EXPECT_NEAR(tl.y_hi, 31.6, 1e-12);
  image img(w, h);
  cairo_t* cr = cairo_create(img.surface);
  ASSERT_EQ(draw_trend(cr, w, h, 1.0, t), 1);
  cairo_destroy(cr);
  for (std::size_t i = 0; i < t.points.size(); ++i) {
    const double px = tl.x_min + (t.points[i].x - tl.x_lo) / (tl.x_hi - tl.x_lo) * (tl.x_max - tl.x_min);
    const double py = tl.y_bottom - (t.points[i].y - tl.y_lo) / (tl.y_hi - tl.y_lo) * (tl.y_bottom - tl.y_top);
    EXPECT_TRUE(near_colour(img, static_cast<int>(px), static_cast<int>(py), colour_along(t.points[i].t))) << i;
    EXPECT_EQ(pick_trend(t, w, h, px + 4, py - 4), static_cast<int>(i));
    EXPECT_TRUE(i != 2 || img.dark(static_cast<int>(px) + 7, static_cast<int>(py)) > 500) << "the ring";


  }
  EXPECT_EQ(pick_trend(t, w, h, tl.x_min + 2, tl.y_top + 2), -1);
}

TEST(series_plot, EmptyPlotsShowTheirHintAndBadSizesDrawNothing) {
  for (bool waterfall : {true, false}) {
    image img(300, 200);
    cairo_t* cr = cairo_create(img.surface);
    waterfall_input w;
    w.hint = "Choose the patterns and press Run";
    trend_input t;
    t.hint = w.hint;
    EXPECT_EQ(waterfall ? draw_waterfall(cr, 300, 200, 1.0, w) : draw_trend(cr, 300, 200, 1.0, t), 1);
    EXPECT_EQ(waterfall ? draw_waterfall(cr, 0, 200, 1.0, w) : draw_trend(cr, 300, -1, 1.0, t), 0);
    cairo_destroy(cr);
    const series_plot_layout l = waterfall ? waterfall_layout(w, 300, 200) : trend_layout(t, 300, 200);
    const int cx = static_cast<int>(0.5 * (l.x_min + l.x_max)), cy = static_cast<int>(0.5 * (l.y_top + l.y_bottom));
    EXPECT_GT(img.dark_pixels(cx - 60, cy - 8, cx + 60, cy + 8, 100), 20) << waterfall;
  }
}
