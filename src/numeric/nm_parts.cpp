#include "numeric/nm_parts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "numeric/callbacks.h"
#include "numeric/work_arrays.h"

void nm_parts(std::span<const species_factors> species, int n, const double* q, const double* intensity,
              double add, const double* qs, double alpha, double* a, double* b) {
  mean_sq_moduli(species, n, q, a);
  for (int k = 0; k < n; ++k) {
    a[k] = q[k] * (intensity[k] + add) / a[k];
    b[k] = alpha * a[k] - qs[k];
  }
}

double integral_constant(int n, const double* q, const double* a, const double* b, double rho) {
  if (n < 1) return std::nan("");
  // Trapezoids of Q a and Q b, from (0, 0) when the data start above Q = 0.
  double qa = 0.0, qb = 0.0, pq = 0.0, pa = 0.0, pb = 0.0;
  for (int k = 0; k < n; ++k) {
    const double fa = q[k] * a[k], fb = q[k] * b[k];
    if (k > 0 || q[0] > 0.0) {
      qa += 0.5 * (q[k] - pq) * (fa + pa);
      qb += 0.5 * (q[k] - pq) * (fb + pb);
    }
    pq = q[k], pa = fa, pb = fb;
  }
  if (!(qa > 0.0)) return std::nan("");
  return (qb - 2.0 * pi_f * pi_f * rho) / qa;
}

int deliver_normalised(int n, const double* q, const double* a, const double* b, double alpha,
                       const char* subroutine) {
  std::vector<double> qs, sq;
  if (!allocate_table(qs, static_cast<std::size_t>(n), subroutine, "Table: QS") ||
      !allocate_table(sq, static_cast<std::size_t>(n), subroutine, "Table: S"))
    return 0;
  for (int k = 0; k < n; ++k) {
    qs[k] = alpha * a[k] - b[k];
    sq[k] = qs[k] / q[k] + 1.0;
  }
  if (n > 0) sq[0] = 0.0;
  displaync_(alpha);
  save_curve_(n, q, qs.data(), 1, 1);
  save_curve_(n, q, sq.data(), 1, 2);
  return 1;
}

int nm_integral(int n, const double* q, const double* a, const double* b, double rho, int used) {
  char detail[64];
  const char* refusal = nullptr;
  double alpha = 0.0;
  const int sum = used > 0 ? std::min(used, n) : n;
  if (sum < 2) {
    refusal = "At least two data points are required";
  } else if (!(rho > 0.0) || !std::isfinite(rho)) {
    refusal = "The integral method needs a density > 0";
  } else {
    alpha = integral_constant(sum, q, a, b, rho);
    if (!(alpha > 0.0) || !std::isfinite(alpha)) refusal = "The sum rule gives no positive constant";
  }
  if (refusal) {
    std::snprintf(detail, sizeof detail, "Points: %d, density: %g, constant: %g", sum, rho, alpha);
    show_error_(refusal, "Subroutine: nmint ", detail);
    return 0;
  }
  return deliver_normalised(n, q, a, b, alpha, "Subroutine: nmint ");
}
