#include "numeric/lowr.h"

#include <algorithm>
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
constexpr int max_r_steps = 1000;
constexpr int max_iterations = 1000;

// r_l = l d, l = 0..steps, on 0..r_end, fine enough for the highest q (16 points per period
// of sin(q r)), with the trapezoid weights w_l.
struct r_grid {
  int steps = 1;
  double d = 0.0;
  std::vector<double> w;
  int size() const { return steps + 1; }
};

r_grid make_grid(double r_end, double qmax) {
  const double step = qmax > 0.0 ? std::min(0.01, pi_f / (8.0 * qmax)) : 0.01;
  r_grid g;
  g.steps = static_cast<int>(std::clamp(std::ceil(r_end / step), 1.0, double(max_r_steps)));
  g.d = r_end / g.steps;
  g.w.assign(static_cast<std::size_t>(g.size()), g.d);
  g.w.front() = g.w.back() = 0.5 * g.d;
  return g;
}

double dot(const r_grid& g, const std::vector<double>& x, const std::vector<double>& y) {
  double s = 0.0;
  for (int l = 0; l < g.size(); ++l) s += g.w[l] * x[l] * y[l];
  return s;
}

// c_p = sum_{k < nk} m_k cos(p d q_k) for p < np, by cos((p+1) t) = 2 cos t cos(p t) - cos((p-1) t)
// point by point (the rounding grows like p ulp, far below what the sums need).
void window_cosine_sums(const double* q, const double* m, int nk, double d, int np, double* c) {
  std::fill(c, c + np, 0.0);
  for (int k = 0; k < nk; ++k) {
    const double two_cos = 2.0 * std::cos(d * q[k]);
    double previous = std::cos(d * q[k]), current = 1.0;  // cos(-t), cos(0)
    for (int p = 0; p < np; ++p) {
      c[p] += m[k] * current;
      const double next = two_cos * current - previous;
      previous = current;
      current = next;
    }
  }
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

int refuse(const char* what, const char* detail) {
  show_error_(what, subroutine, detail);
  return 0;
}

// The transform of x with the window weights m on the grid g: (F_x(r_l)), times `sign`.
struct transformer {
  const double* q;
  int nk;
  double dq, scale;
  std::vector<double>& scratch;  // nk values
  bool operator()(const double* x, const double* m, const r_grid& g, double sign, std::vector<double>& out) {
    for (int k = 0; k < nk; ++k) scratch[k] = x[k] * m[k];
    if (!sine_transform(scratch.data(), q, nk, dq, g.d, g.size(), out.data())) return false;
    for (double& v : out) v *= sign * scale;
    return true;
  }
};

}  // namespace

int lowr(int n, const double* q, const double* a, const double* b, const lowr_settings& s, lowr_result* result) {
  const int used = s.used > 0 ? std::min(s.used, n) : n;
  if (!check_q_grid(used, q, subroutine)) return 0;
  char detail[128];
  std::snprintf(detail, sizeof detail, "r_min: %g, density: %g, iterations: %d, tolerance: %g", s.rmin, s.rho,
                s.max_iterations, s.tolerance);
  if (!(s.rmin > 0.0) || !std::isfinite(s.rmin) || !(s.rho > 0.0) || !std::isfinite(s.rho) ||
      s.max_iterations < 0 || s.max_iterations > max_iterations || !(s.tolerance >= 0.0) ||
      !std::isfinite(s.tolerance))
    return refuse("The low-r optimisation needs r_min > 0, a density > 0, 0 to 1000 iterations and a "
                  "tolerance >= 0",
                  detail);

  // The points of cd's sum and its rectangle-rule factor.
  const int nk = used - 1;
  const double dq = q[1] - q[0];
  double qmax = 0.0;
  for (int k = 0; k < nk; ++k) qmax = std::max(qmax, std::fabs(q[k]));
  // The Lorch-averaged F(r) reaches no pair up to r_min - pi / Q_max (Q_max the last q of
  // the sum, as transform_window takes it); the data must resolve at least that much.
  const double half_box = q[nk - 1] > 0.0 ? pi_f / q[nk - 1] : HUGE_VAL;
  if (!(s.rmin > half_box)) {
    std::snprintf(detail, sizeof detail, "r_min: %g, pi/Q_max: %g", s.rmin, half_box);
    return refuse("The low-r optimisation needs r_min above pi/Q_max", detail);
  }
  const r_grid fit = make_grid(s.rmin - half_box, qmax), cor = make_grid(s.rmin, qmax);
  const int mf = fit.size(), m = cor.size();

  std::vector<double> scratch, lorch, window, one, uf, ff, vf, u, f, v, df, kdf, sum, mat, cs, corrected;
  if (!allocate_table(scratch, nk, subroutine, "Table: W") || !allocate_table(lorch, nk, subroutine, "Table: W") ||
      !allocate_table(window, nk, subroutine, "Table: W") || !allocate_table(one, nk, subroutine, "Table: W") ||
      !allocate_table(uf, mf, subroutine, "Table: U") || !allocate_table(ff, mf, subroutine, "Table: F") ||
      !allocate_table(vf, mf, subroutine, "Table: V") || !allocate_table(u, m, subroutine, "Table: U") ||
      !allocate_table(f, m, subroutine, "Table: F") || !allocate_table(v, m, subroutine, "Table: V") ||
      !allocate_table(df, m, subroutine, "Table: F") || !allocate_table(kdf, m, subroutine, "Table: F") ||
      !allocate_table(sum, m, subroutine, "Table: F") ||
      !allocate_table(mat, static_cast<std::size_t>(m) * m, subroutine, "Table: M") ||
      !allocate_table(cs, 2 * cor.steps + 1, subroutine, "Table: C") ||
      !allocate_table(corrected, n, subroutine, "Table: B"))
    return 0;
  std::fill(one.begin(), one.end(), 1.0);
  transform_window(window_lorch, 0.0, nk, q, one.data(), lorch.data());
  transform_window(s.window, s.damp, nk, q, one.data(), window.data());
  transformer transform{q, nk, dq, 2.0 * dq / pi_f, scratch};

  // 1. The fit on the Lorch-averaged F(r) below r_f: dF = alpha uf + rho vf + ff, uf = F_L[a],
  //    ff = -F_L[b], vf = 4 pi r.
  if (!transform(a, lorch.data(), fit, 1.0, uf) || !transform(b, lorch.data(), fit, -1.0, ff))
    return refuse("Impossible to allocate memory", "Table: FFT");
  for (int l = 0; l < mf; ++l) vf[l] = four_pi_f * l * fit.d;
  const double uu = dot(fit, uf, uf), uv = dot(fit, uf, vf), vv = dot(fit, vf, vf), uf0 = dot(fit, uf, ff),
               vf0 = dot(fit, vf, ff), ff0 = dot(fit, ff, ff);
  double alpha = -(uf0 + s.rho * uv) / uu, rho = s.rho;
  double inverse[3] = {1.0 / uu, 0.0, 0.0};
  if (s.refine_density) {
    const double det = uu * vv - uv * uv;
    const bool solvable = det > 1e-12 * uu * vv;
    alpha = solvable ? (uv * vf0 - vv * uf0) / det : std::nan("");
    rho = solvable ? (uv * uf0 - uu * vf0) / det : std::nan("");
    inverse[0] = vv / det, inverse[1] = -uv / det, inverse[2] = uu / det;
  }
  if (!(alpha > 0.0) || !std::isfinite(alpha) || !(rho > 0.0) || !std::isfinite(rho)) {
    std::snprintf(detail, sizeof detail, "constant: %g, density: %g", alpha, rho);
    return refuse("The low-r optimisation finds no positive constant and density", detail);
  }
  const double fit_chi2 = std::max(0.0, alpha * alpha * uu + rho * rho * vv + ff0 + 2.0 * alpha * rho * uv +
                                            2.0 * alpha * uf0 + 2.0 * rho * vf0);

  // 2. The correction on F(r) as the g(r) step makes it, below r_min: dF = alpha u + rho v + f.
  if (!transform(a, window.data(), cor, 1.0, u) || !transform(b, window.data(), cor, -1.0, f))
    return refuse("Impossible to allocate memory", "Table: FFT");
  for (int l = 0; l < m; ++l) {
    v[l] = four_pi_f * l * cor.d;
    df[l] = alpha * u[l] + rho * v[l] + f[l];
  }
  // One correction maps dF to dF - K dF: K_jl = F_M[w_l sin(q r_l)](r_j), that is
  // scale w_l sum_k M(q_k) sin(r_j q_k) sin(r_l q_k) = scale w_l (c_|j-l| - c_(j+l)) / 2.
  window_cosine_sums(q, window.data(), nk, cor.d, 2 * cor.steps + 1, cs.data());
  for (int j = 0; j < m; ++j)
    for (int l = 0; l < m; ++l)
      mat[static_cast<std::size_t>(j) * m + l] = transform.scale * cor.w[l] * 0.5 * (cs[std::abs(j - l)] - cs[j + l]);

  lowr_result res;
  res.line = rho * rho * dot(cor, v, v);
  const double target = s.tolerance * res.line;
  double chi2 = dot(cor, df, df);
  res.chi2_steps.push_back(chi2);
  while (!(chi2 <= target) && res.iterations < s.max_iterations) {
    if (cancel_requested()) return 0;  // stopped on request: nothing delivered, no message
    for (int j = 0; j < m; ++j) {
      const double* row = &mat[static_cast<std::size_t>(j) * m];
      double t = 0.0;
      for (int l = 0; l < m; ++l) t += row[l] * df[l];
      kdf[j] = t;
    }
    for (int l = 0; l < m; ++l) sum[l] += df[l], df[l] -= kdf[l];
    chi2 = dot(cor, df, df);
    res.chi2_steps.push_back(chi2);
    ++res.iterations;
  }
  res.alpha = alpha, res.rho = rho, res.chi2 = chi2, res.converged = chi2 <= target;
  res.fit_chi2 = fit_chi2;
  std::copy(inverse, inverse + 3, res.fit_inverse);
  if (s.gradients) {
    // p_a = W (dF + alpha uf), p_r = W alpha vf on the fit's grid, then F_L^T of each.
    std::vector<double> pa(static_cast<std::size_t>(mf)), pr(static_cast<std::size_t>(mf)), ta(nk), tr(nk);
    for (int l = 0; l < mf; ++l) {
      const double dfl = alpha * uf[l] + rho * vf[l] + ff[l];
      pa[l] = fit.w[l] * (dfl + alpha * uf[l]);
      pr[l] = fit.w[l] * alpha * vf[l];
    }
    sine_series(pa.data(), fit.steps, q, nk, fit.d, ta.data());
    sine_series(pr.data(), fit.steps, q, nk, fit.d, tr.data());
    res.alpha_gradient.assign(static_cast<std::size_t>(n), 0.0);
    res.rho_gradient.assign(static_cast<std::size_t>(n), 0.0);
    for (int k = 0; k < nk; ++k) {
      const double c = transform.scale * lorch[k];
      const double a_k = c * ta[k], r_k = c * tr[k];
      if (s.refine_density) {
        res.alpha_gradient[k] = -(inverse[0] * a_k + inverse[1] * r_k);
        res.rho_gradient[k] = -(inverse[1] * a_k + inverse[2] * r_k);
      } else {
        res.alpha_gradient[k] = -inverse[0] * a_k;
      }
    }
  }
  if (result) *result = res;
  if (!s.deliver) return 1;

  // Q[S(Q)-1] - sum_i int_0^r_min dF_i(r) sin(q r) dr on every point: the corrections made,
  // summed on the grid and transformed back once.
  for (int l = 0; l < m; ++l) sum[l] *= cor.w[l];
  sine_series(sum.data(), cor.steps, q, n, cor.d, corrected.data());
  for (int k = 0; k < n; ++k) corrected[k] += b[k];
  return deliver_normalised(n, q, a, corrected.data(), alpha, subroutine);
}
