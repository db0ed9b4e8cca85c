// One refusal of each check of the settings rules and the steps (settings that share a
// check and a message template are represented by one of them): its exact text, its kind,
// and a record left exactly as it was.

#include "project/physics_options.h"
#include "step_fixture.h"

// From the applied SiO2 project (or init_project when not `applied`), `setup` brings the
// record to the failing state; `action` returns its result.
struct refusal {
  const char* name;
  std::function<void(StepTest&)> setup;
  std::function<int()> action;
  int expected;
  const char *text, *kind = "warning";
  bool applied = true;
};

// Step 0 passing every check: 2theta, raw data with points.
static void raw_ready(StepTest&) {
  set_data_format(0);
  StepTest::put_curve(0, 0, StepTest::raw_pattern(50));
}

// Step 0 on abscissa format fmt (0 2theta, 1 Q) with raw points at x.
static void raw_at(int fmt, std::vector<double> x) {
  set_data_format(fmt);
  StepTest::put_curve(0, 0, x, std::vector<double>(x.size(), 100.0));
}

static void input_ready(int calc) { StepTest::put_curve(calc, 0, StepTest::qs_pattern(200, 16.0)); }

class RefusalTest : public StepTest, public ::testing::WithParamInterface<refusal> {};

TEST_P(RefusalTest, ShowsExactlyItsMessageAndChangesNothing) {
  const refusal& c = GetParam();
  c.applied ? applied_project() : (void)init_project();
  c.setup(*this);
  messages.clear();
  const record_snapshot before = snapshot(activep);
  EXPECT_EQ(c.action(), c.expected);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], (message{c.kind, c.text}));
  EXPECT_TRUE(snapshot(activep) == before);
}

const auto none = [](StepTest&) {};
static int sample_check() { return test_sample(activep, 1); }
static int experiment_check() { return test_experiment(activep, 1); }
static std::function<int()> set(int prop, double value, int species) {
  return [=] { return set_prop(prop, value, species); };
}

const refusal cases[] = {
    // Settings entries (information dialogs).
    {"species_eleven", none, set(prop_species, 11, 0), prop_rejected, "Number of species must be between 1 and 10",
     "info"},
    {"z_99", none, set(prop_z, 99, 0), prop_rejected, "Atomic number must be between 1 and 98", "info"},
    {"z_text", none, [] { return entry_value(prop_z, " iron") ? 0 : prop_rejected; }, prop_rejected,
     "Atomic number Z: \" iron\" is not a number\nThe value is left as it was"},
    // Sample and experiment checks (warnings).
    {"no_species", none, sample_check, 0, "The number of chemcial species must be > 0\nPlease check this parameter",
     "warning", false},
    {"z_unset", [](StepTest&) { prepspec(activep, 1); }, sample_check, 0,
     "The atomic number must be set for all species\nPlease check this parameter", "warning", false},
    {"conc_unset", [](StepTest&) { prepspec(activep, 1); set_species_element(activep, 0, 14); }, sample_check, 0,
     "The atomic concentration must be > 0.0 for all species\nPlease check this parameter", "warning", false},
    {"wavelength", none, experiment_check, 0, "The wavelenght must be > 0.0 Å\nPlease check this parameter", "warning",
     false},
    {"density", [](StepTest&) { proj[activep].exp_prop[k_density] = -1e-9; }, experiment_check, 0,
     "The sample density must be >= 0.0 atoms/Å^3\nPlease check this parameter"},
    {"geometry", [](StepTest&) { proj[activep].exp_prop[k_geometry] = not_set; }, experiment_check, 0,
     "Please select the experimental geometry"},
    // f'' of oxygen unset.
    {"chemistry",
     [](StepTest&) { proj[activep].spec_prop[3][1] = 0.0, proj[activep].trun = 1, proj[activep].prun = 0; },
     apply_project, 0, "Some properties of the chemical species are incomplete\nPlease check these parameters"},
    {"concentration_sum", [](StepTest&) { proj[activep].spec_prop[1] = {1e308, 1e308}; proj[activep].trun = 1; },
     apply_project, 0, "The sum of the atomic concentrations must be a number > 0.0\nPlease check these parameters"},
    // Raw data correction.
    {"format", [](StepTest& t) { raw_ready(t); proj[activep].params[k_abscissa] = -1; }, run_ra, step_refused,
     "Please select a data format"},
    {"raw_missing", [](StepTest&) { set_data_format(1); }, run_ra, step_refused,
     "A file containing the raw experimental data is required"},
    {"not_applied", [](StepTest& t) { raw_ready(t); proj[activep].trun = 1; }, run_ra, step_refused,
     "A file containing the raw experimental data is required"},
    {"background", [](StepTest& t) { raw_ready(t); proj[activep].checks[k_subtract_background] = 1; }, run_ra,
     step_refused,
     "You choose to apply background corrections\na file containing the background information is required"},
    {"smoothing", [](StepTest& t) { raw_ready(t); set_smoothing(1); }, run_ra, step_refused,
     "You choose to use data smoothing\nthe smooth intensity is required"},
    {"reflection_mu_0",
     [](StepTest& t) { raw_ready(t), t.active().exp_prop[k_geometry] = 1.0, t.active().exp_prop[k_abs_sample] = 0; },
     run_ra, step_refused,
     "In reflection geometry the linear absorption (sample) must be > 0.0 μt\nPlease check this parameter"},
    // The first point with tau I >= 1 is named, not the first point.
    {"dead_time_overflow", [](StepTest& t) { raw_ready(t), set_prop(9, 0.001, 0); }, run_ra, step_refused,
     "The dead time correction I / (1 - τI) needs τI < 1, but τI = 1.05241 at 2θ = 4.81633° in the raw data (I = "
     "1052.41)\nPlease check the detector dead time"},
    // Data that dr cannot use (the last raw point is not used and not checked).
    {"not_increasing", [](StepTest&) { raw_at(0, {2, 2.05, 2.1, 2.05, 1}); }, run_ra, step_refused,
     "The abscissae of the raw data do not increase: point 4 (2.05) follows 2.1\nThe data must run from low to high "
     "angle or Q"},
    {"q_in_nm", [](StepTest&) { raw_at(1, {1, 2, 3, 18, 190}); }, run_ra, step_refused,
     "Q = 18 Å⁻¹ in the raw data is beyond 4π/λ = 17.7166 Å⁻¹\nIs the abscissa in nm⁻¹, or the wavelength wrong?"},
    {"q_step", [](StepTest&) { raw_at(1, {1, 1.0004, 1.0008, 1.0012}); }, run_ra, step_refused,
     "The first step of the raw data, from 1 to 1.0004 Å⁻¹, is below 0.0005 Å⁻¹ in Q\nThe corrected data are resampled "
     "with that step rounded to 0.001 Å⁻¹"},
    // S(q).
    {"sq_input", none, run_sq, step_refused, "Providing corrected experimental data is required"},
    {"breit_dirac", [](StepTest&) { input_ready(1); }, run_sq, step_refused, "You must choose a Breit-Dirac factor"},
    {"qlim_above_qmax",
     [](StepTest&) { input_ready(1); propbox_changed(4, 1); proj[activep].exp_prop[k_qlim] = 16.0 + 1e-9; }, run_sq,
     step_refused,
     "You decided to use the High angle method\nIn that case the integration limit must be > 0.0 and < Qmax"},
    // The damping factor left at 0.0.
    {"trial_and_error", [](StepTest&) { input_ready(1); propbox_changed(4, 1); set_method(1); }, run_sq, step_refused,
     "You decided to use the trial and error method\nIn that case the damping factor must be > 0.0"},
    // Bending correction.
    {"bq_input", none, run_bq, step_refused, "Providing experimental q[S(q)-1] data is required"},
    {"bending_high", [](StepTest&) { input_ready(2); set_prop(13, 50.001, 0); }, run_bq, step_refused,
     "Bending point must be > 10.0 and < 50.0"},
    // Pair distribution.
    {"gr_input", none, run_gr, step_refused, "Providing reciprocal space data\nin the format Q[S(Q)-1] is required"},
    {"rmax", [](StepTest&) { input_ready(3); }, run_gr, step_refused, "Rmax must be > 0.0"},
    {"delta_r", [](StepTest& t) { input_ready(3), t.gr_settings(10.0, 0.0, 0.0); }, run_gr, step_refused,
     "δr must be > 0.0"},
    {"damping", [](StepTest& t) { input_ready(3), t.gr_settings(10.0, 0.01, -0.1); }, run_gr, step_refused,
     "The damping factor must be >= 0.0"},
    // Refinements of the physics.
    {"option_text", none, [] { return set_physics_option_text(opt_qmax, "12 1/A"); }, prop_rejected,
     "Highest Q of the transform: \"12 1/A\" is not a number", "info"},
    {"monoangle", [](StepTest& t) { t.active().options.monoangle = 180.0; }, apply_project, 0,
     "The monochromator angle 2θM must be >= 0.0 and < 180.0"},
    {"raw_range_narrow", [](StepTest& t) { raw_ready(t), set_physics_option(opt_ttmax, 7.0); }, run_ra, step_refused,
     "The range of the raw data keeps fewer than 3 points"},
    {"qmin_at_qmax",
     [](StepTest&) { input_ready(1), propbox_changed(4, 1), set_prop(11, 8.0, 0), set_physics_option(opt_qmin, 16.0); },
     run_sq, step_refused, "The lowest Q of the normalisation must be > 0.0 and < Qmax"},
    {"qmax_low", [](StepTest& t) { input_ready(3), t.gr_settings(10.0, 0.01, 0.0), set_physics_option(opt_qmax, 0.1); },
     run_gr, step_refused, "The highest Q of the transform must keep at least 3 points"},
    // Data files.
    {"file_missing", [](StepTest&) { set_data_format(0); }, [] { return load_data_file(0, "/nonexistent/h6/raw.dat"); },
     0, "Error loading file: file does not exist\n/nonexistent/h6/raw.dat\n", "error"},
    // Scale factors and the values from the tables.
    {"bkgscale", none, [] { return set_scale(0, 0.0); }, 0, "The background scale factor must be > 0.0 and <= 1000.0",
     "info"},
    {"mut_thickness", none, [] { return compute_mu_t(0.0, 2.2); }, prop_rejected,
     "The sample thickness must be > 0.0 mm", "info"},
    {"mut_density", none, [] { return compute_mu_t(1.0, 0.0); }, prop_rejected, "The mass density must be > 0.0 g/cm^3",
     "info"},
    {"fp_without_wavelength", [](StepTest& t) { t.active().exp_prop[k_wavelength] = not_set; },
     [] { return anomalous_from_tables(0, 0); }, prop_rejected,
     "The wavelength must be set to take f' and f'' from the tables", "info"},
};

INSTANTIATE_TEST_SUITE_P(Steps, RefusalTest, ::testing::ValuesIn(cases),
                         [](const auto& info) { return std::string(info.param.name); });

