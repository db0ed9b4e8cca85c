// A project with curve records and helpers to draw a curve into an image surface and read
// its pixels back.
#pragma once

#include <cairo.h>
#include "support/test.h"

#include "plot/render.h"
#include "project/calc_records.h"
#include "project/project.h"
#include "project/toolbox.h"
#include "support/project_fixture.h"

// An ARGB32 image the plot is drawn into.
struct image {
  cairo_surface_t* surface = nullptr;
  int w = 0, h = 0;
  image(int width, int height)
      : surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)), w(width), h(height) {}
  ~image() { cairo_surface_destroy(surface); }
  image(const image&) = delete;
  image& operator=(const image&) = delete;
  uint32_t at(int x, int y) const {
    cairo_surface_flush(surface);
    const unsigned char* d = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    return reinterpret_cast<const uint32_t*>(d + y * stride)[x];
  }
  int red(int x, int y) const { return (at(x, y) >> 16) & 255; }
  int green(int x, int y) const { return (at(x, y) >> 8) & 255; }
  int blue(int x, int y) const { return at(x, y) & 255; }
  // Darkness 0 (white) .. 765 (black), from the sum of the channels.
  int dark(int x, int y) const { return 765 - red(x, y) - green(x, y) - blue(x, y); }
  bool is_white(int x, int y) const { return dark(x, y) == 0; }
  // Pure red-ish: a data pixel of the default curve colour.
  bool is_reddish(int x, int y) const { return red(x, y) > 150 && green(x, y) < 120 && blue(x, y) < 120; }
  // Count of pixels in [x0, x1) x [y0, y1) satisfying f.
  template <class F>
  int count(int x0, int y0, int x1, int y1, F f) const {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x)
        if (x >= 0 && y >= 0 && x < w && y < h && f(x, y)) ++n;
    return n;
  }
  int dark_pixels(int x0, int y0, int x1, int y1, int threshold = 200) const {
    return count(x0, y0, x1, y1, [&](int x, int y) { return dark(x, y) > threshold; });
  }
};

class plot_test : public project_table_test {
 protected:
  void SetUp() override {
    project_table_test::SetUp();
    init_project();
    proj[activep].name = "P", proj[activep].params[k_abscissa] = 1;
    create_curve_records(activep);
    init_curve_names(activep, 0, 0);
  }
  // Curve (rid, cid) of project 0 with the given points and every display default but the
  // frame: a stored one (the frame of earlier versions, columns 100..840 and rows 0..530
  // of 840 x 600), drawn as stored, so that pixels can be checked where they belong.
  curve& with_points(int rid, int cid, const std::vector<double>& x, const std::vector<double>& y, int p = 0) {
    curve& c = *find_curve(p, rid, cid);
    const double stored[4] = {100.0 / 840.0, 1.0, 530.0 / 600.0, 0.0};
    std::copy(stored, stored + 4, c.frame);
    c.ndata = static_cast<int>(x.size());
    c.data[0] = x, c.data[1] = y;
    return c;
  }
  // A plain curve: no frame decorations that would cover the checks unless asked for.
  static void bare(curve& c) { c.show_frame = c.show_axis[0] = c.show_axis[1] = 0; }

  // Fixed axes (no autoscale).
  static void axes(curve& c, double x0, double x1, double y0, double y1) {
    c.axmin[0] = x0, c.axmax[0] = x1, c.axmin[1] = y0, c.axmax[1] = y1;
    c.autoscale[0] = c.autoscale[1] = 0;
  }
  static int draw(image& img, int rid, int cid, double alpha = 1.0, int p = 0) {
    cairo_t* cr = cairo_create(img.surface);
    int ok = render_curve(cr, img.w, img.h, alpha, p, rid, cid);
    cairo_destroy(cr);
    return ok;
  }
};
