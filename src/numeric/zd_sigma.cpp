#include "numeric/zd_sigma.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "numeric/filters.h"

namespace {

constexpr double tol = 1e-14;

// The smoothing of zd as a map of the unsmoothed curve of m points: points 2..m-3
// (0-based) in increasing order, each from the two smoothed points before it.
row_map recursive_smoothing_map(int m) {
  row_map out(m);
  // rows[i]: coefficients of smoothed point i over columns lo[i] .. i + 2.
  std::vector<std::vector<double>> rows(static_cast<std::size_t>(m));
  std::vector<int> lo(static_cast<std::size_t>(m));
  for (int i = 0; i < m; ++i) {
    if (i < 2 || i > m - 3 || m < 5) {
      rows[i] = {1.0};
      lo[i] = i;
      continue;
    }
    const int from = std::min(lo[i - 2], lo[i - 1]);
    std::vector<double> r(static_cast<std::size_t>(i + 3 - from), 0.0);
    auto add = [&](int row, double w) {
      for (std::size_t k = 0; k < rows[row].size(); ++k) r[lo[row] + k - from] += w * rows[row][k];
    };
    add(i - 2, -3.0 / 35.0);
    add(i - 1, 12.0 / 35.0);
    r[i - from] += 17.0 / 35.0;
    r[i + 1 - from] += 12.0 / 35.0;
    r[i + 2 - from] += -3.0 / 35.0;
    double big = 0.0;
    for (double v : r) big = std::max(big, std::fabs(v));
    std::size_t a = 0;
    while (a < r.size() && std::fabs(r[a]) < tol * big) ++a;
    rows[i].assign(r.begin() + static_cast<std::ptrdiff_t>(a), r.end());
    lo[i] = from + static_cast<int>(a);
  }
  for (int i = 0; i < m; ++i) out.add_row(lo[i], rows[i]);
  return out;
}

}  // namespace

bool zd_covariance(int n, double qb, const double* q, const covariance& in, covariance& out) {
  if (n < 2 || in.size() != n) return false;
  const double dq = q[1] - q[0];
  if (!(dq > 0.0) || !std::isfinite(dq)) return false;
  const double kb_d = std::trunc(qb / dq);
  if (!(kb_d >= 1.0) || !(kb_d <= n - 5.0)) return false;
  const int kb = static_cast<int>(kb_d), m = n - 1;

  // Normal equations of the cubic over the 0-based points kb-1..n-3, as zd forms them;
  // column t of their inverse by gauss on the unit right-hand sides.
  double s[7] = {};
  for (int i = kb - 1; i <= n - 3; ++i) {
    double p = 1.0;
    for (int r = 0; r < 7; ++r) s[r] += p, p *= q[i];
  }
  double inverse[4][4];
  for (int t = 0; t < 4; ++t) {
    double a[20];
    for (int row = 0; row < 4; ++row) {
      for (int col = 0; col < 4; ++col) a[col * 4 + row] = s[row + col];
      a[16 + row] = row == t ? 1.0 : 0.0;
    }
    double x[4];
    gauss(a, x, 4, 5);
    for (int r = 0; r < 4; ++r) inverse[r][t] = x[r];
  }
  // coef_r = sum_i H_ri y_i with H_ri = sum_t inverse[r][t] q_i^t over the fit points; the
  // corrected curve is y - sum_r q^r coef_r from point kb-1 on.
  std::vector<std::vector<double>> h(4, std::vector<double>(static_cast<std::size_t>(n), 0.0));
  std::vector<std::vector<double>> phi(4, std::vector<double>(static_cast<std::size_t>(m), 0.0));
  for (int i = kb - 1; i <= n - 3; ++i) {
    double p = 1.0;
    for (int t = 0; t < 4; ++t, p *= q[i])
      for (int r = 0; r < 4; ++r) h[r][i] += inverse[r][t] * p;
  }
  for (int i = kb - 1; i < m; ++i) {
    double p = 1.0;
    for (int r = 0; r < 4; ++r, p *= q[i]) phi[r][i] = -p;
  }
  std::vector<int> kept(static_cast<std::size_t>(m));
  for (int i = 0; i < m; ++i) kept[i] = i;
  const covariance fitted = in.with_functionals(row_map::selection(kept, n), phi, h);
  out = n > 5 ? fitted.mapped(recursive_smoothing_map(m)) : fitted;
  return true;
}
