#include "numeric/coordination.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "numeric/cancel.h"
#include "numeric/elements.h"
#include "numeric/transform_window.h"

void radial_distribution(int n, const double* r, const double* big_g, double rho, double* out) {
  for (int j = 0; j < n; ++j) out[j] = r[j] * big_g[j] + four_pi_f * rho * r[j] * r[j];
}

double coordination_number(int n, const double* r, const double* rdf, double r1, double r2) {
  if (n < 2) return 0.0;
  r1 = std::max(r1, r[0]);
  r2 = std::min(r2, r[n - 1]);
  double sum = 0.0;
  for (int j = 1; j < n; ++j) {
    const double lo = std::max(r[j - 1], r1), hi = std::min(r[j], r2);
    if (!(hi > lo)) continue;
    // R at lo and hi on the segment's straight line.
    const double slope = (rdf[j] - rdf[j - 1]) / (r[j] - r[j - 1]);
    const double f_lo = rdf[j - 1] + slope * (lo - r[j - 1]), f_hi = rdf[j - 1] + slope * (hi - r[j - 1]);
    sum += 0.5 * (hi - lo) * (f_lo + f_hi);
  }
  return sum;
}

void coordination_weights(int n, const double* r, double r1, double r2, double* w) {
  std::fill(w, w + std::max(n, 0), 0.0);
  if (n < 2) return;
  r1 = std::max(r1, r[0]);
  r2 = std::min(r2, r[n - 1]);
  for (int j = 1; j < n; ++j) {
    const double lo = std::max(r[j - 1], r1), hi = std::min(r[j], r2);
    if (!(hi > lo)) continue;
    // The trapezoid over lo..hi of the straight line through points j-1 and j.
    const double span = r[j] - r[j - 1];
    const double t_lo = (lo - r[j - 1]) / span, t_hi = (hi - r[j - 1]) / span;
    w[j - 1] += 0.5 * (hi - lo) * (2.0 - t_lo - t_hi);
    w[j] += 0.5 * (hi - lo) * (t_lo + t_hi);
  }
}

double pair_weight(int nspec, const double* z, const double* x, const double* fp, int a, int b) {
  if (a < 0 || b < 0 || a >= nspec || b >= nspec) return std::nan("");
  double mean = 0.0;
  for (int i = 0; i < nspec; ++i) mean += x[i] * (z[i] + fp[i]);
  return x[a] * x[b] * (z[a] + fp[a]) * (z[b] + fp[b]) / (mean * mean);
}

double pair_coordination(double total, int nspec, const double* z, const double* x, const double* fp, int a,
                         int b) {
  const double w = pair_weight(nspec, z, x, fp, a, b);
  if (std::isnan(w) || w == 0.0) return std::nan("");
  return total * x[b] / ((a == b ? 1.0 : 2.0) * w);
}

namespace {

constexpr double sqrt_two_pi = 2.5066282746310002;
constexpr double sqrt_two = 1.4142135623730951;

// Solves the 3x3 system m x = v by Cramer's rule; false when m is singular.
bool solve3(const double m[3][3], const double v[3], double x[3]) {
  auto det = [](const double a[3][3]) {
    return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) - a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
           a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
  };
  const double d = det(m);
  if (!(std::fabs(d) > 0.0) || !std::isfinite(d)) return false;
  for (int c = 0; c < 3; ++c) {
    double t[3][3];
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) t[i][j] = j == c ? v[i] : m[i][j];
    x[c] = det(t) / d;
  }
  return true;
}

// The shell p = (area, r0, sigma) at the fitted points and its derivatives by p.
class shell_model {
 public:
  shell_model(const double* r, int count, const peak_transform& t) : r_(r), count_(count), t_(t) {
    const int nk = t.nq - 1;
    if (nk < 1) return;
    weight_.resize(static_cast<std::size_t>(nk));
    std::vector<double> one(static_cast<std::size_t>(nk), 1.0);
    transform_window(t.window, t.damp, nk, t.q, one.data(), weight_.data());
    const double scale = 2.0 * (t.q[1] - t.q[0]) / pi_f;
    for (int k = 0; k < nk; ++k) weight_[k] *= scale * (t.weight ? t.weight[k] : 1.0);
    // sin(q_k r_j) does not depend on the shell: kept for every evaluation of the fit when
    // the table stays small (a few ranges of a few hundred points), else computed each time.
    if (static_cast<std::size_t>(count) * nk <= max_sine_table) {
      sine_.resize(static_cast<std::size_t>(count) * nk);
      for (int j = 0; j < count; ++j)
        for (int k = 0; k < nk; ++k) sine_[static_cast<std::size_t>(j) * nk + k] = std::sin(t.q[k] * r[j]);
    }
  }

  void eval(const double* p, std::vector<double>& value, std::vector<double>& grad) const {
    const double area = p[0], r0 = p[1], s = p[2];
    if (weight_.empty()) {
      for (int j = 0; j < count_; ++j) {
        const double u = (r_[j] - r0) / s, g = std::exp(-0.5 * u * u) / (s * sqrt_two_pi);
        value[j] = area * g;
        grad[3 * j] = g;
        grad[3 * j + 1] = area * g * u / s;
        grad[3 * j + 2] = area * g * (u * u - 1.0) / s;
      }
      return;
    }
    // x_k = w_k (area / r0) e^{-s^2 q^2 / 2} sin(q r0) and its derivatives by r0 and s.
    const std::size_t nk = weight_.size();
    std::vector<double> x(nk), xr(nk), xs(nk);
    for (std::size_t k = 0; k < nk; ++k) {
      const double q = t_.q[k], e = weight_[k] * std::exp(-0.5 * s * s * q * q) / r0;
      const double sn = std::sin(q * r0), cs = std::cos(q * r0);
      x[k] = e * sn;
      xr[k] = e * (q * cs - sn / r0);
      xs[k] = -e * s * q * q * sn;
    }
    for (int j = 0; j < count_; ++j) {
      double v = 0.0, vr = 0.0, vs = 0.0;
      const double* table = sine_.empty() ? nullptr : sine_.data() + static_cast<std::size_t>(j) * nk;
      for (std::size_t k = 0; k < nk; ++k) {
        const double sn = table ? table[k] : std::sin(t_.q[k] * r_[j]);
        v += x[k] * sn;
        vr += xr[k] * sn;
        vs += xs[k] * sn;
      }
      value[j] = area * r_[j] * v;
      grad[3 * j] = r_[j] * v;
      grad[3 * j + 1] = area * r_[j] * vr;
      grad[3 * j + 2] = area * r_[j] * vs;
    }
  }

 private:
  const double* r_;
  int count_;
  peak_transform t_;
  std::vector<double> weight_, sine_;
  static constexpr std::size_t max_sine_table = std::size_t{1} << 22;  // 32 MiB of doubles
};

}  // namespace

const char* peak_fit_reason(int status) {
  switch (status) {
    case fit_reported: return "reported";
    case fit_not_converged: return "the fit did not converge";
    case fit_no_area: return "no positive area";
    case fit_width: return "width not resolved or wider than the range";
    case fit_position: return "position outside the range";
    case fit_outside: return "less than 90 % of the shell inside the range";
    case fit_residual: return "residual above 7.5 %: not one Gaussian shell";
    case fit_cancelled: return "cancelled";
    default: return "no peak in the range";
  }
}

peak_fit fit_gaussian_peak(int n, const double* r, const double* rdf, double r1, double r2, const peak_transform& t) {
  peak_fit out;
  int first = 0, count = 0, top = -1;
  for (int j = 0; j < n; ++j) {
    if (!(r[j] >= r1 && r[j] <= r2)) continue;
    if (count++ == 0) first = j;
    if (top < 0 || rdf[j] > rdf[top]) top = j;
  }
  out.points = count;
  if (count < 4 || !(rdf[top] > 0.0) || (t.nq > 0 && t.nq < 2)) return out;
  const double* y = rdf + first;
  const shell_model model(r + first, count, t);
  // Start: the range's integral at its highest point, as wide as that area and height say.
  const double start_area = coordination_number(n, r, rdf, r1, r2);
  double p[3] = {start_area, r[top], start_area / (rdf[top] * sqrt_two_pi)};
  if (!(p[0] > 0.0) || !(p[2] > 0.0)) return out;
  std::vector<double> value(static_cast<std::size_t>(count)), grad(3 * static_cast<std::size_t>(count));
  auto cost = [&](const double* q) {
    model.eval(q, value, grad);
    double c = 0.0;
    for (int j = 0; j < count; ++j) c += (y[j] - value[j]) * (y[j] - value[j]);
    return c;
  };
  double chi2 = cost(p), lambda = 1e-3;
  bool converged = false;
  double jtj[3][3] = {};
  for (int it = 0; it < 200 && !converged; ++it) {
    if (cancel_requested()) {
      out.status = fit_cancelled;
      return out;
    }
    double jtr[3] = {};
    for (auto& row : jtj) std::fill(row, row + 3, 0.0);
    model.eval(p, value, grad);
    for (int j = 0; j < count; ++j)
      for (int a = 0; a < 3; ++a) {
        jtr[a] += grad[3 * j + a] * (y[j] - value[j]);
        for (int b = 0; b < 3; ++b) jtj[a][b] += grad[3 * j + a] * grad[3 * j + b];
      }
    // Levenberg-Marquardt: raise the damping until a step lowers the sum of squares.
    while (true) {
      double m[3][3], step[3];
      for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) m[a][b] = jtj[a][b] * (a == b ? 1.0 + lambda : 1.0);
      if (!solve3(m, jtr, step)) {
        out.peak = {p[0], p[1], p[2]};
        out.status = fit_not_converged;
        return out;
      }
      const double trial[3] = {p[0] + step[0], std::max(p[1] + step[1], 1e-3 * (r2 - r1)), p[2] + step[2]};
      const double c = trial[2] > 0.0 ? cost(trial) : HUGE_VAL;
      if (c <= chi2) {
        converged = chi2 - c <= 1e-12 * chi2 || std::fabs(step[1]) + std::fabs(step[2]) < 1e-10 * (r2 - r1);
        std::copy(trial, trial + 3, p);
        chi2 = c;
        lambda = std::max(lambda / 10.0, 1e-12);
        break;
      }
      lambda *= 10.0;
      if (lambda > 1e12) {
        converged = true;  // no step lowers it: a minimum within rounding
        break;
      }
    }
  }
  out.peak = {p[0], p[1], p[2]};
  double sum_y2 = 0.0;
  for (int j = 0; j < count; ++j) sum_y2 += y[j] * y[j];
  out.residual = sum_y2 > 0.0 ? std::sqrt(chi2 / sum_y2) : HUGE_VAL;
  // Covariance at the minimum: s^2 (J^T J)^-1, column by column.
  const double s2 = count > 3 ? chi2 / (count - 3) : 0.0;
  for (int c = 0; c < 3; ++c) {
    const double unit[3] = {c == 0 ? 1.0 : 0.0, c == 1 ? 1.0 : 0.0, c == 2 ? 1.0 : 0.0};
    double column[3];
    if (solve3(jtj, unit, column))
      for (int a = 0; a < 3; ++a) out.covariance[a][c] = s2 * column[a];
  }
  if (!converged)
    out.status = fit_not_converged;
  else if (!(p[0] > 0.0))
    out.status = fit_no_area;
  else if (!(p[2] >= min_peak_sigma && p[2] < r2 - r1))
    out.status = fit_width;
  else if (!(p[1] >= r1 && p[1] <= r2))
    out.status = fit_position;
  else if (!(0.5 * (std::erf((r2 - p[1]) / (p[2] * sqrt_two)) - std::erf((r1 - p[1]) / (p[2] * sqrt_two))) >=
             min_peak_inside))
    out.status = fit_outside;
  else if (!(out.residual <= max_peak_residual))
    out.status = fit_residual;
  else
    out.status = fit_reported;
  return out;
}

std::vector<std::vector<double>> peak_fit_gains(int n, const double* r, double r1, double r2, const peak_transform& t,
                                                const gaussian_peak& peak) {
  int first = 0, count = 0;
  for (int j = 0; j < n; ++j) {
    if (!(r[j] >= r1 && r[j] <= r2)) continue;
    if (count++ == 0) first = j;
  }
  if (count < 4 || (t.nq > 0 && t.nq < 2)) return {};
  const shell_model model(r + first, count, t);
  std::vector<double> value(static_cast<std::size_t>(count)), grad(3 * static_cast<std::size_t>(count));
  const double p[3] = {peak.area, peak.r0, peak.sigma};
  model.eval(p, value, grad);
  double jtj[3][3] = {};
  for (int j = 0; j < count; ++j)
    for (int a = 0; a < 3; ++a)
      for (int b = 0; b < 3; ++b) jtj[a][b] += grad[3 * j + a] * grad[3 * j + b];
  // (J^T J)^-1 column by column, then its rows times J^T.
  double inv[3][3];
  for (int c = 0; c < 3; ++c) {
    const double unit[3] = {c == 0 ? 1.0 : 0.0, c == 1 ? 1.0 : 0.0, c == 2 ? 1.0 : 0.0};
    double column[3];
    if (!solve3(jtj, unit, column)) return {};
    for (int a = 0; a < 3; ++a) inv[a][c] = column[a];
  }
  std::vector<std::vector<double>> gain(3, std::vector<double>(static_cast<std::size_t>(n), 0.0));
  for (int a = 0; a < 3; ++a)
    for (int j = 0; j < count; ++j)
      gain[a][first + j] = inv[a][0] * grad[3 * j] + inv[a][1] * grad[3 * j + 1] + inv[a][2] * grad[3 * j + 2];
  return gain;
}
