// Pixels where the drawing rules put them, on small image surfaces.
#include <pango/pangocairo.h>

#include "plot/draw.h"
#include "plot/scan_plot.h"
#include "plot_fixture.h"

using pixels_test = plot_test;

// Darkest pixel of columns x-1..x+1 in row y (a 1-pixel line at a fractional column
// spreads over two columns).
static int dark_near(const image& img, double x, int y) {
  int best = 0, c = static_cast<int>(std::floor(x));
  for (int k = c - 1; k <= c + 1; ++k) best = std::max(best, img.dark(k, y));
  return best;
}


// The first major tick and label at the smallest multiple of the spacing not below the
// axis start; minor ticks (half the length) halfway between majors, none on majors.
TEST_F(pixels_test, LinearTicksAndLabels) {
  const struct { double start, first_major; } cases[] = {{0.7, 1.0}, {-0.7, 0.0}, {2.0, 2.0}};
  for (const auto& tc : cases) {
    curve& c = with_points(1, 2, {tc.start, tc.start + 10}, {1, 1});
    axes(c, tc.start, tc.start + 10, 0, 10);
    c.majt[0] = 1.0, c.mint[0] = 2;
    c.show_axis[0] = c.show_axis[1] = c.dash = 0;
    image img(840, 600);
    ASSERT_EQ(draw(img, 1, 2), 1);
    auto px = [&](double v) { return 100.0 + 74.0 * (v - tc.start); };
    for (int k = 0; k < 3; ++k) {
      double major = px(tc.first_major + k), minor = px(tc.first_major + k + 0.5);
      EXPECT_GT(dark_near(img, major, 522), 150) << tc.start << " major " << k;
      EXPECT_GT(dark_near(img, minor, 527), 150) << tc.start << " minor " << k;
      EXPECT_EQ(dark_near(img, minor, 522), 0) << tc.start << " minor too long " << k;
    }
    // Nothing between the frame edge and the first tick except where a minor belongs.
    double gap_end = px(tc.first_major) - 3;
    const bool no_minor = gap_end - 103 > 1 && px(tc.first_major - 0.5) < 101;
    EXPECT_EQ(no_minor ? img.dark_pixels(103, 515, static_cast<int>(gap_end), 529, 0) : 0, 0) << tc.start;
    // The first label is drawn right of its anchor (tick - 10, edge + 20); no label
    // further left.
    int lx = static_cast<int>(px(tc.first_major)) - 10;
    EXPECT_GT(img.dark_pixels(lx, 550, lx + 30, 570), 5) << tc.start;
    EXPECT_EQ(img.dark_pixels(lx - 25, 550, lx - 1, 570), 0) << tc.start;
  }
}

// A log x axis from 0.5 to 30: decades 1 and 10 at the left edge and halfway, minor ticks
// at log10(j), labels "1.0" and "10.0".
TEST_F(pixels_test, LogDecades) {
  curve& c = with_points(1, 2, {0.5, 30}, {1, 1});
  axes(c, 0.5, 30, 0, 10);
  c.scale[0] = 1, c.show_axis[0] = c.show_axis[1] = c.dash = 0;
  image img(840, 600);
  ASSERT_EQ(draw(img, 1, 2), 1);
  EXPECT_GT(dark_near(img, 470, 522), 150);                        // decade 10
  EXPECT_GT(dark_near(img, 100 + 370 * std::log10(2.0), 527), 150);  // minor at 2
  EXPECT_EQ(dark_near(img, 100 + 370 * std::log10(2.0), 522), 0);
  EXPECT_GT(dark_near(img, 470 + 370 * std::log10(5.0), 527), 150);  // minor at 50
  EXPECT_GT(img.dark_pixels(90, 550, 120, 570), 5);   // "1.0"
  EXPECT_GT(img.dark_pixels(460, 550, 500, 570), 5);  // "10.0"
}

// Segments leaving the frame end exactly at its edge, whichever way the data run, and a
// segment crossing the whole frame is drawn inside it.
TEST_F(pixels_test, SegmentsClippedAtTheFrame) {
  const struct { const char* what; std::vector<double> x; } cases[] = {
      {"ascending", {5, 15}}, {"descending", {15, 5}}, {"across", {-5, 15}}};
  for (const auto& tc : cases) {
    curve& c = with_points(1, 2, tc.x, {5, 5});
    bare(c);
    axes(c, 0, 10, 0, 10);
    c.frame[0] = 0.2, c.frame[1] = 0.8, c.frame[2] = 0.8, c.frame[3] = 0.2;
    c.thickness = 3.0;
    image img(200, 200);
    ASSERT_EQ(draw(img, 1, 2), 1);
    // Frame: columns 40..160, rows 40..160; the line at row 100.
    EXPECT_TRUE(img.is_reddish(159, 100) && img.is_reddish(101, 100) && img.is_white(160, 100)) << tc.what;
    EXPECT_EQ(img.count(161, 0, 200, 200, [&](int x, int y) { return !img.is_white(x, y); }), 0)
        << tc.what;
    EXPECT_TRUE(tc.x[0] >= 0 || (img.is_reddish(40, 100) && img.is_white(38, 100))) << tc.what << ": left edge";
  }
}

// Bars from the row of y = 0; a point at exactly 0 gets none.
TEST_F(pixels_test, BarsSkipZero) {
  curve& c = with_points(1, 2, {2, 4, 6, 8}, {3, 0, 5, -2});
  bare(c);
  axes(c, 0, 10, -5, 10);
  c.frame[0] = 0.2, c.frame[1] = 0.8, c.frame[2] = 0.8, c.frame[3] = 0.2;
  c.aspect = 1;
  image img(200, 200);
  ASSERT_EQ(draw(img, 1, 2), 1);
  // px = 40 + 12 x, quarter spacing 120 / 12 = 10: bars 20 px wide. Baseline row 120.
  EXPECT_EQ(img.red(64, 108), 255);  // inside bar x = 2 (y up to row 96): 25 % red
  EXPECT_NEAR(img.green(64, 108), 191, 3);
  EXPECT_TRUE(img.is_white(64, 90));       // above it
  EXPECT_TRUE(img.is_reddish(54, 108));    // its left side
  EXPECT_EQ(img.count(80, 41, 97, 159, [&](int x, int y) { return !img.is_white(x, y); }), 0);
  EXPECT_NEAR(img.green(136, 125), 191, 3);  // the negative bar hangs below the baseline
}

// Glyph shapes: pixels inside and outside each outline, fills by style.
TEST(plot_glyphs, Shapes) {
  // expect: "red", "white" or "pink" (25 % red over white).
  const struct { int glyph; int dx, dy; const char* expect; } cases[] = {
      {2, 0, 0, "red"},    {2, 4, 0, "red"},    {2, 8, 0, "white"},  // filled square, side 10
      {6, 0, 0, "white"},  {6, 5, 2, "red"},                          // outline square
      {3, 0, 0, "pink"},   {4, 0, 0, "pink"},   {5, 0, 0, "white"},
      {7, 8, 0, "red"},    {7, 6, 6, "white"},                        // diamond, radius 10
      {12, 0, 9, "red"},   {12, 8, 8, "white"},                       // disc, radius 10
      {18, 8, 0, "red"},   {18, -8, 0, "white"},                      // triangle pointing right
      {23, 0, 8, "red"},   {23, 0, -8, "white"},                      // pointing down
      {33, 0, -8, "red"},  {33, 0, 8, "white"},                       // pointing up
      {17, 0, 0, "white"}, {19, 0, 0, "pink"},                        // outline, 25 %
      {1, 3, 3, "red"},    {1, 3, 0, "white"},                        // cross
  };
  for (const auto& tc : cases) {
    image img(60, 60);
    cairo_t* cr = cairo_create(img.surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    const double dash[] = {4, 2};
    cairo_set_dash(cr, dash, 2, 0);
    cairo_set_line_width(cr, 7.0);
    draw_glyph(cr, tc.glyph, 30.5, 30.5, color_red, 10.0);
    // Dash and width come back; the source stays at the glyph colour.
    EXPECT_EQ(std::tuple(cairo_get_dash_count(cr), cairo_get_line_width(cr)), std::tuple(2, 7.0));
    cairo_destroy(cr);
    std::string want = tc.expect;
    int x = 30 + tc.dx, y = 30 + tc.dy;
    const bool seen = want == "red"     ? img.is_reddish(x, y)
                      : want == "white" ? img.is_white(x, y)
                                        : std::abs(img.green(x, y) - 191) <= 3;
    EXPECT_TRUE(seen) << tc.glyph << " at " << tc.dx << "," << tc.dy << ": not " << want;

  }
}

// The legend box: 25 px left of the anchor, h above and below it, 80 px wider than the text.
TEST_F(pixels_test, LegendBoxGeometry) {
  curve& c = with_points(1, 2, {0, 1}, {0, 1});
  bare(c);
  c.show_legend = c.show_legend_box = 1;
  image img(840, 600);
  ASSERT_EQ(draw(img, 1, 2), 1);
  // Independent text extent of "P - S(Q)" in the legend font.
  cairo_t* cr = cairo_create(img.surface);
  PangoLayout* layout = pango_cairo_create_layout(cr);
  PangoFontDescription* font = pango_font_description_from_string("Sans 10");
  pango_layout_set_font_description(layout, font);
  pango_layout_set_text(layout, "P - S(Q)", -1);
  int w = 0, h = 0;
  pango_layout_get_size(layout, &w, &h);
  pango_font_description_free(font);
  g_object_unref(layout);
  cairo_destroy(cr);
  const double W = w / 1024.0, H = h / 1024.0, lx = 0.65 * 840, ly = 0.15 * 600;
  const int x = static_cast<int>(lx), y = static_cast<int>(ly), left = x - 25, right = left + W + 80;
  EXPECT_GT(std::min(dark_near(img, left, y), dark_near(img, right, y)), 100);  // left and right sides
  for (int edge : {static_cast<int>(ly - H), static_cast<int>(ly + H)})
    EXPECT_GT(img.dark(x + 40, edge) + img.dark(x + 40, edge - 1), 100) << edge;
  EXPECT_EQ(dark_near(img, right + 4, y), 0);
  EXPECT_LT(img.green(x + 5, y), 200);  // line sample
  EXPECT_EQ(img.red(x + 5, y), 255);
  EXPECT_GT(img.dark_pixels(x + 35, static_cast<int>(ly - H / 2), static_cast<int>(lx + 35 + W),
                            static_cast<int>(ly + H / 2)), 10);  // the text
}

// The frame shapes, tick sides and directions, label sides and a label angle, as project
// files may set them. Frame 80..320 on 400 x 400, both axes 0..10, majors every 4 (x at
// columns 80, 176, 272; y at rows 320, 224, 128), ticks 10 px, labels 20 (x) and 50 (y)
// px off the frame.
TEST_F(pixels_test, FrameTicksAndLabelsByTheirCodes) {
  auto plot = [&](int frame_type, int ticks_pos, int ticks_io, int labels_pos, double angle, image& img) {
    curve& c = with_points(1, 2, {0, 10}, {0, 10});
    axes(c, 0, 10, 0, 10);
    c.frame[0] = 0.2, c.frame[1] = 0.8, c.frame[2] = 0.8, c.frame[3] = 0.2;
    c.show_axis[0] = c.show_axis[1] = 0, c.x_axis_title = c.y_axis_title = "";
    c.dash = 0, c.frame_type = frame_type;
    for (int a = 0; a < 2; ++a) {
      c.majt[a] = 4, c.mint[a] = 1, c.labels_digit[a] = 0, c.labels_angle[a] = angle;
      c.ticks_pos[a] = ticks_pos, c.ticks_io[a] = ticks_io, c.labels_pos[a] = labels_pos;
    }
    ASSERT_EQ(draw(img, 1, 2), 1);
  };
  auto dark = [](const image& img, int x0, int y0, int x1, int y1) { return img.dark_pixels(x0, y0, x1, y1, 100) > 0; };
  // Sides: left, bottom, right, top (1 drawn); ticks and labels on no side (code 3).
  const struct { int type; bool left, bottom, right, top; } frames[] = {
      {0, 1, 1, 1, 1}, {1, 1, 1, 1, 0}, {2, 1, 1, 0, 0}, {3, 0, 1, 1, 0}, {4, 0, 1, 0, 0}, {5, 0, 0, 0, 0}};
  for (const auto& f : frames) {
    image img(400, 400);
    plot(f.type, 3, 0, 3, 0.0, img);
    const std::array<bool, 4> sides{dark(img, 78, 199, 83, 202), dark(img, 199, 318, 202, 323),
                                    dark(img, 318, 199, 323, 202), dark(img, 199, 78, 202, 83)};
    EXPECT_EQ(sides, (std::array<bool, 4>{f.left, f.bottom, f.right, f.top})) << f.type;
  }
  // Ticks: lower (bottom, left), upper (top, right), both, none; inwards (0) or out (1).
  for (int pos = 0; pos < 4; ++pos)
    for (int io = 0; io < 2; ++io) {
      image img(400, 400);
      plot(5, pos, io, 3, 0.0, img);
      const bool lower = pos == 0 || pos == 2, upper = pos == 1 || pos == 2;
      const int out = io == 1 ? 1 : -1;  // rows/columns beyond the frame side
      SCOPED_TRACE(std::to_string(pos) + " " + std::to_string(io));
      EXPECT_EQ(dark(img, 175, 320 + (out > 0 ? 2 : -8), 178, 320 + (out > 0 ? 8 : -2)), lower);  // x, bottom
      EXPECT_EQ(dark(img, 175, 80 + (out > 0 ? -8 : 2), 178, 80 + (out > 0 ? -2 : 8)), upper);    // x, top
      EXPECT_EQ(dark(img, 80 + (out > 0 ? -8 : 2), 223, 80 + (out > 0 ? -2 : 8), 226), lower);    // y, left
      EXPECT_EQ(dark(img, 320 + (out > 0 ? 2 : -8), 223, 320 + (out > 0 ? 8 : -2), 226), upper);  // y, right
    }
  // Labels: below/left, above/right, both, none; a quarter turn moves their pixels.
  image flat(400, 400), turned(400, 400);
  for (int pos = 0; pos < 4; ++pos) {
    image img(400, 400);
    plot(5, 3, 0, pos, 0.0, img);
    const bool lower = pos == 0 || pos == 2, upper = pos == 1 || pos == 2;
    // "4" under and over x = 4, left and right of y = 4
    const std::array<bool, 4> sides{dark(img, 150, 335, 200, 370), dark(img, 150, 30, 200, 65),
                                    dark(img, 0, 200, 70, 240), dark(img, 330, 200, 400, 240)};
    EXPECT_EQ(sides, (std::array<bool, 4>{lower, upper, lower, upper})) << pos;

  }
  plot(5, 3, 0, 0, 0.0, flat);
  plot(5, 3, 0, 0, M_PI / 2, turned);
  EXPECT_GT(flat.count(150, 335, 200, 370, [&](int x, int y) { return flat.at(x, y) != turned.at(x, y); }), 10);
}

// The scan plot of the S(q) dialog: the density in blue from the lowest r_min at the left
// edge (its highest value at the top), chi2 in red; without points only the frame.
TEST_F(pixels_test, ScanPlotOfDensityAndChi2) {
  image img(330, 120);
  cairo_t* cr = cairo_create(img.surface);
  const std::vector<scan_point> points{{0.8, 0.070, 1e-4}, {1.0, 0.066, 2e-4}, {1.2, 0.066, 1e-3}};
  ASSERT_EQ(draw_scan_plot(cr, 330, 120, points), 1);
  auto bluish = [&](int x, int y) { return img.blue(x, y) > 150 && img.red(x, y) < 120; };
  auto reddish = [&](int x, int y) { return img.is_reddish(x, y); };
  // (0.8, 0.070) at the left edge and top; the lowest chi2 at the bottom left, the highest at the top right
  EXPECT_TRUE(img.count(50, 12, 56, 18, bluish) && img.count(50, 102, 56, 108, reddish) &&
              img.count(274, 12, 280, 18, reddish));

  ASSERT_EQ(draw_scan_plot(cr, 330, 120, {}), 1);
  EXPECT_EQ(img.count(0, 0, 330, 120, [&](int x, int y) { return reddish(x, y) || bluish(x, y); }), 0);

  EXPECT_EQ(draw_scan_plot(cr, 0, 120, points), 0);
  cairo_destroy(cr);
}
