#include "plot/dense_band.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "plot/line_paths.h"

namespace {

// The stroke of a polyline with round joins whose x never runs backwards covers, at each
// abscissa x, one interval [top(x), bottom(x)] (y down): top(x) is the minimum over the
// line's points (x', y') with |x' - x| <= r of y' - sqrt(r^2 - (x' - x)^2), r being half
// the line width, and bottom(x) likewise. The band between the two envelopes, filled as
// one polygon, is that stroke; filling costs per pixel column what stroking costs per
// segment. The line is summarised per bin of 1/band_bins pixel by its y range, taken to
// fill the whole bin: the band comes out at most one bin wider on either side.
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

// The pixel columns a banded drawing covers: the frame and `margin` columns around it.
struct band_columns {
  int margin = 0, left = 0, ncols = 0;
  band_columns(const axis_map& m, double r)
      : margin(static_cast<int>(std::ceil(r)) + 1),  // columns around a break
        left(static_cast<int>(std::floor(std::min(m.x_min, m.x_max))) - margin),
        ncols(static_cast<int>(std::ceil(std::max(m.x_min, m.x_max))) + margin - left) {}
  // Column of pixel x, -1 or ncols beyond the ends.
  int col(double x) const {
    return static_cast<int>(std::clamp(std::floor(x) - left, -1.0, static_cast<double>(ncols)));
  }
};

// The dashed line's dense runs (find_dash_runs), or the solid line's columns holding two
// points or more, without the columns near a break.
std::vector<char> dense_columns(const band_columns& bc, const std::vector<int>& breaks,
                                const std::vector<int>& points, const double* px,
                                const std::vector<int>* runs) {
  std::vector<char> dense(static_cast<size_t>(bc.ncols), 0);
  if (runs)
    for (size_t k = 0; k < runs->size(); k += 2) {
      int c = bc.col(px[(*runs)[k]]);
      if (c >= 0 && c < bc.ncols) dense[c] = 1;
    }
  int open = 0;
  for (int c = 0; c < bc.ncols; ++c) {
    open += breaks[c];
    dense[c] = open == 0 && (runs ? dense[c] : points[c] >= 2);
  }
  return dense;
}

// Marks the columns around the line's ends, gaps, frame crossings and turns back (breaks,
// as +1/-1 at the ends of each range) and counts the points of unbroken stretches per
// column.
void find_breaks(const band_columns& bc, const axis_map& m, const double* px, const double* py,
                 int n, int first, int last, std::vector<int>& breaks, std::vector<int>& points) {
  const double dir = px[last] >= px[first] ? 1.0 : -1.0;
  breaks.assign(static_cast<size_t>(bc.ncols) + 1, 0);
  points.assign(static_cast<size_t>(bc.ncols), 0);
  auto mark = [&](double xa, double xb) {
    if (xa > xb) std::swap(xa, xb);
    int a = std::max(bc.col(xa) - bc.margin, 0), b = std::min(bc.col(xb) + bc.margin, bc.ncols - 1);
    if (a <= b) ++breaks[a], --breaks[b + 1];
  };
  int prev = -1;
  for (int i = 0; i < n; ++i) {
    if (!std::isfinite(px[i]) || !std::isfinite(py[i])) continue;
    if (prev < 0) {
      mark(px[i], px[i]);  // the line starts: a butt cap
    } else if (prev == i - 1 && m.inside(px[prev], py[prev]) && m.inside(px[i], py[i]) &&
               (px[i] - px[prev]) * dir >= 0.0) {
      int c = bc.col(px[i]);
      if (c >= 0 && c < bc.ncols) ++points[c];
    } else {
      mark(px[prev], px[i]);  // a gap, a frame crossing or a turn back
    }
    prev = i;
  }
  mark(px[prev], px[prev]);
}

// Fills the envelope band over each run of dense columns; a run whose band has a gap is
// marked not dense again.
void fill_bands(cairo_t* cr, const band_columns& bc, const double* px, const double* py, int n,
                double r, std::vector<char>& dense) {
  envelope_band env;
  env.reset(bc.left, bc.ncols * band_bins);
  for (int i = 0; i + 1 < n; ++i)
    if (std::isfinite(px[i]) && std::isfinite(py[i]) && std::isfinite(px[i + 1]) &&
        std::isfinite(py[i + 1]))
      env.add_segment(px[i], py[i], px[i + 1], py[i + 1]);
  cairo_new_path(cr);
  std::vector<double> tops, bottoms;
  for (int a = 0; a < bc.ncols;) {
    if (!dense[a]) {
      ++a;
      continue;
    }
    int b = a;
    while (b < bc.ncols && dense[b]) ++b;
    if (!env.add_path(cr, bc.left + a, bc.left + b, r, tops, bottoms))
      std::fill(dense.begin() + a, dense.begin() + b, 0);
    a = b;
  }
  const cairo_fill_rule_t rule = cairo_get_fill_rule(cr);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  cairo_fill(cr);
  cairo_set_fill_rule(cr, rule);
}

// Prefix counts of the columns within `margin` of a column that is not dense: near[b+1] -
// near[a] > 0 when a segment over columns a..b needs stroking.
std::vector<int> stroked_near(const band_columns& bc, const std::vector<char>& dense) {
  std::vector<int> near(static_cast<size_t>(bc.ncols) + 1, 0);
  for (int c = 0; c < bc.ncols; ++c) {
    bool stroked = false;
    for (int k = std::max(0, c - bc.margin); k <= std::min(bc.ncols - 1, c + bc.margin) && !stroked; ++k)
      stroked = !dense[k];
    near[c + 1] = near[c] + (stroked ? 1 : 0);
  }
  return near;
}

// Clips to the columns that are not dense (whole pixels, so the clip is exact).
void clip_to_stroked(cairo_t* cr, const axis_map& m, const band_columns& bc,
                     const std::vector<char>& dense) {
  cairo_new_path(cr);
  const double top = std::floor(std::min(m.y_min, m.y_max)) - bc.margin;
  const double height = std::ceil(std::max(m.y_min, m.y_max)) + bc.margin - top;
  for (int a = 0; a < bc.ncols;) {
    if (dense[a]) {
      ++a;
      continue;
    }
    int b = a;
    while (b < bc.ncols && !dense[b]) ++b;
    cairo_rectangle(cr, bc.left + a, top, b - a, height);
    a = b;
  }
  cairo_clip(cr);
}

// Strokes the segments reaching within `margin` of a column that is not dense, clipped to
// those columns. A solid line much denser than the columns is stroked through the points
// that bins as fine as the band's keep (reduce_columns), which looks the same.
void stroke_outside_bands(cairo_t* cr, const axis_map& m, const band_columns& bc, const double* px,
                          const double* py, int n, const std::vector<char>& dense,
                          const dash_pattern* dash, const std::vector<char>& band,
                          const std::vector<int>& runs) {
  const std::vector<int> near = stroked_near(bc, dense);
  if (near[bc.ncols] == 0) return;
  std::vector<double> rx, ry;
  const double* sx = px;
  const double* sy = py;
  int sn = n;
  if (!dash && n > 2 * bc.ncols) {
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
    int a = std::max(bc.col(xa), 0), b = std::min(bc.col(xb), bc.ncols - 1);
    wanted[i] = a <= b && near[b + 1] - near[a] > 0;
  }
  cairo_save(cr);
  clip_to_stroked(cr, m, bc, dense);
  if (dash)
    path_dashed(cr, m, px, py, n, *dash, band, runs, wanted.data());
  else
    path_wanted(cr, m, sx, sy, sn, wanted.data());
  cairo_stroke(cr);
  cairo_restore(cr);
}

}  // namespace

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

bool draw_banded(cairo_t* cr, const axis_map& m, const double* px, const double* py, int n,
                 double width, const dash_pattern* dash) {
  const double r = width / 2.0;
  const band_columns bc(m, r);
  if (bc.ncols <= 0 || bc.ncols > (1 << 16) || n < 2) return false;
  int first = -1, last = -1;
  for (int i = 0; i < n; ++i)
    if (std::isfinite(px[i]) && std::isfinite(py[i])) (first < 0 ? first : last) = i;
  if (first < 0 || last < 0) return false;

  std::vector<int> breaks, points;
  find_breaks(bc, m, px, py, n, first, last, breaks, points);
  std::vector<char> band;  // dash runs
  std::vector<int> runs;
  if (dash) find_dash_runs(px, py, n, dash_walker(*dash).period, band, runs);
  std::vector<char> dense = dense_columns(bc, breaks, points, px, dash ? &runs : nullptr);
  if (std::find(dense.begin(), dense.end(), 1) == dense.end()) return false;

  fill_bands(cr, bc, px, py, n, r, dense);
  stroke_outside_bands(cr, m, bc, px, py, n, dense, dash, band, runs);
  return true;
}
