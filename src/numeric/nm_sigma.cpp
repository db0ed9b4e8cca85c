#include "numeric/nm_sigma.h"

#include <cmath>

std::vector<double> high_angle_gradient(int n, const double* q, const double* j, double lower, double alpha) {
  int k0 = 0;
  while (k0 < n && !(q[k0] >= lower)) ++k0;
  if (k0 == n) return {};
  double den = 0.0;
  for (int k = k0; k < n; ++k) den += j[k];
  std::vector<double> g(static_cast<std::size_t>(n), 0.0);
  for (int k = k0; k < n; ++k) g[k] = -alpha / den;
  return g;
}

std::vector<double> integral_gradient(int n, const double* q, const double* a, const double* scale, double alpha) {
  std::vector<double> g(static_cast<std::size_t>(n), 0.0);
  if (n < 1) return g;
  // Trapezoids from (0, 0): point k weighs half of the span from its left to its right
  // neighbour, Q = 0 standing left of the first and the last point right of itself.
  double qa = 0.0;
  for (int k = 0; k < n; ++k) {
    const double left = k > 0 ? q[k - 1] : 0.0, right = k + 1 < n ? q[k + 1] : q[k];
    g[k] = 0.5 * (right - left) * q[k];
    qa += g[k] * a[k];
  }
  for (int k = 0; k < n; ++k) g[k] *= -alpha * scale[k] / qa;
  return g;
}

covariance normalised_covariance(const covariance& cov_j, const double* q, const double* scale, const double* a,
                                 double alpha, const std::vector<double>& g, int k1) {
  // The map alpha diag(scale), followed by the line below k1: row k < k1 takes point k1
  // times (q_k / q_k1)^2.
  const int n = cov_j.size();
  const bool extended = k1 > 0 && k1 < n;
  row_map m(n);
  std::vector<double> u(a, a + n);
  for (int k = 0; k < n; ++k) {
    const int from = extended && k < k1 ? k1 : k;
    const double line = extended && k < k1 ? q[k] * q[k] / (q[k1] * q[k1]) : 1.0;
    const double c = line * alpha * scale[from];
    m.add_row(from, {&c, 1});
    u[k] = line * a[from];
  }
  if (g.empty()) return cov_j.mapped(m);
  return cov_j.with_functionals(m, {u}, {g});
}

std::vector<double> structure_sigma(int n, const double* q, int k1, const std::vector<double>& sigma_qs) {
  const bool extended = k1 > 0 && k1 < n;
  std::vector<double> s(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) {
    if (extended && k < k1)
      s[k] = q[k] / (q[k1] * q[k1]) * sigma_qs[k1];
    else
      s[k] = !extended && k == 0 ? 0.0 : sigma_qs[k] / std::fabs(q[k]);
  }
  return s;
}
