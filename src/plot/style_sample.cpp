#include "plot/style_sample.h"

#include "plot/dash.h"
#include "plot/frame.h"
#include "plot/glyphs.h"
#include "plot/plot_context.h"

namespace {

void paint(cairo_t* cr, const color& back) {
  set_color(cr, back);
  cairo_paint(cr);
}

}  // namespace

void draw_line_sample(cairo_t* cr, double x0, double x1, double y, const data_style& s) {
  cairo_new_path(cr);
  if (s.dash > 0) {
    apply_dash(cr, s.dash);
    cairo_set_line_width(cr, s.thickness);
    set_color(cr, s.col);
    cairo_move_to(cr, x0, y);
    cairo_line_to(cr, x1, y);
    cairo_stroke(cr);
  }
  draw_glyph(cr, s.glyph, x0, y, s.col, s.gsize);
  draw_glyph(cr, s.glyph, x1, y, s.col, s.gsize);
}

void draw_frame_preview(cairo_t* cr, int w, int h, const curve& c) {
  cairo_save(cr);
  paint(cr, c.backc);
  const int resol[2] = {w, h};
  const double xs[2] = {0.15, 0.85}, ys[2] = {0.85, 0.15};
  show_frame(cr, c.frame_type, c.frame_dash, resol, c.frame_thickness, xs, ys, c.frame_color);
  cairo_restore(cr);
}

void draw_style_preview(cairo_t* cr, int w, int h, const data_style& s, const color& back) {
  cairo_save(cr);
  paint(cr, back);
  draw_line_sample(cr, w * 0.15, w * 0.85, h / 2.0, s);
  cairo_restore(cr);
}
