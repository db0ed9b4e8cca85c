// Unit and wavelength recognition on header text as the files of integrated patterns,
// chi-plots and instruments carry it.
#include "support/test.h"

#include "import/header_units.h"

TEST(HeaderUnits, UnitsAndWavelengthsOfRealHeaders) {
  using u = abscissa_unit;
  // wavelength: Å, 0 none.
  struct header_case { const char* text; abscissa_unit unit; double wavelength; };
  const header_case cases[] = {
      // Integrated patterns: the wavelength in metres, the column line last.
      {"# Distance Sample to Detector: 0.2 m\n# Wavelength: 1.908e-11\n#  q_nm^-1   I\n",
       u::q_per_nm, 0.1908},
      {"# Wavelength: 7.093e-11\n# q_A^-1  I\n", u::q_per_angstrom, 0.7093},
      {"# Date: 12th November\n# 2th_deg  I\n", u::two_theta_deg, 0}, {"# 2th_rad I\n", u::two_theta_rad, 0},
      // Chi-plot: title, abscissa, ordinate.
      {"glass_001\nQ (Inverse Nanometres)\nIntensity\n", u::q_per_nm, 0},
      {"glass_001\n2-Theta Angle (Degrees)\nIntensity\n", u::two_theta_deg, 0},
      {"x\nQ (Inverse Angstroms)\ny\n", u::q_per_angstrom, 0}, {"# q [Å-1]  I\n", u::q_per_angstrom, 0},
      {"# 2θ (°)  counts\n", u::two_theta_deg, 0},
      // The first unit a line names is its abscissa's.
      {"# columns: 2theta, q_A^-1, I\n", u::two_theta_deg, 0},
      // Instrument metadata.
      {"<usedWavelength intended=\"K-Alpha 1\">\n<kAlpha1 unit=\"Angstrom\">1.5405980</kAlpha1>\n"
       "<positions axis=\"2Theta\" unit=\"deg\">\n<positions axis=\"Omega\" unit=\"deg\">\n",
       u::two_theta_deg, 1.540598},
      {"WL1 = 1.540598\nANODE = Cu\n", u::none, 1.540598}, {"# wavelength = 0.07093 nm\n", u::none, 0.7093},
      {"# lambda: 71.07 pm\n", u::none, 0.7107},
      // Nothing recognisable: dates, batch names, a wavelength far out of range.
      {"# Sample 12th batch\n# Wavelength: 3000\n# counts per data-1\n", u::none, 0}, {"", u::none, 0},
  };
  for (const header_case& c : cases) {
    header_units h = recognise_header(c.text);
    EXPECT_EQ(h.unit, c.unit) << c.text;
    EXPECT_NEAR(h.wavelength, c.wavelength, 1e-9) << c.text;
  }
  EXPECT_EQ(recognise_header("# Wavelength: 1.908e-11\n#  q_nm^-1   I\n").unit_line, "#  q_nm^-1   I");
}

