#include "series/reduce_settings.h"

#include <cmath>

#include "project/i18n.h"
#include "project/messages.h"
#include "project/physics_options.h"
#include "project/project.h"
#include "project/settings.h"
#include "project/sq_refine.h"
#include "project/steps.h"
#include "project/toolbox.h"
#include "project/xray_tables.h"

namespace {

// scale: background / cell scale factor; tables: values taken from the X-ray tables once
// the other settings are in (take_from_tables); window and iterations: the transform's
// window and the iterations of the low-r optimisation; physics: the options of the
// incoherent scattering, Q and angular ranges and polarisation.
enum class key_kind { exp_prop, box, format, method, density_mode, check, scale, tables, window, iterations, physics };

struct setting_key {
  const char* name;
  key_kind kind;
  int index;    // exp_prop / combo box / checks position, physics_option
  int largest;  // largest value of a choice
};

// In the order the help lists them.
const setting_key setting_keys[] = {
    {"wavel", key_kind::exp_prop, k_wavelength, 0},
    {"abss", key_kind::exp_prop, k_abs_sample, 0},
    {"abss2", key_kind::exp_prop, k_abs_cell, 0},
    {"density", key_kind::exp_prop, k_density, 0},
    {"ddt", key_kind::exp_prop, k_dead_time, 0},
    {"corr", key_kind::exp_prop, k_additive, 0},
    {"ham", key_kind::exp_prop, k_qlim, 0},
    {"tem", key_kind::exp_prop, k_trial_constant, 0},
    {"bcpv", key_kind::exp_prop, k_bending_point, 0},
    {"rmax", key_kind::exp_prop, k_rmax, 0},
    {"deltar", key_kind::exp_prop, k_delta_r, 0},
    {"df", key_kind::exp_prop, k_damping, 0},
    {"geombox", key_kind::box, 0, ngeometry - 1},
    {"monobox", key_kind::box, 1, 2},
    {"comptonbox", key_kind::box, 2, 2},
    {"smoothbox", key_kind::box, 3, 3},
    {"bdbox", key_kind::box, 4, 4},
    {"formatbox", key_kind::format, 0, 1},
    {"method", key_kind::method, 0, 2},
    {"densmode", key_kind::density_mode, 0, 1},
    {"backcorr", key_kind::check, k_subtract_background, 1},
    {"subscatt", key_kind::check, k_subtract_cell, 1},
    {"smoothing", key_kind::check, k_smooth_data, 1},
    {"checkcorr", key_kind::check, k_use_additive, 1},
    {"bkgscale", key_kind::scale, 0, 0},
    {"cellscale", key_kind::scale, 1, 0},
    {"fp-from-tables", key_kind::tables, 0, 1},
    {"mut-thickness", key_kind::tables, 1, 0},
    {"mass-density", key_kind::tables, 2, 0},
    {"window", key_kind::window, 0, 1},
    {"optiter", key_kind::iterations, 1, 1000},
    {"incoherent", key_kind::physics, opt_incoherent, 1},
    {"qmin", key_kind::physics, opt_qmin, 0},
    {"qmax", key_kind::physics, opt_qmax, 0},
    {"ttmin", key_kind::physics, opt_ttmin, 0},
    {"ttmax", key_kind::physics, opt_ttmax, 0},
    {"monoangle", key_kind::physics, opt_monoangle, 0},
    {"polfraction", key_kind::physics, opt_polfraction, 0},
};

const setting_key* find_key(const std::string& name) {
  for (const setting_key& k : setting_keys)
    if (name == k.name) return &k;
  return nullptr;
}

bool is_choice(double v, int lo, int hi) { return v == std::floor(v) && v >= lo && v <= hi; }

// The warnings of a setting that is missing or out of range, and the key that sets it.
struct missing_setting {
  const char* warning;  // msgid
  const char* key;
};
const missing_setting missing_settings[] = {
    {N_("Please select a data format"), "formatbox"},
    {N_("You must choose a Breit-Dirac factor"), "bdbox"},
    {N_("You decided to use the High angle method\nIn that case the integration limit must be > 0.0 and < Qmax"),
     "ham"},
    {N_("You decided to use the trial and error method\nIn that case the damping factor must be > 0.0"), "tem"},
    {N_("Bending point must be > 10.0 and < 50.0"), "bcpv"},
    {N_("Rmax must be > 0.0"), "rmax"},
    {N_("δr must be > 0.0"), "deltar"},
    {N_("The damping factor must be >= 0.0"), "df"},
    {N_("You choose to use data smoothing\nthe smooth intensity is required"), "smoothbox"},
    {N_("The wavelenght must be > 0.0 Å\nPlease check this parameter"), "wavel"},
    {N_("The sample density must be >= 0.0 atoms/Å^3\nPlease check this parameter"), "density"},
    {N_("Please select the experimental geometry"), "geombox"},
    {N_("Please select the polarizartion type"), "monobox"},
    {N_("Please select the compton scattering"), "comptonbox"},
    {N_("You decided to use the integral method\nIn that case the sample's density must be > 0.0"), "density"},
    {N_("The optimisation below r_min needs the sample's density > 0.0"), "density"},
};

}  // namespace

std::string setting_hint(const std::string& warning) {
  for (const missing_setting& m : missing_settings) {
    if (warning != tr(m.warning)) continue;
    const setting_key& k = *find_key(m.key);
    std::string values = tr("NUMBER");
    if (k.kind == key_kind::box || k.kind == key_kind::format) {
      values.clear();
      for (int v = k.kind == key_kind::box ? 1 : 0; v <= k.largest; ++v)
        values += (values.empty() ? "" : "|") + std::to_string(v);
    }
    return format(tr("set it with --set %s=%s"), m.key, values.c_str());
  }
  return std::string();
}

bool is_setting_key(const std::string& key) { return find_key(key) != nullptr; }

std::vector<std::string> setting_key_names() {
  std::vector<std::string> names;
  for (const setting_key& k : setting_keys) names.push_back(k.name);
  return names;
}

bool apply_setting(const setting& s) {
  project& r = proj[activep];
  const setting_key* found = find_key(s.key);
  if (!found) return false;
  const setting_key& k = *found;
  if (k.kind == key_kind::exp_prop) {
    set_prop(prop_first_exp + k.index, s.value, 0);  // the entries' ids follow exp_prop
    return true;
  }
  if (k.kind == key_kind::physics) return set_physics_option(k.index, s.value) != prop_rejected;
  if (k.kind == key_kind::scale) return set_scale(k.index, s.value);
  if (k.kind == key_kind::tables && k.largest == 0) return s.value > 0.0;  // taken later
  const int lowest = k.kind == key_kind::box ? 1 : 0;
  if (!is_choice(s.value, lowest, k.largest)) return false;
  const int v = static_cast<int>(s.value);
  switch (k.kind) {
    case key_kind::box:
      propbox_changed(k.index, v - 1);
      break;
    case key_kind::check:
      r.checks[k.index] = v;
      r.calcok[k.index == k_use_additive ? calc_sq : calc_ra] = 0;
      break;
    case key_kind::method:
      r.params[k_method] = v;
      r.calcok[calc_sq] = 0;
      break;
    case key_kind::density_mode:
      set_density_mode(v);
      break;
    case key_kind::window:
      set_window(v);
      break;
    case key_kind::iterations:
      set_lowr_setting(k.index, v);
      break;
    default:  // formatbox and fp-from-tables, applied later
      break;
  }
  return true;
}

int format_setting(const std::vector<setting>& sets) {
  int choice = -2;
  for (const setting& s : sets)
    if (s.key == "formatbox") choice = static_cast<int>(s.value);
  return choice;
}

bool take_from_tables(const std::vector<setting>& sets, const std::function<void(const std::string&)>& note) {
  double all = 0.0, thickness = 0.0, density = 0.0;
  for (const setting& s : sets) {
    if (s.key == "fp-from-tables") all = s.value;
    if (s.key == "mut-thickness") thickness = s.value;
    if (s.key == "mass-density") density = s.value;
  }
  const project& r = proj[activep];
  for (int s = 0; s < r.nspec; ++s) {
    if (all == 0.0 && r.spec_prop[2][s] != 0.0 && r.spec_prop[3][s] != 0.0) continue;
    int result = anomalous_from_tables(s, all == 0.0);
    if (result == prop_rejected && all != 0.0) return false;
    if (result == prop_stored)
      note(format(tr("amoq-reduce: f' and f'' of %s from the tables: %f %f"), r.spec_symbol[s].c_str(),
                  r.spec_prop[2][s], r.spec_prop[3][s]));
  }
  if (thickness == 0.0 && density == 0.0) return true;
  if (thickness == 0.0 || density == 0.0) {
    note(tr("amoq-reduce: mut-thickness and mass-density are needed together"));
    return false;
  }
  if (compute_mu_t(thickness, density) == prop_rejected) return false;
  note(format(tr("amoq-reduce: mu*t of the sample from the tables: %f"), r.exp_prop[k_abs_sample]));
  return true;
}
