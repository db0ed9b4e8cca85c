#include "numeric/coordination.h"

#include "support/test.h"

#include "numeric/elements.h"

// A g(r) of two Gaussian shells of known numbers, handed over as G(r) = 4 pi rho r (g - 1):
// R(r) comes back as 4 pi rho r^2 g(r), each shell integrates to its number, and the
// Faber-Ziman weights of an SiO2-like sample turn the Si-O peak into 4 O around Si.
TEST(Coordination, GaussianShellsTotalAndPerPair) {
  const double rho = 0.0662, dr = 0.005;
  const double z[2] = {14, 8}, x[2] = {1.0 / 3, 2.0 / 3}, fp[2] = {0.08, 0.01};
  const double mean = x[0] * (z[0] + fp[0]) + x[1] * (z[1] + fp[1]);
  const double w_sio = x[0] * x[1] * (z[0] + fp[0]) * (z[1] + fp[1]) / (mean * mean);
  // The Si-O peak of the total holds Si-O and O-Si pairs: N = 2 w N_SiO / c_O.
  const double n_sio = 4.0, peak1 = 2 * w_sio * n_sio / x[1], peak2 = 5.5;
  std::vector<double> r, big_g, g, rdf;
  for (int j = 0; j < 1200; ++j) {
    const double rj = j * dr;
    const double shells = peak1 * std::exp(-0.5 * std::pow((rj - 1.6) / 0.05, 2)) / (0.05 * std::sqrt(2 * M_PI)) +
                          peak2 * std::exp(-0.5 * std::pow((rj - 2.6) / 0.09, 2)) / (0.09 * std::sqrt(2 * M_PI));
    r.push_back(rj);
    g.push_back(rj > 0 ? shells / (4 * M_PI * rho * rj * rj) : 0.0);
    big_g.push_back(4 * M_PI * rho * rj * (g.back() - 1.0));
  }
  rdf.resize(r.size());
  radial_distribution(static_cast<int>(r.size()), r.data(), big_g.data(), rho, rdf.data());
  for (std::size_t j = 1; j < r.size(); j += 97)
    EXPECT_NEAR(rdf[j], four_pi_f * rho * r[j] * r[j] * g[j], 1e-6 * (1 + rdf[j]));

  struct {
    double r1, r2, total;
  } cases[] = {{1.3, 1.9, peak1}, {2.15, 3.05, peak2}, {1.0, 3.5, peak1 + peak2}, {-1.0, 0.5, 0.0}};
  for (const auto& c : cases)
    EXPECT_NEAR(coordination_number(static_cast<int>(r.size()), r.data(), rdf.data(), c.r1, c.r2), c.total,
                2e-4 * (1 + c.total))
        << c.r1;
  EXPECT_NEAR(pair_coordination(peak1, 2, z, x, fp, 0, 1), n_sio, 1e-12);
  // O-O: a like pair counts its weight once.
  EXPECT_NEAR(pair_coordination(peak2, 2, z, x, fp, 1, 1),
              peak2 * x[1] * mean * mean / (x[1] * x[1] * std::pow(z[1] + fp[1], 2)), 1e-12);
  double sum = 0.0;
  for (int a = 0; a < 2; ++a)
    for (int b = 0; b < 2; ++b) sum += pair_weight(2, z, x, fp, a, b);
  EXPECT_NEAR(sum, 1.0, 1e-14);
  EXPECT_TRUE(std::isnan(pair_coordination(1.0, 2, z, x, fp, 0, 2)));
}

// On a straight line the trapezoid rule is exact, also between grid points and clipped to
// the data.
TEST(Coordination, LinearRadialFunctionIntegratesExactly) {
  const double r[4] = {1.0, 1.5, 2.0, 2.5}, rdf[4] = {2.0, 3.0, 4.0, 5.0};  // R = 2 r
  struct {
    double r1, r2, expected;
  } cases[] = {{1.2, 2.3, 2.3 * 2.3 - 1.2 * 1.2}, {0.0, 9.0, 2.5 * 2.5 - 1.0}, {1.7, 1.8, 1.8 * 1.8 - 1.7 * 1.7},
               {2.0, 1.0, 0.0}};
  for (const auto& c : cases) EXPECT_NEAR(coordination_number(4, r, rdf, c.r1, c.r2), c.expected, 1e-12);
}
