#include "support/test.h"

#include <bit>

#include "numeric/spline.h"
#include "numeric/spline_map.h"

namespace {

struct coeffs { std::vector<double> b, c, d; };

coeffs fit(const std::vector<double>& x, const std::vector<double>& y) {
  const int n = static_cast<int>(x.size());
  coeffs k{std::vector<double>(n), std::vector<double>(n), std::vector<double>(n)};
  spline(n, x.data(), y.data(), k.b.data(), k.c.data(), k.d.data());
  return k;
}

double eval(const std::vector<double>& x, const std::vector<double>& y, const coeffs& k, double u) {
  return seval(static_cast<int>(x.size()), u, x.data(), y.data(), k.b.data(), k.c.data(), k.d.data());
}

std::vector<double> random_knots(std::mt19937& g, int n, double x0) {
  std::uniform_real_distribution<double> h(0.05, 1.0);
  std::vector<double> x(n);
  x[0] = x0;
  for (int i = 1; i < n; ++i) x[i] = x[i - 1] + h(g);
  return x;
}

}  // namespace

// The end conditions make the spline exact for cubics (n >= 4), parabolas (n = 3) and
// straight lines (n = 2), inside the knots and beyond both ends; a fault in the interior
// equations or the end conditions breaks that exactness.
TEST(Spline, ReproducesPolynomialsOfItsDegree) {
  struct { int n; double p0, p1, p2, p3; } cases[] = {
      {2, 1.5, -2.0, 0, 0},   {3, 0.5, 1.0, -0.75, 0}, {4, -1, 0.5, 2, -0.3},
      {5, 2, -1, 0.25, 0.125}, {12, 0, 0, 0, 1},         {60, 3, -2, 0.5, -0.02},
  };
  std::mt19937 g(7);
  for (const auto& cs : cases) {
    auto p = [&](double u) { return cs.p0 + u * (cs.p1 + u * (cs.p2 + u * cs.p3)); };
    for (bool uniform : {true, false}) {
      std::vector<double> x = uniform ? std::vector<double>(cs.n) : random_knots(g, cs.n, -1.3);
      if (uniform)
        for (int i = 0; i < cs.n; ++i) x[i] = -1.0 + 0.5 * i;
      std::vector<double> y(cs.n);
      for (int i = 0; i < cs.n; ++i) y[i] = p(x[i]);
      const coeffs k = fit(x, y);
      const double lo = x.front() - 1.0, hi = x.back() + 1.0;
      for (int s = 0; s <= 400; ++s) {
        const double u = lo + (hi - lo) * s / 400.0;
        EXPECT_NEAR(eval(x, y, k, u), p(u), 1e-9 * (1 + std::fabs(p(u))))
            << "n=" << cs.n << " uniform=" << uniform << " u=" << u;
      }
    }
  }
}

// The forward walk gives seval's values bit for bit on every grid, hitting knots exactly
// included (seval takes the second knot from the first interval).
TEST(Spline, ForwardWalkIsBitIdenticalToBisection) {
  std::mt19937 g(11);
  std::uniform_real_distribution<double> val(-3.0, 3.0);
  auto bits = [](double v) { return std::bit_cast<std::uint64_t>(v); };
  auto check = [&](const std::vector<double>& x, const std::vector<double>& y,
                   const std::vector<double>& u, const char* what) {
    const int n = static_cast<int>(x.size());
    const coeffs k = fit(x, y);
    std::vector<double> fast(u.size());
    seval_ascending(n, x.data(), y.data(), k.b.data(), k.c.data(), k.d.data(),
                    static_cast<int>(u.size()), u.data(), fast.data());
    for (std::size_t j = 0; j < u.size(); ++j) {
      const double slow = eval(x, y, k, u[j]);
      ASSERT_EQ(bits(fast[j]), bits(slow)) << what << " n=" << n << " u[" << j << "]=" << u[j];
    }
  };
  for (int n : {1, 2, 3, 4, 17, 300}) {
    std::vector<double> x = random_knots(g, n, val(g)), y(n);
    for (double& v : y) v = val(g);
    const double lo = x.front() - 0.7, hi = x.back() + 0.9;
    for (double step : {0.001, 0.013, 0.31, 2.5}) {
      std::vector<double> u;
      for (double v = lo; v <= hi; v += step) u.push_back(v);
      check(x, y, u, "uniform grid");
      std::vector<double> merged = u;
      merged.insert(merged.end(), x.begin(), x.end());
      merged.insert(merged.end(), x.begin(), x.end());  // each knot twice
      std::sort(merged.begin(), merged.end());
      check(x, y, merged, "grid with knots");
    }
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    check(x, y, {-inf, lo, x[0], nan, hi, lo, x.back(), x.back() + 1, inf}, "nan and back steps");
    std::vector<double> rev(x.rbegin(), x.rend());
    check(rev, y, {lo, x[0], 0.5 * (lo + hi), hi}, "descending knots");
  }
  // Repeated knot values (zero-width interval): same interval choice, even if NaN.
  check({0.0, 1.0, 1.0, 2.0, 3.0}, {0, 1, 2, 3, 4}, {-1, 0, 0.5, 1, 1, 1.5, 2, 3, 4}, "repeated knots");
}

// The kept map follows its grids: knots or points that change, at the same counts, give
// the map of the new grids, and going back gives the first one again.
TEST(Spline, KeptMapFollowsItsGrids) {
  std::vector<double> x(20), x2(20), u(30), u2(30);
  for (int i = 0; i < 20; ++i) x[i] = 0.5 * i + 0.01 * i * i, x2[i] = 0.5 * i;
  for (int k = 0; k < 30; ++k) u[k] = 0.3 * k, u2[k] = 0.3 * k + 0.1;
  const std::pair<const std::vector<double>*, const std::vector<double>*> grids[] = {
      {&x, &u}, {&x, &u2}, {&x2, &u2}, {&x, &u}};
  for (const auto& [knots, points] : grids) {
    const row_map& kept = kept_spline_map(20, knots->data(), 30, points->data());
    const row_map fresh = spline_map(20, knots->data(), 30, points->data());
    EXPECT_EQ(std::pair(kept.first, kept.coef), std::pair(fresh.first, fresh.coef));
  }
}
