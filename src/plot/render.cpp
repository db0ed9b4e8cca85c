#include "plot/render.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>

#include <utility>

#include "numeric/safe_files.h"
#include "project/allocextra.h"
#include "plot/axes.h"
#include "plot/draw.h"
#include "plot/frame.h"
#include "plot/plot_context.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/toolbox.h"

std::function<void(int, int, int, int)>& plot_autoscaled_hook() {
  static std::function<void(int, int, int, int)> hook;
  return hook;
}

namespace {

void draw_data_sets(plot_context& pc) {
  curve& c = *pc.c;
  int index = -c.extras_shown;
  for (int s = 0; s < style_slots(c); ++s) {
    const auto& set = c.extrasets[s];
    if (set[0] != 1) continue;
    const curve* d = find_curve(set[1], set[2], set[3]);
    if (!d) continue;
    data_style style{c.extracolor[s], c.extraspect[s], c.extradash[s], c.extrathick[s],
                     c.extraglyph[s], c.extragsize[s], c.extragfreq[s]};
    draw_curve(pc, set[3], set[2], set[1], d->ndata, style, c.extras_shown, index++);
  }
  data_style own{c.datac, c.aspect, c.dash, c.thickness, c.glyph, c.gsize, c.gfreq};
  draw_curve(pc, pc.cid, pc.rid, pc.p, c.ndata, own, c.extras_shown, index);
}

}  // namespace

int render_curve(cairo_t* cr, int width, int height, double background_alpha, int p, int rid,
                 int cid) {
  if (!cr || width <= 0 || height <= 0 || cairo_status(cr) != CAIRO_STATUS_SUCCESS) return 0;
  curve* c = find_curve(p, rid, cid);
  if (!c) return 0;
  activer = rid;
  activec = cid;
  allocextra(0, p, rid, cid);

  cairo_save(cr);
  cairo_new_path(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  set_color(cr, c->backc, background_alpha);
  cairo_paint(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);

  plot_context pc;
  pc.cr = cr;
  pc.layout = pango_cairo_create_layout(cr);
  pc.p = p;
  pc.rid = rid;
  pc.cid = cid;
  pc.c = c;

  int scaled = autoscale_flagged(p, rid, cid);
  if (scaled && plot_autoscaled_hook()) plot_autoscaled_hook()(p, rid, cid, scaled);

  pc.m = preplot(p, rid, cid, width, height);
  draw_zero_lines(pc);
  if (c->show_frame) draw_frame(pc);
  draw_data_sets(pc);
  if (c->show_title) show_title(pc);
  if (c->show_legend) show_legend(pc);

  g_object_unref(pc.layout);
  cairo_restore(cr);
  return cairo_status(cr) == CAIRO_STATUS_SUCCESS ? 1 : 0;
}

namespace {

// Cairo hands the encoded image over in pieces; they go straight to the output file.
cairo_status_t write_piece(void* closure, const unsigned char* data, unsigned int length) {
  return static_cast<safe_output*>(closure)->write(data, length) ? CAIRO_STATUS_SUCCESS
                                                                  : CAIRO_STATUS_WRITE_ERROR;
}

}  // namespace

int export_curve_image(int target, const char* path, int w, int h, double alpha, int p, int rid,
                       int cid) {
  if (!path || !*path || w <= 0 || h <= 0 || !find_curve(p, rid, cid)) return 0;
  if (target != image_png && target != image_pdf && target != image_svg) return 0;
  safe_output out;
  if (!out.open(path)) return 0;
  cairo_surface_t* surface = nullptr;
  if (target == image_png) {
    surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  } else if (target == image_pdf) {
    surface = cairo_pdf_surface_create_for_stream(write_piece, &out, w, h);
    alpha = 1.0;
  } else {
    surface = cairo_svg_surface_create_for_stream(write_piece, &out, w, h);
  }
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return 0;
  }
  cairo_t* cr = cairo_create(surface);
  int ok = render_curve(cr, w, h, alpha, p, rid, cid);
  if (ok && target == image_png)
    ok = cairo_surface_write_to_png_stream(surface, write_piece, &out) == CAIRO_STATUS_SUCCESS;
  if (target == image_pdf) cairo_show_page(cr);
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) ok = 0;
  cairo_surface_destroy(surface);
  // Only a complete image replaces the file; anything less leaves no trace.
  return ok && out.commit() ? 1 : 0;
}

int export_curve_image_default_style(int target, const char* path, int w, int h, int p, int rid,
                                     int cid) {
  curve* c = find_curve(p, rid, cid);
  if (!c) return 0;
  curve styled = *c;
  initcurve_record(styled, proj[p].min[rid], proj[p].max[rid]);
  styled.data[0] = c->data[0];
  styled.data[1] = c->data[1];
  styled.ndata = c->ndata;
  styled.title = format("%s - %s", proj[p].name.c_str(), c->name.c_str());
  styled.x_axis_title = default_axis_title(p, rid, 0, cid);
  styled.y_axis_title = default_axis_title(p, rid, 1, cid);
  std::swap(*c, styled);
  int ok = export_curve_image(target, path, w, h, 1.0, p, rid, cid);
  std::swap(*c, styled);
  return ok;
}
