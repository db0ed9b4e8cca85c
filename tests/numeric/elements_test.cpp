#include "support/test.h"

#include "numeric/elements.h"

// The generated coefficient table must hold the data file's values at the coefficient-major
// positions j * 98 + (Z - 1), and the symbol column must agree with atsym.
TEST(Elements, CoefficientTableMatchesDataFile) {
  std::ifstream in(AMOQ_SOURCE_DIR "/data/reference/xray_form_factor_coefficients.tsv");
  ASSERT_TRUE(in);
  std::string line;
  int rows = 0;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#' || line[0] == 'Z') continue;
    std::istringstream fields(line);
    int z;
    std::string sym;
    fields >> z >> sym;
    ASSERT_EQ(z, rows + 1);
    EXPECT_EQ(atsym_of(z), sym.size() == 1 ? sym + " " : sym) << z;
    for (int j = 0; j < 11; ++j) {
      double v;
      fields >> v;
      EXPECT_EQ(rxparameters[j * 98 + z - 1], v) << "Z " << z << " coefficient " << j;
    }
    ++rows;
  }
  EXPECT_EQ(rows, 98);
}

TEST(Elements, SymbolsNamesAndLookup) {
  struct { int z; const char* sym; const char* name; } cases[] = {
      {1, "H ", "Hydrogen      "},   {13, "Al", "Aluminum      "}, {98, "Cf", "Californium   "},
      {104, "Rf", "Rutherfordium "}, {106, "D ", "Deuterium     "},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(atsym_of(c.z), c.sym);
    EXPECT_EQ(element_of(c.z), c.name);
  }
  EXPECT_TRUE(atsym_of(0).empty());
  EXPECT_TRUE(element_of(107).empty());
  // Lookup by symbol or name, trimmed and case-free.
  const std::pair<const char*, int> lookups[] = {{"Si", 14}, {" silicon ", 14}, {"O", 8},  {"o ", 8}, {"CF", 98},
                                                 {"Aluminum", 13}, {"Silico", 0}, {"D", 0}, {"Es", 0}, {"", 0}, {"14", 0}};
  for (const auto& [text, z] : lookups) EXPECT_EQ(element_number(text), z) << text;
}

static species_factors from_table(int z, double x, double fp = 0.0, double fpp = 0.0) {
  species_factors s{static_cast<double>(z), x, fp, fpp, {}, {}, 0.0};
  for (int j = 0; j < 5; ++j) s.a[j] = rx_coefficient(j, z), s.b[j] = rx_coefficient(5 + j, z);
  s.c = rx_coefficient(10, z);
  return s;
}

TEST(Scattering, FactorAtZeroAndAtFiniteQ) {
  species_factors h = from_table(1, 1.0, 0.25);
  EXPECT_NEAR(scattering_factor(h, 0.0), 0.999978 + 0.25, 1e-12);
  // Independent evaluation at sin(theta)/lambda = 0.5, i.e. q = 2pi (single-precision 4pi).
  const double q = 0.5 * 12.566370964050293;
  double ref = 0.25 + 0.000049;
  const double a[] = {0.413048, 0.294953, 0.187491, 0.080701, 0.023736};
  const double b[] = {15.569946, 32.398468, 5.711404, 61.889874, 1.334118};
  for (int j = 0; j < 5; ++j) ref += a[j] * std::exp(-b[j] * 0.25);
  EXPECT_NEAR(scattering_factor(h, q), ref, 1e-14);
}

// Values of the analytic form worked out by hand from its constants.
TEST(Scattering, Incoherent) {
  EXPECT_EQ(incoherent_scattering(14, 0.0), 0.0);
  EXPECT_NEAR(incoherent_scattering(14, 10.0), 10.496228710036531, 1e-12);
  EXPECT_NEAR(incoherent_scattering(8, 1e6), 8.0, 1e-3);  // tends to Z
  species_factors sp[2] = {from_table(14, 0.25), from_table(8, 0.75)};
  EXPECT_NEAR(sample_incoherent(sp, 10.0), 0.25 * 10.496228710036531 + 0.75 * incoherent_scattering(8, 10.0), 1e-12);
}
