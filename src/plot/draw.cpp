#include "plot/draw.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "plot/frame.h"
#include "plot/plot_context.h"
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

// Length of (dx, dy): plain square root for pixel-sized values, hypot for the rest.
double length_of(double dx, double dy) {
  if (std::fabs(dx) < 1e100 && std::fabs(dy) < 1e100) return std::sqrt(dx * dx + dy * dy);
  return std::hypot(dx, dy);
}

// Clips the segment (x0,y0)-(x1,y1) to the frame. Returns false when nothing is left;
// moved0/moved1 tell whether an end was moved onto an edge (it then lies exactly on it).
bool clip_segment(const axis_map& m, double& x0, double& y0, double& x1, double& y1,
                  bool& moved0, bool& moved1) {
  moved0 = moved1 = false;
  if (m.inside(x0, y0) && m.inside(x1, y1)) return true;
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

// Per 1/bins of a pixel column, the first, lowest, highest and last point of each run of
// points in it (in their order): the segments between them cover nearly the same pixels,
// and with antialiasing nearly the same fraction of each pixel, as all segments of the run
// (the finer the bins, the closer).
constexpr double bins_per_pixel = 4.0;
void reduce_columns(const double* px, const double* py, int n, std::vector<int>& keep,
                    double bins = bins_per_pixel) {
  keep.clear();
  int i = 0;
  while (i < n) {
    if (!std::isfinite(px[i]) || !std::isfinite(py[i])) {
      keep.push_back(i++);
      continue;
    }
    double col = std::floor(px[i] * bins);
    int first = i, lo = i, hi = i;
    int j = i + 1;
    for (; j < n && std::isfinite(px[j]) && std::isfinite(py[j]) &&
           std::floor(px[j] * bins) == col;
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
  double length = length_of(dx, dy);
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

// Dash runs: a pixel column that the line crosses back and forth many times is filled by
// dashes from side to side whatever their phase, so such a run of points is drawn as its
// solid extent while the pattern phase moves on by the length it skipped. band[i] = 1 when
// segment i lies in such a run; runs holds the first and last point of each.
void find_dash_runs(const double* px, const double* py, int n, double period,
                    std::vector<char>& band, std::vector<int>& runs) {
  band.assign(static_cast<size_t>(n), 0);
  runs.clear();
  for (int i = 0; i < n;) {
    int j = i + 1;
    if (std::isfinite(px[i]) && std::isfinite(py[i])) {
      double col = std::floor(px[i]);
      double length = 0.0, lo = py[i], hi = py[i];
      for (; j < n && std::isfinite(px[j]) && std::isfinite(py[j]) && std::floor(px[j]) == col; ++j) {
        length += length_of(px[j] - px[j - 1], py[j] - py[j - 1]);
        lo = std::min(lo, py[j]);
        hi = std::max(hi, py[j]);
      }
      if (j - i >= 4 && length >= 4.0 * (hi - lo) + 2.0 * period) {
        for (int k = i; k < j - 1; ++k) band[k] = 1;
        runs.push_back(i);
        runs.push_back(j - 1);
      }
    }
    i = j;
  }
}

// A dashed line whose pattern runs on along the data, dense runs (find_dash_runs) drawn
// solid. Only segments i with wanted[i] (all when wanted is null) are added to the path;
// the others still move the pattern on.
void path_dashed(cairo_t* cr, const axis_map& m, const double* px, const double* py, int n,
                 const dash_pattern& d, const std::vector<char>& band,
                 const std::vector<int>& runs, const char* wanted) {
  dash_walker w(d);
  if (w.period <= 0.0) return;
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
    if (band[i] || (wanted && !wanted[i])) {
      w.skip(length_of(x1 - x0, y1 - y0));
      pen = false;
    } else {
      dash_segment(cr, w, x0, y0, x1, y1, pen);
    }
    open = !moved1;
  }
  std::vector<int> keep;
  for (size_t r = 0; r < runs.size(); r += 2) {
    int first = runs[r], count = runs[r + 1] - first + 1;
    if (wanted && !wanted[first]) continue;
    reduce_columns(px + first, py + first, count, keep);
    cairo_new_sub_path(cr);
    path_polyline(cr, m, px + first, py + first, keep.data(), static_cast<int>(keep.size()));
  }
}

// Adds the visible parts of the segments i with wanted[i] to the path, joined where
// consecutive.
void path_wanted(cairo_t* cr, const axis_map& m, const double* px, const double* py, int n,
                 const char* wanted) {
  bool open = false;
  for (int i = 0; i + 1 < n; ++i) {
    double x0 = px[i], y0 = py[i], x1 = px[i + 1], y1 = py[i + 1];
    bool moved0 = false, moved1 = false;
    if (!wanted[i] || !std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) ||
        !std::isfinite(y1) || !clip_segment(m, x0, y0, x1, y1, moved0, moved1)) {
      open = false;
      continue;
    }
    if (!open || moved0) cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    open = !moved1;
  }
}

// The stroke of a polyline with round joins whose x never runs backwards covers, at each
// abscissa x, one interval [top(x), bottom(x)] (y down): top(x) is the minimum over the
// line's points (x', y') with |x' - x| <= r of y' - sqrt(r^2 - (x' - x)^2), r being half
// the line width, and bottom(x) likewise. The band between the two envelopes, filled as
// one polygon, is that stroke; filling costs per pixel column what stroking costs per
// segment. The line is summarised per bin of 1/band_bins pixel by its y range, taken to
// fill the whole bin: the band comes out at most one bin wider on either side.
constexpr int band_bins = 16;
constexpr int stroke_bins = 8;

struct envelope_band {
  double x0 = 0.0;  // left edge of bin 0
  int nbins = 0;
  std::vector<double> lo, hi;  // y range of the line in each bin; lo > hi when empty

  void reset(double left, int bins) {
    x0 = left;
    nbins = bins;
    lo.assign(static_cast<size_t>(bins), HUGE_VAL);
    hi.assign(static_cast<size_t>(bins), -HUGE_VAL);
  }
  void add_to_bin(int k, double ya, double yb) {
    if (ya > yb) std::swap(ya, yb);
    if (ya < lo[k]) lo[k] = ya;
    if (yb > hi[k]) hi[k] = yb;
  }
  // Bin coordinate of x, kept within a little more than the bins.
  double bin_of(double x) const {
    return std::clamp((x - x0) * band_bins, -2.0, static_cast<double>(nbins) + 2.0);
  }
  void add_segment(double xa, double ya, double xb, double yb) {
    if (xb < xa) std::swap(xa, xb), std::swap(ya, yb);
    double sa = bin_of(xa), sb = bin_of(xb);
    int ka = static_cast<int>(std::floor(sa)), kb = static_cast<int>(std::floor(sb));
    if (ka == kb) {
      if (ka >= 0 && ka < nbins) add_to_bin(ka, ya, yb);
      return;
    }
    // The segment's stretch in each bin it crosses, by linear interpolation in x.
    double slope = (yb - ya) / ((xb - xa) * band_bins);
    auto y_at = [&](double s) { return ya + slope * (s / band_bins + x0 - xa) * band_bins; };
    int first = std::max(ka, 0), last = std::min(kb, nbins - 1);
    for (int k = first; k <= last; ++k) {
      double y_left = k == ka ? ya : y_at(k), y_right = k == kb ? yb : y_at(k + 1);
      add_to_bin(k, y_left, y_right);
    }
  }
  // Adds the band over whole columns [a, b) (pixel x) as one closed polygon, sampled at
  // every bin edge and middle; false (nothing added) where the line leaves a gap.
  bool add_path(cairo_t* cr, int a, int b, double r, std::vector<double>& tops,
                std::vector<double>& bottoms) const {
    // Sample j lies at bin coordinate j/2 from the first bin of column a. The half heights
    // of the disk over bins at each offset from a sample depend only on the offset and on
    // whether the sample sits on a bin edge (even j) or in a bin middle (odd j).
    const int reach = static_cast<int>(std::ceil(r * band_bins)) + 1;
    std::vector<double> h_edge(2 * static_cast<size_t>(reach)), h_mid(2 * static_cast<size_t>(reach) + 1);
    auto half_height = [&](double d) {  // d in bins, -1 when the disk misses the bin
      d /= band_bins;
      return d >= r ? -HUGE_VAL : std::sqrt(r * r - d * d);
    };
    for (int o = -reach; o < reach; ++o)  // bin start - sample = o
      h_edge[o + reach] = half_height(o >= 0 ? o : -o - 1);
    for (int o = -reach; o <= reach; ++o)  // bin index - sample's bin = o
      h_mid[o + reach] = half_height(o == 0 ? 0.0 : std::fabs(o) - 0.5);
    const int base = static_cast<int>(std::lround((a - x0) * band_bins));
    const int steps = (b - a) * 2 * band_bins;
    tops.resize(static_cast<size_t>(steps) + 1);
    bottoms.resize(static_cast<size_t>(steps) + 1);
    for (int j = 0; j <= steps; ++j) {
      const int k0 = base + j / 2;  // the bin the sample starts or lies in
      const bool mid = j % 2 == 1;
      const double* h = mid ? h_mid.data() : h_edge.data();
      const int first = std::max(0, k0 - reach), last = std::min(nbins - 1, k0 + reach - (mid ? 0 : 1));
      double top = HUGE_VAL, bottom = -HUGE_VAL;
      for (int k = first; k <= last; ++k) {
        // Empty bins hold lo = +inf and hi = -inf; missed bins have h = -inf: neither counts.
        const double hk = h[k - k0 + reach];
        top = std::min(top, lo[k] - hk);
        bottom = std::max(bottom, hi[k] + hk);
      }
      if (!(top <= bottom)) return false;
      tops[j] = top, bottoms[j] = bottom;
    }
    const double dx = 1.0 / (2 * band_bins);
    cairo_move_to(cr, a, tops[0]);
    for (int j = 1; j <= steps; ++j) cairo_line_to(cr, a + j * dx, tops[j]);
    for (int j = steps; j >= 0; --j) cairo_line_to(cr, a + j * dx, bottoms[j]);
    cairo_close_path(cr);
    return true;
  }
};

// Whether user coordinates are device pixels (raster target, at most a whole-pixel shift):
// only then do pixel columns mean anything. Vector targets keep every segment.
bool pixel_aligned(cairo_t* cr) {
  cairo_surface_t* s = cairo_get_target(cr);
  switch (cairo_surface_get_type(s)) {
    case CAIRO_SURFACE_TYPE_IMAGE:
    case CAIRO_SURFACE_TYPE_XLIB:
    case CAIRO_SURFACE_TYPE_XCB:
      break;
    default:
      return false;
  }
  auto whole = [](double v) { return v == std::floor(v); };
  cairo_matrix_t t;
  cairo_get_matrix(cr, &t);
  double sx = 0.0, sy = 0.0, ox = 0.0, oy = 0.0;
  cairo_surface_get_device_scale(s, &sx, &sy);
  cairo_surface_get_device_offset(s, &ox, &oy);
  return t.xx == 1.0 && t.yy == 1.0 && t.xy == 0.0 && t.yx == 0.0 && whole(t.x0) &&
         whole(t.y0) && sx == 1.0 && sy == 1.0 && whole(ox) && whole(oy);
}

// Draws the line (solid, or dashed with `dash`) with filled envelope bands over the pixel
// columns where it is dense and stroked elsewhere, the stroke clipped to its columns so that
// no pixel gets coverage from both. A column takes a band only when the line near it is one
// unbroken piece inside the frame running one way in x; ends, gaps, frame crossings and
// turns back are stroked. Returns false, having drawn nothing, when no column is dense.
bool draw_banded(cairo_t* cr, const axis_map& m, const double* px, const double* py, int n,
                 double width, const dash_pattern* dash) {
  const double r = width / 2.0;
  const int margin = static_cast<int>(std::ceil(r)) + 1;  // columns around a break
  const int left = static_cast<int>(std::floor(std::min(m.x_min, m.x_max))) - margin;
  const int right = static_cast<int>(std::ceil(std::max(m.x_min, m.x_max))) + margin;
  const int ncols = right - left;
  if (ncols <= 0 || ncols > (1 << 16) || n < 2) return false;
  auto col = [&](double x) {
    return static_cast<int>(std::clamp(std::floor(x) - left, -1.0, static_cast<double>(ncols)));
  };

  int first = -1, last = -1;
  for (int i = 0; i < n; ++i)
    if (std::isfinite(px[i]) && std::isfinite(py[i])) (first < 0 ? first : last) = i;
  if (first < 0 || last < 0) return false;
  const double dir = px[last] >= px[first] ? 1.0 : -1.0;

  std::vector<int> breaks(static_cast<size_t>(ncols) + 1, 0), points(static_cast<size_t>(ncols), 0);
  auto mark = [&](double xa, double xb) {
    if (xa > xb) std::swap(xa, xb);
    int a = std::max(col(xa) - margin, 0), b = std::min(col(xb) + margin, ncols - 1);
    if (a <= b) ++breaks[a], --breaks[b + 1];
  };
  int prev = -1;
  for (int i = 0; i < n; ++i) {
    if (!std::isfinite(px[i]) || !std::isfinite(py[i])) continue;
    if (prev < 0) {
      mark(px[i], px[i]);  // the line starts: a butt cap
    } else if (prev == i - 1 && m.inside(px[prev], py[prev]) && m.inside(px[i], py[i]) &&
               (px[i] - px[prev]) * dir >= 0.0) {
      int c = col(px[i]);
      if (c >= 0 && c < ncols) ++points[c];
    } else {
      mark(px[prev], px[i]);  // a gap, a frame crossing or a turn back
    }
    prev = i;
  }
  mark(px[prev], px[prev]);

  std::vector<char> dense(static_cast<size_t>(ncols), 0);
  std::vector<char> band;  // dash runs
  std::vector<int> runs;
  if (dash) {
    find_dash_runs(px, py, n, dash_walker(*dash).period, band, runs);
    for (size_t k = 0; k < runs.size(); k += 2) {
      int c = col(px[runs[k]]);
      if (c >= 0 && c < ncols) dense[c] = 1;
    }
    int open = 0;
    for (int c = 0; c < ncols; ++c) {
      open += breaks[c];
      if (open > 0) dense[c] = 0;
    }
  } else {
    int open = 0;
    for (int c = 0; c < ncols; ++c) {
      open += breaks[c];
      dense[c] = open == 0 && points[c] >= 2;
    }
  }
  if (std::find(dense.begin(), dense.end(), 1) == dense.end()) return false;

  envelope_band env;
  env.reset(left, ncols * band_bins);
  for (int i = 0; i + 1 < n; ++i)
    if (std::isfinite(px[i]) && std::isfinite(py[i]) && std::isfinite(px[i + 1]) &&
        std::isfinite(py[i + 1]))
      env.add_segment(px[i], py[i], px[i + 1], py[i + 1]);

  cairo_new_path(cr);
  std::vector<double> tops, bottoms;
  for (int a = 0; a < ncols;) {
    if (!dense[a]) {
      ++a;
      continue;
    }
    int b = a;
    while (b < ncols && dense[b]) ++b;
    if (!env.add_path(cr, left + a, left + b, r, tops, bottoms))
      std::fill(dense.begin() + a, dense.begin() + b, 0);
    a = b;
  }
  const cairo_fill_rule_t rule = cairo_get_fill_rule(cr);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  cairo_fill(cr);
  cairo_set_fill_rule(cr, rule);

  // The rest is stroked: segments reaching within `margin` of a stroked column, clipped to
  // those columns (whole pixels, so the clip is exact).
  std::vector<int> near(static_cast<size_t>(ncols) + 1, 0);  // prefix counts
  for (int c = 0; c < ncols; ++c) {
    bool stroked = false;
    for (int k = std::max(0, c - margin); k <= std::min(ncols - 1, c + margin) && !stroked; ++k)
      stroked = !dense[k];
    near[c + 1] = near[c] + (stroked ? 1 : 0);
  }
  if (near[ncols] == 0) return true;
  // A solid line much denser than the columns is stroked through the points that bins as
  // fine as the band's keep (reduce_columns), which looks the same.
  std::vector<double> rx, ry;
  const double* sx = px;
  const double* sy = py;
  int sn = n;
  if (!dash && n > 2 * ncols) {
    std::vector<int> keep;
    reduce_columns(px, py, n, keep, stroke_bins);
    rx.resize(keep.size());
    ry.resize(keep.size());
    for (size_t k = 0; k < keep.size(); ++k) rx[k] = px[keep[k]], ry[k] = py[keep[k]];
    sx = rx.data(), sy = ry.data(), sn = static_cast<int>(keep.size());
  }
  std::vector<char> wanted(static_cast<size_t>(sn), 0);
  for (int i = 0; i + 1 < sn; ++i) {
    double xa = std::min(sx[i], sx[i + 1]), xb = std::max(sx[i], sx[i + 1]);
    if (!(xa <= xb)) continue;  // not a number
    int a = std::max(col(xa), 0), b = std::min(col(xb), ncols - 1);
    wanted[i] = a <= b && near[b + 1] - near[a] > 0;
  }
  cairo_save(cr);
  cairo_new_path(cr);
  const double top = std::floor(std::min(m.y_min, m.y_max)) - margin;
  const double height = std::ceil(std::max(m.y_min, m.y_max)) + margin - top;
  for (int a = 0; a < ncols;) {
    if (dense[a]) {
      ++a;
      continue;
    }
    int b = a;
    while (b < ncols && !dense[b]) ++b;
    cairo_rectangle(cr, left + a, top, b - a, height);
    a = b;
  }
  cairo_clip(cr);
  if (dash) {
    path_dashed(cr, m, px, py, n, *dash, band, runs, wanted.data());
  } else {
    path_wanted(cr, m, sx, sy, sn, wanted.data());
  }
  cairo_stroke(cr);
  cairo_restore(cr);
  return true;
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
    // Bands need more points than pixel columns and a line width to dilate by.
    const bool aligned = pixel_aligned(cr);
    const bool banding = n > std::fabs(m.XDRAW) && style.thickness > 0.0 && aligned;
    if (o.stroke_each_segment) {
      stroke_each(cr, m, px.data(), py.data(), n);
    } else if (!solid) {
      // The pattern is laid out here as solid pieces (cairo would restart it per subpath).
      dash_pattern dp = selectdash(style.dash);
      cairo_set_dash(cr, nullptr, 0, 0.0);
      if (!(o.reduce_dense && banding &&
            draw_banded(cr, m, px.data(), py.data(), n, style.thickness, &dp))) {
        std::vector<char> band;
        std::vector<int> runs;
        find_dash_runs(px.data(), py.data(), n, dash_walker(dp).period, band, runs);
        path_dashed(cr, m, px.data(), py.data(), n, dp, band, runs, nullptr);
        cairo_stroke(cr);
      }
      apply_dash(cr, style.dash);
    } else if (o.reduce_dense && banding &&
               draw_banded(cr, m, px.data(), py.data(), n, style.thickness, nullptr)) {
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

  if (style.glyph > 0) {
    int freq = std::max(style.gfreq, 1);
    for (int i = 0; i < n; i += freq)
      if (std::isfinite(px[i]) && std::isfinite(py[i]) && m.inside(px[i], py[i]))
        draw_glyph(cr, style.glyph, px[i], py[i], style.col, style.gsize);
  }
  cairo_new_path(cr);
  cairo_set_line_join(cr, join);
}
