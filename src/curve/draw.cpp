#include "curve/draw.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "curve/frame.h"
#include "curve/plot_context.h"
#include "project/project.h"
#include "project/toolbox.h"

namespace {

constexpr double dashed0[] = {0, 0};
constexpr double dashed1[] = {1, 0};
constexpr double dashed2[] = {5, 2.5};
constexpr double dashed3[] = {4, 6};
constexpr double dashed4[] = {2, 5};
constexpr double dashed5[] = {10, 5};
constexpr double dashed6[] = {10, 10};
constexpr double dashed7[] = {4, 1, 4};
constexpr double dashed8[] = {10, 2.5, 10};
constexpr double dashed9[] = {10, 5, 2};
constexpr double pdashed[] = {1};

const dash_pattern dash_table[ndash] = {
    {dashed0, 2}, {dashed1, 2}, {dashed2, 2}, {dashed3, 2}, {dashed4, 2}, {dashed5, 2},
    {dashed6, 2}, {dashed7, 3}, {dashed8, 3}, {dashed9, 3}, {pdashed, 1},
};

// A pattern draws a solid line when none of its "off" lengths is positive; an odd count
// uses every length both as on and as off.
bool is_solid(const dash_pattern& d) {
  if (d.count == 0) return true;
  for (int i = 0; i < d.count; ++i)
    if ((d.count % 2 == 1 || i % 2 == 1) && d.lengths[i] > 0.0) return false;
  return true;
}

constexpr double two_pi = 6.283185307179586;

// Clips the segment (x0,y0)-(x1,y1) to the frame. Returns false when nothing is left;
// moved0/moved1 tell whether an end was moved onto an edge (it then lies exactly on it).
bool clip_segment(const axis_map& m, double& x0, double& y0, double& x1, double& y1,
                  bool& moved0, bool& moved1) {
  const double left = m.x_min, right = m.x_max, top = m.y_max, bottom = m.y_min;
  double dx = x1 - x0, dy = y1 - y0;
  double t0 = 0.0, t1 = 1.0;
  int edge0 = -1, edge1 = -1;  // 0 left, 1 right, 2 top, 3 bottom
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x0 - left, right - x0, y0 - top, bottom - y0};
  for (int k = 0; k < 4; ++k) {
    if (p[k] == 0.0) {
      if (q[k] < 0.0) return false;
      continue;
    }
    double t = q[k] / p[k];
    if (p[k] < 0.0) {
      if (t > t1) return false;
      if (t > t0) t0 = t, edge0 = k;
    } else {
      if (t < t0) return false;
      if (t < t1) t1 = t, edge1 = k;
    }
  }
  const double edges[4] = {left, right, top, bottom};
  double nx0 = x0 + t0 * dx, ny0 = y0 + t0 * dy, nx1 = x0 + t1 * dx, ny1 = y0 + t1 * dy;
  if (edge0 >= 0) (edge0 < 2 ? nx0 : ny0) = edges[edge0];
  if (edge1 >= 0) (edge1 < 2 ? nx1 : ny1) = edges[edge1];
  moved0 = edge0 >= 0;
  moved1 = edge1 >= 0;
  x0 = nx0, y0 = ny0, x1 = nx1, y1 = ny1;
  return true;
}

// Per quarter of a pixel column, the first, lowest, highest and last point of each run of
// points in it (in their order): the segments between them cover the same pixels, and
// with antialiasing the same fraction of each pixel, as all segments of the run.
constexpr double bins_per_pixel = 4.0;
void reduce_columns(const double* px, const double* py, int n, std::vector<int>& keep) {
  keep.clear();
  int i = 0;
  while (i < n) {
    if (!std::isfinite(px[i]) || !std::isfinite(py[i])) {
      keep.push_back(i++);
      continue;
    }
    double col = std::floor(px[i] * bins_per_pixel);
    int first = i, lo = i, hi = i;
    int j = i + 1;
    for (; j < n && std::isfinite(px[j]) && std::isfinite(py[j]) &&
           std::floor(px[j] * bins_per_pixel) == col;
         ++j) {
      if (py[j] < py[lo]) lo = j;
      if (py[j] > py[hi]) hi = j;
    }
    int last = j - 1;
    int mid[2] = {std::min(lo, hi), std::max(lo, hi)};
    keep.push_back(first);
    for (int k : mid)
      if (k != keep.back()) keep.push_back(k);
    if (last != keep.back()) keep.push_back(last);
    i = j;
  }
}

// Adds the visible parts of the polyline through the points `idx` to the path, as one
// continuous line wherever consecutive segments join inside the frame, so that a dash
// pattern runs on along the data.
void path_polyline(cairo_t* cr, const axis_map& m, const double* px, const double* py,
                   const int* idx, int count) {
  bool open = false;  // the path ends at the previous segment's unmoved end point
  for (int k = 0; k + 1 < count; ++k) {
    int a = idx ? idx[k] : k, b = idx ? idx[k + 1] : k + 1;
    double x0 = px[a], y0 = py[a], x1 = px[b], y1 = py[b];
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) {
      open = false;
      continue;
    }
    bool moved0 = false, moved1 = false;
    if (!clip_segment(m, x0, y0, x1, y1, moved0, moved1)) {
      open = false;
      continue;
    }
    if (!open || moved0) cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    open = !moved1;
  }
}

// A dash pattern walked along a path: element k with `rem` pixels left of it.
struct dash_walker {
  double len[2 * 3] = {};
  int count = 0;
  double period = 0.0;
  int k = 0;
  double rem = 0.0;
  explicit dash_walker(const dash_pattern& d) {
    // An odd count repeats with on and off swapped: walk it twice.
    int reps = d.count % 2 == 1 ? 2 : 1;
    for (int r = 0; r < reps; ++r)
      for (int i = 0; i < d.count; ++i) len[count++] = d.lengths[i];
    for (int i = 0; i < count; ++i) period += len[i];
    restart();
  }
  void restart() { k = 0, rem = len[0]; }
  bool on() const { return k % 2 == 0; }
  void next() { k = (k + 1) % count, rem = len[k]; }
  // Moves the phase on by d pixels without drawing.
  void skip(double d) {
    if (period <= 0.0) return;
    if (d >= rem) {
      d -= rem;
      next();
      d = std::fmod(d, period);
      while (d >= rem) d -= rem, next();
    }
    rem -= d;
  }
};

// Adds the "on" pieces of the pattern along the segment (x0,y0)-(x1,y1); pen tells
// whether the path already ends at (x0, y0) inside an "on" piece.
void dash_segment(cairo_t* cr, dash_walker& w, double x0, double y0, double x1, double y1,
                  bool& pen) {
  double dx = x1 - x0, dy = y1 - y0;
  double length = std::hypot(dx, dy);
  if (length == 0.0) return;
  double done = 0.0;
  while (done < length) {
    double step = std::min(w.rem, length - done);
    if (w.on()) {
      if (!pen) cairo_move_to(cr, x0 + dx * done / length, y0 + dy * done / length);
      double t = (done + step) / length;
      cairo_line_to(cr, x0 + dx * t, y0 + dy * t);
      pen = true;
    }
    done += step;
    w.rem -= step;
    if (w.rem <= 0.0) {
      w.next();
      pen = false;
    }
  }
}

// A dashed line whose pattern runs on along the data. A pixel column that the line
// crosses back and forth many times is filled by dashes from side to side whatever
// their phase: such a column is drawn as its solid extent (first, lowest, highest and
// last point) while the pattern phase moves on by the length it skipped.
void path_dashed(cairo_t* cr, const axis_map& m, const double* px, const double* py, int n,
                 const dash_pattern& d) {
  dash_walker w(d);
  if (w.period <= 0.0) return;
  // Runs of points in one pixel column; band[i] = 1 when segment i lies in a dense run.
  std::vector<char> band(static_cast<size_t>(n), 0);
  std::vector<int> runs;  // first and last point of each dense run
  for (int i = 0; i < n;) {
    int j = i + 1;
    if (std::isfinite(px[i]) && std::isfinite(py[i])) {
      double col = std::floor(px[i]);
      double length = 0.0, lo = py[i], hi = py[i];
      for (; j < n && std::isfinite(px[j]) && std::isfinite(py[j]) && std::floor(px[j]) == col; ++j) {
        length += std::hypot(px[j] - px[j - 1], py[j] - py[j - 1]);
        lo = std::min(lo, py[j]);
        hi = std::max(hi, py[j]);
      }
      if (j - i >= 4 && length >= 4.0 * (hi - lo) + 2.0 * w.period) {
        for (int k = i; k < j - 1; ++k) band[k] = 1;
        runs.push_back(i);
        runs.push_back(j - 1);
      }
    }
    i = j;
  }
  bool open = false, pen = false;
  for (int i = 0; i + 1 < n; ++i) {
    double x0 = px[i], y0 = py[i], x1 = px[i + 1], y1 = py[i + 1];
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) {
      open = pen = false;
      continue;
    }
    bool moved0 = false, moved1 = false;
    if (!clip_segment(m, x0, y0, x1, y1, moved0, moved1)) {
      open = pen = false;
      continue;
    }
    if (!open || moved0) w.restart(), pen = false;  // a new subpath starts the pattern
    if (band[i]) {
      w.skip(std::hypot(x1 - x0, y1 - y0));
      pen = false;
    } else {
      dash_segment(cr, w, x0, y0, x1, y1, pen);
    }
    open = !moved1;
  }
  std::vector<int> keep;
  for (size_t r = 0; r < runs.size(); r += 2) {
    int first = runs[r], count = runs[r + 1] - first + 1;
    reduce_columns(px + first, py + first, count, keep);
    cairo_new_sub_path(cr);
    path_polyline(cr, m, px + first, py + first, keep.data(), static_cast<int>(keep.size()));
  }
}

void stroke_each(cairo_t* cr, const axis_map& m, const double* px, const double* py, int n) {
  for (int i = 0; i + 1 < n; ++i) {
    double x0 = px[i], y0 = py[i], x1 = px[i + 1], y1 = py[i + 1];
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1))
      continue;
    bool moved0 = false, moved1 = false;
    if (!clip_segment(m, x0, y0, x1, y1, moved0, moved1)) continue;
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    cairo_stroke(cr);
  }
}

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

}  // namespace

plot_options& plot_opts() {
  static plot_options options;
  return options;
}

dash_pattern selectdash(int index) {
  if (index < 0 || index >= ndash) return {};
  return dash_table[index];
}

void apply_dash(cairo_t* cr, int index) {
  dash_pattern d = selectdash(index);
  if (is_solid(d))
    cairo_set_dash(cr, nullptr, 0, 0.0);
  else
    cairo_set_dash(cr, d.lengths, d.count, 0.0);
}

void draw_poly(cairo_t* cr, double cx, double cy, double r, int n, double rot) {
  if (n < 1 || rot == 0.0) return;
  double phi = two_pi / rot;
  cairo_move_to(cr, cx + r * std::cos(phi), cy + r * std::sin(phi));
  for (int k = 1; k <= n; ++k) {
    double a = phi + two_pi * k / n;
    cairo_line_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
  }
  cairo_close_path(cr);
}

void draw_glyph(cairo_t* cr, int glyph, double x, double y, const color& col, double size) {
  if (glyph < 1 || glyph >= nglyph) {
    set_color(cr, col);
    return;
  }
  int nd = cairo_get_dash_count(cr);
  std::vector<double> dashes(static_cast<size_t>(nd));
  double offset = 0.0;
  if (nd > 0) cairo_get_dash(cr, dashes.data(), &offset);
  double width = cairo_get_line_width(cr);
  cairo_set_dash(cr, nullptr, 0, 0.0);
  cairo_set_line_width(cr, 1.0);
  cairo_new_path(cr);
  set_color(cr, col);

  const double s = size;
  int group = (glyph - 2) / 5;  // 0 square, 1 diamond, 2 circle, 3..6 triangles
  int style = (glyph - 2) % 5;
  auto shape = [&] {
    switch (group) {
      case 0:
        cairo_rectangle(cr, x - s / 2, y - s / 2, s, s);
        break;
      case 1:
        draw_poly(cr, x, y, s, 4, 1.0);
        break;
      case 2:
        cairo_new_sub_path(cr);
        cairo_arc(cr, x, y, s, 0.0, two_pi);
        cairo_close_path(cr);
        break;
      default: {
        const double rots[4] = {1.0, 4.0, 2.0, 4.0 / 3.0};
        draw_poly(cr, x, y, s, 3, rots[group - 3]);
      }
    }
  };
  auto outline = [&] { shape(); set_color(cr, col); cairo_stroke(cr); };
  auto filled = [&] { shape(); set_color(cr, col); cairo_fill(cr); };
  auto quarter = [&] { shape(); set_color(cr, col, 0.25); cairo_fill(cr); };
  auto white = [&] { shape(); cairo_set_source_rgb(cr, 1, 1, 1); cairo_fill(cr); };

  if (glyph == 1) {
    cairo_move_to(cr, x - s / 2, y + s / 2);
    cairo_line_to(cr, x + s / 2, y - s / 2);
    cairo_move_to(cr, x - s / 2, y - s / 2);
    cairo_line_to(cr, x + s / 2, y + s / 2);
    cairo_stroke(cr);
  } else {
    // Triangles list "outline only" first, the other shapes last.
    if (group >= 3) style = style == 0 ? 4 : style - 1;
    switch (style) {
      case 0: filled(); break;
      case 1: outline(); quarter(); break;
      case 2: outline(); white(); quarter(); break;
      case 3: outline(); white(); break;
      default: outline(); break;
    }
  }
  cairo_set_dash(cr, dashes.data(), nd, offset);
  cairo_set_line_width(cr, width);
  set_color(cr, col);
}

void draw_curve(plot_context& pc, int cid, int rid, int p, int n, const data_style& style,
                int nshown, int index) {
  const curve* d = find_curve(p, rid, cid);
  if (!d || !pc.c) return;
  n = std::min(n, curve_points(*d));
  if (n <= 0) return;
  cairo_t* cr = pc.cr;
  const axis_map& m = pc.m;

  // Every point mapped once.
  std::vector<double> px(static_cast<size_t>(n)), py(static_cast<size_t>(n));
  const double* x = d->data[0].data();
  const double* y = d->data[1].data();
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

  if (style.dash >= 1 && n > 1) {
    const plot_options& o = plot_opts();
    bool solid = is_solid(selectdash(style.dash));
    if (o.stroke_each_segment) {
      stroke_each(cr, m, px.data(), py.data(), n);
    } else if (o.reduce_dense && solid && n > 2 * bins_per_pixel * std::fabs(m.XDRAW)) {
      std::vector<int> keep;
      reduce_columns(px.data(), py.data(), n, keep);
      path_polyline(cr, m, px.data(), py.data(), keep.data(), static_cast<int>(keep.size()));
      cairo_stroke(cr);
    } else if (!solid) {
      // The pattern is laid out here as solid pieces (cairo would restart it per subpath).
      cairo_set_dash(cr, nullptr, 0, 0.0);
      path_dashed(cr, m, px.data(), py.data(), n, selectdash(style.dash));
      cairo_stroke(cr);
      apply_dash(cr, style.dash);
    } else {
      path_polyline(cr, m, px.data(), py.data(), nullptr, n);
      cairo_stroke(cr);
    }
  }

  if (style.glyph > 0) {
    int freq = std::max(style.gfreq, 1);
    for (int i = 0; i < n; i += freq)
      if (std::isfinite(px[i]) && std::isfinite(py[i]) && m.inside(px[i], py[i]))
        draw_glyph(cr, style.glyph, px[i], py[i], style.col, style.gsize);
  }
  cairo_new_path(cr);
  cairo_set_line_join(cr, join);
}
