#include "numeric/cd_sigma.h"

#include <algorithm>
#include <cmath>

#include "numeric/elements.h"
#include "numeric/sine_transform.h"
#include "numeric/transform_window.h"

namespace {

constexpr double max_points = 50'000'000.0;

// The q step of a grid cd accepts, or 0.
double q_step(const transform_setup& t) {
  if (t.n < 2 || !t.q) return 0.0;
  const double dq = t.q[1] - t.q[0];
  if (!(dq > 0.0) || !std::isfinite(dq) || !(t.dr > 0.0) || !(t.rmax >= t.dr)) return 0.0;
  if (!(std::trunc(t.rmax / t.dr) <= max_points)) return 0.0;
  return dq;
}

// The window W_k of the points that enter the sum.
std::vector<double> window_weights(const transform_setup& t) {
  const int nk = t.n - 1;
  std::vector<double> ones(static_cast<std::size_t>(nk), 1.0), w(static_cast<std::size_t>(nk));
  transform_window(t.window, t.damp, nk, t.q, ones.data(), w.data());
  return w;
}

// G_j of the series v with the window weights already formed.
bool transform_weighted(const transform_setup& t, double dq, const std::vector<double>& wdw, const double* v,
                        std::vector<double>& out) {
  const int nk = t.n - 1, nr = t.points();
  std::vector<double> wk(static_cast<std::size_t>(nk));
  for (int k = 0; k < nk; ++k) wk[k] = v[k] * wdw[k];
  out.assign(static_cast<std::size_t>(nr), 0.0);
  if (!sine_transform(wk.data(), t.q, nk, dq, t.dr, nr, out.data())) return false;
  out[0] = 0.0;
  for (double& g : out) g = g * dq * 2.0 / pi_f;
  return true;
}

}  // namespace

int transform_setup::points() const { return static_cast<int>(std::trunc(rmax / dr)); }

bool transform_vector(const transform_setup& t, const double* v, std::vector<double>& out) {
  const double dq = q_step(t);
  return dq != 0.0 && transform_weighted(t, dq, window_weights(t), v, out);
}

bool transform_sigma(const transform_setup& t, const covariance& cov, std::vector<double>& sigma) {
  const double dq = q_step(t);
  if (dq == 0.0 || cov.size() != t.n) return false;
  const int nk = t.n - 1, nr = t.points();
  const double c = dq * 2.0 / pi_f;
  const std::vector<double> wdw = window_weights(t);
  std::vector<double> var(static_cast<std::size_t>(nr), 0.0);
  double q0 = 0.0, h = 0.0;
  if (uniform_grid(t.q, nk, dq, &q0, &h)) {
    // Low-rank columns that are zero but for a short run of points (the extension to
    // zero angle) join the band's sums; the others are transformed.
    const int p = cov.rank();
    std::vector<int> lo(static_cast<std::size_t>(p)), hi(static_cast<std::size_t>(p));
    std::vector<char> short_run(static_cast<std::size_t>(p));
    int reach = std::min(cov.bandwidth(), std::max(nk - 1, 0));
    for (int a = 0; a < p; ++a) {
      const std::vector<double>& u = cov.low_rank_column(a);
      lo[a] = 0, hi[a] = nk - 1;
      while (lo[a] < nk && u[lo[a]] == 0.0) ++lo[a];
      while (hi[a] >= lo[a] && u[hi[a]] == 0.0) --hi[a];
      short_run[a] = hi[a] - lo[a] < 128;
    }
    for (int a = 0; a < p; ++a)
      for (int b = 0; b < p; ++b)
        if (short_run[a] && short_run[b] && cov.low_rank_weight(a, b) != 0.0)
          reach = std::max({reach, hi[a] - lo[b], hi[b] - lo[a]});

    // Diagonal sums V_d and anti-diagonal sums U_m of W_k W_l S_kl (k, l < nk).
    std::vector<double> vd(static_cast<std::size_t>(reach) + 1, 0.0), um(static_cast<std::size_t>(std::max(2 * nk - 1, 1)), 0.0);
    const int w = std::min(cov.bandwidth(), std::max(nk - 1, 0));
    for (int k = 0; k < nk; ++k) {
      const double* row = cov.band_row(k);
      const double wk = wdw[k];
      vd[0] += row[0] * wk * wk;
      um[2 * k] += row[0] * wk * wk;
      for (int d = 1; d <= std::min(w, k); ++d) {
        const double b = row[d] * wk * wdw[k - d];
        vd[d] += b;
        um[2 * k - d] += 2.0 * b;
      }
    }
    // The short columns' C_ab u_a u_b^T over ordered pairs (k, l): half to V_|k-l| (the
    // band's V_d counts each pair once and enters twice), all to U_k+l.
    for (int a = 0; a < p; ++a)
      for (int b = 0; b < p; ++b) {
        const double cab = cov.low_rank_weight(a, b);
        if (!short_run[a] || !short_run[b] || cab == 0.0) continue;
        const std::vector<double>&ua = cov.low_rank_column(a), &ub = cov.low_rank_column(b);
        for (int k = lo[a]; k <= hi[a]; ++k)
          for (int l = lo[b]; l <= hi[b]; ++l) {
            const double e = cab * ua[k] * ub[l] * wdw[k] * wdw[l];
            vd[std::abs(k - l)] += k == l ? e : 0.5 * e;
            um[k + l] += e;
          }
      }
    std::vector<double> across(static_cast<std::size_t>(nr));
    if (!cosine_sums(um.data(), 2 * nk - 1, 2.0 * q0, h, t.dr, nr, across.data())) return false;
    // cos(d x_j) for d = 0..reach by the three-term recurrence, for `lanes` values of j at
    // a time: the recurrences are independent, so interleaving them keeps the pipeline full
    // (one alone waits on its own previous step).
    constexpr int lanes = 8;
    for (int j0 = 0; j0 < nr; j0 += lanes) {
      double two_cos[lanes], prev[lanes], cur[lanes], along[lanes];
      for (int l = 0; l < lanes; ++l) {
        const double x = std::min(j0 + l, nr - 1) * t.dr * h;
        cur[l] = std::cos(x);
        two_cos[l] = 2.0 * cur[l];
        prev[l] = 1.0;
        along[l] = vd[0];
      }
      for (int d = 1; d <= reach; ++d) {
        const double v = 2.0 * vd[d];
        for (int l = 0; l < lanes; ++l) {
          along[l] += v * cur[l];
          const double next = two_cos[l] * cur[l] - prev[l];
          prev[l] = cur[l];
          cur[l] = next;
        }
      }
      for (int l = 0; l < lanes && j0 + l < nr; ++l) var[j0 + l] = 0.5 * c * c * (along[l] - across[j0 + l]);
    }
    // The other columns: sum_ab C_ab (s_j^T u_a)(s_j^T u_b), s^T u_a the transform of u_a.
    std::vector<std::vector<double>> g(static_cast<std::size_t>(p));
    for (int a = 0; a < p; ++a) {
      bool needed = false;
      for (int b = 0; b < p && !needed; ++b)
        needed = cov.low_rank_weight(a, b) != 0.0 && !(short_run[a] && short_run[b]);
      if (needed && !transform_weighted(t, dq, wdw, cov.low_rank_column(a).data(), g[a])) return false;
    }
    for (int a = 0; a < p; ++a)
      for (int b = 0; b < p; ++b) {
        const double cab = cov.low_rank_weight(a, b);
        if (cab == 0.0 || (short_run[a] && short_run[b])) continue;
        for (int j = 0; j < nr; ++j) var[j] += cab * g[a][j] * g[b][j];
      }
  } else {
    std::vector<double> s(static_cast<std::size_t>(t.n), 0.0);
    for (int j = 0; j < nr; ++j) {
      for (int k = 0; k < nk; ++k) s[k] = c * wdw[k] * std::sin(j * t.dr * t.q[k]);
      var[j] = cov.quad(s.data());
    }
  }
  var[0] = 0.0;  // G(0) = 0 exactly
  sigma.resize(static_cast<std::size_t>(nr));
  for (int j = 0; j < nr; ++j) sigma[j] = std::sqrt(std::max(var[j], 0.0));
  return true;
}

void transform_adjoint(const transform_setup& t, const double* cj, double* x) {
  std::fill(x, x + t.n, 0.0);
  const double dq = q_step(t);
  if (dq == 0.0) return;
  const int nk = t.n - 1, nr = t.points();
  const std::vector<double> wdw = window_weights(t);
  double q0 = 0.0, h = 0.0;
  const bool uniform = uniform_grid(t.q, nk, dq, &q0, &h);
  for (int j = 1; j < nr; ++j) {
    if (cj[j] == 0.0) continue;
    const double r = j * t.dr;
    if (!uniform) {
      for (int k = 0; k < nk; ++k) x[k] += cj[j] * std::sin(r * t.q[k]);
      continue;
    }
    // sin(r (q0 + k h)) by rotation, from an exact start every 64 points.
    const double cs = std::cos(r * h), sn = std::sin(r * h);
    double re = 0.0, im = 0.0;
    for (int k = 0; k < nk; ++k) {
      if (k % 64 == 0) {
        re = std::cos(r * (q0 + k * h));
        im = std::sin(r * (q0 + k * h));
      }
      x[k] += cj[j] * im;
      const double next = re * cs - im * sn;
      im = im * cs + re * sn;
      re = next;
    }
  }
  for (int k = 0; k < nk; ++k) x[k] *= dq * 2.0 / pi_f * wdw[k];
}

std::vector<double> slope_weights(const transform_setup& t) {
  const int nr = std::max(t.points(), 0);
  std::vector<double> c(static_cast<std::size_t>(nr), 0.0);
  const int mfit = static_cast<int>(std::min(std::trunc(1.0 / t.dr), nr - 1.0));
  if (mfit < 1) return c;
  // Slope of the line through N = M + 1 points (x_0 = 0): (N sum x y - sum x sum y) / D,
  // D = N sum x^2 - (sum x)^2, so d slope / d y_j = (N x_j - sum x) / D.
  const double np = mfit + 1;
  double sx = 0.0, sxx = 0.0;
  for (int j = 1; j <= mfit; ++j) {
    const double r = j * t.dr;
    sx += r;
    sxx += r * r;
  }
  const double den = np * sxx - sx * sx;
  for (int j = 1; j <= mfit; ++j) c[j] = (np * (j * t.dr) - sx) / den;
  return c;
}
