#include "project/setting_table.h"

#include <cmath>
#include <limits>

#include "project/i18n.h"

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
using o = project_options;
using p = setting_place;

}  // namespace

// In the order amoq-reduce --help lists the --set keys.
const setting_rule setting_rules[] = {
    // Experiment: the entries of the settings dialog and the step dialogs (exp_prop 0..11).
    {"wavel", "wavelength", p::exp_prop, k_wavelength, nullptr, 0, inf, lo_open | unset_ok,
     N_("The wavelenght must be > 0.0 Å\nPlease check this parameter"), 0},
    {"abss", "absorption-sample", p::exp_prop, k_abs_sample, nullptr, 0, inf, unset_ok,
     N_("The linear absorption (sample) must be >= 0.0 μt\nPlease check this parameter"), 0},
    {"abss2", "absorption-substrate", p::exp_prop, k_abs_cell, nullptr, 0, inf, unset_ok,
     N_("The linear absorption (substrate/cell) must be >= 0.0 μt\nPlease check this parameter"), 0},
    // The density enters S(q) too, by the integral method and the low-r optimisation.
    {"density", "density", p::exp_prop, k_density, nullptr, 0, inf, unset_ok,
     N_("The sample density must be >= 0.0 atoms/Å^3\nPlease check this parameter"), 1},
    {"ddt", "deadtime", p::exp_prop, k_dead_time, nullptr, 0, inf, unset_ok,
     N_("The detector time must be >= 0.0 s\nPlease check this parameter"), 0},
    {"corr", nullptr, p::exp_prop, k_additive, nullptr, -inf, inf, unset_ok, nullptr, 1},
    {"ham", nullptr, p::exp_prop, k_qlim, nullptr, 0, inf, lo_open | unset_ok,
     N_("You decided to use the High angle method\nIn that case the integration limit must be > 0.0 and < Qmax"), 1},
    {"tem", nullptr, p::exp_prop, k_trial_constant, nullptr, 0, inf, lo_open | unset_ok,
     N_("You decided to use the trial and error method\nIn that case the damping factor must be > 0.0"), 1},
    {"bcpv", nullptr, p::exp_prop, k_bending_point, nullptr, 10, 50, unset_ok,
     N_("Bending point must be > 10.0 and < 50.0"), 2},
    {"rmax", nullptr, p::exp_prop, k_rmax, nullptr, 0, inf, lo_open | unset_ok, N_("Rmax must be > 0.0"), 3},
    {"deltar", nullptr, p::exp_prop, k_delta_r, nullptr, 0, inf, lo_open | unset_ok, N_("δr must be > 0.0"), 3},
    {"df", nullptr, p::exp_prop, k_damping, nullptr, 0, inf, unset_ok, N_("The damping factor must be >= 0.0"), 3},
    // The code combo boxes (exp_prop 12..16, codes from 1).
    {"geombox", "geometry", p::exp_prop, k_geometry, nullptr, 1, ngeometry - 1, whole | unset_ok,
     N_("Please select the experimental geometry"), 0},
    {"monobox", "monochromator", p::exp_prop, k_polarisation, nullptr, 1, 2, whole | unset_ok,
     N_("Please select the polarizartion type"), 0},
    {"comptonbox", "compton", p::exp_prop, k_compton, nullptr, 1, 2, whole | unset_ok,
     N_("Please select the compton scattering"), 0},
    {"smoothbox", nullptr, p::exp_prop, k_smoothing, nullptr, 1, 3, whole | unset_ok,
     N_("You choose to use data smoothing\nthe smooth intensity is required"), 0},
    // Breit-Dirac exponent codes 1..3, and 4 "None" (no recoil factor).
    {"bdbox", nullptr, p::exp_prop, k_breit_dirac, nullptr, 1, 4, whole | unset_ok,
     N_("You must choose a Breit-Dirac factor"), 1},
    // The switches of the step dialogs.
    {"formatbox", nullptr, p::param, k_abscissa, nullptr, 0, 1, whole, N_("Please select a data format"), 0},
    {"method", nullptr, p::param, k_method, nullptr, 0, 2, whole, nullptr, 1},
    {"densmode", nullptr, p::param, k_density_mode, nullptr, 0, 1, whole, nullptr, 3},
    {"backcorr", nullptr, p::check, k_subtract_background, nullptr, 0, 1, whole, nullptr, 0},
    {"subscatt", nullptr, p::check, k_subtract_cell, nullptr, 0, 1, whole, nullptr, 0},
    {"smoothing", nullptr, p::check, k_smooth_data, nullptr, 0, 1, whole, nullptr, 0},
    {"checkcorr", nullptr, p::check, k_use_additive, nullptr, 0, 1, whole, nullptr, 1},
    // The settings added to the original record (the options block of the files).
    {"bkgscale", "bkgscale", p::option, 0, &o::bkgscale, 0, 1000, lo_open,
     N_("The background scale factor must be > 0.0 and <= 1000.0"), 0},
    {"cellscale", "cellscale", p::option, 0, &o::cellscale, 0, 1000, lo_open,
     N_("The cell scale factor must be > 0.0 and <= 1000.0"), 0},
    {"window", "window", p::option, 0, &o::window, 0, 1, whole, nullptr, 3},
    {"optiter", "lowr_iter", p::option, 0, &o::lowr_iter, 0, 1000, whole,
     N_("The optimisation below r_min needs 0 to 1000 iterations"), 1},
    {"incoherent", "incoherent", p::option, 0, &o::incoherent, 0, 1, whole, nullptr, 1},
    {"qmin", "qmin", p::option, 0, &o::qmin, 0, inf, lo_open | unset_ok,
     N_("The lowest Q of the normalisation must be > 0.0 and < Qmax"), 1},
    // Q_max bounds every step from the normalisation on.
    {"qmax", "qmax", p::option, 0, &o::qmax, 0, inf, lo_open | unset_ok, N_("The highest Q of the transform must be > 0.0"),
     1},
    {"ttmin", "ttmin", p::option, 0, &o::ttmin, -inf, inf, unset_ok, nullptr, 0},
    {"ttmax", "ttmax", p::option, 0, &o::ttmax, -inf, inf, unset_ok, nullptr, 0},
    {"monoangle", "monoangle", p::option, 0, &o::monoangle, 0, 180, hi_open | unset_ok,
     N_("The monochromator angle 2θM must be >= 0.0 and < 180.0"), 0},
    {"polfraction", "polfraction", p::option, 0, &o::polfraction, 0, 1, unset_ok,
     N_("The polarisation fraction must be >= 0.0 and <= 1.0"), 0},
    // r_min 0 is the optimisation switched on before r_min is entered. An r_min far beyond
    // any interatomic distance keeps the optimisation computing for hours.
    {nullptr, "lowr_rmin", p::option, 0, &o::lowr_rmin, 0, 100, unset_ok,
     N_("The optimisation below r_min needs 0.0 < r_min <= 100.0 Å"), 1},
    {nullptr, "lowr_density", p::option, 0, &o::lowr_density, 0, 1, whole, nullptr, 1},
    {nullptr, "lowr_rho", p::option, 0, &o::lowr_rho, 0, inf, lo_open | unset_ok, nullptr, -1},
    {nullptr, "lowr_chi2", p::option, 0, &o::lowr_chi2, 0, inf, unset_ok, nullptr, -1},
    // The range of the coordination numbers: what the g(r) dialog's entries take.
    {nullptr, "coord_r1", p::option, 0, &o::coord_r1, -inf, inf, unset_ok, nullptr, -1},
    {nullptr, "coord_r2", p::option, 0, &o::coord_r2, -inf, inf, unset_ok, nullptr, -1},
    {nullptr, "coord_a", p::option, 0, &o::coord_a, -1, nspec_max - 1, whole, nullptr, -1},
    {nullptr, "coord_b", p::option, 0, &o::coord_b, -1, nspec_max - 1, whole, nullptr, -1},
    {nullptr, "autorecalc", p::option, 0, &o::autorecalc, 0, 1, whole, nullptr, -1},
    // Uncertainties: 0 none, 1 counting statistics, 2 the third column of the data files.
    {"errors", "errors", p::option, 0, &o::errors, 0, 2, whole,
     N_("The uncertainties must be 0 (none), 1 (counting statistics) or 2 (third column of the files)"), 0},
    // The sample: species count and, per species, Z, concentration, f' and f''.
    {nullptr, nullptr, p::species_count, 0, nullptr, 0, 11, lo_open | hi_open,
     N_("Number of species must be between 1 and 10"), 1},
    {nullptr, "Z", p::species, 0, nullptr, 0, 99, lo_open | hi_open, N_("Atomic number must be between 1 and 98"), 1},
    {nullptr, "concentration", p::species, 1, nullptr, 0, inf, lo_open | unset_ok,
     N_("Species concentration must be > 0.0"), 1},
    {nullptr, "fp", p::species, 2, nullptr, -100, 100, 0, N_("Abs(f') must be =< 100.0"), 1},
    {nullptr, "fpp", p::species, 3, nullptr, -100, 100, 0, N_("Abs(f'') must be =< 100.0"), 1},
};
const int nsetting_rules = static_cast<int>(sizeof setting_rules / sizeof setting_rules[0]);

namespace {

template <class Match>
const setting_rule* find_rule(Match match) {
  for (const setting_rule& r : setting_rules)
    if (match(r)) return &r;
  return nullptr;
}

}  // namespace

const setting_rule* setting_by_key(std::string_view key) {
  return find_rule([&](const setting_rule& r) { return r.key && key == r.key; });
}

const setting_rule* setting_by_file_key(std::string_view key) {
  return find_rule([&](const setting_rule& r) { return r.file_key && key == r.file_key; });
}

const setting_rule* setting_of_exp_prop(int k) {
  return find_rule([&](const setting_rule& r) { return r.place == p::exp_prop && r.index == k; });
}

const setting_rule* setting_of_option(double project_options::*member) {
  return find_rule([&](const setting_rule& r) { return r.place == p::option && r.member == member; });
}

const setting_rule* setting_of_species(int row) {
  return find_rule([&](const setting_rule& r) { return r.place == p::species && r.index == row; });
}

bool setting_in_range(const setting_rule& r, double v) {
  if (!std::isfinite(v)) return false;
  if ((r.flags & whole) && v != std::floor(v)) return false;
  const bool above = r.flags & lo_open ? v > r.lo : v >= r.lo;
  const bool below = r.flags & hi_open ? v < r.hi : v <= r.hi;
  return above && below;
}

bool setting_storable(const setting_rule& r, double v) {
  return setting_in_range(r, v) || ((r.flags & unset_ok) && (v == not_set || v == 0.0));
}

int setting_int(const setting_rule& r, double v, int fallback) {
  return (r.flags & whole) && setting_in_range(r, v) ? static_cast<int>(v) : fallback;
}

int double_to_int(double v, int lo, int hi, int fallback) {
  return v >= lo && v <= hi && v == std::floor(v) ? static_cast<int>(v) : fallback;
}
