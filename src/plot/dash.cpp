#include "plot/dash.h"

#include <algorithm>
#include <cmath>

#include "plot/line_paths.h"

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

// The dense runs, each drawn solid through the points reduce_columns keeps.
void path_dash_runs(cairo_t* cr, const axis_map& m, const double* px, const double* py,
                    const std::vector<int>& runs, const char* wanted) {
  std::vector<int> keep;
  for (size_t r = 0; r < runs.size(); r += 2) {
    int first = runs[r], count = runs[r + 1] - first + 1;
    if (wanted && !wanted[first]) continue;
    reduce_columns(px + first, py + first, count, keep);
    cairo_new_sub_path(cr);
    path_polyline(cr, m, px + first, py + first, keep.data(), static_cast<int>(keep.size()));
  }
}

}  // namespace

dash_pattern selectdash(int index) {
  if (index < 0 || index >= ndash) return {};
  return dash_table[index];
}

// An odd count uses every length both as on and as off.
bool is_solid(const dash_pattern& d) {
  if (d.count == 0) return true;
  for (int i = 0; i < d.count; ++i)
    if ((d.count % 2 == 1 || i % 2 == 1) && d.lengths[i] > 0.0) return false;
  return true;
}

void apply_dash(cairo_t* cr, int index) {
  dash_pattern d = selectdash(index);
  if (is_solid(d))
    cairo_set_dash(cr, nullptr, 0, 0.0);
  else
    cairo_set_dash(cr, d.lengths, d.count, 0.0);
}

dash_walker::dash_walker(const dash_pattern& d) {
  // An odd count repeats with on and off swapped: walk it twice.
  int reps = d.count % 2 == 1 ? 2 : 1;
  for (int r = 0; r < reps; ++r)
    for (int i = 0; i < d.count; ++i) len[count++] = d.lengths[i];
  for (int i = 0; i < count; ++i) period += len[i];
  restart();
}

void dash_walker::skip(double d) {
  if (period <= 0.0) return;
  if (d >= rem) {
    d -= rem;
    next();
    d = std::fmod(d, period);
    while (d >= rem) d -= rem, next();
  }
  rem -= d;
}

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
  path_dash_runs(cr, m, px, py, runs, wanted);
}
