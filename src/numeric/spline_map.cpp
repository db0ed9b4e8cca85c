#include "numeric/spline_map.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

#include "numeric/spline.h"

namespace {

// The rows of m = K y (n >= 3 knots), the c values of the tridiagonal solve of `spline`,
// one at a time: K = T^-1 R with T symmetric tridiagonal and R the right-hand sides.
class second_derivatives {
 public:
  second_derivatives(int n, const double* x, double tol) : n_(n), last_(n - 1), tol_(tol) {
    const int last = last_;
    std::vector<double> h(static_cast<std::size_t>(last));
    diag_.resize(static_cast<std::size_t>(n));
    for (int i = 0; i < last; ++i) h[i] = x[i + 1] - x[i];
    diag_[0] = -h[0];
    diag_[last] = -h[last - 1];
    for (int i = 1; i < last; ++i) diag_[i] = 2.0 * (h[i - 1] + h[i]);
    // Pivots of the elimination from the top (fwd) and from the bottom (bwd), and the
    // ratios of neighbouring entries of a row of T^-1: x_l = left_l x_{l+1} left of the
    // diagonal, x_l = right_l x_{l-1} right of it.
    fwd_.resize(static_cast<std::size_t>(n));
    bwd_.resize(static_cast<std::size_t>(n));
    // The two eliminations are chains of divisions, each waiting on its previous step:
    // run side by side they overlap.
    fwd_[0] = diag_[0];
    bwd_[last] = diag_[last];
    for (int i = 1, b = last - 1; i <= last; ++i, --b) {
      fwd_[i] = diag_[i] - h[i - 1] * h[i - 1] / fwd_[i - 1];
      bwd_[b] = diag_[b] - h[b] * h[b] / bwd_[b + 1];
    }
    t_.assign(static_cast<std::size_t>(n) + 2, 0.0);
    left_.assign(static_cast<std::size_t>(n), 0.0);
    right_.assign(static_cast<std::size_t>(n), 0.0);
    for (int l = 0; l < last; ++l) left_[l] = -h[l] / fwd_[l];
    for (int l = 1; l <= last; ++l) right_[l] = -h[l - 1] / bwd_[l];

    // Right-hand sides: in the interior r_i = ra_i y_{i-1} + rb_i y_i + rc_i y_{i+1}, the
    // differences of divided differences; at the ends the third divided differences of
    // the four end knots (none for three knots), end0 over y_0..y_3 and end1 over
    // y_{n-4}..y_{n-1}. Held with one zero beyond either end.
    rabc_.assign(3 * (static_cast<std::size_t>(n) + 2), 0.0);
    ra_ = rabc_.data() + 1;
    rb_ = ra_ + n + 2;
    rc_ = rb_ + n + 2;
    for (int i = 1; i < last; ++i) {
      ra_[i] = 1.0 / h[i - 1];
      rb_[i] = -(1.0 / h[i - 1] + 1.0 / h[i]);
      rc_[i] = 1.0 / h[i];
    }
    if (n > 3) {
      const double f1 = -(h[0] * h[0]) / (x[3] - x[0]) / (x[2] - x[0]);  // times r_1
      const double f2 = (h[0] * h[0]) / (x[3] - x[0]) / (x[3] - x[1]);   // times r_2
      end0_[0] = f1 * ra_[1];
      end0_[1] = f1 * rb_[1] + f2 * ra_[2];
      end0_[2] = f1 * rc_[1] + f2 * rb_[2];
      end0_[3] = f2 * rc_[2];
      const double hl = h[last - 1] * h[last - 1] / (x[last] - x[last - 3]);
      const double g1 = -hl / (x[last] - x[last - 2]);     // times r_{last-1}
      const double g2 = hl / (x[last - 1] - x[last - 3]);  // times r_{last-2}
      end1_[0] = g2 * ra_[last - 2];
      end1_[1] = g2 * rb_[last - 2] + g1 * ra_[last - 1];
      end1_[2] = g2 * rc_[last - 2] + g1 * rb_[last - 1];
      end1_[3] = g1 * rc_[last - 1];
    }
  }

  // Row i of K into out over the columns first..first + out.size() - 1.
  void row(int i, int& first, std::vector<double>& out) {
    // Row i of T^-1 from its diagonal outwards until it falls below tol.
    const double centre = 1.0 / (fwd_[i] + bwd_[i] - diag_[i]);
    const double cut = tol_ * std::fabs(centre);
    // tl[l] = T^-1_il for l = lo .. hi, and zero at lo - 1 and hi + 1.
    double* tl = t_.data() + 1;
    tl[i] = centre;
    int lo = i, hi = i;
    for (double v = centre; lo > 0 && std::fabs(v) >= cut; --lo) tl[lo - 1] = v *= left_[lo - 1];
    for (double v = centre; hi < last_ && std::fabs(v) >= cut; ++hi) tl[hi + 1] = v *= right_[hi + 1];
    tl[lo - 1] = 0.0;
    tl[hi + 1] = 0.0;
    // K_i = sum_l T^-1_il R_l: columns lo-1..hi+1 from the interior rows (whose entries
    // are zero at the ends), and the end rows' four columns when lo or hi is an end.
    int from = std::max(0, lo - 1), to = std::min(last_, hi + 1);
    if (n_ > 3 && lo == 0) to = std::max(to, 3);
    if (n_ > 3 && hi == last_) from = std::min(from, last_ - 3);
    out.assign(static_cast<std::size_t>(to - from + 1), 0.0);
    double* rw = out.data() - from;
    if (lo > 0) rw[lo - 1] = tl[lo] * ra_[lo];
    for (int c = lo; c <= hi; ++c) rw[c] = tl[c + 1] * ra_[c + 1] + tl[c] * rb_[c] + tl[c - 1] * rc_[c - 1];
    if (hi < last_) rw[hi + 1] = tl[hi] * rc_[hi];
    if (n_ > 3 && lo == 0)
      for (int m = 0; m < 4; ++m) rw[m] += tl[0] * end0_[m];
    if (n_ > 3 && hi == last_)
      for (int m = 0; m < 4; ++m) rw[last_ - 3 + m] += tl[last_] * end1_[m];
    first = from;
  }

 private:
  int n_, last_;
  double tol_;
  std::vector<double> diag_, fwd_, bwd_, left_, right_, rabc_;
  std::vector<double> t_;  // a row of T^-1 at 1 + l, with room for a zero on either side
  double *ra_ = nullptr, *rb_ = nullptr, *rc_ = nullptr;
  double end0_[4] = {}, end1_[4] = {};
};

}  // namespace

row_map spline_map(int n, const double* x, int nu, const double* u, double tol) {
  row_map a(std::max(n, 0));
  if (n <= 1) {
    const double one = 1.0;
    for (int j = 0; j < nu; ++j) n == 1 ? a.add_row(0, {&one, 1}) : a.add_empty_row();
    return a;
  }
  // Rows of about 2 log(tol) / log(0.27) + 6 coefficients.
  const auto row_length = static_cast<std::size_t>(2.0 * std::log(tol) / std::log(0.268) + 8.0);
  a.first.reserve(static_cast<std::size_t>(nu));
  a.start.reserve(static_cast<std::size_t>(nu) + 1);
  a.coef.reserve(static_cast<std::size_t>(nu) * row_length);

  // K rows of the two knots of the current interval, computed when the interval changes.
  std::optional<second_derivatives> k;
  if (n >= 3) k.emplace(n, x, tol);
  std::vector<double> k0, k1, row;
  int k0_first = 0, k1_first = 0, held = -2;  // the interval held (-2: none)
  auto take = [&](int i0) {
    if (!k || held == i0) return;
    if (held >= 0 && held == i0 - 1) {
      std::swap(k0, k1);
      k0_first = k1_first;
    } else {
      k->row(i0, k0_first, k0);
    }
    k->row(i0 + 1, k1_first, k1);
    held = i0;
  };

  // The interval of each u as seval finds it; for ascending u over ascending knots by
  // walking forward (as seval_ascending), else by bisection.
  bool ascending = true;
  for (int i = 0; ascending && i + 1 < n; ++i) ascending = x[i] <= x[i + 1];
  int walk = 0;
  double previous = -std::numeric_limits<double>::infinity();
  for (int j = 0; j < nu; ++j) {
    int i;
    if (ascending && u[j] >= previous) {
      previous = u[j];
      while (walk + 1 < n && x[walk + 1] <= u[j]) ++walk;
      i = x[0] <= u[j] && u[j] <= x[1] ? 0 : walk;
    } else {
      i = seval_index(n, u[j], x);
    }
    double cy0, cy1, cm0, cm1;
    int i0;
    if (i >= n - 1) {
      i0 = n - 2;
      const double hh = x[n - 1] - x[n - 2], t = u[j] - x[n - 1];
      cy0 = -t / hh;
      cy1 = 1.0 + t / hh;
      cm0 = t * hh - t * t * t / hh;
      cm1 = 2.0 * t * hh + 3.0 * t * t + t * t * t / hh;
    } else {
      i0 = i;
      const double hh = x[i + 1] - x[i], t = u[j] - x[i];
      cy0 = 1.0 - t / hh;
      cy1 = t / hh;
      cm0 = -2.0 * hh * t + 3.0 * t * t - t * t * t / hh;
      cm1 = -hh * t + t * t * t / hh;
    }
    take(i0);
    const int len0 = k ? static_cast<int>(k0.size()) : 0, len1 = k ? static_cast<int>(k1.size()) : 0;
    const int from = std::min({i0, k && len0 ? k0_first : i0, k && len1 ? k1_first : i0});
    const int to = std::max({i0 + 1, k && len0 ? k0_first + len0 - 1 : i0, k && len1 ? k1_first + len1 - 1 : i0});
    row.assign(static_cast<std::size_t>(to - from + 1), 0.0);
    double* rw = row.data() - from;
    for (int m = 0; m < len0; ++m) rw[k0_first + m] = cm0 * k0[m];
    for (int m = 0; m < len1; ++m) rw[k1_first + m] += cm1 * k1[m];
    rw[i0] += cy0;
    rw[i0 + 1] += cy1;
    a.add_row(from, row);
  }
  return a;
}

const row_map& kept_spline_map(int n, const double* x, int nu, const double* u) {
  struct kept_map {
    std::vector<double> x, u;
    row_map map;
  };
  thread_local kept_map kept;
  const auto same = [](const std::vector<double>& v, int count, const double* p) {
    return v.size() == static_cast<std::size_t>(std::max(count, 0)) &&
           (v.empty() || std::memcmp(v.data(), p, v.size() * sizeof(double)) == 0);
  };
  if (!same(kept.x, n, x) || !same(kept.u, nu, u)) {
    kept = kept_map();  // a failure below leaves nothing that could match
    kept.map = spline_map(n, x, nu, u);
    kept.x.assign(x, x + std::max(n, 0));
    kept.u.assign(u, u + std::max(nu, 0));
  }
  return kept.map;
}
