// Every refusal of the settings rules and the step checks: its exact text, its kind, and
// a record left exactly as it was.

#include "project/physics_options.h"
#include "step_fixture.h"

namespace {

// From init_project or the applied SiO2 project (`applied`), `setup` brings the record to
// the failing state; `action` returns its result.
struct refusal {
  const char *name;
  bool applied;
  std::function<void(StepTest&)> setup;
  std::function<int()> action;
  int expected;
  const char *kind, *text;
};

// Step 0 passing every check: 2theta, raw data with points.
void raw_ready(StepTest&) {
  set_data_format(0);
  StepTest::put_curve(0, 0, StepTest::raw_pattern(50));
}

// Step 0 on abscissa format fmt (0 2theta, 1 Q) with raw points at x.
void raw_at(int fmt, std::vector<double> x) {
  set_data_format(fmt);
  const std::vector<double> y(x.size(), 100.0);
  save_curve(static_cast<int>(x.size()), x.data(), y.data(), 0, 0);
}

void input_ready(int calc) { StepTest::put_curve(calc, 0, StepTest::qs_pattern(200, 16.0)); }

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
int sample_check() { return test_sample(activep, 1); }
int experiment_check() { return test_experiment(activep, 1); }
std::function<int()> set(int prop, double value, int species) {
  return [=] { return set_prop(prop, value, species); };
}

const refusal cases[] = {
    // Settings entries (information dialogs).
    {"species_zero", false, none, set(prop_species, 0, 0), prop_rejected, "info",
     "Number of species must be between 1 and 10"},
    {"species_eleven", true, none, set(prop_species, 11, 0), prop_rejected, "info",
     "Number of species must be between 1 and 10"},
    {"z_99", true, none, set(prop_z, 99, 0), prop_rejected, "info", "Atomic number must be between 1 and 98"},
    {"z_text", true, none, [] { return entry_value(prop_z, " iron") ? 0 : prop_rejected; }, prop_rejected,
     "warning", "Atomic number Z: \" iron\" is not a number\nThe value is left as it was"},
    {"conc_zero", true, none, set(prop_conc, 0.0, 0), prop_rejected, "info", "Species concentration must be > 0.0"},
    {"fp_150", true, none, set(prop_fp, -150.0, 0), prop_rejected, "info", "Abs(f') must be =< 100.0"},
    {"fpp_101", true, none, set(prop_fpp, 100.5, 1), prop_rejected, "info", "Abs(f'') must be =< 100.0"},
    // Sample and experiment checks (warnings).
    {"no_species", false, none, sample_check, 0, "warning",
     "The number of chemcial species must be > 0\nPlease check this parameter"},
    {"z_unset", false, [](StepTest&) { prepspec(activep, 1); }, sample_check, 0, "warning",
     "The atomic number must be set for all species\nPlease check this parameter"},
    {"conc_unset", false, [](StepTest&) { prepspec(activep, 1); set_species_element(activep, 0, 14); },
     sample_check, 0, "warning", "The atomic concentration must be > 0.0 for all species\nPlease check this parameter"},
    {"wavelength", false, none, experiment_check, 0, "warning",
     "The wavelenght must be > 0.0 Å\nPlease check this parameter"},
    {"abs_sample", true, [](StepTest&) { proj[activep].exp_prop[k_abs_sample] = -0.1; }, experiment_check, 0,
     "warning", "The linear absorption (sample) must be >= 0.0 μt\nPlease check this parameter"},
    {"abs_cell", true, [](StepTest&) { proj[activep].exp_prop[k_abs_cell] = not_set; }, experiment_check, 0,
     "warning", "The linear absorption (substrate/cell) must be >= 0.0 μt\nPlease check this parameter"},
    {"density", true, [](StepTest&) { proj[activep].exp_prop[k_density] = -1e-9; }, experiment_check, 0, "warning",
     "The sample density must be >= 0.0 atoms/Å^3\nPlease check this parameter"},
    {"dead_time", true, [](StepTest&) { proj[activep].exp_prop[k_dead_time] = not_set; }, experiment_check, 0,
     "warning", "The detector time must be >= 0.0 s\nPlease check this parameter"},
    {"geometry", true, [](StepTest&) { proj[activep].exp_prop[k_geometry] = not_set; }, experiment_check, 0,
     "warning", "Please select the experimental geometry"},
    {"polarisation", true, [](StepTest&) { proj[activep].exp_prop[k_polarisation] = not_set; }, experiment_check, 0,
     "warning", "Please select the polarizartion type"},
    {"compton", true, [](StepTest&) { proj[activep].exp_prop[k_compton] = not_set; }, apply_project, 0, "warning",
     "Please select the compton scattering"},
    {"chemistry", true,  // f'' of oxygen unset
     [](StepTest&) { proj[activep].spec_prop[3][1] = 0.0, proj[activep].trun = 1, proj[activep].prun = 0; },
     apply_project, 0, "warning",
     "Some properties of the chemical species are incomplete\nPlease check these parameters"},
    {"concentration_sum", true,
     [](StepTest&) { proj[activep].spec_prop[1] = {1e308, 1e308}; proj[activep].trun = 1; }, apply_project, 0,
     "warning", "The sum of the atomic concentrations must be a number > 0.0\nPlease check these parameters"},
    // Raw data correction.
    {"format", true, [](StepTest& t) { raw_ready(t); proj[activep].params[k_abscissa] = -1; }, run_ra, step_refused,
     "warning", "Please select a data format"},
    {"raw_missing", true, [](StepTest&) { set_data_format(1); }, run_ra, step_refused, "warning",
     "A file containing the raw experimental data is required"},
    {"not_applied", true, [](StepTest& t) { raw_ready(t); proj[activep].trun = 1; }, run_ra, step_refused,
     "warning", "A file containing the raw experimental data is required"},
    {"background", true, [](StepTest& t) { raw_ready(t); proj[activep].checks[k_subtract_background] = 1; }, run_ra,
     step_refused, "warning",
     "You choose to apply background corrections\na file containing the background information is required"},
    {"cell", true, [](StepTest& t) { raw_ready(t); proj[activep].checks[k_subtract_cell] = 1; }, run_ra,
     step_refused, "warning",
     "You choose to apply cell/substrate corrections\na file containing the cell information is required"},
    {"smoothing", true, [](StepTest& t) { raw_ready(t); set_smoothing(1); }, run_ra, step_refused, "warning",
     "You choose to use data smoothing\nthe smooth intensity is required"},
    {"reflection_mu_0", true,
     [](StepTest& t) { raw_ready(t), proj[activep].exp_prop[k_geometry] = 1.0, proj[activep].exp_prop[k_abs_sample] = 0; },
     run_ra, step_refused, "warning",
     "In reflection geometry the linear absorption (sample) must be > 0.0 μt\nPlease check this parameter"},
    {"dead_time_overflow", true, [](StepTest& t) { raw_ready(t), set_prop(9, 0.001, 0); }, run_ra, step_refused,
     "warning",  // the first point with tau I >= 1, not the first point
     "The dead time correction I / (1 - τI) needs τI < 1, but τI = 1.05241 at 2θ = 4.81633° in the raw data "
     "(I = 1052.41)\nPlease check the detector dead time"},
    // Data that dr cannot use (the last raw point is not used and not checked).
    {"not_increasing", true, [](StepTest&) { raw_at(0, {2, 2.05, 2.1, 2.05, 1}); }, run_ra, step_refused, "warning",
     "The abscissae of the raw data do not increase: point 4 (2.05) follows 2.1\nThe data must run "
     "from low to high angle or Q"},
    {"q_in_nm", true, [](StepTest&) { raw_at(1, {1, 2, 3, 18, 190}); }, run_ra, step_refused, "warning",
     "Q = 18 Å⁻¹ in the raw data is beyond 4π/λ = 17.7166 Å⁻¹\nIs the abscissa in nm⁻¹, or the wavelength wrong?"},
    {"q_step", true, [](StepTest&) { raw_at(1, {1, 1.0004, 1.0008, 1.0012}); }, run_ra, step_refused, "warning",
     "The first step of the raw data, from 1 to 1.0004 Å⁻¹, is below 0.0005 Å⁻¹ in Q\nThe corrected "
     "data are resampled with that step rounded to 0.001 Å⁻¹"},
    {"background_not_increasing", true,
     [](StepTest& t) {
       raw_ready(t);
       const std::vector<double> x = {140, 100, 50, 2}, y = {1, 1, 1, 1};
       save_curve(4, x.data(), y.data(), 0, 1);
       proj[activep].checks[k_subtract_background] = 1;
     },
     run_ra, step_refused, "warning",
     "The abscissae of the background do not increase: point 2 (100) follows 140\nThe data must run "
     "from low to high angle or Q"},
    // S(q).
    {"sq_input", true, none, run_sq, step_refused, "warning", "Providing corrected experimental data is required"},
    {"breit_dirac", true, [](StepTest&) { input_ready(1); }, run_sq, step_refused, "warning",
     "You must choose a Breit-Dirac factor"},
    {"qlim_above_qmax", true,
     [](StepTest&) { input_ready(1); propbox_changed(4, 1); proj[activep].exp_prop[k_qlim] = 16.0 + 1e-9; }, run_sq,
     step_refused, "warning",
     "You decided to use the High angle method\nIn that case the integration limit must be > 0.0 and < Qmax"},
    {"trial_and_error", true,  // the damping factor left at 0.0
     [](StepTest&) { input_ready(1); propbox_changed(4, 1); set_method(1); }, run_sq, step_refused, "warning",
     "You decided to use the trial and error method\nIn that case the damping factor must be > 0.0"},
    // Bending correction.
    {"bq_input", true, none, run_bq, step_refused, "warning", "Providing experimental q[S(q)-1] data is required"},
    {"bending_high", true, [](StepTest&) { input_ready(2); set_prop(13, 50.001, 0); }, run_bq, step_refused,
     "warning", "Bending point must be > 10.0 and < 50.0"},
    // Pair distribution.
    {"gr_input", true, none, run_gr, step_refused, "warning",
     "Providing reciprocal space data\nin the format Q[S(Q)-1] is required"},
    {"rmax", true, [](StepTest&) { input_ready(3); }, run_gr, step_refused, "warning", "Rmax must be > 0.0"},
    {"delta_r", true, [](StepTest& t) { input_ready(3), t.gr_settings(10.0, 0.0, 0.0); }, run_gr, step_refused,
     "warning", "δr must be > 0.0"},
    {"damping", true, [](StepTest& t) { input_ready(3), t.gr_settings(10.0, 0.01, -0.1); }, run_gr, step_refused,
     "warning", "The damping factor must be >= 0.0"},
    // Refinements of the physics.
    {"option_text", true, none, [] { return set_physics_option_text(opt_qmax, "12 1/A"); }, prop_rejected, "info",
     "Highest Q of the transform: \"12 1/A\" is not a number"},
    {"monoangle", true, [](StepTest& t) { t.active().options.monoangle = 180.0; }, apply_project, 0, "warning",
     "The monochromator angle 2θM must be >= 0.0 and < 180.0"},
    {"raw_range_narrow", true, [](StepTest& t) { raw_ready(t), set_physics_option(opt_ttmax, 7.0); }, run_ra,
     step_refused, "warning", "The range of the raw data keeps fewer than 3 points"},
    {"qmin_at_qmax", true,
     [](StepTest&) { input_ready(1), propbox_changed(4, 1), set_prop(11, 8.0, 0), set_physics_option(opt_qmin, 16.0); },
     run_sq, step_refused, "warning", "The lowest Q of the normalisation must be > 0.0 and < Qmax"},
    {"qmax_low", true,
     [](StepTest& t) { input_ready(3), t.gr_settings(10.0, 0.01, 0.0), set_physics_option(opt_qmax, 0.1); },
     run_gr, step_refused, "warning", "The highest Q of the transform must keep at least 3 points"},
    // Data files.
    {"file_missing", true, [](StepTest&) { set_data_format(0); },
     [] { return load_data_file(0, "/nonexistent/h6/raw.dat"); }, 0, "error",
     "Error loading file: file does not exist\n/nonexistent/h6/raw.dat\n"},
    {"file_folder", true, [](StepTest&) { set_data_format(0); }, [] { return load_data_file(0, "/"); }, 0, "error",
     "Error loading file: file is a directory\n/\n"},
    {"file_device", true, [](StepTest&) { set_data_format(0); }, [] { return load_data_file(0, "/dev/zero"); }, 0,
     "error", "Error loading file: file is not a regular file\n/dev/zero\n"},
    // Scale factors and the values from the tables.
    {"bkgscale", true, none, [] { return set_scale(0, 0.0); }, 0, "info",
     "The background scale factor must be > 0.0 and <= 1000.0"},
    {"cellscale", true, none, [] { return set_scale(1, -1.0); }, 0, "info", "The cell scale factor must be > 0.0 and <= 1000.0"},
    {"mut_thickness", true, none, [] { return compute_mu_t(0.0, 2.2); }, prop_rejected, "info",
     "The sample thickness must be > 0.0 mm"},
    {"mut_density", true, none, [] { return compute_mu_t(1.0, 0.0); }, prop_rejected, "info",
     "The mass density must be > 0.0 g/cm^3"},
    {"fp_without_wavelength", true, [](StepTest& t) { t.active().exp_prop[k_wavelength] = not_set; },
     [] { return anomalous_from_tables(0, 0); }, prop_rejected, "info",
     "The wavelength must be set to take f' and f'' from the tables"},
};

INSTANTIATE_TEST_SUITE_P(Steps, RefusalTest, ::testing::ValuesIn(cases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
