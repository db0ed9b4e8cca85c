#include "plot/frame.h"

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
  const double X0 = W * xs[0], X1 = W * xs[1], Y0 = H * ys[0], Y1 = H * ys[1];
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
  show_frame(pc.cr, c.frame_type, c.frame_dash, pc.m.resol, c.frame_thickness, &c.frame[0],
             &c.frame[2], c.frame_color);
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
  frame_lines(pc);
  x_axis(pc);
  draw_x_axis_title(pc);
  set_layout_font(pc, pc.c->labels_font[1]);
  prep_axis_data(pc, 1);
  if (pc.c->scale[1] == 0)
    setup_yaxis_linear(pc);
  else
    setup_yaxis_log(pc);
  draw_y_axis_title(pc);
}

void redraw_frame_and_xaxis(plot_context& pc) {
  frame_lines(pc);
  x_axis(pc);
}
