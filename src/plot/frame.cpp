#include "plot/frame.h"

#include <algorithm>

#include "plot/axes.h"
#include "plot/draw.h"
#include "plot/plot_context.h"

void prep_frame(cairo_t* cr, int dash, double thickness, const color& col) {
  apply_dash(cr, dash);
  set_color(cr, col);
  cairo_set_line_width(cr, thickness);
}

void show_frame(cairo_t* cr, int frame_type, int frame_dash, const int resol[2], double thickness,
                const double* xs, const double* ys, const color& col) {
  prep_frame(cr, frame_dash, thickness, col);
  const double W = resol[0], H = resol[1];
  // A line on the drawing's edge is drawn just inside it, whole.
  const double half = std::max(thickness, 0.0) / 2;
  auto within = [half](double v, double size) { return std::clamp(v, half, std::max(half, size - half)); };
  const double X0 = within(W * xs[0], W), X1 = within(W * xs[1], W);
  const double Y0 = within(H * ys[0], H), Y1 = within(H * ys[1], H);
  cairo_new_path(cr);
  if (frame_dash == 0) return;  // index 0 is "no line", as for data
  switch (frame_type) {
    case 0:
      cairo_move_to(cr, X0, Y1);
      cairo_line_to(cr, X1, Y1);
      cairo_line_to(cr, X1, Y0);
      cairo_line_to(cr, X0, Y0);
      cairo_close_path(cr);
      break;
    case 1:
      cairo_move_to(cr, X0, Y1);
      cairo_line_to(cr, X0, Y0);
      cairo_line_to(cr, X1, Y0);
      cairo_line_to(cr, X1, Y1);
      break;
    case 2:
      cairo_move_to(cr, X0, Y1);
      cairo_line_to(cr, X0, Y0);
      cairo_line_to(cr, X1, Y0);
      break;
    case 3:
      cairo_move_to(cr, X1, Y1);
      cairo_line_to(cr, X1, Y0);
      cairo_line_to(cr, X0, Y0);
      break;
    case 4:
      cairo_move_to(cr, X0, Y0);
      cairo_line_to(cr, X1, Y0);
      break;
    default:
      break;
  }
  cairo_stroke(cr);
}

namespace {

void frame_lines(plot_context& pc) {
  const curve& c = *pc.c;
  const axis_map& m = pc.m;
  // The frame as the map placed it (the default frame is fitted to its texts).
  const double xs[2] = {m.x_min / m.resol[0], m.x_max / m.resol[0]};
  const double ys[2] = {m.y_min / m.resol[1], m.y_max / m.resol[1]};
  show_frame(pc.cr, c.frame_type, c.frame_dash, m.resol, c.frame_thickness, xs, ys, c.frame_color);
  // Ticks and labels keep the frame colour and width; a frame without line ticks solid.
  if (c.frame_dash == 0) apply_dash(pc.cr, 1);
}

void x_axis(plot_context& pc) {
  set_layout_font(pc, pc.c->labels_font[0]);
  prep_axis_data(pc, 0);
  if (pc.c->scale[0] == 0)
    setup_xaxis_linear(pc);
  else
    setup_xaxis_log(pc);
}

}  // namespace

void draw_frame(plot_context& pc) {
  pc.texts = lay_out_texts(*pc.c, pc.m, pc.layout);
  frame_lines(pc);
  x_axis(pc);
  draw_axis_title(pc, 0);
  set_layout_font(pc, pc.c->labels_font[1]);
  prep_axis_data(pc, 1);
  if (pc.c->scale[1] == 0)
    setup_yaxis_linear(pc);
  else
    setup_yaxis_log(pc);
  draw_axis_title(pc, 1);
}

void redraw_frame_and_xaxis(plot_context& pc) {
  frame_lines(pc);
  x_axis(pc);
}
