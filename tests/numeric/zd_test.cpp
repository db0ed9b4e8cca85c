#include "numeric/zd.h"

#include "numeric/recorder.h"

// The in-place 5-point window over the 0-based points 2..m-3 of a series of m points.
static std::vector<double> smooth_in_place(std::vector<double> c) {
  const int m = static_cast<int>(c.size());
  for (int i = 2; i + 2 < m; ++i)
    c[i] = (-3 * c[i - 2] + 12 * c[i - 1] + 17 * c[i] + 12 * c[i + 1] - 3 * c[i + 2]) / 35;
  return c;
}

static double cubic(double q) { return 0.8 - 0.05 * q + 2e-3 * q * q - 3e-5 * q * q * q; }

// A curve that is exactly a cubic from the bending point on loses it there; the points
// before pass through, and the smoothing is the sequential in-place window. The bending
// index is found exactly: kb = 400 for qb = 20 and step 0.05 (1-based), so a one-off error
// would show as a mismatch where the oscillating part meets the cubic.
TEST(Zd, CubicRemovedAboveBendingPoint) {
  struct { int n; double dq, qb; int kb; } cases[] = {
      {1001, 0.05, 20.0, 400}, {1000, 0.05, 20.0, 400}, {3001, 0.01, 10.0, 1000}, {801, 0.0625, 37.5, 600}};
  for (const auto& c : cases) {
    std::vector<double> q(c.n), qs(c.n);
    for (int i = 0; i < c.n; ++i) q[i] = i * c.dq, qs[i] = i < c.kb - 1 ? std::sin(0.9 * q[i]) + 0.3 : cubic(q[i]);
    numeric_recorder rec;
    ASSERT_EQ(zd(c.n, c.qb, q.data(), qs.data()), 1);
    ASSERT_EQ(rec.curves.size(), 1u);
    const recorded_curve& out = rec.curves[0];
    EXPECT_EQ(out.calc * 10 + out.curve, 21);
    ASSERT_EQ(out.y.size(), static_cast<std::size_t>(c.n - 1));
    EXPECT_EQ(out.x, std::vector<double>(q.begin(), q.end() - 1));

    std::vector<double> expect(c.n - 1);
    for (int i = 0; i < c.n - 1; ++i) expect[i] = i < c.kb - 1 ? qs[i] : 0.0;
    expect = smooth_in_place(expect);
    for (int i = 0; i < c.n - 1; ++i) EXPECT_NEAR(out.y[i], expect[i], 1e-8) << "point " << i;
  }
}

// The fit ignores the last two points; n = 6 is the shortest curve with four fit points,
// where the cubic interpolates them and only point 3 (1-based) is smoothed.
TEST(Zd, ShortestCurveAndUnfittedTail) {
  const std::vector<double> q{0, 1, 2, 3, 4, 5}, qs{1, -2, 0.5, 4, 100, -100};
  numeric_recorder rec;
  ASSERT_EQ(zd(6, 1.5, q.data(), qs.data()), 1);  // kb = 1
  ASSERT_EQ(rec.curves.size(), 1u);
  const std::vector<double>& y = rec.curves[0].y;
  ASSERT_EQ(y.size(), 5u);
  // Lagrange cubic through the first four points, evaluated at q = 4: the third difference
  // vanishes, p(4) = 4 p(3) - 6 p(2) + 4 p(1) - p(0).
  const double p4 = 4 * 4.0 - 6 * 0.5 + 4 * -2.0 - 1.0;
  const std::vector<double> c{0, 0, 0, 0, 100 - p4};
  const double smoothed = (-3 * c[0] + 12 * c[1] + 17 * c[2] + 12 * c[3] - 3 * c[4]) / 35;
  const std::vector<double> expect{0, 0, smoothed, 0, 100 - p4};
  for (int i = 0; i < 5; ++i) EXPECT_NEAR(y[i], expect[i], 1e-9) << i;
}

// Bending points outside the grid are refused (too few points and bad steps: the grid check
// zd shares with cd, tested there); NaN and infinities in the data propagate without a crash.
TEST(Zd, RefusedAndNonFiniteInputs) {
  std::vector<double> q(100), qs(100, 1.0);
  for (int i = 0; i < 100; ++i) q[i] = 0.5 * i;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (double qb : {0.4, 48.0, nan}) {  // kb = 0, kb = 96, undefined
    numeric_recorder rec;
    EXPECT_EQ(zd(100, qb, q.data(), qs.data()), 0);
    EXPECT_EQ(rec.only_error(), "The bending point must leave at least four points to fit");
    EXPECT_NE(rec.errors.at(0).find("\nSubroutine: zd \n"), std::string::npos);
    EXPECT_TRUE(rec.curves.empty());
  }
  // The last admissible bending index, kb = n - 5 = 95, runs.
  numeric_recorder rec;
  EXPECT_EQ(zd(100, 47.9, q.data(), qs.data()), 1);
  EXPECT_TRUE(rec.errors.empty());

  qs[10] = std::numeric_limits<double>::quiet_NaN();  // before kb = 50
  qs[70] = std::numeric_limits<double>::infinity();   // in the fit
  ASSERT_EQ(zd(100, 25.0, q.data(), qs.data()), 1);
  ASSERT_EQ(rec.curves.size(), 2u);
  EXPECT_TRUE(std::isnan(rec.curves[1].y[12]));
  EXPECT_TRUE(std::isnan(rec.curves[1].y[90]));
}
