#include "plot/series_plot.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <charconv>
#include <limits>

#include "plot/axes.h"
#include "plot/axis_map.h"
#include "plot/draw.h"
#include "plot/frame.h"
#include "plot/plot_context.h"

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double pick_distance = 6.0;  // pixels
constexpr double dot_radius = 3.5;
constexpr double bar_width = 14.0;
constexpr const char* scale_font = "Sans 10";

// The colour scale's stops: blue, sky, teal, olive, orange, red.
struct stop {
  double t, r, g, b;
};
constexpr stop stops[] = {{0.0, 0.23, 0.30, 0.75}, {0.2, 0.15, 0.55, 0.85}, {0.4, 0.10, 0.62, 0.52},
                          {0.6, 0.52, 0.63, 0.10}, {0.8, 0.90, 0.50, 0.10}, {1.0, 0.75, 0.10, 0.15}};

std::uint16_t channel(double v) { return static_cast<std::uint16_t>(std::lround(std::clamp(v, 0.0, 1.0) * 65535.0)); }

// The range lo..hi opened when it is empty or not finite.
void open_range(double& lo, double& hi) {
  if (!(lo <= hi) || !std::isfinite(lo) || !std::isfinite(hi)) lo = 0.0, hi = 1.0;
  if (hi > lo) return;
  const double half = lo != 0.0 ? 0.05 * std::fabs(lo) : 0.5;
  lo -= half, hi += half;
}

// The display record of a series plot: the program's default look and fitted frame, fixed
// axis ranges, titles as given, no zero lines.
curve frame_record(double x0, double x1, double y0, double y1, const std::string& xt, const std::string& yt,
                   bool x_integral) {
  curve c;
  initcurve_record(c, x0, x1);
  c.axmin[0] = x0, c.axmax[0] = x1, c.axmin[1] = y0, c.axmax[1] = y1;
  for (int a = 0; a < 2; ++a) {
    c.autoscale[a] = 0;
    c.show_axis[a] = 0;
    c.majt[a] = scale(c.axmax[a] - c.axmin[a]);
    c.mint[a] = 2;
  }
  if (x_integral && c.majt[0] < 1.0) c.majt[0] = 1.0, c.mint[0] = 1;
  // At least one digit, as the curve windows show them.
  for (int a = 0; a < 2; ++a) c.labels_digit[a] = std::max(1, spacing_digits(c.majt[a]));
  c.x_axis_defaut_title = c.y_axis_defaut_title = 0;
  c.x_axis_title = xt;
  c.y_axis_title = yt;
  return c;
}

// Width kept right of the plot for the colour bar, its labels and its title.
double bar_strip(const waterfall_input& in, int width) {
  return in.scale.shown ? std::clamp(0.16 * width, 60.0, 100.0) : 0.0;
}

// y of trace k at x: linear between its points (x ascending); NaN outside them.
double trace_at(const series_trace& tr, double x) {
  const auto& xs = tr.x;
  const std::size_t n = std::min(xs.size(), tr.y.size());
  if (n == 0 || !(x >= xs[0] && x <= xs[n - 1])) return NAN;
  const std::size_t j = static_cast<std::size_t>(std::upper_bound(xs.begin(), xs.begin() + n, x) - xs.begin());
  if (j == 0) return tr.y[0];
  if (j >= n) return tr.y[n - 1];
  const double t = (x - xs[j - 1]) / (xs[j] - xs[j - 1]);
  return tr.y[j - 1] + t * (tr.y[j] - tr.y[j - 1]);
}

struct waterfall_geometry {
  curve record;
  axis_map m;
  double bar_x0 = 0, bar_x1 = 0;
};

waterfall_geometry waterfall_frame(const waterfall_input& in, int width, int height) {
  double x0 = inf, x1 = -inf, y0 = inf, y1 = -inf;
  for (std::size_t k = 0; k < in.traces.size(); ++k) {
    const series_trace& tr = in.traces[k];
    const double raise = static_cast<double>(k) * in.offset;
    for (std::size_t i = 0; i < std::min(tr.x.size(), tr.y.size()); ++i) {
      if (!std::isfinite(tr.x[i]) || !std::isfinite(tr.y[i])) continue;
      x0 = std::min(x0, tr.x[i]), x1 = std::max(x1, tr.x[i]);
      y0 = std::min(y0, tr.y[i] + raise), y1 = std::max(y1, tr.y[i] + raise);
    }
  }
  open_range(x0, x1);
  open_range(y0, y1);
  const double margin = 0.04 * (y1 - y0);
  waterfall_geometry g;
  g.record = frame_record(x0, x1, y0 - margin, y1 + margin, in.x_title, in.y_title, false);
  const double strip = bar_strip(in, width);
  g.m = preplot(g.record, std::max(1, static_cast<int>(width - strip)), height);
  if (strip > 0) {
    g.bar_x0 = width - strip + 8.0;
    g.bar_x1 = g.bar_x0 + bar_width;
  }
  return g;
}

struct drawing_frame {
  plot_context pc;
  plot_input in;
  explicit drawing_frame(cairo_t* cr, curve& record, const axis_map& m) {
    pc.cr = cr;
    pc.layout = pango_cairo_create_layout(cr);
    in.c = &record;
    in.own.points = &record;
    pc.in = &in;
    pc.c = &record;
    pc.m = m;
  }
  ~drawing_frame() { g_object_unref(pc.layout); }
  drawing_frame(const drawing_frame&) = delete;
  drawing_frame& operator=(const drawing_frame&) = delete;
};

void paint_background(cairo_t* cr, double alpha) {
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_rgba(cr, 1, 1, 1, alpha);
  cairo_paint(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
}

// Text with its anchor at (x, y): ax, ay = 0 left/top, 0.5 centre, 1 right/bottom.
void put_text(PangoLayout* layout, cairo_t* cr, const std::string& s, double x, double y, double ax, double ay) {
  pango_layout_set_text(layout, s.c_str(), static_cast<int>(s.size()));
  int w = 0, h = 0;
  pango_layout_get_pixel_size(layout, &w, &h);
  cairo_move_to(cr, x - ax * w, y - ay * h);
  pango_cairo_show_layout(cr, layout);
}

void set_font(PangoLayout* layout, const char* font) {
  PangoFontDescription* desc = pango_font_description_from_string(font);
  pango_layout_set_font_description(layout, desc);
  pango_font_description_free(desc);
}

std::string number_text(double v, int digits) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, std::clamp(digits, 0, 10));
  std::string s = ec == std::errc() ? std::string(buf, end) : std::string();
  if (!s.empty() && s.front() == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

// The hint of an empty plot, in the middle of the frame.
void draw_hint(drawing_frame& f, const std::string& hint) {
  if (hint.empty()) return;
  cairo_set_source_rgb(f.pc.cr, 0.4, 0.4, 0.4);
  set_font(f.pc.layout, "Sans 11");
  put_text(f.pc.layout, f.pc.cr, hint, 0.5 * (f.pc.m.x_min + f.pc.m.x_max), 0.5 * (f.pc.m.y_min + f.pc.m.y_max), 0.5,
           0.5);
}

// The finest of the steps 1, 2, 2.5, 5 times a power of ten that marks the range with at
// most six intervals.
double bar_spacing(double range) {
  if (!(range > 0.0) || !std::isfinite(range)) return 1.0;
  const double decade = std::pow(10.0, std::floor(std::log10(range)) - 2);
  for (double p = decade; p < range * 100; p *= 10)
    for (double m : {1.0, 2.0, 2.5, 5.0})
      if (range / (m * p) <= 6.0) return m * p;
  return range;
}

// The colour bar from the frame's bottom (t = 0) to its top (t = 1), its ticks and labels
// right of it, and its title turned along the drawing's right edge.
void draw_colour_bar(cairo_t* cr, PangoLayout* layout, const waterfall_geometry& g, const colour_scale& s, int width) {
  const double top = g.m.y_max, bottom = g.m.y_min;
  if (!(bottom > top) || !(g.bar_x1 > g.bar_x0)) return;
  cairo_pattern_t* gradient = cairo_pattern_create_linear(0, bottom, 0, top);
  constexpr int steps = 48;
  for (int i = 0; i <= steps; ++i) {
    const double t = static_cast<double>(i) / steps;
    const color c = colour_along(t);
    cairo_pattern_add_color_stop_rgb(gradient, t, c.red / 65535.0, c.green / 65535.0, c.blue / 65535.0);
  }
  cairo_rectangle(cr, g.bar_x0, top, g.bar_x1 - g.bar_x0, bottom - top);
  cairo_set_source(cr, gradient);
  cairo_fill(cr);
  cairo_pattern_destroy(gradient);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_line_width(cr, 1.0);
  cairo_set_dash(cr, nullptr, 0, 0.0);
  cairo_rectangle(cr, g.bar_x0 + 0.5, top + 0.5, g.bar_x1 - g.bar_x0 - 1.0, bottom - top - 1.0);
  cairo_stroke(cr);

  set_font(layout, scale_font);
  double lo = s.lo, hi = s.hi;
  const bool single = !(hi != lo);
  auto row_of = [&](double v) { return single ? 0.5 * (top + bottom) : bottom - (v - lo) / (hi - lo) * (bottom - top); };
  double spacing = single ? 1.0 : bar_spacing(std::fabs(hi - lo));
  if (s.integral) spacing = std::max(spacing, 1.0);
  const int digits = spacing_digits(spacing);
  const double a = std::min(lo, hi), b = std::max(lo, hi);
  double first = single ? lo : std::ceil(a / spacing - 1e-9) * spacing;
  for (double v = first; v <= b + 1e-9 * spacing && (single || (v - first) / spacing < 50); v += spacing) {
    const double y = row_of(v);
    cairo_move_to(cr, g.bar_x1, std::round(y) + 0.5);
    cairo_line_to(cr, g.bar_x1 + 4, std::round(y) + 0.5);
    cairo_stroke(cr);
    put_text(layout, cr, number_text(v, digits), g.bar_x1 + 6, y, 0.0, 0.5);
    if (single) break;
  }
  if (s.title.empty()) return;
  set_font(layout, "Sans 11");
  pango_layout_set_text(layout, s.title.c_str(), static_cast<int>(s.title.size()));
  int tw = 0, th = 0;
  pango_layout_get_pixel_size(layout, &tw, &th);
  cairo_save(cr);
  cairo_move_to(cr, width - 6.0 - th, 0.5 * (top + bottom) + 0.5 * tw);
  cairo_rotate(cr, -M_PI / 2);
  pango_cairo_show_layout(cr, layout);
  cairo_restore(cr);
}

bool usable(cairo_t* cr, int width, int height) {
  return cr && width > 0 && height > 0 && cairo_status(cr) == CAIRO_STATUS_SUCCESS;
}

// A trace's points as a curve record raised by `raise`, to be drawn like any data set.
curve raised_points(const series_trace& tr, double raise) {
  curve pts;
  const std::size_t n = std::min(tr.x.size(), tr.y.size());
  pts.data[0].assign(tr.x.begin(), tr.x.begin() + static_cast<std::ptrdiff_t>(n));
  pts.data[1].resize(n);
  for (std::size_t i = 0; i < n; ++i) pts.data[1][i] = tr.y[i] + raise;
  pts.ndata = static_cast<int>(n);
  return pts;
}

struct trend_geometry {
  curve record;
  axis_map m;
};

trend_geometry trend_frame(const trend_input& in, int width, int height) {
  double x0 = inf, x1 = -inf, y0 = inf, y1 = -inf;
  for (const trend_point& p : in.points) {
    x0 = std::min(x0, p.x), x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
  }
  open_range(x0, x1);
  open_range(y0, y1);
  const double mx = 0.04 * (x1 - x0), my = 0.08 * (y1 - y0);
  trend_geometry g;
  g.record = frame_record(x0 - mx, x1 + mx, y0 - my, y1 + my, in.x_title, in.y_title, in.x_integral);
  g.m = preplot(g.record, width, height);
  return g;
}

}  // namespace

color colour_along(double t) {
  if (std::isnan(t)) return color{0, channel(0.6), channel(0.6), channel(0.6)};
  t = std::clamp(t, 0.0, 1.0);
  std::size_t k = 1;
  while (k + 1 < std::size(stops) && stops[k].t < t) ++k;
  const stop& a = stops[k - 1];
  const stop& b = stops[k];
  const double f = (t - a.t) / (b.t - a.t);
  return color{0, channel(a.r + f * (b.r - a.r)), channel(a.g + f * (b.g - a.g)), channel(a.b + f * (b.b - a.b))};
}

series_plot_layout waterfall_layout(const waterfall_input& in, int width, int height) {
  const waterfall_geometry g = waterfall_frame(in, width, height);
  const curve& c = g.record;
  return {g.m.x_min, g.m.x_max, g.m.y_max, g.m.y_min, c.axmin[0], c.axmax[0], c.axmin[1], c.axmax[1], g.bar_x0, g.bar_x1};
}

series_plot_layout trend_layout(const trend_input& in, int width, int height) {
  const trend_geometry g = trend_frame(in, width, height);
  const curve& c = g.record;
  return {g.m.x_min, g.m.x_max, g.m.y_max, g.m.y_min, c.axmin[0], c.axmax[0], c.axmin[1], c.axmax[1], 0, 0};
}

int draw_waterfall(cairo_t* cr, int width, int height, double alpha, const waterfall_input& in) {
  if (!usable(cr, width, height)) return 0;
  waterfall_geometry g = waterfall_frame(in, width, height);
  cairo_save(cr);
  cairo_new_path(cr);
  paint_background(cr, alpha);
  {
    drawing_frame f(cr, g.record, g.m);
    draw_frame(f.pc);
    if (in.traces.empty()) draw_hint(f, in.hint);
    auto draw_trace = [&](std::size_t k, double thickness) {
      const series_trace& tr = in.traces[k];
      const curve pts = raised_points(tr, static_cast<double>(k) * in.offset);
      plot_set set;
      set.points = &pts;
      set.style.col = colour_along(tr.t);
      set.style.thickness = thickness;
      draw_curve(f.pc, set, 0, 0);
    };
    for (std::size_t k = 0; k < in.traces.size(); ++k)
      if (static_cast<int>(k) != in.highlight) draw_trace(k, 1.0);
    if (in.highlight >= 0 && static_cast<std::size_t>(in.highlight) < in.traces.size())
      draw_trace(static_cast<std::size_t>(in.highlight), 2.5);
    if (in.scale.shown) draw_colour_bar(cr, f.pc.layout, g, in.scale, width);
  }
  cairo_restore(cr);
  return cairo_status(cr) == CAIRO_STATUS_SUCCESS ? 1 : 0;
}

int pick_waterfall(const waterfall_input& in, int width, int height, double px, double py) {
  if (width <= 0 || height <= 0 || in.traces.empty()) return -1;
  const waterfall_geometry g = waterfall_frame(in, width, height);
  if (!g.m.inside(px, py)) return -1;
  const double x = g.m.from_x(px);
  int best = -1;
  double nearest = pick_distance;
  for (std::size_t k = 0; k < in.traces.size(); ++k) {
    const double y = trace_at(in.traces[k], x);
    if (!std::isfinite(y)) continue;
    const double d = std::fabs(g.m.to_y(y + static_cast<double>(k) * in.offset) - py);
    if (d <= nearest) nearest = d, best = static_cast<int>(k);
  }
  return best;
}

int draw_trend(cairo_t* cr, int width, int height, double alpha, const trend_input& in) {
  if (!usable(cr, width, height)) return 0;
  trend_geometry g = trend_frame(in, width, height);
  cairo_save(cr);
  cairo_new_path(cr);
  paint_background(cr, alpha);
  {
    drawing_frame f(cr, g.record, g.m);
    draw_frame(f.pc);
    if (in.points.empty()) draw_hint(f, in.hint);
    const axis_map& m = g.m;
    cairo_set_dash(cr, nullptr, 0, 0.0);
    cairo_set_line_width(cr, 1.0);
    cairo_set_source_rgb(cr, 0.55, 0.55, 0.55);
    for (std::size_t i = 0; i < in.points.size(); ++i) {
      const double x = m.to_x(in.points[i].x), y = m.to_y(in.points[i].y);
      if (i == 0)
        cairo_move_to(cr, x, y);
      else
        cairo_line_to(cr, x, y);
    }
    cairo_stroke(cr);
    for (const trend_point& p : in.points) {
      set_color(cr, colour_along(p.t));
      cairo_new_sub_path(cr);
      cairo_arc(cr, m.to_x(p.x), m.to_y(p.y), dot_radius, 0, 2 * M_PI);
      cairo_fill(cr);
    }
    if (in.highlight >= 0 && static_cast<std::size_t>(in.highlight) < in.points.size()) {
      const trend_point& p = in.points[static_cast<std::size_t>(in.highlight)];
      cairo_set_source_rgb(cr, 0, 0, 0);
      cairo_set_line_width(cr, 2.0);
      cairo_new_sub_path(cr);
      cairo_arc(cr, m.to_x(p.x), m.to_y(p.y), dot_radius + 3.5, 0, 2 * M_PI);
      cairo_stroke(cr);
    }
  }
  cairo_restore(cr);
  return cairo_status(cr) == CAIRO_STATUS_SUCCESS ? 1 : 0;
}

int pick_trend(const trend_input& in, int width, int height, double px, double py) {
  if (width <= 0 || height <= 0 || in.points.empty()) return -1;
  const trend_geometry g = trend_frame(in, width, height);
  int best = -1;
  double nearest = pick_distance + dot_radius;
  for (std::size_t i = 0; i < in.points.size(); ++i) {
    const double d = std::hypot(g.m.to_x(in.points[i].x) - px, g.m.to_y(in.points[i].y) - py);
    if (d <= nearest) nearest = d, best = static_cast<int>(i);
  }
  return best;
}
