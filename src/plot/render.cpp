#include "plot/render.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>

#include "numeric/safe_files.h"
#include "plot/axes.h"
#include "plot/draw.h"
#include "plot/frame.h"
#include "plot/plot_context.h"
#include "plot/plot_input.h"
#include "plot/sigma_band.h"
#include "project/allocextra.h"
#include "project/hooks.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/toolbox.h"

std::function<void(int, int, int, int)>& plot_autoscaled_hook() { return front().plot_autoscaled; }

namespace {

bool usable(cairo_t* cr, int width, int height) {
  return cr && width > 0 && height > 0 && cairo_status(cr) == CAIRO_STATUS_SUCCESS;
}

// The curve to draw, made the active one, with its extra tables rebuilt when projects
// came or went; c is null when there is no such curve.
plot_input open_plot(int p, int rid, int cid) {
  curve* c = find_curve(p, rid, cid);
  if (!c) return {};
  activer = rid;
  activec = cid;
  allocextra(0, p, rid, cid);
  return resolve_plot_input(*c, *c, p, rid, cid);
}

// Autoscales the flagged axes of a curve of the project table and tells the hook.
void autoscale_curve(plot_input& in) {
  int scaled = autoscale_flagged(in);
  if (scaled && plot_autoscaled_hook()) plot_autoscaled_hook()(in.p, in.rid, in.cid, scaled);
}

// The bands of the sets that carry deviations under every line, then the extra data sets,
// then the curve over them.
void draw_data_sets(plot_context& pc) {
  for (const plot_set& set : pc.in->extras)
    if (set.styled) draw_sigma_band(pc, set);
  draw_sigma_band(pc, pc.in->own);
  const int shown = pc.c->extras_shown;
  int index = -shown;
  for (const plot_set& set : pc.in->extras)
    if (set.styled) draw_curve(pc, set, shown, index++);
  draw_curve(pc, pc.in->own, shown, index);
}

// Background, zero lines, frame and axes, data sets, title and legend of an autoscaled
// plot.
int draw_plot(cairo_t* cr, int width, int height, double background_alpha, const plot_input& in) {
  const curve& c = *in.c;
  cairo_save(cr);
  cairo_new_path(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  set_color(cr, c.backc, background_alpha);
  cairo_paint(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);

  plot_context pc;
  pc.cr = cr;
  pc.layout = pango_cairo_create_layout(cr);
  pc.in = &in;
  pc.c = &c;
  pc.m = preplot(in, width, height);
  draw_zero_lines(pc);
  if (c.show_frame) draw_frame(pc);
  draw_data_sets(pc);
  if (c.show_title) show_title(pc);
  if (c.show_legend) show_legend(pc);

  g_object_unref(pc.layout);
  cairo_restore(cr);
  return cairo_status(cr) == CAIRO_STATUS_SUCCESS ? 1 : 0;
}

// Cairo hands the encoded image over in pieces; they go straight to the output file
// (safe_output::write throws nothing through cairo's C code).
cairo_status_t write_piece(void* closure, const unsigned char* data, unsigned int length) noexcept {
  return static_cast<safe_output*>(closure)->write(data, length) ? CAIRO_STATUS_SUCCESS
                                                                  : CAIRO_STATUS_WRITE_ERROR;
}

cairo_surface_t* image_surface(int target, safe_output& out, int w, int h) {
  switch (target) {
    case image_png:
      return cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    case image_pdf:
      return cairo_pdf_surface_create_for_stream(write_piece, &out, w, h);
    case image_svg:
      return cairo_svg_surface_create_for_stream(write_piece, &out, w, h);
    default:
      return nullptr;
  }
}

// Draws an autoscaled plot into an image file.
int write_image(int target, const char* path, int w, int h, double alpha, const plot_input& in) {
  return export_drawing(target, path, w, h, alpha,
                        [&in](cairo_t* cr, int width, int height, double a) { return draw_plot(cr, width, height, a, in); });
}

}  // namespace

// A w x h surface of the target kind written to path, through the program's one output
// path: only a complete image replaces the file.
int export_drawing(int target, const char* path, int w, int h, double alpha, const drawing& draw) {
  if (!path || !*path || w <= 0 || h <= 0 || !draw) return 0;
  safe_output out;
  if (!out.open(path)) return 0;
  cairo_surface_t* surface = image_surface(target, out, w, h);
  if (!surface) return 0;
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return 0;
  }
  if (target == image_pdf) alpha = 1.0;
  cairo_t* cr = cairo_create(surface);
  int ok = usable(cr, w, h) ? draw(cr, w, h, alpha) : 0;
  if (ok && target == image_png)
    ok = cairo_surface_write_to_png_stream(surface, write_piece, &out) == CAIRO_STATUS_SUCCESS;
  if (target == image_pdf) cairo_show_page(cr);
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) ok = 0;
  cairo_surface_destroy(surface);
  return ok && out.commit() ? 1 : 0;
}

int render_curve(cairo_t* cr, int width, int height, double background_alpha, int p, int rid,
                 int cid) {
  if (!usable(cr, width, height)) return 0;
  plot_input in = open_plot(p, rid, cid);
  if (!in.c) return 0;
  autoscale_curve(in);
  return draw_plot(cr, width, height, background_alpha, in);
}

int export_curve_image(int target, const char* path, int w, int h, double alpha, int p, int rid,
                       int cid) {
  if (!path || !*path || w <= 0 || h <= 0 || target < image_png || target > image_svg) return 0;
  plot_input in = open_plot(p, rid, cid);
  if (!in.c) return 0;
  autoscale_curve(in);
  return write_image(target, path, w, h, alpha, in);
}

int export_curve_image_default_style(int target, const char* path, int w, int h, int p, int rid,
                                     int cid) {
  if (!path || !*path || w <= 0 || h <= 0 || target < image_png || target > image_svg) return 0;
  const curve* c = find_curve(p, rid, cid);
  if (!c) return 0;
  activer = rid;
  activec = cid;
  // The default display record, drawing no extra data set, with the default titles.
  curve style = *c;
  initcurve_record(style, proj[p].min[rid], proj[p].max[rid]);
  style.extrasets.clear();
  style.title = format("%s - %s", proj[p].name.c_str(), c->name.c_str());
  style.x_axis_title = default_axis_title(p, rid, 0, cid);
  style.y_axis_title = default_axis_title(p, rid, 1, cid);
  plot_input in = resolve_plot_input(style, *c, p, rid, cid);
  autoscale_flagged(in);
  return write_image(target, path, w, h, 1.0, in);
}
