// The tabulated incoherent scattering functions and the comparison with the analytic one.
#include "project/incoherent_tables.h"

#include "numeric/elements.h"
#include "support/project_fixture.h"
#include "support/recording_presenter.h"

namespace {

using IncoherentTables = project_table_test;

double q_of(double x) { return four_pi_f * x; }  // x = sin(theta)/lambda

// Hydrogen against its exact form, which the 1975 tables list: S = 1 - F^2 with the 1s
// form factor F = (1 + (2 pi a0 x)^2)^-2. Heavier atoms against the values of the tables
// (Hubbell et al. 1975) at their grid nodes, and the limit S -> Z at large x.
TEST_F(IncoherentTables, PublishedValues) {
  constexpr double a0 = 0.529177;  // Bohr radius, A
  for (double x : {0.1, 0.25, 0.5, 0.7}) {
    const double u = 2 * M_PI * a0 * x;
    EXPECT_NEAR(tabulated_incoherent(1, q_of(x)), 1 - std::pow(1 + u * u, -4), 2e-4) << x;
  }
  struct { int z; double x, s; } nodes[] = {{2, 0.5, 1.8175}, {8, 0.25, 3.6135}, {14, 0.5, 7.937},
               {56, 0.5, 21.078}, {82, 1.0, 40.151}, {82, 5.0, 73.858}};
  for (const auto& n : nodes) EXPECT_NEAR(tabulated_incoherent(n.z, q_of(n.x)), n.s, 1e-3) << n.z;
  EXPECT_NEAR(tabulated_incoherent(82, q_of(1e4)), 82.0, 1e-4);
  // Outside the tables: nothing at q <= 0 or beyond Z = 98; below the first node x^2.
  EXPECT_EQ(std::tuple(tabulated_incoherent(14, 0.0), tabulated_incoherent(99, 5.0)), std::tuple(0.0, 0.0));
  EXPECT_NEAR(tabulated_incoherent(14, q_of(0.0005)), tabulated_incoherent(14, q_of(0.001)) / 4, 1e-12);
}

// Off by more than 5 % of Z over 0.5-30 1/A: hydrogen, barium, lead, not silicon or
// oxygen. The warning names them once per project, and not when the tables are chosen.
TEST_F(IncoherentTables, AnalyticOutliersWarnOncePerProject) {
  recording_presenter messages;
  init_project();
  const int zs[5] = {14, 1, 56, 8, 82};
  prepspec(activep, 5);
  for (int s = 0; s < 5; ++s) set_species_element(activep, s, zs[s]);
  EXPECT_EQ(analytic_incoherent_outliers(activep, 0.5, 30.0), (std::vector<std::string>{"H", "Ba", "Pb"}));
  proj[activep].exp_prop[14] = 1.0;  // Compton "All in"
  for (int run = 0; run < 2; ++run) warn_analytic_incoherent(activep, 0.5, 30.0);
  ASSERT_EQ(messages.texts("warning").size(), 1u);
  EXPECT_NE(messages.texts("warning")[0].find("\nfor H, Ba, Pb over the Q range"), std::string::npos);
  init_project();
  prepspec(activep, 1);
  set_species_element(activep, 0, 82);
  proj[activep].exp_prop[14] = 1.0, proj[activep].options.incoherent = incoherent_tabulated;

  warn_analytic_incoherent(activep, 0.5, 30.0);
  EXPECT_EQ(messages.texts("warning").size(), 1u);
}

}  // namespace
