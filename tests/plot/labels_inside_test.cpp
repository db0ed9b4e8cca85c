// Tick labels and axis titles stay inside the drawing at every window size down to
// 400 x 300: the plot is drawn into the middle of a larger image, and nothing may be
// drawn around it (a frame line on the drawing's edge may bleed one pixel).

#include "plot_fixture.h"

using labels_inside_test = plot_test;

TEST_F(labels_inside_test, NoTextOutsideTheDrawing) {
  std::vector<double> r, g;
  for (int i = 0; i < 1000; ++i) {
    r.push_back(0.01 * i);
    g.push_back(4.0 * std::sin(3.0 * r.back()) * std::exp(-0.2 * r.back()));
  }
  // labels_pos 2: labels on both sides of the frame.
  struct size_case { int w, h, labels_pos; };
  const size_case cases[] = {{400, 300, 0}, {400, 300, 2}, {520, 340, 0}, {840, 600, 2}};
  const int margin = 100;
  for (const size_case& s : cases) {
    curve& c = with_points(3, 1, r, g);
    c.x_axis_title = "r [Å]";
    c.y_axis_title = "G(r)";
    c.labels_pos[0] = c.labels_pos[1] = s.labels_pos;
    c.autoscale[0] = c.autoscale[1] = 1;
    image img(s.w + 2 * margin, s.h + 2 * margin);
    cairo_t* cr = cairo_create(img.surface);
    cairo_translate(cr, margin, margin);
    ASSERT_EQ(render_curve(cr, s.w, s.h, 1.0, 0, 3, 1), 1);
    cairo_destroy(cr);
    int outside = img.count(0, 0, img.w, img.h, [&](int x, int y) {
      bool in = x >= margin - 1 && x <= margin + s.w && y >= margin - 1 && y <= margin + s.h;
      return !in && img.dark(x, y) > 60;
    });
    EXPECT_EQ(outside, 0) << s.w << "x" << s.h << " labels " << s.labels_pos;
    // The labels and titles are still drawn: dark text pixels left of the frame.
    EXPECT_GT(img.dark_pixels(margin, margin, margin + 40, margin + s.h), 50);
  }
}
