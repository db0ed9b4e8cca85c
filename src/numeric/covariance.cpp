#include "numeric/covariance.h"

#include <algorithm>
#include <cmath>
#include <mutex>

void row_map::add_row(int first_col, std::span<const double> c) {
  std::size_t lo = 0, hi = c.size();
  while (lo < hi && c[lo] == 0.0) ++lo;
  while (hi > lo && c[hi - 1] == 0.0) --hi;
  first.push_back(first_col + static_cast<int>(lo));
  coef.insert(coef.end(), c.begin() + static_cast<std::ptrdiff_t>(lo), c.begin() + static_cast<std::ptrdiff_t>(hi));
  start.push_back(static_cast<int>(coef.size()));
}

void row_map::apply(const double* x, double* y) const {
  for (int i = 0; i < rows(); ++i) {
    const double* c = row(i);
    double s = 0.0;
    for (int k = 0; k < length(i); ++k) s += c[k] * x[first[i] + k];
    y[i] = s;
  }
}

std::vector<double> row_map::apply(const std::vector<double>& x) const {
  std::vector<double> y(static_cast<std::size_t>(rows()));
  apply(x.data(), y.data());
  return y;
}

row_map row_map::identity(int n) {
  row_map m(n);
  const double one = 1.0;
  for (int i = 0; i < n; ++i) m.add_row(i, {&one, 1});
  return m;
}

row_map row_map::selection(const std::vector<int>& index, int ncols) {
  row_map m(ncols);
  const double one = 1.0;
  for (int k : index) m.add_row(k, {&one, 1});
  return m;
}

namespace {

// Band storage of covariances that ended, kept for the next ones. A reduction with
// uncertainties makes and drops a few bands of the same size (hundreds of kB) per run;
// memory of that size handed back to the system comes back page by page, each page a
// fault that costs more than filling it. A few recent ones are kept, the large ones only.
class band_store {
 public:
  band_store() { kept_.reserve(slots); }

  // n zeros, in kept storage when some fits without wasting more than half of it.
  std::vector<double> take(std::size_t n) {
    if (n >= min_kept) {
      std::lock_guard<std::mutex> lock(mutex_);
      for (std::size_t k = kept_.size(); k-- > 0;)
        if (kept_[k].capacity() >= n && kept_[k].capacity() / 2 <= n) {
          std::vector<double> v = std::move(kept_[k]);
          kept_.erase(kept_.begin() + static_cast<std::ptrdiff_t>(k));
          v.assign(n, 0.0);
          return v;
        }
    }
    return std::vector<double>(n, 0.0);
  }

  void give(std::vector<double>& v) noexcept {
    if (v.capacity() < min_kept || v.capacity() > max_kept) return;
    try {
      std::lock_guard<std::mutex> lock(mutex_);
      if (kept_.size() == slots) kept_.erase(kept_.begin());
      kept_.push_back(std::move(v));
    } catch (...) {  // not kept: freed as usual
    }
  }

 private:
  static constexpr std::size_t min_kept = 16384;                 // values (128 kB)
  static constexpr std::size_t max_kept = std::size_t{1} << 23;  // values (64 MB)
  static constexpr std::size_t slots = 6;
  std::mutex mutex_;  // the series runs reductions in several threads
  std::vector<std::vector<double>> kept_;
};

// Never destroyed: covariances held by static records may end after any static store.
band_store& bands() {
  static band_store* store = new band_store;
  return *store;
}

}  // namespace

covariance::covariance(int n, int w) : n_(std::max(n, 0)), w_(std::clamp(w, 0, std::max(n - 1, 0))) {
  band_ = bands().take(static_cast<std::size_t>(n_) * (w_ + 1));
}

covariance::covariance(const covariance& other)
    : n_(other.n_), w_(other.w_), band_(bands().take(other.band_.size())), u_(other.u_), c_(other.c_) {
  std::copy(other.band_.begin(), other.band_.end(), band_.begin());
}

covariance& covariance::operator=(const covariance& other) {
  if (this != &other) *this = covariance(other);
  return *this;
}

covariance& covariance::operator=(covariance&& other) noexcept {
  if (this != &other) {
    bands().give(band_);
    n_ = other.n_;
    w_ = other.w_;
    band_ = std::move(other.band_);
    u_ = std::move(other.u_);
    c_ = std::move(other.c_);
  }
  return *this;
}

covariance::~covariance() { bands().give(band_); }

covariance covariance::diagonal(std::span<const double> variance) {
  covariance s(static_cast<int>(variance.size()), 0);
  for (int i = 0; i < s.n_; ++i) s.at(i, 0) = variance[i];
  return s;
}

void covariance::set_band(int i, int j, double v) {
  if (i < j) std::swap(i, j);
  if (i - j <= w_) at(i, i - j) = v;
}

double covariance::operator()(int i, int j) const {
  double s = band(i, j);
  const std::size_t p = u_.size();
  for (std::size_t a = 0; a < p; ++a)
    for (std::size_t b = 0; b < p; ++b) s += u_[a][i] * c_[a * p + b] * u_[b][j];
  return s;
}

double covariance::variance(int i) const { return (*this)(i, i); }

std::vector<double> covariance::sigma() const {
  std::vector<double> s(static_cast<std::size_t>(n_));
  for (int i = 0; i < n_; ++i) s[i] = std::sqrt(std::max(at(i, 0), 0.0));
  if (u_.empty()) return s;
  // The diagonal of U C U^T column pair by column pair, added to the band's.
  const std::size_t p = u_.size();
  std::vector<double> var(static_cast<std::size_t>(n_));
  for (int i = 0; i < n_; ++i) var[i] = at(i, 0);
  for (std::size_t a = 0; a < p; ++a)
    for (std::size_t b = 0; b < p; ++b) {
      const double cab = c_[a * p + b];
      if (cab == 0.0) continue;
      const double *ua = u_[a].data(), *ub = u_[b].data();
      for (int i = 0; i < n_; ++i) var[i] += ua[i] * cab * ub[i];
    }
  for (int i = 0; i < n_; ++i) s[i] = std::sqrt(std::max(var[i], 0.0));
  return s;
}

void covariance::band_times(const double* v, double* out) const {
  // Row by row through the stored lower half: B(i, i - d) adds to out_i and, by symmetry,
  // to out_{i-d}, so the band is read in storage order.
  std::fill(out, out + n_, 0.0);
  for (int i = 0; i < n_; ++i) {
    const double* row = band_row(i);
    const double vi = v[i];
    double s = row[0] * vi;
    for (int d = 1; d <= std::min(w_, i); ++d) {
      s += row[d] * v[i - d];
      out[i - d] += row[d] * vi;
    }
    out[i] += s;
  }
}

void covariance::times(const double* v, double* out) const {
  band_times(v, out);
  const std::size_t p = u_.size();
  if (p == 0) return;
  std::vector<double> proj(p, 0.0);
  for (std::size_t a = 0; a < p; ++a)
    for (int i = 0; i < n_; ++i) proj[a] += u_[a][i] * v[i];
  for (std::size_t a = 0; a < p; ++a) {
    double s = 0.0;
    for (std::size_t b = 0; b < p; ++b) s += c_[a * p + b] * proj[b];
    for (int i = 0; i < n_; ++i) out[i] += u_[a][i] * s;
  }
}

double covariance::quad(const double* v) const {
  double s = 0.0;
  for (int i = 0; i < n_; ++i) {
    double row = 0.5 * at(i, 0) * v[i];
    for (int d = 1; d <= std::min(w_, i); ++d) row += at(i, d) * v[i - d];
    s += 2.0 * row * v[i];
  }
  const std::size_t p = u_.size();
  if (p == 0) return s;
  std::vector<double> proj(p, 0.0);
  for (std::size_t a = 0; a < p; ++a)
    for (int i = 0; i < n_; ++i) proj[a] += u_[a][i] * v[i];
  for (std::size_t a = 0; a < p; ++a)
    for (std::size_t b = 0; b < p; ++b) s += proj[a] * c_[a * p + b] * proj[b];
  return s;
}

namespace {

// a . b over n values, in two partial sums (the products overlap in the pipeline; the
// rows dotted here are short, so two sums beat four).
inline double dot(const double* a, const double* b, int n) {
  double s0 = 0.0, s1 = 0.0;
  int k = 0;
  for (; k + 2 <= n; k += 2) {
    s0 += a[k] * b[k];
    s1 += a[k + 1] * b[k + 1];
  }
  if (k < n) s0 += a[k] * b[k];
  return s0 + s1;
}

// True when the rows' first and last columns never decrease from row to row (empty rows
// aside), so that each column is reached by a contiguous run of rows.
bool monotone(const row_map& a) {
  int first = -1, last = -1;
  for (int i = 0; i < a.rows(); ++i) {
    if (a.length(i) == 0) continue;
    const int l = a.first[i] + a.length(i) - 1;
    if (a.first[i] < first || l < last) return false;
    first = a.first[i];
    last = l;
  }
  return true;
}

// Half-width of the band of A B A^T for a band B of half-width w: rows i and j < i can
// correlate only when row j reaches column first_i - w. The prefix maximum of the rows'
// last columns finds the lowest such j, walking forward while the rows' first columns
// increase (as they do in the maps of the steps), else by bisection.
int mapped_bandwidth(const row_map& a, int w) {
  const int rows = a.rows();
  std::vector<int> reach(static_cast<std::size_t>(rows));
  int best = -1 << 30;
  for (int i = 0; i < rows; ++i) {
    if (a.length(i) > 0) best = std::max(best, a.first[i] + a.length(i) - 1);
    reach[i] = best;
  }
  int width = 0, lowest = 0, previous = -1 << 30;
  for (int i = 0; i < rows; ++i) {
    if (a.length(i) == 0) continue;
    const int target = a.first[i] - w;
    if (target >= previous) {
      while (lowest < i && reach[lowest] < target) ++lowest;
    } else {
      lowest = static_cast<int>(std::lower_bound(reach.begin(), reach.begin() + i, target) - reach.begin());
    }
    previous = target;
    width = std::max(width, i - std::min(lowest, i));
  }
  return width;
}

}  // namespace

covariance covariance::mapped(const row_map& a) const {
  const int rows = a.rows();
  bool pointwise = true, diagonal = rows == n_;
  for (int i = 0; i < rows && pointwise; ++i) {
    pointwise = a.length(i) <= 1;
    diagonal = diagonal && (a.length(i) == 0 || a.first[i] == i);
  }
  if (pointwise && diagonal) {
    // A diagonal matrix D: D S D, the band scaled in place on a copy.
    std::vector<double> d(static_cast<std::size_t>(rows), 0.0);
    for (int i = 0; i < rows; ++i)
      if (a.length(i) == 1) d[i] = a.row(i)[0];
    covariance out = *this;
    out.scale(d);
    return out;
  }
  covariance out(rows, mapped_bandwidth(a, w_));
  if (pointwise) {
    // Each row one column (scaling, selection): S'(i, j) = a_i a_j B(c_i, c_j).
    for (int i = 0; i < rows; ++i) {
      if (a.length(i) == 0) continue;
      const double ai = a.row(i)[0];
      const int ci = a.first[i];
      for (int j = std::max(0, i - out.w_); j <= i; ++j)
        if (a.length(j) == 1) out.at(i, i - j) = ai * a.row(j)[0] * band(ci, a.first[j]);
    }
  } else if (w_ == 0 && monotone(a)) {
    // Independent values and rows whose first and last columns never decrease (spline,
    // filters): S'(i, j) = sum_c a_ic s_c a_jc. Row j < i overlaps row i on first_i ..
    // last_j, and no earlier row overlaps once last_j < first_i; each entry is one dot
    // product of row i scaled by the variances with a stretch of row j.
    std::vector<double> b;
    for (int i = 0; i < rows; ++i) {
      const int len = a.length(i);
      if (len == 0) continue;
      const int fi = a.first[i];
      const double* ai = a.row(i);
      b.resize(static_cast<std::size_t>(len));
      for (int m = 0; m < len; ++m) b[m] = ai[m] * at(fi + m, 0);
      double* row = &out.at(i, 0);
      for (int j = i; j >= std::max(0, i - out.w_); --j) {
        if (a.length(j) == 0) continue;
        const int last = std::min(a.first[j] + a.length(j) - 1, fi + len - 1);
        if (last < fi) break;
        row[i - j] = dot(b.data(), a.row(j) + (fi - a.first[j]), last - fi + 1);
      }
    }
  } else {
    std::vector<double> t;
    for (int i = 0; i < rows; ++i) {
      const int len = a.length(i);
      if (len == 0) continue;
      // t = row i of A B over the columns lo..hi it can reach.
      const int lo = std::max(0, a.first[i] - w_);
      const int hi = std::min(n_ - 1, a.first[i] + len - 1 + w_);
      t.assign(static_cast<std::size_t>(hi - lo + 1), 0.0);
      const double* ai = a.row(i);
      for (int m = 0; m < len; ++m) {
        const int k = a.first[i] + m;
        const double c = ai[m];
        if (c == 0.0) continue;
        for (int l = std::max(0, k - w_); l <= k; ++l) t[l - lo] += c * at(k, k - l);
        for (int l = k + 1; l <= std::min(n_ - 1, k + w_); ++l) t[l - lo] += c * at(l, l - k);
      }
      for (int j = std::max(0, i - out.w_); j <= i; ++j) {
        const int from = std::max(a.first[j], lo), to = std::min(a.first[j] + a.length(j) - 1, hi);
        if (to >= from) out.at(i, i - j) = dot(t.data() + from - lo, a.row(j) - a.first[j] + from, to - from + 1);
      }
    }
  }
  out.c_ = c_;
  out.u_.reserve(u_.size());
  for (const auto& col : u_) out.u_.push_back(a.apply(col));
  return out;
}

void covariance::scale(std::span<const double> d) {
  for (int i = 0; i < n_; ++i)
    for (int k = 0; k <= std::min(w_, i); ++k) at(i, k) *= d[i] * d[i - k];
  for (auto& col : u_)
    for (int i = 0; i < n_; ++i) col[i] *= d[i];
}

// With S = B + U C U^T and M = L + U' G^T (U' = [u_t], G = [g_t]):
//   M S M^T = L B L^T + [LU | U' | V] C' [LU | U' | V]^T,   V = L B G,
//   C' = [[C, C W, 0], [W^T C, Q, I], [0, I, 0]],   W = U^T G,   Q = G^T B G + W^T C W.
covariance covariance::with_functionals(const row_map& l, const std::vector<std::vector<double>>& u,
                                        const std::vector<std::vector<double>>& g) const {
  covariance out = mapped(l);
  const std::size_t p = u_.size(), q = g.size();
  // W (p x q), B G (columns), Q (q x q).
  std::vector<double> w(p * q, 0.0), quad_g(q * q, 0.0);
  std::vector<std::vector<double>> bg(q, std::vector<double>(static_cast<std::size_t>(n_)));
  for (std::size_t t = 0; t < q; ++t) {
    band_times(g[t].data(), bg[t].data());
    for (std::size_t a = 0; a < p; ++a)
      for (int i = 0; i < n_; ++i) w[a * q + t] += u_[a][i] * g[t][i];
  }
  for (std::size_t s = 0; s < q; ++s)
    for (std::size_t t = 0; t < q; ++t) {
      double v = 0.0;
      for (int i = 0; i < n_; ++i) v += g[s][i] * bg[t][i];
      for (std::size_t a = 0; a < p; ++a)
        for (std::size_t b = 0; b < p; ++b) v += w[a * q + s] * c_[a * p + b] * w[b * q + t];
      quad_g[s * q + t] = v;
    }
  const std::size_t np = p + 2 * q;
  std::vector<double> c(np * np, 0.0);
  for (std::size_t a = 0; a < p; ++a) {
    for (std::size_t b = 0; b < p; ++b) c[a * np + b] = c_[a * p + b];
    for (std::size_t t = 0; t < q; ++t) {
      double cw = 0.0;
      for (std::size_t b = 0; b < p; ++b) cw += c_[a * p + b] * w[b * q + t];
      c[a * np + p + t] = c[(p + t) * np + a] = cw;
    }
  }
  for (std::size_t s = 0; s < q; ++s) {
    for (std::size_t t = 0; t < q; ++t) c[(p + s) * np + p + t] = quad_g[s * q + t];
    c[(p + s) * np + p + q + s] = c[(p + q + s) * np + p + s] = 1.0;
  }
  out.c_ = std::move(c);
  for (const auto& col : u) out.u_.push_back(col);
  for (const auto& col : bg) out.u_.push_back(l.apply(col));
  return out;
}

covariance& covariance::operator+=(const covariance& other) {
  if (other.n_ != n_) return *this;
  if (other.w_ > w_) {
    covariance wider(n_, other.w_);
    for (int i = 0; i < n_; ++i)
      for (int d = 0; d <= std::min(w_, i); ++d) wider.at(i, d) = at(i, d);
    band_.swap(wider.band_);
    w_ = other.w_;
  }
  for (int i = 0; i < n_; ++i)
    for (int d = 0; d <= std::min(other.w_, i); ++d) at(i, d) += other.at(i, d);
  const std::size_t p = u_.size(), q = other.u_.size(), np = p + q;
  if (q == 0) return *this;
  std::vector<double> c(np * np, 0.0);
  for (std::size_t a = 0; a < p; ++a)
    for (std::size_t b = 0; b < p; ++b) c[a * np + b] = c_[a * p + b];
  for (std::size_t a = 0; a < q; ++a)
    for (std::size_t b = 0; b < q; ++b) c[(p + a) * np + p + b] = other.c_[a * q + b];
  c_ = std::move(c);
  u_.insert(u_.end(), other.u_.begin(), other.u_.end());
  return *this;
}
