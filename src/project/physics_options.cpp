#include "project/physics_options.h"

#include <optional>

#include "project/changes.h"
#include "project/curve.h"
#include "project/entry_text.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/settings.h"
#include "project/setting_table.h"
#include "project/toolbox.h"
#include "project/i18n.h"

namespace {

// The range and the step each option changes are in its rule (setting_table.h).
struct option_rule {
  double project_options::*member;
  const char* field;  // its name in messages
};
const option_rule rules[nphysics_options] = {
    {&project_options::incoherent, N_("Incoherent scattering")},
    {&project_options::qmin, N_("Lowest Q used")},
    {&project_options::qmax, N_("Highest Q of the transform")},
    {&project_options::ttmin, N_("Lowest abscissa used")},
    {&project_options::ttmax, N_("Highest abscissa used")},
    {&project_options::monoangle, N_("Monochromator angle")},
    {&project_options::polfraction, N_("Linear polarisation fraction")},
};

bool is_set(double v) { return v != not_set; }

// lo <= x <= hi, an unset bound being open.
bool within(double x, double lo, double hi) {
  return (!is_set(lo) || x >= lo) && (!is_set(hi) || x <= hi);
}

// Points of the input curve of step calc of project p within lo..hi.
int points_within(int p, int calc, double lo, double hi) {
  const curve* c = find_curve(p, calc, 0);
  int n = c ? curve_points(*c) : 0, kept = 0;
  for (int k = 0; k < n; ++k)
    if (within(c->data[0][k], lo, hi)) ++kept;
  return kept;
}

}  // namespace

double physics_option(int p, int option) {
  if (!valid_project(p) || option < 0 || option >= nphysics_options) return not_set;
  return proj[p].options.*rules[option].member;
}

int physics_option_of(double project_options::*member) {
  for (int k = 0; k < nphysics_options; ++k)
    if (rules[k].member == member) return k;
  return -1;
}

int set_physics_option(int option, double value) {
  if (!valid_project(activep) || option < 0 || option >= nphysics_options) return prop_unchanged;
  const setting_rule& rule = *setting_of_option(rules[option].member);
  // Unset (an entry cleared) where the option may be; otherwise within its range.
  if (!(value == not_set && (rule.flags & unset_ok)) && !setting_in_range(rule, value)) {
    if (rule.message) show_info(tr(rule.message), 0);
    return prop_rejected;
  }
  project& r = proj[activep];
  double& stored = r.options.*rules[option].member;
  if (value == stored) return prop_unchanged;
  stored = value;
  r.calcok[rule.first_step] = 0;
  setting_accepted(rule.first_step);
  return prop_stored;
}

int set_physics_option_text(int option, const std::string& text) {
  if (option < 0 || option >= nphysics_options) return prop_unchanged;
  if (text.find_first_not_of(" \t") == std::string::npos) return set_physics_option(option, not_set);
  if (valid_project(activep) && shows_stored(text, proj[activep].options.*rules[option].member))
    return prop_unchanged;  // the value as it was shown
  std::optional<double> v = parse_entry(text);
  if (!v) {
    show_info(format(tr("%s: \"%s\" is not a number"), tr(rules[option].field), text.c_str()).c_str(), 0);
    return prop_rejected;
  }
  return set_physics_option(option, *v);
}

const char* physics_option_problem(int p, int calc) {
  if (!valid_project(p)) return nullptr;
  const project_options& o = proj[p].options;
  if (calc == 0 && (is_set(o.ttmin) || is_set(o.ttmax))) {
    if (is_set(o.ttmin) && is_set(o.ttmax) && !(o.ttmin < o.ttmax))
      return N_("The range of the raw data must have its lower limit below its upper limit");
    if (points_within(p, 0, o.ttmin, o.ttmax) < 3)
      return N_("The range of the raw data keeps fewer than 3 points");
  }
  if (calc == 1 && is_set(o.qmin) && !(o.qmin > 0.0 && o.qmin < proj[p].max[1]))
    return N_("The lowest Q of the normalisation must be > 0.0 and < Qmax");
  if (calc == 1 && is_set(o.qmax) && points_within(p, 1, o.qmin, o.qmax) < 3)
    return N_("The highest Q must keep at least 3 points of the corrected data above the lowest Q");
  if (calc == 3 && is_set(o.qmax) && points_within(p, 3, not_set, o.qmax) < 3)
    return N_("The highest Q of the transform must keep at least 3 points");
  return nullptr;
}

const char* polarisation_problem(int p) {
  if (!valid_project(p)) return nullptr;
  const project& r = proj[p];
  const project_options& o = r.options;
  const setting_rule& mono = *setting_of_option(&project_options::monoangle);
  const setting_rule& fraction = *setting_of_option(&project_options::polfraction);
  if (r.exp_prop[k_polarisation] == 1.0 && is_set(o.monoangle) && !setting_in_range(mono, o.monoangle))
    return mono.message;
  if (r.exp_prop[k_polarisation] == 2.0 && is_set(o.polfraction) && !setting_in_range(fraction, o.polfraction))
    return fraction.message;
  return nullptr;
}

std::vector<int> indices_in_range(const double* x, int n, double lo, double hi) {
  std::vector<int> kept;
  for (int k = 0; k < n; ++k)
    if (within(x[k], lo, hi)) kept.push_back(k);
  return kept;
}

cut_series cut_to_range(const double* x, const double* y, std::vector<const double*> more,
                        int n, double lo, double hi) {
  cut_series out;
  out.more.resize(more.size());
  for (int k = 0; k < n; ++k) {
    if (!within(x[k], lo, hi)) continue;
    out.x.push_back(x[k]);
    out.y.push_back(y[k]);
    for (size_t j = 0; j < more.size(); ++j) out.more[j].push_back(more[j][k]);
  }
  return out;
}
