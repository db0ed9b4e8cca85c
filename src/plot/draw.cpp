#include "plot/draw.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "plot/dense_band.h"
#include "plot/frame.h"
#include "plot/line_paths.h"
#include "plot/plot_context.h"
#include "project/toolbox.h"

namespace {

void draw_bars(plot_context& pc, const double* px, const double* py, const double* y, int n,
               const data_style& style, int nshown, int index) {
  cairo_t* cr = pc.cr;
  const axis_map& m = pc.m;
  double q = m.XDRAW / (4.0 * (n > 1 ? n - 1 : 2));
  double base = m.y_min;
  if (!m.scale[1] && pc.c->axmin[1] <= 0.0) base = std::clamp(m.to_y_linear(0.0), m.y_max, m.y_min);
  for (int i = 0; i < n; ++i) {
    if (y[i] == 0.0 || !std::isfinite(px[i]) || !std::isfinite(py[i]) || !m.inside(px[i], py[i]))
      continue;
    double l = px[i] - q * (index + 1), r = px[i] - q * (index - 1);
    auto outline = [&] {
      cairo_move_to(cr, l, base);
      cairo_line_to(cr, l, py[i]);
      cairo_line_to(cr, r, py[i]);
      cairo_line_to(cr, r, base);
    };
    if (nshown > 0) {
      outline();
      cairo_set_source_rgb(cr, 1, 1, 1);
      cairo_fill(cr);
    }
    outline();
    set_color(cr, style.col, 0.25);
    cairo_fill(cr);
    set_color(cr, style.col);
    if (style.dash >= 1) {
      outline();
      cairo_stroke(cr);
    }
  }
  if (index == 0 && pc.c->show_frame) redraw_frame_and_xaxis(pc);
}

// A dashed line: the pattern is laid out here as solid pieces, running on along the data
// (cairo would restart it on each subpath).
void draw_dashed_line(cairo_t* cr, const axis_map& m, const std::vector<double>& px,
                      const std::vector<double>& py, const data_style& style, bool banding) {
  const int n = static_cast<int>(px.size());
  dash_pattern dp = selectdash(style.dash);
  cairo_set_dash(cr, nullptr, 0, 0.0);
  if (!(banding && draw_banded(cr, m, px.data(), py.data(), n, style.thickness, &dp))) {
    std::vector<char> band;
    std::vector<int> runs;
    find_dash_runs(px.data(), py.data(), n, dash_walker(dp).period, band, runs);
    path_dashed(cr, m, px.data(), py.data(), n, dp, band, runs, nullptr);
    cairo_stroke(cr);
  }
  apply_dash(cr, style.dash);
}

// The line through the mapped points: one stroke, dense stretches as bands, or through the
// points a pixel column keeps when the points far outnumber the columns.
void draw_line(cairo_t* cr, const axis_map& m, const std::vector<double>& px,
               const std::vector<double>& py, const data_style& style) {
  const int n = static_cast<int>(px.size());
  const plot_options& o = plot_opts();
  const bool aligned = pixel_aligned(cr);
  // Bands need more points than pixel columns and a line width to dilate by.
  const bool banding = o.reduce_dense && n > std::fabs(m.XDRAW) && style.thickness > 0.0 && aligned;
  if (o.stroke_each_segment) {
    stroke_each(cr, m, px.data(), py.data(), n);
  } else if (!is_solid(selectdash(style.dash))) {
    draw_dashed_line(cr, m, px, py, style, banding);
  } else if (banding && draw_banded(cr, m, px.data(), py.data(), n, style.thickness, nullptr)) {
  } else if (o.reduce_dense && n > 4 * band_bins * std::fabs(m.XDRAW) && aligned) {
    std::vector<int> keep;
    reduce_columns(px.data(), py.data(), n, keep, band_bins);
    path_polyline(cr, m, px.data(), py.data(), keep.data(), static_cast<int>(keep.size()));
    cairo_stroke(cr);
  } else {
    path_polyline(cr, m, px.data(), py.data(), nullptr, n);
    cairo_stroke(cr);
  }
}

}  // namespace

plot_options& plot_opts() {
  static plot_options options;
  return options;
}

void draw_curve(plot_context& pc, const plot_set& set, int nshown, int index) {
  if (!set.points || !pc.c) return;
  const int n = curve_points(*set.points);
  if (n <= 0) return;
  cairo_t* cr = pc.cr;
  const axis_map& m = pc.m;
  const data_style& style = set.style;

  // Every point mapped once.
  std::vector<double> px(static_cast<size_t>(n)), py(static_cast<size_t>(n));
  const double* x = set.points->data[0].data();
  const double* y = set.points->data[1].data();
  for (int i = 0; i < n; ++i) {
    px[i] = m.to_x(x[i]);
    py[i] = m.to_y(y[i]);
  }

  cairo_new_path(cr);
  const cairo_line_join_t join = cairo_get_line_join(cr);
  // Round joins: no miter spikes where dense data turn sharply, and a quicker stroke.
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  if (style.dash < 1) {
    cairo_set_line_width(cr, 0.0);
  } else {
    apply_dash(cr, style.dash);
    cairo_set_line_width(cr, style.thickness);
  }
  set_color(cr, style.col);

  if (style.aspect == 1) {
    cairo_set_line_join(cr, join);
    draw_bars(pc, px.data(), py.data(), y, n, style, nshown, index);
    cairo_new_path(cr);
    return;
  }
  if (style.dash >= 1 && n > 1) draw_line(cr, m, px, py, style);
  if (style.glyph > 0) {
    int freq = std::max(style.gfreq, 1);
    for (int i = 0; i < n; i += freq)
      if (std::isfinite(px[i]) && std::isfinite(py[i]) && m.inside(px[i], py[i]))
        draw_glyph(cr, style.glyph, px[i], py[i], style.col, style.gsize);
  }
  cairo_new_path(cr);
  cairo_set_line_join(cr, join);
}
