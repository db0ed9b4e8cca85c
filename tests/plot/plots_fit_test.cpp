// Plots of new curves fit their drawing: the frame leaves room for the tick labels, the
// axis titles and the curve's ends on every side, no two texts overlap, no label touches
// its axis line and nothing is cut, at every size down to 400 x 300, for every frame
// type, on linear and log axes.

#include <pango/pangocairo.h>

#include "plot/axis_map.h"
#include "plot/plot_input.h"
#include "plot/text_layout.h"
#include "plot_fixture.h"

namespace {

struct data_case { const char* name; int rid, cid; std::vector<double> x, y; int xlog, ylog; };

std::vector<data_case> data_cases() {
  std::vector<double> r, g, q, s, tt, counts, small;
  for (int i = 0; i <= 1000; ++i) {
    r.push_back(0.01 * i);
    g.push_back(4.5 * std::sin(3.0 * r.back()) * std::exp(-0.2 * r.back()) - (i < 100 ? 2.0 : 0.0));
    q.push_back(0.1 + 0.0159 * i);
    s.push_back(1e-4 * std::pow(1e5, i / 1000.0));
    tt.push_back(2.0 + 0.138 * i);
    counts.push_back(6000.0 * std::exp(-tt.back() / 30.0));
    small.push_back(0.0005 * std::sin(r.back()) - 0.0002);  // wide labels: "-0.00050"
  }
  return {{"G(r)", 3, 1, r, g, 0, 0},           {"S(Q) log", 1, 2, q, s, 0, 1},
          {"S(Q) log-log", 1, 2, q, s, 1, 1},   {"raw counts", 0, 0, tt, counts, 0, 0},
          {"counts log x", 0, 0, tt, counts, 1, 0}, {"small", 3, 1, r, small, 0, 0}};
}

std::string where(const placed_text& t) {
  return "\"" + t.text + "\" at " + std::to_string(t.box.x0) + "," + std::to_string(t.box.y0) + ".." +
         std::to_string(t.box.x1) + "," + std::to_string(t.box.y1);
}

}  // namespace

using plots_fit_test = plot_test;

TEST_F(plots_fit_test, NothingOverlapsNothingIsCut) {
  PangoContext* context = pango_font_map_create_context(pango_cairo_font_map_get_default());
  PangoLayout* layout = pango_layout_new(context);
  const int sizes[][2] = {{400, 300}, {640, 480}, {840, 600}, {1200, 900}};
  for (const data_case& d : data_cases()) {
    for (const auto& size : sizes) {
      for (int frame_type = 0; frame_type <= 5; ++frame_type) {
        const int W = size[0], H = size[1];
        SCOPED_TRACE(std::string(d.name) + " " + std::to_string(W) + "x" + std::to_string(H) + " frame " +
                     std::to_string(frame_type));
        initcurve(0, d.rid, d.cid);  // the style of a new curve, fitted frame
        curve& c = *find_curve(0, d.rid, d.cid);
        c.ndata = static_cast<int>(d.x.size()), c.data[0] = d.x, c.data[1] = d.y;
        c.scale[0] = d.xlog, c.scale[1] = d.ylog, c.frame_type = frame_type;
        c.x_axis_title = "q [Å-1]", c.y_axis_title = d.name;
        plot_input in = resolve_plot_input(0, d.rid, d.cid);
        autoscale_flagged(in);
        const axis_map m = preplot(in, W, H);
        const plot_texts t = lay_out_texts(c, m, layout);

        std::vector<const placed_text*> shown;
        int per_axis[2] = {0, 0};
        int step[2] = {0, 0}, last[2] = {-1, -1};  // labels thinned evenly: every step-th tick
        for (int k = 0; k < static_cast<int>(t.labels.size()); ++k) {
          const placed_text& l = t.labels[k];
          if (!l.shown) continue;
          if (last[l.axis] >= 0 && step[l.axis] == 0) step[l.axis] = k - last[l.axis];
          EXPECT_TRUE(last[l.axis] < 0 || k - last[l.axis] == step[l.axis]) << "uneven at " << where(l);
          last[l.axis] = k;
          shown.push_back(&l);
          ++per_axis[l.axis];
          // Off its axis line: left of the y axis, below the x axis.
          EXPECT_TRUE(l.axis == 1 ? l.box.x1 <= m.x_min : l.box.y0 >= m.y_min) << where(l);
        }
        EXPECT_GE(std::min(per_axis[0], per_axis[1]), 2) << "labels shown on x and on y";
        for (const placed_text& title : t.title) {
          ASSERT_TRUE(title.shown);
          shown.push_back(&title);
        }
        for (size_t i = 0; i < shown.size(); ++i) {
          const text_box& b = shown[i]->box;
          EXPECT_TRUE(b.x0 >= 0 && b.y0 >= 0 && b.x1 <= W && b.y1 <= H) << "cut: " << where(*shown[i]);
          for (size_t j = i + 1; j < shown.size(); ++j)
            EXPECT_FALSE(b.overlaps(shown[j]->box)) << where(*shown[i]) << " over " << where(*shown[j]);
        }
        // The frame's sides and the curve's end lie inside the drawing, with their line.
        const double half = c.frame_thickness / 2;
        EXPECT_TRUE(m.x_min - half >= 0 && m.x_max + half <= W - 1.0 && m.y_max - half >= 1 && m.y_min + half <= H)
            << "frame " << m.x_min << ".." << m.x_max << " x " << m.y_max << ".." << m.y_min;
        EXPECT_LE(m.to_x(d.x.back()), m.x_max + 1e-9);
      }
    }
  }
  g_object_unref(layout);
  g_object_unref(context);
}

// The drawing itself: drawn into the middle of a larger image, nothing lies around it, and
// the labels and titles are there.
TEST_F(plots_fit_test, NothingIsDrawnOutsideTheDrawing) {
  const data_case d = data_cases()[0];
  const int margin = 100;
  for (int labels_pos : {0, 2}) {  // 2: labels on both sides of the frame
    initcurve(0, d.rid, d.cid);
    curve& c = with_points(d.rid, d.cid, d.x, d.y);
    std::copy(default_frame, default_frame + 4, c.frame);
    c.x_axis_title = "r [Å]", c.y_axis_title = "G(r)", c.frame_type = 0;
    c.labels_pos[0] = c.labels_pos[1] = labels_pos;
    image img(400 + 2 * margin, 300 + 2 * margin);
    cairo_t* cr = cairo_create(img.surface);
    cairo_translate(cr, margin, margin);
    ASSERT_EQ(render_curve(cr, 400, 300, 1.0, 0, d.rid, d.cid), 1);
    cairo_destroy(cr);
    const int outside = img.count(0, 0, img.w, img.h, [&](int x, int y) {
      return img.dark(x, y) > 60 && !(x >= margin && x < margin + 400 && y >= margin && y < margin + 300);
    });

    EXPECT_EQ(outside, 0) << "labels " << labels_pos;
    EXPECT_GT(img.dark_pixels(margin, margin, margin + 40, margin + 300), 50);
    // The closed frame's right and top sides are drawn.
    EXPECT_GT(img.dark_pixels(margin + 360, margin + 100, margin + 400, margin + 101), 0);
    EXPECT_GT(img.dark_pixels(margin + 200, margin, margin + 201, margin + 20), 0);
  }
}
