#include "numeric/nm.h"

#include "numeric/elements.h"
#include "numeric/nm_parts.h"

#include <thread>
#include "numeric/recorder.h"

namespace {

// Species as columns, the way the project record hands them over.
struct sample_columns {
  std::vector<double> z, x, fp, fpp, a[5], b[5], c;
  void add(double zi, double xi, double fpi, double fppi, std::vector<double> ai, std::vector<double> bi, double ci) {
    z.push_back(zi), x.push_back(xi), fp.push_back(fpi), fpp.push_back(fppi), c.push_back(ci);
    for (int j = 0; j < 5; ++j) a[j].push_back(ai[j]), b[j].push_back(bi[j]);
  }
  int run(int n, double lambda, double compton, double qlim, int bd, int method, double alpha, double add,
          const std::vector<double>& q, const std::vector<double>& i, const nm_extras& extra = {}) const {
    return nm(static_cast<int>(z.size()), z.data(), x.data(), fp.data(), fpp.data(), a[0].data(), a[1].data(),
              a[2].data(), a[3].data(), a[4].data(), b[0].data(), b[1].data(), b[2].data(), b[3].data(),
              b[4].data(), c.data(), n, lambda, compton, qlim, bd, method, alpha, add, q.data(), i.data(), extra);
  }
};

// Z = 8 with f(q) = 3 exp(-8 s^2) + 1.5 exp(-0.5 s^2) + 0.5 + f' (f' = 0.25).
sample_columns one_species() {
  sample_columns s;
  s.add(8.0, 1.0, 0.25, 0.0, {3.0, 1.5, 0, 0, 0}, {8.0, 0.5, 0, 0, 0}, 0.5);
  return s;
}

double f_one(double q) {
  const double s2 = (q / four_pi_f) * (q / four_pi_f);
  return 3.0 * std::exp(-8.0 * s2) + 1.5 * std::exp(-0.5 * s2) + 0.75;
}

}  // namespace

// Two forms of one function: the incoherent sum nm forms itself and incoherent_scattering
// fed in as a table give the same curves under every recoil factor; "All out" removes the
// term whatever the factor. One case pins the factor: S - 1 = (alpha J - f^2 - w C) / f^2
// with w = (lambda / (lambda + 0.048 sin^2 theta))^4 for bd 2.
TEST(Nm, AnalyticAndTabulatedIncoherentAgree) {
  const int n = 400;
  const double lambda = 0.7107, alpha = 0.037, add = 2.5;
  std::vector<double> q(n), intensity(n), table(n);
  for (int k = 0; k < n; ++k)
    q[k] = k * 0.05, intensity[k] = 300.0 + 50.0 * std::cos(q[k]), table[k] = incoherent_scattering(8, q[k]);
  auto sq = [&](int bd, double compton, const double* tab) {
    numeric_recorder rec;
    EXPECT_EQ(one_species().run(n, lambda, compton, 0.0, bd, 1, alpha, add, q, intensity, {tab, 0.0}), 1);
    return rec.curves.at(1).y;
  };
  const std::vector<double> all_out = sq(1, 2.0, nullptr);
  for (int bd = 1; bd <= 4; ++bd) {
    const std::vector<double> analytic = sq(bd, 1.0, nullptr), tabulated = sq(bd, 1.0, table.data());
    for (int k = 0; k < n; ++k) ASSERT_NEAR(analytic[k], tabulated[k], 1e-12 * std::fabs(tabulated[k])) << bd << " " << k;
    EXPECT_EQ(sq(bd, 2.0, nullptr), all_out) << bd;
  }
  const std::vector<double> bd2 = sq(2, 1.0, nullptr);
  for (int k = 1; k < n; k += 50) {
    const double sin_t = q[k] * lambda / four_pi_f, w = std::pow(lambda / (lambda + 0.048 * sin_t * sin_t), 4.0);
    const double f2 = f_one(q[k]) * f_one(q[k]);
    EXPECT_NEAR(bd2[k] - 1.0, (alpha * (intensity[k] + add) - f2 - w * table[k]) / f2, 1e-12) << k;
    EXPECT_NEAR(all_out[k] - 1.0, (alpha * (intensity[k] + add) - f2) / f2, 1e-12) << k;
  }
}

// Two species with q-independent factors (b = 0) f = 4 and 2, f'' = 1 and 0, x = 1/4, 3/4:
// <f^2> = (16 + 1)/4 + 4 * 3/4 = 7.25, <f>^2 = (1 + 1.5)^2 + 0.25^2 = 6.3125. The high-angle
// constant sums from the first q >= qlim to the end.
TEST(Nm, HighAngleConstantAndTwoSpecies) {
  sample_columns s;
  s.add(14.0, 0.25, 0.5, 1.0, {1.0, 1.0, 0.5, 0.5, 0.5}, {0, 0, 0, 0, 0}, 0.0);
  s.add(8.0, 0.75, 0.0, 0.0, {1.0, 0.5, 0.25, 0.25, 0.0}, {0, 0, 0, 0, 0}, 0.0);
  const int n = 301;
  std::vector<double> q(n), intensity(n);
  for (int k = 0; k < n; ++k) q[k] = k * 0.02, intensity[k] = 1000.0 * std::exp(-0.05 * q[k]) + 40.0;
  struct { double qlim; int first; } cases[] = {{6.0, 300}, {4.0, 200}, {3.99, 200}, {4.01, 201}, {0.0, 0}, {6.5, n}};
  for (const auto& c : cases) {
    numeric_recorder rec;
    ASSERT_EQ(s.run(n, 1.5406, 2.0, c.qlim, 3, 0, 99.0, 1.0, q, intensity), 1);
    double den = 0;
    for (int k = c.first; k < n; ++k) den += intensity[k] + 1.0;
    const double alpha = (n - c.first) * 7.25 / den;
    ASSERT_EQ(rec.nc.size(), 1u);
    if (c.first == n) {  // no point reaches the limit: undefined constant
      EXPECT_TRUE(std::isnan(rec.nc[0]));
      continue;
    }
    EXPECT_NEAR(rec.nc[0], alpha, 1e-13 * alpha) << c.qlim;
    for (int k = 1; k < n; k += 37)
      EXPECT_NEAR(rec.curves[0].y[k], q[k] * (alpha * (intensity[k] + 1.0) - 7.25) / 6.3125, 1e-12);
  }
}

// displaync_ comes first, then Q[S(Q)-1] as curve 1 and S(Q) as curve 2; alpha = 1 leaves
// the intensities unscaled, and the first S(Q) point is 0 even where q is not. The grid is
// not uniform, so the factors are evaluated point by point.
TEST(Nm, CallOrderAndUnitConstant) {
  const std::vector<double> q{0.5, 1.0, 2.0}, intensity{20.0, 18.0, 15.0};
  numeric_recorder rec;
  EXPECT_EQ(one_species().run(3, 0.7, 2.0, 1.0, 1, 1, 1.0, 0.0, q, intensity), 1);
  EXPECT_EQ(rec.calls, "ncc");
  EXPECT_EQ(rec.nc, std::vector<double>{0.0});
  for (int k : {0, 1}) EXPECT_EQ(rec.curves.at(k).calc * 10 + rec.curves[k].curve, 11 + k);  // Q[S(Q)-1], S(Q)
  for (int k = 0; k < 3; ++k) {
    const double f2 = f_one(q[k]) * f_one(q[k]);
    EXPECT_NEAR(rec.curves[0].y[k], q[k] * (intensity[k] - f2) / f2, 1e-12);
    EXPECT_NEAR(rec.curves[1].y[k], k == 0 ? 0.0 : intensity[k] / f2, 1e-12);
  }
}

TEST(Nm, RefusedInputs) {
  const sample_columns none, one = one_species();
  const std::vector<double> q{0.0, 0.1}, intensity{1.0, 1.0};
  struct { const sample_columns* sample; int n; const char* first_line; } cases[] = {
      {&one, 0, "No data points to normalise"},
      {&none, 2, "The sample has no species"}};
  for (const auto& c : cases) {
    numeric_recorder rec;
    EXPECT_EQ(c.sample->run(c.n, 0.7, 1.0, 0.05, 1, 0, 1.0, 0.0, q, intensity), 0);
    EXPECT_EQ(rec.only_error(), c.first_line);
    EXPECT_NE(rec.errors.at(0).find("\nSubroutine: nm \n"), std::string::npos);
    EXPECT_TRUE(rec.curves.empty() && rec.nc.empty());
  }
}

// Q_min keeps the points below it out of the high-angle constant, which then equals the
// constant of the same data cut by hand, and puts S(Q) below it on the line through the
// origin and the first point above. Q_max keeps those above it out, as a cut does, while
// the curves keep every point.
TEST(Nm, LowestQ) {
  const int n = 300;
  const double lambda = 0.7107, qmin = 3.99;
  std::vector<double> q(n), intensity(n);
  for (int k = 0; k < n; ++k) q[k] = k * 0.05, intensity[k] = 300.0 + 50.0 * std::cos(q[k]);
  {
    numeric_recorder rec;
    ASSERT_EQ(one_species().run(n, lambda, 1.0, 2.0, 2, 0, 0.0, 1.5, q, intensity, {nullptr, 0.0, 10.0}), 1);
    const std::vector<double> q_top(q.begin(), q.begin() + 201), i_top(intensity.begin(), intensity.begin() + 201);
    ASSERT_EQ(one_species().run(201, lambda, 1.0, 2.0, 2, 0, 0.0, 1.5, q_top, i_top), 1);  // q <= 10
    ASSERT_EQ(rec.nc.size(), 2u);
    EXPECT_EQ(rec.nc[0], rec.nc[1]);
    EXPECT_EQ(rec.curves[0].y.size(), static_cast<std::size_t>(n));
    EXPECT_EQ(one_species().run(n, lambda, 1.0, 12.0, 2, 0, 0.0, 1.5, q, intensity, {nullptr, 0.0, 10.0}), 1);
    EXPECT_TRUE(std::isnan(rec.nc.at(2)));  // no point in 12..10
  }
  numeric_recorder whole;
  ASSERT_EQ(one_species().run(n, lambda, 1.0, 2.0, 2, 0, 0.0, 1.5, q, intensity, {nullptr, qmin}), 1);
  const int k1 = 80;  // first q >= qmin
  const std::vector<double> q_cut(q.begin() + k1, q.end()), i_cut(intensity.begin() + k1, intensity.end());
  numeric_recorder by_hand;
  ASSERT_EQ(one_species().run(n - k1, lambda, 1.0, 2.0, 2, 0, 0.0, 1.5, q_cut, i_cut), 1);
  ASSERT_EQ(whole.nc.size(), 1u);
  EXPECT_NEAR(whole.nc[0], by_hand.nc.at(0), 1e-14);
  for (int k = k1 + 1; k < n; ++k) EXPECT_NEAR(whole.curves[1].y[k], by_hand.curves[1].y[k - k1], 1e-12) << k;
  const auto &sq = whole.curves[1].y, &qs = whole.curves[0].y;
  for (int k = 0; k < k1; ++k) {
    EXPECT_NEAR(sq[k], sq[k1] * q[k] / q[k1], 1e-12) << k;
    EXPECT_NEAR(qs[k], q[k] * (sq[k] - 1.0), 1e-12) << k;
  }
}

// nm and nm_parts keep the terms that do not depend on the intensities from one call to the
// next (a series normalises pattern after pattern on one grid). Whatever those terms depend
// on changes from each case to the next; each case must give the curves that a new thread,
// with nothing kept, computes.
TEST(Nm, KeptTermsFollowEverySetting) {
  const int n = 200;
  std::vector<double> base_q(n), intensity(n), table(n);
  for (int k = 0; k < n; ++k)
    base_q[k] = k * 0.1, intensity[k] = 300.0 + 50.0 * std::cos(base_q[k]), table[k] = 1.1 * incoherent_scattering(8, base_q[k]);
  struct { double lambda, compton; int bd; bool tabulated; double a1, fpp, last_q; } cases[] = {
      {0.7107, 1.0, 1, false, 3.0, 0.0, 19.9}, {0.5609, 1.0, 1, false, 3.0, 0.0, 19.9},
      {0.5609, 1.0, 2, false, 3.0, 0.0, 19.9}, {0.5609, 2.0, 2, false, 3.0, 0.0, 19.9},
      {0.5609, 1.0, 2, true, 3.0, 0.0, 19.9},  {0.5609, 1.0, 2, true, 3.5, 0.0, 19.9},
      {0.5609, 1.0, 2, true, 3.5, 0.2, 19.9},  {0.5609, 1.0, 2, true, 3.5, 0.2, 20.5},
      {0.7107, 1.0, 1, false, 3.0, 0.0, 19.9}};
  for (const auto& c : cases) {
    auto run = [&] {
      sample_columns s = one_species();
      s.a[0][0] = c.a1, s.fpp[0] = c.fpp;
      std::vector<double> q = base_q;
      q.back() = c.last_q;
      numeric_recorder rec;
      EXPECT_EQ(s.run(n, c.lambda, c.compton, 10.0, c.bd, 0, 0.0, 1.5, q, intensity, {c.tabulated ? table.data() : nullptr}), 1);
      const std::vector<double> qs = rec.curves.at(0).y;
      species_factors sp{8.0, 1.0, 0.25, c.fpp, {c.a1, 1.5, 0, 0, 0}, {8.0, 0.5, 0, 0, 0}, 0.5};
      std::vector<double> a(n), b(n);
      nm_parts({&sp, 1}, n, q.data(), intensity.data(), 1.5, qs.data(), rec.nc.at(0), a.data(), b.data());
      return std::pair(qs, a);
    };
    const auto kept = run();
    std::pair<std::vector<double>, std::vector<double>> fresh;
    std::thread([&] { fresh = run(); }).join();
    EXPECT_EQ(kept, fresh) << c.lambda << " " << c.bd << " " << c.a1 << " " << c.last_q;
  }
}
