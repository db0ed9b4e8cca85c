#include "numeric/filters.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

// Symmetric window of 2h+1 weights; points closer than h to an end are copied.
template <int H>
void smooth_window(int n, const double* in, double* out, const double (&w)[2 * H + 1], double divisor) {
  if (n <= 0) return;
  if (n <= 2 * H) {
    std::copy(in, in + n, out);
    return;
  }
  for (int i = 0; i < H; ++i) {
    out[i] = in[i];
    out[n - 1 - i] = in[n - 1 - i];
  }
  for (int i = H; i < n - H; ++i) {
    double s = 0.0;
    for (int k = -H; k <= H; ++k) s += w[k + H] * in[i + k];
    out[i] = s / divisor;
  }
}

constexpr double w5[] = {-3, 12, 17, 12, -3};
constexpr double w7[] = {-2, 3, 6, 7, 6, 3, -2};
constexpr double w9[] = {-21, 14, 39, 54, 59, 54, 39, 14, -21};

}  // namespace

row_map smoothing_map(int n, int points) {
  const int h = (points - 1) / 2;
  const double* w = points == 5 ? w5 : points == 7 ? w7 : w9;
  const double divisor = points == 5 ? 35.0 : points == 7 ? 21.0 : 231.0;
  row_map m(std::max(n, 0));
  std::vector<double> row(static_cast<std::size_t>(points));
  for (int k = 0; k < points; ++k) row[k] = w[k] / divisor;
  const double one = 1.0;
  for (int i = 0; i < n; ++i) {
    if (n <= 2 * h || i < h || i >= n - h)
      m.add_row(i, {&one, 1});
    else
      m.add_row(i - h, row);
  }
  return m;
}

void smooth5(int n, const double* in, double* out) { smooth_window<2>(n, in, out, w5, 35.0); }
void smooth7(int n, const double* in, double* out) { smooth_window<3>(n, in, out, w7, 21.0); }
void smooth9(int n, const double* in, double* out) { smooth_window<4>(n, in, out, w9, 231.0); }

void gauss(double* a, double* x, int n, int m) {
  auto at = [a, n](int i, int j) -> double& { return a[j * n + i]; };
  for (int k = 0; k < n - 1; ++k) {
    int p = k;
    for (int i = k + 1; i < n; ++i)
      if (std::fabs(at(i, k)) > std::fabs(at(p, k))) p = i;
    if (p != k)
      for (int j = k; j < m; ++j) std::swap(at(k, j), at(p, j));
    for (int i = k + 1; i < n; ++i) {
      const double factor = at(i, k) / at(k, k);
      for (int j = k + 1; j < m; ++j) at(i, j) -= factor * at(k, j);
    }
  }
  if (n <= 0) return;
  x[n - 1] = at(n - 1, m - 1) / at(n - 1, n - 1);
  for (int i = n - 2; i >= 0; --i) {
    double s = at(i, m - 1);
    for (int j = i + 1; j < n; ++j) s -= at(i, j) * x[j];
    x[i] = s / at(i, i);
  }
}

void linfit(const double* x, const double* y, int n, double coef[2]) {
  double sx = 0.0, sxx = 0.0, sy = 0.0, sxy = 0.0;
  for (int i = 0; i < n; ++i) {
    sx += x[i];
    sxx += x[i] * x[i];
    sy += y[i];
    sxy += x[i] * y[i];
  }
  double a[6] = {static_cast<double>(n), sx, sx, sxx, sy, sxy};
  gauss(a, coef, 2, 3);
}
