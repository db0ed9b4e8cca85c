#include "numeric/nm.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "numeric/recorder.h"

namespace {

constexpr double four_pi = 12.566370964050293;

// Species given as columns, the way the project record hands them over.
struct sample_columns {
  std::vector<double> z, x, fp, fpp, a[5], b[5], c;
  void add(double zi, double xi, double fpi, double fppi, std::vector<double> ai, std::vector<double> bi,
           double ci) {
    z.push_back(zi);
    x.push_back(xi);
    fp.push_back(fpi);
    fpp.push_back(fppi);
    for (int j = 0; j < 5; ++j) {
      a[j].push_back(ai[j]);
      b[j].push_back(bi[j]);
    }
    c.push_back(ci);
  }
  int run(int n, double lambda, double compton, double qlim, int bd, int method, double alpha, double add,
          const std::vector<double>& q, const std::vector<double>& i) const {
    return nm(static_cast<int>(z.size()), z.data(), x.data(), fp.data(), fpp.data(), a[0].data(), a[1].data(),
              a[2].data(), a[3].data(), a[4].data(), b[0].data(), b[1].data(), b[2].data(), b[3].data(),
              b[4].data(), c.data(), n, lambda, compton, qlim, bd, method, alpha, add, q.data(), i.data());
  }
};

// Hand-written single species: f(q) = 3 exp(-8 s^2) + 1.5 exp(-0.5 s^2) + c + f'.
sample_columns one_species() {
  sample_columns s;
  s.add(8.0, 1.0, 0.25, 0.0, {3.0, 1.5, 0, 0, 0}, {8.0, 0.5, 0, 0, 0}, 0.5);
  return s;
}

double f_one(double q) {
  const double s2 = (q / four_pi) * (q / four_pi);
  return 3.0 * std::exp(-8.0 * s2) + 1.5 * std::exp(-0.5 * s2) + 0.5 + 0.25;
}

// Compton intensity of oxygen-like Z = 8 from its analytic form.
double compton_z8(double q) {
  const double e = 2.6917 / 8 + 1.245;
  const double k = 1.187 / 8 + 0.1075 + 0.00436 * 8 - std::pow(0.01543 * 8, 2) + std::pow(0.01422 * 8, 3);
  const double t = std::pow(k * q, e);
  return 8 * t / (1 + t);
}

std::vector<double> grid(int n, double dq) {
  std::vector<double> q(n);
  for (int k = 0; k < n; ++k) q[k] = k * dq;
  return q;
}

}  // namespace

// Single species (x = 1, f'' = 0): S - 1 = (alpha J - f^2 - C) / f^2 with the recoil weight
// (lambda / (lambda + 0.048 sin^2 theta))^p, p = 1, 4, 1/2, and C = 0 for "All out".
TEST(Nm, SingleSpeciesRecoilAndCompton) {
  struct {
    int bd;
    double compton, p;
  } cases[] = {{1, 1.0, 1.0}, {2, 1.0, 4.0}, {3, 1.0, 0.5}, {1, 2.0, 0}, {2, 2.0, 0}, {3, 2.0, 0}};
  const sample_columns s = one_species();
  const int n = 400;
  const double lambda = 0.7107, alpha = 0.037, add = 2.5;
  const std::vector<double> q = grid(n, 0.05);
  std::vector<double> intensity(n);
  for (int k = 0; k < n; ++k) intensity[k] = 300.0 + 50.0 * std::cos(q[k]);
  for (const auto& c : cases) {
    numeric_recorder rec;
    ASSERT_EQ(s.run(n, lambda, c.compton, 0.0, c.bd, 1, alpha, add, q, intensity), 1);
    ASSERT_EQ(rec.curves.size(), 2u);
    ASSERT_EQ(rec.nc.size(), 1u);
    EXPECT_EQ(rec.nc[0], 0.0);  // given constant: nothing estimated
    for (int k = 1; k < n; ++k) {
      const double sin_t = q[k] * lambda / four_pi;
      const double recoil = c.compton == 1.0 ? std::pow(lambda / (lambda + 0.048 * sin_t * sin_t), c.p) : 0.0;
      const double f = f_one(q[k]);
      const double s_minus_1 = (alpha * (intensity[k] + add) - f * f - recoil * compton_z8(q[k])) / (f * f);
      EXPECT_NEAR(rec.curves[1].y[k] - 1.0, s_minus_1, 1e-12 * (1 + std::fabs(s_minus_1))) << k;
      EXPECT_NEAR(rec.curves[0].y[k], q[k] * s_minus_1, 1e-11 * (1 + std::fabs(q[k] * s_minus_1))) << k;
    }
    // q = 0: Q[S-1] = 0 and S(Q) is set to 0.
    EXPECT_EQ(rec.curves[0].y[0], 0.0);
    EXPECT_EQ(rec.curves[1].y[0], 0.0);
  }
}

// Two species with f'' != 0: <f^2> = sum x (f^2 + f''^2), <f>^2 = (sum x f)^2 + (sum x f'')^2,
// and the high-angle constant summed from the first q >= qlim to the end.
TEST(Nm, HighAngleConstantAndTwoSpecies) {
  sample_columns s;
  s.add(14.0, 1.0 / 3, 0.1, 0.2, {6.0, 3.0, 2.0, 1.5, 1.0}, {2.0, 30.0, 0.5, 60.0, 90.0}, 0.4);
  s.add(8.0, 2.0 / 3, -0.05, 0.03, {3.0, 2.0, 1.5, 1.0, 0.4}, {12.0, 4.0, 30.0, 0.3, 50.0}, 0.1);
  const int n = 301;
  const double lambda = 1.5406;
  const std::vector<double> q = grid(n, 0.02);  // up to 6.0
  std::vector<double> intensity(n);
  for (int k = 0; k < n; ++k) intensity[k] = 1000.0 * std::exp(-0.05 * q[k]) + 40.0;

  auto factors = [&](double qk, double& f2, double& g2, double& inc) {
    const double s2 = (qk / four_pi) * (qk / four_pi);
    double re = 0, im = 0;
    f2 = 0;
    inc = 0;
    for (std::size_t i = 0; i < s.z.size(); ++i) {
      double f = s.c[i] + s.fp[i];
      for (int j = 0; j < 5; ++j) f += s.a[j][i] * std::exp(-s.b[j][i] * s2);
      f2 += s.x[i] * (f * f + s.fpp[i] * s.fpp[i]);
      re += s.x[i] * f;
      im += s.x[i] * s.fpp[i];
      const double z = s.z[i];
      const double e = 2.6917 / z + 1.245;
      const double kz = 1.187 / z + 0.1075 + 0.00436 * z - std::pow(0.01543 * z, 2) + std::pow(0.01422 * z, 3);
      const double t = std::pow(kz * qk, e);
      inc += s.x[i] * z * t / (1 + t);
    }
    g2 = re * re + im * im;
    const double sin_t = qk * lambda / four_pi;
    inc *= std::pow(lambda / (lambda + 0.048 * sin_t * sin_t), 0.5);
  };

  struct {
    double qlim;
    int first;  // first point of the high-angle sums
  } cases[] = {{6.0, 300}, {4.0, 200}, {3.99, 200}, {4.01, 201}, {0.0, 0}};
  for (const auto& c : cases) {
    numeric_recorder rec;
    ASSERT_EQ(s.run(n, lambda, 1.0, c.qlim, 3, 0, 99.0, 0.0, q, intensity), 1);
    double num = 0, den = 0;
    for (int k = c.first; k < n; ++k) {
      double f2, g2, inc;
      factors(q[k], f2, g2, inc);
      num += f2 + inc;
      den += intensity[k];
    }
    const double alpha = num / den;
    ASSERT_EQ(rec.nc.size(), 1u);
    EXPECT_NEAR(rec.nc[0], alpha, 1e-13 * alpha) << c.qlim;
    for (int k = 1; k < n; k += 37) {
      double f2, g2, inc;
      factors(q[k], f2, g2, inc);
      const double qs = q[k] * (alpha * intensity[k] - f2 - inc) / g2;
      EXPECT_NEAR(rec.curves[0].y[k], qs, 1e-10 * (1 + std::fabs(qs)));
    }
  }
  // No point reaches the limit: the constant is undefined and reported as NaN.
  numeric_recorder rec;
  ASSERT_EQ(s.run(n, lambda, 1.0, 6.5, 3, 0, 99.0, 0.0, q, intensity), 1);
  EXPECT_TRUE(std::isnan(rec.nc[0]));
}

// displaync_ comes first, then Q[S(Q)-1] as curve 1 and S(Q) as curve 2; alpha = 1 uses
// the intensities unscaled.
TEST(Nm, CallOrderAndUnitConstant) {
  std::vector<std::string> events;
  std::vector<std::vector<double>> ys;
  numeric_receiver r;
  r.save_curve = [&](int n, const double*, const double* y, int calc, int curve) {
    events.push_back("curve " + std::to_string(calc) + "," + std::to_string(curve));
    ys.emplace_back(y, y + n);
  };
  r.displaync = [&](double v) { events.push_back("nc " + std::to_string(v)); };
  numeric_receiver previous = set_numeric_receiver(r);
  const sample_columns s = one_species();
  const std::vector<double> q{0.5, 1.0, 2.0};
  const std::vector<double> intensity{20.0, 18.0, 15.0};
  EXPECT_EQ(s.run(3, 0.7, 2.0, 1.0, 1, 1, 1.0, 0.0, q, intensity), 1);
  set_numeric_receiver(previous);
  EXPECT_EQ(events, (std::vector<std::string>{"nc 0.000000", "curve 1,1", "curve 1,2"}));
  ASSERT_EQ(ys.size(), 2u);
  for (int k = 0; k < 3; ++k) {
    const double f2 = f_one(q[k]) * f_one(q[k]);
    EXPECT_NEAR(ys[0][k], q[k] * (intensity[k] - f2) / f2, 1e-12);
  }
  // The first S(Q) point is 0 even where q is not.
  EXPECT_EQ(ys[1][0], 0.0);
  EXPECT_NEAR(ys[1][1], intensity[1] / (f_one(1.0) * f_one(1.0)), 1e-12);
}

TEST(Nm, RefusedInputs) {
  const sample_columns s = one_species();
  const sample_columns none;
  const std::vector<double> q{0.0, 0.1}, intensity{1.0, 1.0};
  struct {
    const sample_columns* sample;
    int n;
    const char* first_line;
  } cases[] = {{&s, 0, "No data points to normalise"}, {&s, -3, "No data points to normalise"},
               {&none, 2, "The sample has no species"}};
  for (const auto& c : cases) {
    numeric_recorder rec;
    EXPECT_EQ(c.sample->run(c.n, 0.7, 1.0, 0.05, 1, 0, 1.0, 0.0, q, intensity), 0);
    ASSERT_EQ(rec.errors.size(), 1u);
    EXPECT_EQ(rec.errors[0].substr(0, rec.errors[0].find('\n')), c.first_line);
    EXPECT_NE(rec.errors[0].find("\nSubroutine: nm \n"), std::string::npos);
    EXPECT_TRUE(rec.curves.empty());
    EXPECT_TRUE(rec.nc.empty());
  }
}
