#include "plot/sigma_band.h"

#include <cmath>

#include "plot/plot_context.h"
#include "plot/plot_input.h"

std::vector<band_run> sigma_band_runs(const axis_map& m, const double* x, const double* y,
                                      const double* sigma, int n) {
  std::vector<band_run> runs;
  bool open = false;
  for (int i = 0; i < n; ++i) {
    const double px = m.to_x(x[i]), py = m.to_y(y[i]), s = std::fabs(sigma[i]);
    double up = m.to_y(y[i] + s), lo = m.to_y(y[i] - s);
    // Only the lower edge can leave a log axis while the point stays on it.
    if (!std::isfinite(lo) && m.scale[1] && std::isfinite(py) && std::isfinite(s)) lo = m.y_min + 1.0;
    if (!std::isfinite(px) || !std::isfinite(up) || !std::isfinite(lo)) {
      open = false;
      continue;
    }
    if (!open) runs.emplace_back();
    open = true;
    runs.back().px.push_back(px);
    runs.back().upper.push_back(up);
    runs.back().lower.push_back(lo);
  }
  return runs;
}

void draw_sigma_band(plot_context& pc, const plot_set& set) {
  if (!set.points || !set.sigma || set.style.aspect != 0) return;
  const int n = curve_points(*set.points);
  if (n < 2 || static_cast<int>(set.sigma->size()) < n) return;
  const axis_map& m = pc.m;
  cairo_t* cr = pc.cr;
  cairo_save(cr);
  cairo_new_path(cr);
  cairo_rectangle(cr, m.x_min, m.y_max, m.XDRAW, m.y_min - m.y_max);
  cairo_clip(cr);
  for (const band_run& r : sigma_band_runs(m, set.points->data[0].data(), set.points->data[1].data(),
                                           set.sigma->data(), n)) {
    const size_t k = r.px.size();
    if (k < 2) continue;
    cairo_move_to(cr, r.px[0], r.upper[0]);
    for (size_t i = 1; i < k; ++i) cairo_line_to(cr, r.px[i], r.upper[i]);
    for (size_t i = k; i-- > 0;) cairo_line_to(cr, r.px[i], r.lower[i]);
    cairo_close_path(cr);
  }
  // Winding: separate stretches never overlap, and a stretch's own crossings stay filled.
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  set_color(cr, set.style.col, band_opacity);
  cairo_fill(cr);
  cairo_restore(cr);
}
