#include "plot/line_paths.h"

#include <algorithm>
#include <cmath>

namespace {

bool finite_segment(double x0, double y0, double x1, double y1) {
  return std::isfinite(x0) && std::isfinite(y0) && std::isfinite(x1) && std::isfinite(y1);
}

}  // namespace

double length_of(double dx, double dy) {
  if (std::fabs(dx) < 1e100 && std::fabs(dy) < 1e100) return std::sqrt(dx * dx + dy * dy);
  return std::hypot(dx, dy);
}

// Liang-Barsky: the segment as x0 + t dx, clipped edge by edge in t.
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

void reduce_columns(const double* px, const double* py, int n, std::vector<int>& keep, double bins) {
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

void path_polyline(cairo_t* cr, const axis_map& m, const double* px, const double* py,
                   const int* idx, int count) {
  bool open = false;  // the path ends at the previous segment's unmoved end point
  for (int k = 0; k + 1 < count; ++k) {
    int a = idx ? idx[k] : k, b = idx ? idx[k + 1] : k + 1;
    double x0 = px[a], y0 = py[a], x1 = px[b], y1 = py[b];
    bool moved0 = false, moved1 = false;
    if (!finite_segment(x0, y0, x1, y1) || !clip_segment(m, x0, y0, x1, y1, moved0, moved1)) {
      open = false;
      continue;
    }
    if (!open || moved0) cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    open = !moved1;
  }
}

void path_wanted(cairo_t* cr, const axis_map& m, const double* px, const double* py, int n,
                 const char* wanted) {
  bool open = false;
  for (int i = 0; i + 1 < n; ++i) {
    double x0 = px[i], y0 = py[i], x1 = px[i + 1], y1 = py[i + 1];
    bool moved0 = false, moved1 = false;
    if (!wanted[i] || !finite_segment(x0, y0, x1, y1) ||
        !clip_segment(m, x0, y0, x1, y1, moved0, moved1)) {
      open = false;
      continue;
    }
    if (!open || moved0) cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    open = !moved1;
  }
}

void stroke_each(cairo_t* cr, const axis_map& m, const double* px, const double* py, int n) {
  for (int i = 0; i + 1 < n; ++i) {
    double x0 = px[i], y0 = py[i], x1 = px[i + 1], y1 = py[i + 1];
    bool moved0 = false, moved1 = false;
    if (!finite_segment(x0, y0, x1, y1) || !clip_segment(m, x0, y0, x1, y1, moved0, moved1))
      continue;
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    cairo_stroke(cr);
  }
}
