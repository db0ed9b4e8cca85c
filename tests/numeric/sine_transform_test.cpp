#include "numeric/sine_transform.h"

#include "support/test.h"

// The chirp-z evaluation against the direct loop on seeded random weights: odd and even
// sizes, smooth and awkward FFT lengths, nr far larger than nk, grids not starting at 0,
// and two grids in a row that differ in their start alone (the kept chirp serves both).
TEST(SineTransform, ChirpMatchesDirectLoop) {
  struct { int nk, nr; double q0, h, dr; } cases[] = {
      {1, 40, 0.0, 0.01, 0.05},     {7, 13, 0.25, 0.02, 0.11},      {100, 1, 0.0, 0.05, 0.01},
      {300, 5000, 0.5, 0.1, 0.013}, {300, 5000, 0.9, 0.1, 0.013},   {2999, 2003, 1.3, 0.01, 0.037},
      {1009, 6007, 0.0, 0.02, 0.01}, {30000, 500, 0.0, 0.001, 0.1}};
  std::mt19937_64 rng(20240611);
  std::uniform_real_distribution<double> uni(-1.0, 1.0);
  for (const auto& c : cases) {
    std::vector<double> w(c.nk), q(c.nk), fast(c.nr, -7.0), direct(c.nr);
    for (int k = 0; k < c.nk; ++k) w[k] = uni(rng), q[k] = c.q0 + k * c.h;
    ASSERT_EQ(chirp_sine_transform(w.data(), c.nk, c.q0, c.h, c.dr, c.nr, fast.data()), 1);
    cd_direct_transform(w.data(), q.data(), c.nk, c.dr, c.nr, direct.data());
    double scale = 1.0, worst = 0.0;  // scale: 1 when all zero, for q = 0 only
    for (double v : direct) scale = std::max(scale, std::fabs(v));
    for (int j = 0; j < c.nr; ++j) worst = std::max(worst, std::fabs(fast[j] - direct[j]));
    EXPECT_LT(worst / scale, 1e-11) << "nk " << c.nk << " nr " << c.nr;
  }
}

// Phases of 1e5..1e6 rad (high q0, many r points): compare with sums in extended precision,
// where the direct double loop itself would already be limited by r * q rounding.
TEST(SineTransform, LargePhasesStayAccurate) {
  const int nk = 20000, nr = 40000;
  const double q0 = 1000.0, h = 0.0013, dr = 0.025;
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> uni(-1.0, 1.0);
  std::vector<double> w(nk), out(nr);
  for (double& x : w) x = uni(rng);
  ASSERT_EQ(chirp_sine_transform(w.data(), nk, q0, h, dr, nr, out.data()), 1);
  for (int j : {1, 777, 19999, 33333, nr - 1}) {
    const long double r = static_cast<long double>(j) * dr;
    long double s = 0.0L;
    for (int k = 0; k < nk; ++k) s += w[k] * sinl(r * (static_cast<long double>(q0) + static_cast<long double>(k) * h));
    // Sum of |w| ~ 1e4: absolute error of a few 1e-11 is 1e-15 of it.
    EXPECT_NEAR(out[j], static_cast<double>(s), 1e-9) << "j " << j;
  }
}

TEST(SineTransform, UniformGridDetection) {
  const int n = 30001;
  std::vector<double> exact(n), summed(n);
  double acc = 0.0;
  for (int k = 0; k < n; ++k) exact[k] = k * 0.001, summed[k] = acc, acc += 0.001;
  std::vector<double> bumped = exact, with_nan = exact, decreasing = exact;
  bumped[12345] += 1e-9;
  with_nan[100] = std::nan("");
  std::reverse(decreasing.begin(), decreasing.end());
  std::swap(decreasing[5], decreasing[6]);
  struct { const std::vector<double>* q; bool uniform; } cases[] = {
      {&exact, true}, {&summed, true}, {&bumped, false}, {&with_nan, false}, {&decreasing, false}};
  for (const auto& c : cases) {
    double q0 = -1.0, h = -1.0;
    EXPECT_EQ(uniform_grid(c.q->data(), n, 0.5, &q0, &h), c.uniform);
    EXPECT_NEAR(c.uniform ? h : 0.001, 0.001, 1e-15);
  }
  double q0 = 0.0, h = 0.0;
  const double one = 3.0;  // one point: uniform with the step given
  EXPECT_TRUE(uniform_grid(&one, 1, 0.25, &q0, &h));
  EXPECT_EQ(std::make_pair(q0, h), std::make_pair(3.0, 0.25));
}
