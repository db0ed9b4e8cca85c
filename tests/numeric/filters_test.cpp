#include "support/test.h"

#include "numeric/filters.h"

using smoother = void (*)(int, const double*, double*);

// A unit spike at each position shows the weight applied to that neighbour; the ends, and
// series shorter than the window, are copied.
TEST(Filters, WeightsAndFilteredRange) {
  struct { smoother f; std::vector<double> w; double div; } filters[] = {
      {smooth5, {-3, 12, 17, 12, -3}, 35}, {smooth7, {-2, 3, 6, 7, 6, 3, -2}, 21},
      {smooth9, {-21, 14, 39, 54, 59, 54, 39, 14, -21}, 231}};
  for (const auto& t : filters) {
    const int h = static_cast<int>(t.w.size()) / 2, n = 2 * h + 1;
    for (int k = 0; k < n; ++k) {
      std::vector<double> in(n, 0.0), out(n);
      in[k] = 1.0;
      t.f(n, in.data(), out.data());
      EXPECT_DOUBLE_EQ(out[h], t.w[k] / t.div) << "spike at " << k;
      for (int i = 0; i < h; ++i) {
        EXPECT_EQ(out[i], in[i]);
        EXPECT_EQ(out[n - 1 - i], in[n - 1 - i]);
      }
    }
  }
  for (auto f : {smooth5, smooth7, smooth9}) {
    double in4[] = {1, 9, -4, 2}, out4[4];
    f(4, in4, out4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(out4[i], in4[i]);
  }
}

// gauss exchanges rows when the first pivot is zero (the fits of zd and calrd cover the rest).
TEST(Solvers, GaussExchangesRowsForAZeroPivot) {
  // Stored by columns: [0 1 | 2; 2 1 | 4] -> y = 2, x = 1.
  double a[] = {0, 2, 1, 1, 2, 4};
  double x[2];
  gauss(a, x, 2, 3);
  EXPECT_DOUBLE_EQ(x[0], 1.0);
  EXPECT_DOUBLE_EQ(x[1], 2.0);
}
