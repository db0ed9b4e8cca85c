#include "numeric/lowr.h"

#include <algorithm>
#include <utility>
#include <cmath>
#include <cstdio>
#include <vector>

#include "numeric/callbacks.h"
#include "numeric/cancel.h"
#include "numeric/elements.h"
#include "numeric/nm_parts.h"
#include "numeric/sine_transform.h"
#include "numeric/transform_window.h"
#include "numeric/work_arrays.h"

namespace {

constexpr const char* subroutine = "Subroutine: lowr ";
constexpr int max_r_points = 1000;
constexpr int max_iterations = 1000;

// c_p = sum_{k < nk} L(q_k) cos(p d q_k) for p < np, L(q) = sin(a q) / (a q) the Lorch
// function, a = pi / q_{nk-1}. L(q) cos(s q) = [sin((a + s) q) + sin((a - s) q)] / (2 a q), so
// c_p = [T(a + s) + T(a - s)] / (2 a) with T(c) = sum_k sin(c q_k) / q_k = int_0^c D(t) dt
// and D(t) = sum_k cos(t q_k), on a uniform grid q_k = q0 + k h the Dirichlet kernel
// cos(t q0 + (nk - 1) t h / 2) sin(nk t h / 2) / sin(t h / 2). T is integrated by 8-point
// Gauss-Legendre on pieces of at most 0.5 / qmax (D holds no frequency above qmax). Other
// grids are summed point by point.
void lorch_cosine_sums(const double* q, int nk, double d, int np, double* c) {
  const double a = pi_f / q[nk - 1];
  double q0 = 0.0, h = 0.0;
  if (!uniform_grid(q, nk, 0.0, &q0, &h)) {
    std::vector<double> lorch(static_cast<std::size_t>(nk), 1.0);
    transform_window(window_lorch, 0.0, nk, q, lorch.data(), lorch.data());
    for (int p = 0; p < np; ++p) {
      double sum = 0.0;
      for (int k = 0; k < nk; ++k) sum += lorch[k] * std::cos(p * d * q[k]);
      c[p] = sum;
    }
    return;
  }
  auto dirichlet = [&](double t) {
    const double den = std::sin(0.5 * t * h);
    if (std::fabs(den) > 1e-6) return std::cos(t * q0 + 0.5 * (nk - 1) * t * h) * std::sin(0.5 * nk * t * h) / den;
    double sum = 0.0;
    for (int k = 0; k < nk; ++k) sum += std::cos(t * (q0 + k * h));
    return sum;
  };
  static constexpr double node[4] = {0.1834346424956498, 0.5255324099163290, 0.7966664774136267,
                                     0.9602898564975363};
  static constexpr double weight[4] = {0.3626837833783620, 0.3137066661865483, 0.2223810344533745,
                                       0.1012285362903763};
  auto integral = [&](double lo, double hi) {  // int_lo^hi D(t) dt
    const int pieces = std::max(1, static_cast<int>(std::ceil((hi - lo) * 2.0 * q[nk - 1])));
    const double half = 0.5 * (hi - lo) / pieces;
    double sum = 0.0;
    for (int i = 0; i < pieces; ++i) {
      const double mid = lo + (2 * i + 1) * half;
      for (int g = 0; g < 4; ++g)
        sum += weight[g] * (dirichlet(mid - half * node[g]) + dirichlet(mid + half * node[g]));
    }
    return sum * half;
  };
  // T at |a - s| and a + s for s = p d, accumulated along the sorted abscissae.
  std::vector<std::pair<double, int>> at;  // (|c|, 2 p or 2 p + 1)
  for (int p = 0; p < np; ++p) at.push_back({std::fabs(a - p * d), 2 * p}), at.push_back({a + p * d, 2 * p + 1});
  std::sort(at.begin(), at.end());
  std::vector<double> t(at.size());
  double x = 0.0, sum = 0.0;
  for (const auto& [abscissa, id] : at) {
    if (cancel_requested()) return;  // the caller sees the request and delivers nothing
    sum += integral(x, abscissa);
    x = abscissa;
    t[static_cast<std::size_t>(id)] = sum;
  }
  for (int p = 0; p < np; ++p) c[p] = ((a - p * d < 0.0 ? -t[2 * p] : t[2 * p]) + t[2 * p + 1]) / (2.0 * a);
}

// out_k = sum_{l=1..L} v_l sin(l q_k d) for k < n by Clenshaw's recurrence
// b_l = v_l + 2 cos(theta) b_{l+1} - b_{l+2}, sum = b_1 sin(theta); eight points at a time
// so the independent recurrences share the vector unit.
void sine_series(const double* v, int L, const double* q, int n, double d, double* out) {
  constexpr int lanes = 8;
  for (int k0 = 0; k0 < n; k0 += lanes) {
    const int count = std::min(lanes, n - k0);
    double c2[lanes] = {}, b1[lanes] = {}, b2[lanes] = {};
    for (int i = 0; i < count; ++i) c2[i] = 2.0 * std::cos(q[k0 + i] * d);
    for (int l = L; l >= 1; --l)
      for (int i = 0; i < lanes; ++i) {
        const double t = v[l] + c2[i] * b1[i] - b2[i];
        b2[i] = b1[i];
        b1[i] = t;
      }
    for (int i = 0; i < count; ++i) out[k0 + i] = b1[i] * std::sin(q[k0 + i] * d);
  }
}

// x after K steps x <- x - M x, and the sum of the K vectors before each step.
void propagate(const std::vector<double>& m, int size, int iterations, std::vector<double>& x,
               std::vector<double>& sum) {
  std::vector<double> mx(static_cast<std::size_t>(size));
  std::fill(sum.begin(), sum.end(), 0.0);
  for (int i = 0; i < iterations && !cancel_requested(); ++i) {
    for (int j = 0; j < size; ++j) {
      const double* row = &m[static_cast<std::size_t>(j) * size];
      double s = 0.0;
      for (int l = 0; l < size; ++l) s += row[l] * x[l];
      mx[j] = s;
    }
    for (int j = 0; j < size; ++j) {
      sum[j] += x[j];
      x[j] -= mx[j];
    }
  }
}

int refuse(const char* what, const char* detail) {
  show_error_(what, subroutine, detail);
  return 0;
}

}  // namespace

int lowr(int n, const double* q, const double* a, const double* b, double rho, double rmin, int iterations,
         int refine_density, lowr_result* result) {
  if (!check_q_grid(n, q, subroutine)) return 0;
  char detail[96];
  std::snprintf(detail, sizeof detail, "r_min: %g, density: %g, iterations: %d", rmin, rho, iterations);
  if (!(rmin > 0.0) || !std::isfinite(rmin) || !(rho > 0.0) || !std::isfinite(rho) || iterations < 0 ||
      iterations > max_iterations)
    return refuse("The low-r optimisation needs r_min > 0, a density > 0 and 0 to 1000 iterations",
                  detail);

  // The points of cd's sum and its rectangle-rule factor.
  const int nk = n - 1;
  const double dq = q[1] - q[0];
  const double scale = 2.0 * dq / pi_f;
  double qmax = 0.0;
  for (int k = 0; k < nk; ++k) qmax = std::max(qmax, std::fabs(q[k]));
  // The Lorch-averaged F(r) reaches no pair up to r_min - pi / Q_max (Q_max the last q of
  // the sum, as transform_window takes it); the data must resolve at least that much.
  const double half_box = q[nk - 1] > 0.0 ? pi_f / q[nk - 1] : HUGE_VAL;
  if (!(rmin > half_box)) {
    std::snprintf(detail, sizeof detail, "r_min: %g, pi/Q_max: %g", rmin, half_box);
    return refuse("The low-r optimisation needs r_min above pi/Q_max", detail);
  }
  // The r grid on 0..r_f, r_f = r_min - pi / Q_max, fine enough for the highest q (16 points
  // per period of sin(q r)).
  const double rfit = rmin - half_box;
  const double step = qmax > 0.0 ? std::min(0.01, pi_f / (8.0 * qmax)) : 0.01;
  const int big_l = static_cast<int>(std::clamp(std::ceil(rfit / step), 1.0, double(max_r_points)));
  const double d = rfit / big_l;
  const int m = big_l + 1;

  std::vector<double> w, u, v, f0, mat, cs, sf, corrected, windowed;
  if (!allocate_table(w, m, subroutine, "Table: W") || !allocate_table(u, m, subroutine, "Table: U") ||
      !allocate_table(v, m, subroutine, "Table: V") || !allocate_table(f0, m, subroutine, "Table: F") ||
      !allocate_table(sf, m, subroutine, "Table: F") || !allocate_table(windowed, nk, subroutine, "Table: W") ||
      !allocate_table(mat, static_cast<std::size_t>(m) * m, subroutine, "Table: M") ||
      !allocate_table(cs, 2 * big_l + 1, subroutine, "Table: C") ||
      !allocate_table(corrected, n, subroutine, "Table: B"))
    return 0;

  // The Lorch window averages F(r) over r +- pi / Q_max (Lorch 1969, J. Phys. C 2, 229): it
  // cancels the termination ripples the first peak throws below r_min, which are no error of
  // the data, and leaves -4 pi rho r as it is. dF_0 = alpha u + rho v + f0 on r_l = l d:
  // u = F_L[a], v = 4 pi r, f0 = -F_L[b].
  for (auto [x, out] : {std::pair{a, &u}, std::pair{b, &f0}}) {
    transform_window(window_lorch, 0.0, nk, q, x, windowed.data());
    if (!sine_transform(windowed.data(), q, nk, dq, d, m, out->data()))
      return refuse("Impossible to allocate memory", "Table: FFT");
  }
  for (int l = 0; l < m; ++l) {
    w[l] = l == 0 || l == big_l ? 0.5 * d : d;
    u[l] *= scale;
    f0[l] *= -scale;
    v[l] = four_pi_f * l * d;
  }

  // One iteration maps dF to dF - M dF: M_jl = F_L[w_l sin(q r_l)](r_j), that is
  // scale w_l sum_k L(q_k) sin(r_j q_k) sin(r_l q_k) = scale w_l (c_|j-l| - c_(j+l)) / 2.
  lorch_cosine_sums(q, nk, d, 2 * big_l + 1, cs.data());
  if (cancel_requested()) return 0;
  for (int j = 0; j < m; ++j)
    for (int l = 0; l < m; ++l)
      mat[static_cast<std::size_t>(j) * m + l] = scale * w[l] * 0.5 * (cs[std::abs(j - l)] - cs[j + l]);
  // chi^2_0 = sum w (alpha u + rho v + f0)^2, minimised over alpha (and rho).
  auto dot = [&](const std::vector<double>& x, const std::vector<double>& y) {
    double s = 0.0;
    for (int l = 0; l < m; ++l) s += w[l] * x[l] * y[l];
    return s;
  };
  const double uu = dot(u, u), uv = dot(u, v), vv = dot(v, v), uf = dot(u, f0), vf = dot(v, f0);
  double alpha = -(uf + rho * uv) / uu;
  if (refine_density) {
    const double det = uu * vv - uv * uv;
    const bool solvable = det > 1e-12 * uu * vv;
    alpha = solvable ? (uv * vf - vv * uf) / det : std::nan("");
    rho = solvable ? (uv * uf - uu * vf) / det : std::nan("");
  }
  if (!(alpha > 0.0) || !std::isfinite(alpha) || !(rho > 0.0) || !std::isfinite(rho)) {
    std::snprintf(detail, sizeof detail, "constant: %g, density: %g", alpha, rho);
    return refuse("The low-r optimisation finds no positive constant and density", detail);
  }

  // The iterations for the refined alpha and rho: dF_K = (I - M)^K dF_0, and the sum of the
  // dF_i that were transformed back.
  for (int l = 0; l < m; ++l) f0[l] += alpha * u[l] + rho * v[l];
  propagate(mat, m, iterations, f0, sf);
  if (cancel_requested()) return 0;
  double chi2 = 0.0;
  for (int l = 0; l < m; ++l) chi2 += w[l] * f0[l] * f0[l];

  // Q[S(Q)-1] - sum_i int_0^r_f dF_i(r) sin(q r) dr: the sum of the iterates, weighted.
  for (int l = 0; l < m; ++l) sf[l] *= w[l];
  sine_series(sf.data(), big_l, q, n, d, corrected.data());
  for (int k = 0; k < n; ++k) corrected[k] += b[k];
  if (!deliver_normalised(n, q, a, corrected.data(), alpha, subroutine)) return 0;
  if (result) *result = {alpha, rho, chi2};
  return 1;
}
