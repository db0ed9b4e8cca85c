// Covariance matrices of curves and the linear maps the reduction steps apply to them
// (first-order propagation of uncertainties: a step y = A x turns the covariance S of x
// into A S A^T, exactly for the steps that are linear).
//
// A covariance of n values is held as a symmetric band plus a small low-rank part,
//   S = B + U C U^T,   B banded (half-width w), U n x p, C p x p symmetric.
// Counting noise is independent point by point; smoothing and spline resampling correlate
// neighbours only, so B stays banded. Dependences that reach across the whole curve go
// through a few numbers (the normalisation constant, the point the extension to zero angle
// is drawn through, the polynomial of the bending correction) and are carried by U C U^T.
#pragma once

#include <span>
#include <utility>
#include <vector>

// A sparse linear map y = A x: row i holds coefficients for the contiguous columns
// first[i] .. first[i] + length - 1. A row may be empty (y_i = 0).
struct row_map {
  int cols = 0;
  std::vector<int> first;
  std::vector<int> start{0};  // row i's coefficients: coef[start[i] .. start[i+1])
  std::vector<double> coef;

  explicit row_map(int ncols = 0) : cols(ncols) {}
  int rows() const { return static_cast<int>(first.size()); }
  int length(int i) const { return start[i + 1] - start[i]; }
  const double* row(int i) const { return coef.data() + start[i]; }
  // Appends a row whose coefficients start at column first_col; leading and trailing
  // zeros are dropped.
  void add_row(int first_col, std::span<const double> c);
  void add_empty_row() { add_row(0, {}); }
  // y = A x (x: cols values, y: rows values).
  void apply(const double* x, double* y) const;
  std::vector<double> apply(const std::vector<double>& x) const;

  static row_map identity(int n);
  // Row i picks column index[i].
  static row_map selection(const std::vector<int>& index, int ncols);
};

class covariance {
 public:
  covariance() = default;
  // n values, all covariances 0, band half-width w.
  explicit covariance(int n, int w = 0);
  // The band's storage goes back to a small store of recent ones when a covariance ends
  // (see covariance.cpp), and copies take theirs from it.
  covariance(const covariance& other);
  covariance(covariance&& other) noexcept = default;
  covariance& operator=(const covariance& other);
  covariance& operator=(covariance&& other) noexcept;
  ~covariance();
  // Independent values with the given variances.
  static covariance diagonal(std::span<const double> variance);

  int size() const { return n_; }
  int bandwidth() const { return w_; }
  int rank() const { return static_cast<int>(u_.size()); }
  bool empty() const { return n_ == 0; }

  // Band entry B(i, j), 0 outside the band; full entry S(i, j) with the low-rank part.
  double band(int i, int j) const {
    if (i < j) std::swap(i, j);
    return i - j <= w_ ? at(i, i - j) : 0.0;
  }
  // The band's row i: B(i, i - d) at [d] for 0 <= d <= min(w, i).
  const double* band_row(int i) const { return band_.data() + static_cast<std::size_t>(i) * (w_ + 1); }
  void set_band(int i, int j, double v);
  double operator()(int i, int j) const;
  double variance(int i) const;
  // Standard deviations, sqrt(S(i, i)) (0 where rounding makes the variance negative).
  std::vector<double> sigma() const;

  // v^T S v, and S v into out (n values each).
  double quad(const double* v) const;
  void times(const double* v, double* out) const;

  // A S A^T for a map with cols == size().
  covariance mapped(const row_map& a) const;
  // D S D for the diagonal matrix of d (size() values).
  void scale(std::span<const double> d);
  // M S M^T for M = L + sum_t u_t g_t^T: L a map with cols == size(), each u_t of L.rows()
  // values and each g_t of size() values (a map plus a few linear functionals of the
  // whole input, such as a constant estimated from it).
  covariance with_functionals(const row_map& l, const std::vector<std::vector<double>>& u,
                              const std::vector<std::vector<double>>& g) const;
  // The covariance of the sum of two independent series of the same length.
  covariance& operator+=(const covariance& other);

  // The low-rank part: column a of U (size() values) and C(a, b).
  const std::vector<double>& low_rank_column(int a) const { return u_[a]; }
  double low_rank_weight(int a, int b) const { return c_[static_cast<std::size_t>(a) * u_.size() + b]; }

 private:
  // B(i, i - d) for 0 <= d <= w, row i at i * (w + 1).
  double& at(int i, int d) { return band_[static_cast<std::size_t>(i) * (w_ + 1) + d]; }
  double at(int i, int d) const { return band_[static_cast<std::size_t>(i) * (w_ + 1) + d]; }
  // B v into out.
  void band_times(const double* v, double* out) const;

  int n_ = 0, w_ = 0;
  std::vector<double> band_;
  std::vector<std::vector<double>> u_;
  std::vector<double> c_;  // p x p, row major
};
