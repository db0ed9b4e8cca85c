#include "project/settings.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "project/changes.h"
#include "numeric/elements.h"
#include "project/entry_text.h"
#include "project/messages.h"
#include "project/physics_options.h"
#include "project/project.h"
#include "project/recalc.h"
#include "project/setting_table.h"
#include "project/sq_refine.h"
#include "project/steps.h"
#include "project/step_hooks.h"
#include "project/toolbox.h"
#include "project/uncertainty.h"
#include "project/i18n.h"
#include "project/xray_tables.h"

namespace {

void show_page(int page) {
  if (shooks().settings_page) shooks().settings_page(page);
}

// f′ and f″ of species s follow the tables when its element or the wavelength changes,
// unless the user typed values of their own: a value is the table's when it is 0 (never
// given) or equals the table at the previous element and wavelength, to the six decimals
// a project file keeps.
void follow_tables(project& r, int s, int old_z, double old_wavelength) {
  auto now = tabulated_anomalous(static_cast<int>(r.spec_prop[0][s]), r.exp_prop[k_wavelength]);
  if (!now) return;
  auto before = tabulated_anomalous(old_z, old_wavelength);
  const double table_now[2] = {now->fp, now->fpp};
  const double table_before[2] = {before ? before->fp : NAN, before ? before->fpp : NAN};
  for (int k = 0; k < 2; ++k) {
    double& v = r.spec_prop[2 + k][s];
    if (v == 0.0 || std::fabs(v - table_before[k]) <= 1e-6) v = table_now[k];
  }
}

// The refusal of a value out of the range of its rule: its message, if it has one.
int refuse(const setting_rule& rule) {
  if (rule.message) show_info(tr(rule.message), 0);
  return prop_rejected;
}

const setting_rule& species_count_rule() {
  static const setting_rule* rule = [] {
    for (int i = 0; i < nsetting_rules; ++i)
      if (setting_rules[i].place == setting_place::species_count) return &setting_rules[i];
    return static_cast<const setting_rule*>(nullptr);
  }();
  return *rule;
}

int set_species_count(project& r, double value) {
  if (!setting_in_range(species_count_rule(), value)) return refuse(species_count_rule());
  // The count is stored truncated; re-entering the current count keeps the species data.
  int n = static_cast<int>(value);
  if (n == r.nspec) return prop_unchanged;
  prepspec(activep, n);
  r.trun = 1;
  return prop_stored;
}

int set_species_value(project& r, int prop, double value, int s) {
  if (s < 0 || s >= r.nspec) return prop_unchanged;
  if (value == r.spec_prop[prop - 1][s]) return prop_unchanged;
  // A rejected value leaves the record as it was, trun included.
  const setting_rule& rule = *setting_of_species(prop - 1);
  if (!setting_in_range(rule, value)) return refuse(rule);
  if (prop == prop_z) {
    const int old_z = static_cast<int>(r.spec_prop[0][s]);
    set_species_element(activep, s, static_cast<int>(value));
    follow_tables(r, s, old_z, r.exp_prop[k_wavelength]);  // the wavelength is the same
    r.trun = 1;
    return prop_stored;
  }
  r.spec_prop[prop - 1][s] = value;
  r.trun = 1;
  return prop_stored;
}

int set_experiment_value(project& r, int prop, double value) {
  double& stored = r.exp_prop[prop - prop_first_exp];
  if (value == stored) return prop_unchanged;
  const setting_rule& rule = *setting_of_exp_prop(prop - prop_first_exp);
  if (!setting_in_range(rule, value)) return refuse(rule);
  const double before = stored;
  stored = value;
  if (prop == prop_first_exp)  // the wavelength: tabulated f′ and f″ follow it
    for (int s = 0; s < r.nspec; ++s)
      follow_tables(r, s, static_cast<int>(r.spec_prop[0][s]), before);
  // With automatic recalculation the g(r) windows stay open and follow the new values.
  if ((prop == 14 || prop == 15) && !auto_recalc_on(activep)) {  // R_max, delta r
    if (shooks().hide_curves) shooks().hide_curves(activep, 3);
    if (shooks().curve_sensitive) shooks().curve_sensitive(3, 0);
  }
  r.calcok[rule.first_step] = 0;
  return prop_stored;
}

}  // namespace

std::optional<double> entry_value(int prop, const char* text) {
  // The field names of the settings and step dialogs, in property order.
  static const char* const fields[prop_last_exp + 1] = {
      N_("Number of species"), N_("Atomic number Z"), N_("Concentration"), N_("f'"), N_("f''"),
      N_("Wavelength (Å)"),
      N_("Linear absorption, sample (μt)"), N_("Linear absorption, substrate/cell (μt)"),
      N_("Number density (atoms/Å³)"), N_("Detector dead time (s)"), N_("Additive correction"),
      N_("High angle method, Q limit (Å⁻¹)"), N_("Trial and error method, damping factor"),
      N_("Bending point (Å⁻¹)"), N_("Rmax (Å)"), N_("δr (Å)"), N_("Damping factor (Å²)")};
  const char* field = prop >= 0 && prop <= prop_last_exp ? fields[prop] : N_("Value");
  return read_entry(tr(field), text ? text : "");
}

bool concentration_fractions(const project& r, std::vector<double>& x) {
  const std::vector<double>& c = r.spec_prop[1];
  double sum = 0.0;
  for (int s = 0; s < r.nspec && s < static_cast<int>(c.size()); ++s) sum += c[s];
  if (!(sum > 0.0) || !std::isfinite(sum)) return false;
  x = c;
  // Fractions typed as decimals (1/3, 2/3) sum to 1 within rounding: they are used as typed.
  if (std::fabs(sum - 1.0) <= 1e-9) return true;
  for (int s = 0; s < r.nspec && s < static_cast<int>(x.size()); ++s) x[s] = c[s] / sum;
  return true;
}

std::optional<double> z_entry_value(const char* text) {
  const int z = text ? element_number(text) : 0;
  if (z > 0) return z;
  return entry_value(prop_z, text);
}

int set_prop(int prop, double value, int species) {
  if (!valid_project(activep)) return prop_unchanged;
  project& r = proj[activep];
  int result = prop_unchanged;
  if (prop == prop_species)
    result = set_species_count(r, value);
  else if (prop >= prop_z && prop <= prop_fpp)
    result = set_species_value(r, prop, value, species);
  else if (prop >= prop_first_exp && prop <= prop_last_exp)
    result = set_experiment_value(r, prop, value);
  int first = first_step_of_prop(prop);
  // The optimisation of the S(q) step corrects F(r) as the transform's damping makes it.
  if (result == prop_stored && prop == prop_first_exp + k_damping && lowr_on(activep)) r.calcok[first = calc_sq] = 0;
  if (result == prop_stored) setting_accepted(first);
  return result;
}

int propbox_changed(int box, int active_entry) {
  if (!valid_project(activep) || box < 0 || box > 4 || active_entry < 0) return prop_unchanged;
  project& r = proj[activep];
  double code = active_entry + 1;
  if (code == r.exp_prop[k_geometry + box]) return prop_unchanged;
  const setting_rule& rule = *setting_of_exp_prop(k_geometry + box);
  if (!setting_in_range(rule, code)) return prop_rejected;
  r.exp_prop[k_geometry + box] = code;
  if (box <= 2)
    r.trun = 1;
  else
    r.calcok[rule.first_step] = 0;
  setting_accepted(first_step_of_box(box));
  return prop_stored;
}

int test_sample(int p, int report) {
  if (!valid_project(p)) return 0;
  const project& r = proj[p];
  int ok = 1;
  if (r.nspec <= 0) {
    if (report) show_warning(tr("The number of chemcial species must be > 0\nPlease check this parameter"));
    ok = 0;
  }
  for (int s = 0; s < r.nspec; ++s) {
    if (!(r.spec_prop[0][s] > 0.0)) {
      if (report)
        show_warning(tr("The atomic number must be set for all species\nPlease check this parameter"));
      ok = 0;
    } else if (!(r.spec_prop[1][s] > 0.0)) {
      if (report)
        show_warning(
            tr("The atomic concentration must be > 0.0 for all species\nPlease check this parameter"));
      ok = 0;
    }
  }
  if (!ok && report) show_page(0);
  return ok;
}

int test_experiment(int p, int report) {
  if (!valid_project(p)) return 0;
  const double* e = proj[p].exp_prop;
  // The experiment's settings, each in the range of its rule (set, that is).
  const char* failed = nullptr;
  for (int k : {k_wavelength, k_abs_sample, k_abs_cell, k_density, k_dead_time, k_geometry, k_polarisation, k_compton}) {
    const setting_rule& rule = *setting_of_exp_prop(k);
    if (!setting_in_range(rule, e[k])) {
      failed = rule.message;
      break;
    }
  }
  if (!failed) failed = polarisation_problem(p);
  if (!failed) return 1;
  if (report) {
    show_warning(tr(failed));
    show_page(1);
  }
  return 0;
}

int checkchemistry(int p) {
  if (!valid_project(p)) return 0;
  const project& r = proj[p];
  for (int s = 0; s < r.nspec; ++s)
    for (int k = 0; k <= 4; ++k)
      if (r.spec_prop[k][s] == 0.0) return 0;
  return 1;
}

int apply_project() {
  if (!valid_project(activep)) return 0;
  if (!test_sample(activep, 1)) return 0;
  if (!test_experiment(activep, 1)) return 0;
  project& r = proj[activep];
  if (r.trun == 0) {
    if (shooks().settings_hide) shooks().settings_hide();
    return 1;
  }
  std::vector<double> fractions;
  if (!concentration_fractions(r, fractions)) {
    show_warning(
        tr("The sum of the atomic concentrations must be a number > 0.0\nPlease check these parameters"));
    show_page(0);
    return 0;
  }
  r.prun = checkchemistry(activep);
  if (!r.prun) {
    show_warning(
        tr("Some properties of the chemical species are incomplete\nPlease check these parameters"));
    show_page(0);
    return 0;
  }
  r.spec_prop[1] = fractions;
  if (r.run) {
    if (shooks().hide_curves && !auto_recalc_on(activep))
      for (int calc = 0; calc < ncalc; ++calc) shooks().hide_curves(activep, calc);
  } else {
    initcwidgets();
  }
  for (int calc = 0; calc < ncalc; ++calc) {
    r.dialok[calc] = 1;
    r.calcok[calc] = 0;
  }
  turnchecks();
  turnactions();
  r.trun = 0;
  if (shooks().settings_hide) shooks().settings_hide();
  setting_accepted(-1);
  return 2;
}

int anomalous_from_tables(int s, int absent_only) {
  if (!valid_project(activep)) return prop_unchanged;
  project& r = proj[activep];
  if (s < 0 || s >= r.nspec || !(r.spec_prop[0][s] > 0.0)) return prop_unchanged;
  const double wavelength = r.exp_prop[k_wavelength];
  if (!(wavelength > 0.0)) {
    show_info(tr("The wavelength must be set to take f' and f'' from the tables"), 0);
    return prop_rejected;
  }
  auto t = tabulated_anomalous(static_cast<int>(r.spec_prop[0][s]), wavelength);
  if (!t) {
    show_info(format(tr("No tabulated f' and f'' for %s at %f Å"), r.spec_symbol[s].c_str(), wavelength)
                  .c_str(),
              0);
    return prop_rejected;
  }
  const double table[2] = {t->fp, t->fpp};
  bool changed = false;
  for (int k = 0; k < 2; ++k) {
    double& v = r.spec_prop[2 + k][s];
    if ((absent_only && v != 0.0) || v == table[k]) continue;
    v = table[k];
    changed = true;
  }
  if (!changed) return prop_unchanged;
  r.trun = 1;
  setting_accepted(first_step_of_prop(prop_fp));
  return prop_stored;
}

int compute_mu_t(double thickness_mm, double density) {
  if (!valid_project(activep)) return prop_unchanged;
  const project& r = proj[activep];
  std::vector<int> z;
  std::vector<double> x;
  bool species_known = r.nspec > 0;
  for (int s = 0; s < r.nspec; ++s) {
    z.push_back(static_cast<int>(r.spec_prop[0][s]));
    x.push_back(r.spec_prop[1][s]);
    species_known = species_known && z.back() > 0 && x.back() > 0.0;
  }
  const char* refusal = nullptr;
  std::optional<double> mu;
  if (!(thickness_mm > 0.0))
    refusal = N_("The sample thickness must be > 0.0 mm");
  else if (!(density > 0.0))
    refusal = N_("The mass density must be > 0.0 g/cm^3");
  else if (!(r.exp_prop[k_wavelength] > 0.0))
    refusal = N_("The wavelength must be set to compute μt");
  else if (!species_known)
    refusal = N_("The atomic number and concentration of every species are needed for μt");
  else if (!(mu = mixture_attenuation(z, x, r.exp_prop[k_wavelength])))
    refusal = N_("No tabulated attenuation for these elements at this wavelength");
  if (refusal) {
    show_info(tr(refusal), 0);
    return prop_rejected;
  }
  // μt = (μ/ρ) ρ t, with t in cm.
  return set_prop(prop_first_exp + 1, *mu * density * thickness_mm / 10.0, -1);
}

int set_setting(const setting_rule& rule, double value) {
  if (!valid_project(activep)) return prop_unchanged;
  if (!setting_in_range(rule, value)) return refuse(rule);
  project& r = proj[activep];
  const int v = rule.flags & whole ? static_cast<int>(value) : 0;  // in range: an int
  switch (rule.place) {
    case setting_place::exp_prop:
      if (rule.index >= k_geometry) return propbox_changed(rule.index - k_geometry, v - 1);
      return set_prop(prop_first_exp + rule.index, value, -1);
    case setting_place::param:
      if (rule.index == k_abscissa) return set_data_format(v) ? prop_stored : prop_unchanged;
      if (rule.index == k_density_mode) {
        set_density_mode(v);
        return prop_stored;
      }
      r.params[rule.index] = v;
      break;
    case setting_place::check:
      r.checks[rule.index] = v;
      break;
    case setting_place::option:
      if (rule.member == &project_options::bkgscale || rule.member == &project_options::cellscale)
        return set_scale(rule.member == &project_options::bkgscale ? 0 : 1, value) ? prop_stored : prop_rejected;
      if (rule.member == &project_options::window) {
        set_window(v);
        return prop_stored;
      }
      if (const int which = lowr_setting_of(rule.member); which >= 0) {
        set_lowr_setting(which, value);
        return prop_stored;
      }
      if (const int option = physics_option_of(rule.member); option >= 0) return set_physics_option(option, value);
      // The mode drops the deviations held and, for the third column, reads the files again.
      if (rule.member == &project_options::errors) {
        set_uncertainty_mode(v);
        return prop_stored;
      }
      r.options.*rule.member = value;
      break;
    default:  // the sample: by its entries
      return prop_unchanged;
  }
  if (rule.first_step >= 0) r.calcok[rule.first_step] = 0;
  setting_accepted(rule.first_step);
  return prop_stored;
}
