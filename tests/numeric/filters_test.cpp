#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "numeric/filters.h"

using smoother = void (*)(int, const double*, double*);

// Constant and straight-line series pass through every filter unchanged; short series are
// copied; the smoothed window matches a hand-computed weighted sum.
TEST(Filters, PolynomialsPassUnchangedAndEndsAreCopied) {
  struct {
    smoother f;
    int half;
  } filters[] = {{smooth5, 2}, {smooth7, 3}, {smooth9, 4}};
  for (auto [f, h] : filters) {
    for (int n : {1, 2, 2 * h, 2 * h + 1, 2 * h + 2, 50}) {
      std::vector<double> c(n, 3.5), line(n), quad(n), out(n, -99.0);
      for (int i = 0; i < n; ++i) {
        line[i] = 2.0 - 0.75 * i;
        quad[i] = 0.5 * i * i - i + 1;  // quadratic smoothing preserves parabolas too
      }
      f(n, c.data(), out.data());
      for (int i = 0; i < n; ++i) EXPECT_NEAR(out[i], 3.5, 1e-12);
      f(n, line.data(), out.data());
      for (int i = 0; i < n; ++i) EXPECT_NEAR(out[i], line[i], 1e-12);
      f(n, quad.data(), out.data());
      for (int i = 0; i < n; ++i) EXPECT_NEAR(out[i], quad[i], 1e-10);
    }
  }
}

TEST(Filters, WeightsAndFilteredRange) {
  // A unit spike at each position shows the weight applied to that neighbour.
  struct {
    smoother f;
    std::vector<double> w;
    double div;
  } filters[] = {{smooth5, {-3, 12, 17, 12, -3}, 35},
                 {smooth7, {-2, 3, 6, 7, 6, 3, -2}, 21},
                 {smooth9, {-21, 14, 39, 54, 59, 54, 39, 14, -21}, 231}};
  for (const auto& t : filters) {
    const int h = static_cast<int>(t.w.size()) / 2;
    const int n = 2 * h + 1;
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
  // smooth5 with n = 4 copies everything.
  double in4[] = {1, 9, -4, 2}, out4[4];
  smooth5(4, in4, out4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(out4[i], in4[i]);
}

TEST(Solvers, GaussAndLinfit) {
  // First pivot zero: the rows must be exchanged. x + 2y = 5, 3x + 0y... stored by columns.
  // System: [0 1 | 2; 2 1 | 4]  ->  y = 2, x = 1.
  double a[] = {0, 2, 1, 1, 2, 4};
  double x[2];
  gauss(a, x, 2, 3);
  EXPECT_DOUBLE_EQ(x[0], 1.0);
  EXPECT_DOUBLE_EQ(x[1], 2.0);

  // A 4x4 system with a known solution.
  const double m[4][4] = {{2, -1, 0, 3}, {1, 5, -2, 0}, {-3, 0, 4, 1}, {0.5, 2, 1, -6}};
  const double sol[4] = {1.5, -2, 0.25, 3};
  std::vector<double> aug(20);
  for (int i = 0; i < 4; ++i) {
    double rhs = 0;
    for (int j = 0; j < 4; ++j) {
      aug[j * 4 + i] = m[i][j];
      rhs += m[i][j] * sol[j];
    }
    aug[16 + i] = rhs;
  }
  double x4[4];
  gauss(aug.data(), x4, 4, 5);
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(x4[i], sol[i], 1e-12);

  double px[] = {0, 2}, py[] = {0, 6}, coef[2];
  linfit(px, py, 2, coef);
  EXPECT_NEAR(coef[0], 0.0, 1e-15);
  EXPECT_NEAR(coef[1], 3.0, 1e-15);

  // Noisy-free regression on many points and a least-squares case with known answer.
  double lx[] = {0, 1, 2, 3}, ly[] = {1, 3, 2, 5}, c2[2];
  linfit(lx, ly, 4, c2);
  EXPECT_NEAR(c2[1], 1.1, 1e-12);  // slope = (n Sxy - Sx Sy) / (n Sxx - Sx^2) = (4*23-6*11)/(4*14-36)
  EXPECT_NEAR(c2[0], 1.1, 1e-12);  // (Sy - b Sx) / n = (11 - 6.6) / 4
}
