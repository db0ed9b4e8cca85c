#include "plot/scan_plot.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

constexpr double margin_x = 52.0, margin_y = 14.0;

void text(cairo_t* cr, PangoLayout* layout, const std::string& s, double x, double y, double align) {
  pango_layout_set_text(layout, s.c_str(), static_cast<int>(s.size()));
  int w = 0, h = 0;
  pango_layout_get_pixel_size(layout, &w, &h);
  cairo_move_to(cr, x - align * w, y - 0.5 * h);
  pango_cairo_show_layout(cr, layout);
}

std::string number(const char* format, double v) {
  char s[32];
  std::snprintf(s, sizeof s, format, v);
  return s;
}

// lo..hi widened when it is a single value.
void widen(double& lo, double& hi) {
  if (hi > lo) return;
  const double pad = lo != 0.0 ? 0.05 * std::fabs(lo) : 1.0;
  lo -= pad, hi += pad;
}

}  // namespace

int draw_scan_plot(cairo_t* cr, int width, int height, const std::vector<scan_point>& points) {
  if (width <= 0 || height <= 0 || cairo_status(cr) != CAIRO_STATUS_SUCCESS) return 0;
  cairo_save(cr);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  PangoLayout* layout = pango_cairo_create_layout(cr);
  PangoFontDescription* font = pango_font_description_from_string("Sans 7");
  pango_layout_set_font_description(layout, font);
  pango_font_description_free(font);
  const double x0 = margin_x, x1 = width - margin_x, y0 = margin_y, y1 = height - margin_y;
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_line_width(cr, 1.0);
  cairo_rectangle(cr, x0 + 0.5, y0 + 0.5, x1 - x0, y1 - y0);
  cairo_stroke(cr);
  if (points.empty() || !(x1 > x0) || !(y1 > y0)) {
    text(cr, layout, "ρ and χ² against r_min", 0.5 * width, 0.5 * height, 0.5);
  } else {
    double r_lo = points.front().rmin, r_hi = points.back().rmin;
    double rho_lo = HUGE_VAL, rho_hi = -HUGE_VAL, c_lo = HUGE_VAL, c_hi = -HUGE_VAL;
    for (const scan_point& p : points) {
      rho_lo = std::min(rho_lo, p.rho), rho_hi = std::max(rho_hi, p.rho);
      const double c = std::log10(std::max(p.chi2, 1e-300));
      c_lo = std::min(c_lo, c), c_hi = std::max(c_hi, c);
    }
    widen(r_lo, r_hi), widen(rho_lo, rho_hi), widen(c_lo, c_hi);
    auto x_of = [&](double r) { return x0 + (r - r_lo) / (r_hi - r_lo) * (x1 - x0); };
    auto series = [&](double lo, double hi, auto value, double red, double blue) {
      cairo_set_source_rgb(cr, red, 0.1, blue);
      for (std::size_t i = 0; i < points.size(); ++i) {
        const double y = y1 - (value(points[i]) - lo) / (hi - lo) * (y1 - y0);
        if (i == 0)
          cairo_move_to(cr, x_of(points[i].rmin), y);
        else
          cairo_line_to(cr, x_of(points[i].rmin), y);
      }
      cairo_stroke(cr);
      for (const scan_point& p : points) {
        cairo_arc(cr, x_of(p.rmin), y1 - (value(p) - lo) / (hi - lo) * (y1 - y0), 2.0, 0, 2 * M_PI);
        cairo_fill(cr);
      }
    };
    series(rho_lo, rho_hi, [](const scan_point& p) { return p.rho; }, 0.1, 0.8);
    series(c_lo, c_hi, [](const scan_point& p) { return std::log10(std::max(p.chi2, 1e-300)); }, 0.8, 0.1);
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.8);
    text(cr, layout, number("%.4f", rho_hi), x0 - 3, y0, 1.0);
    text(cr, layout, number("%.4f", rho_lo), x0 - 3, y1, 1.0);
    text(cr, layout, "ρ", x0 - 3, 0.5 * (y0 + y1), 1.0);
    cairo_set_source_rgb(cr, 0.8, 0.1, 0.1);
    text(cr, layout, number("%.0e", std::pow(10.0, c_hi)), x1 + 3, y0, 0.0);
    text(cr, layout, number("%.0e", std::pow(10.0, c_lo)), x1 + 3, y1, 0.0);
    text(cr, layout, "χ²", x1 + 3, 0.5 * (y0 + y1), 0.0);
    cairo_set_source_rgb(cr, 0, 0, 0);
    text(cr, layout, number("%g Å", points.front().rmin), x0, y1 + 0.5 * margin_y, 0.0);
    text(cr, layout, number("%g Å", points.back().rmin), x1, y1 + 0.5 * margin_y, 1.0);
    text(cr, layout, "r_min", 0.5 * (x0 + x1), y1 + 0.5 * margin_y, 0.5);
  }
  g_object_unref(layout);
  cairo_restore(cr);
  return cairo_status(cr) == CAIRO_STATUS_SUCCESS ? 1 : 0;
}
