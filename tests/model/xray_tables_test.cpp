// The tabulated values against published numbers (typed in, not computed by the same
// library): f′ and f″ from International Tables for Crystallography Vol. C, Table 4.2.6.8;
// μ/ρ from Hubbell & Seltzer, NISTIR 5632 (1995), at their tabulated energies.
#include "support/test.h"

#include "project/xray_tables.h"

TEST(XrayTables, AnomalousFactorsAgreeWithThePublishedTable) {
  struct published { int z; double wavelength, fp, fpp; };
  const published table[] = {
      {14, 0.709317, 0.0817, 0.0704},  // Si, Mo Kα
      {14, 1.540593, 0.2541, 0.3302},  // Si, Cu Kα
      {8, 0.709317, 0.0106, 0.0060},   // O, Mo Kα
      {8, 1.540593, 0.0492, 0.0322},   // O, Cu Kα
  };
  for (const published& p : table) {
    auto f = tabulated_anomalous(p.z, p.wavelength);
    ASSERT_TRUE(f) << p.z;
    EXPECT_TRUE(std::fabs(f->fp - p.fp) < 0.01 && std::fabs(f->fpp - p.fpp) < 0.01)
        << p.z << " " << p.wavelength << ": " << f->fp << " " << f->fpp;
  }
  // Z outside the tables, and the "not set" wavelength
  EXPECT_FALSE(tabulated_anomalous(0, 0.7) || tabulated_anomalous(99, 0.7) || tabulated_anomalous(14, -10.0));

}

TEST(XrayTables, AttenuationOfElementsAndOfSilica) {
  // λ = 12.39842 / E for E = 10 and 20 keV.
  const double l10 = 1.239842, l20 = 0.619921;
  const std::tuple<int, double, double> mus[] = {{14, l10, 33.89}, {14, l20, 4.464}, {8, l10, 5.952}, {8, l20, 0.8651}};
  for (auto [z, l, mu] : mus) EXPECT_NEAR(*tabulated_attenuation(z, l), mu, 0.02 * mu) << z << " " << l;
  // SiO2 (any scale of the atom fractions): mass fractions from the standard atomic
  // weights 28.0855 and 15.9994.
  const double w_si = 28.0855 / (28.0855 + 2 * 15.9994);
  const std::vector<int> z = {14, 8};
  const std::vector<double> x = {1.0, 2.0};
  EXPECT_NEAR(*mixture_attenuation(z, x, l20), w_si * 4.464 + (1 - w_si) * 0.8651, 0.02 * 2.55);
  EXPECT_FALSE(mixture_attenuation(z, std::vector<double>{1.0}, l20));
}

