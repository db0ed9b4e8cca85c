// The settings rules that store values: truncation, element lookup, which flags an edit
// clears, and what "Apply" does on each state.
#include "project/info_pages.h"
#include "project/physics_options.h"
#include "step_fixture.h"

using SettingsTest = StepTest;

TEST_F(SettingsTest, SpeciesValuesAreStoredByTheirRules) {
  applied_project();
  EXPECT_EQ(set_prop(prop_z, 26.7, 0), prop_stored);
  EXPECT_EQ(std::tuple(active().spec_prop[0][0], active().spec_symbol[0], active().trun), std::tuple(26.0, "Fe", 1));
  EXPECT_EQ((std::vector{set_prop(prop_z, 98, 0), set_prop(prop_fp, -100.0, 1), set_prop(prop_fpp, 100.0, 1)}),
            std::vector<int>(3, prop_stored));
  // The current count keeps the species data; a new count drops all of it.
  EXPECT_EQ(set_prop(prop_species, 2.9, 0), prop_unchanged);
  EXPECT_EQ(active().spec_prop[0][1], 8.0);
  EXPECT_EQ((std::pair{set_prop(prop_species, 3, 0), active().nspec}), (std::pair<int, int>{prop_stored, 3}));
  for (const auto& column : active().spec_prop) EXPECT_EQ(column, std::vector<double>(3, 0.0));
  EXPECT_TRUE(messages.empty());
  // Concentrations are proportions: Mg2SiO4 typed as the formula 2, 1, 4 is stored as 2/7,
  // 1/7, 4/7, the fractions every step then uses.
  const double z[3] = {12, 14, 8}, typed[3] = {2, 1, 4};
  for (int s = 0; s < 3; ++s)
    for (int k = 0; k < 4; ++k) set_prop(prop_z + k, k == 0 ? z[s] : k == 1 ? typed[s] : 0.05, s);
  ASSERT_EQ(apply_project(), 2);
  EXPECT_EQ(active().spec_prop[1], (std::vector<double>{2.0 / 7, 1.0 / 7, 4.0 / 7}));
}

TEST_F(SettingsTest, EditsClearTheFlagsOfTheStepsTheyAffect) {
  applied_project();
  // prop: set_prop property, or -1 - box for propbox_changed; cleared: calcok index cleared
  // (the first step the settings' table names); trun: trun afterwards; hides_gr: the g(r)
  // curves are hidden. The wavelength enters the data correction, the density also the
  // integral method and the optimisation of S(q); one setting of each step (the others
  // take the same path with their table entry).
  struct edit { int prop; double value; int cleared; int trun; bool hides_gr; };
  const edit edits[] = {
      {5, 0.71, 0, 0, false},   {8, 0.07, 1, 0, false},   {13, 12.0, 2, 0, false}, {14, 9.0, 3, 0, true},
      {-1 - 3, 2, 0, 0, false}, {-1 - 4, 1, 1, 0, false}, {-1 - 0, 0, -1, 1, false},
  };
  for (const edit& e : edits) {
    for (int& c : active().calcok) c = 1;
    active().trun = 0;
    hidden.clear();
    EXPECT_EQ(e.prop >= 0 ? set_prop(e.prop, e.value, 0) : propbox_changed(-1 - e.prop, static_cast<int>(e.value)),
              prop_stored) << e.prop;
    for (int c = 0; c < ncalc; ++c) EXPECT_EQ(active().calcok[c], c == e.cleared ? 0 : 1) << e.prop;
    EXPECT_EQ(active().trun, e.trun) << e.prop;
    EXPECT_EQ(hidden == std::vector<int>{3}, e.hides_gr) << e.prop;
  }
  // The same value again, or no entry of a box, changes nothing.
  for (int& c : active().calcok) c = 1;
  EXPECT_EQ((std::vector{set_prop(5, 0.71, 0), propbox_changed(4, 1), propbox_changed(2, -1)}), std::vector<int>(3, prop_unchanged));
  EXPECT_EQ(std::vector(active().calcok, active().calcok + ncalc), std::vector(ncalc, 1));
}

TEST_F(SettingsTest, ApplyOnEachState) {
  applied_project();
  EXPECT_EQ(std::vector(active().dialok, active().dialok + ncalc), std::vector(ncalc, 1));
  EXPECT_EQ(active().prun, 1);
  // Nothing edited: only the dialog is hidden; results stay valid.
  int hides = 0;
  shooks().settings_hide = [&] { ++hides; };
  active().calcok[calc_bq] = 1;
  EXPECT_EQ((std::vector{apply_project(), hides, active().calcok[calc_bq]}), (std::vector{1, 1, 1}));
  // An edit: the curves of every step are hidden (not recreated) and results invalid.
  put_curve(1, 1, {1, 2, 3}, {4, 5, 6});
  curve* kept = active().curves[1][1].get();
  set_prop(prop_conc, 0.4, 0);
  EXPECT_EQ(apply_project(), 2);
  EXPECT_EQ(hidden, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(active().curves[1][1].get(), kept);
  EXPECT_EQ((std::vector{kept->ndata, active().calcok[calc_bq], active().trun}), (std::vector{3, 0, 0}));
  // A failed check shows its page.
  active().exp_prop[k_wavelength] = 0.0;
  active().trun = 1;
  EXPECT_EQ(apply_project(), 0);
  EXPECT_EQ(pages, std::vector<int>{1});
}

TEST_F(SettingsTest, FormatChangeForgetsTheRawData) {
  applied_project();
  set_data_format(0);
  EXPECT_EQ(active().curves[0][0]->name, "Raw data -  2θ");
  put_curve(0, 0, {2, 3, 4}, {10, 11, 12});
  active().filename[0] = "raw.dat";
  active().calcok[calc_ra] = 1;
  EXPECT_EQ(set_data_format(0), 0);  // same abscissa: nothing happens
  EXPECT_EQ(active().curves[0][0]->ndata, 3);
  // The format set; the raw data forgotten, its points and file name; the step out of date.
  EXPECT_EQ((std::vector{set_data_format(1), active().params[k_abscissa], curve_points(*active().curves[0][0]),
                         active().curves[0][0]->ndata, active().calcok[calc_ra]}),
            (std::vector{1, 1, 0, 0, 0}));
  EXPECT_FALSE(active().filename[0]);
  EXPECT_EQ(active().curves[0][2]->name, "Cell scattering -  Q");
  EXPECT_EQ(lines[0].back(), "(None)|");
}

// A refinement clears the result of the first step that uses it (Q_max: the S(q) step's
// normalisation on), and the information pages
// name it only when it is set (so the pages of other projects read as before).
TEST_F(SettingsTest, RefinementsClearTheirStepAndShowOnTheirPage) {
  applied_project();
  set_data_format(0);
  struct refinement { int option; double value; int step, page; const char* line; } refinements[] = {
      {opt_ttmin, 5.0, 0, page_ra, "Range used:\t5.000000 to last point\t 2θ\n"},
      {opt_monoangle, 26.6, 0, page_experiment, "Monochromator angle 2θM:         \t26.600000\tdeg"},
      {opt_incoherent, 1.0, 1, page_experiment, "Incoherent scattering:           \tTables (Hubbell et al. 1975)"},
      {opt_qmin, 1.0, 1, page_sq, "Lowest Q of the normalisation:\t1.000000\tÅ-1"},
      {opt_qmax, 15.0, 1, page_gr, "Highest Q of the transform:\t15.000000\tÅ-1"},
  };
  for (const refinement& r : refinements) {
    EXPECT_EQ(plain_text(info_page_text(activep, r.page)).find(r.line), std::string::npos) << r.line;
    for (int& c : active().calcok) c = 1;
    EXPECT_EQ(set_physics_option(r.option, r.value), prop_stored);
    for (int c = 0; c < ncalc; ++c) EXPECT_EQ(active().calcok[c], c == r.step ? 0 : 1) << r.line;
    EXPECT_NE(plain_text(info_page_text(activep, r.page)).find(r.line), std::string::npos) << r.line;
  }
  propbox_changed(0, 3);
  EXPECT_NE(plain_text(info_page_text(activep, page_experiment)).find("geometry:           \tNone\n"),
            std::string::npos);
}

