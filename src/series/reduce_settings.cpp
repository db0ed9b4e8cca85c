#include "series/reduce_settings.h"

#include <cmath>

#include "project/i18n.h"
#include "project/messages.h"
#include "project/physics_options.h"
#include "project/project.h"
#include "project/settings.h"
#include "project/setting_table.h"
#include "project/sq_refine.h"
#include "project/steps.h"
#include "project/toolbox.h"
#include "project/xray_tables.h"

namespace {

// The settings of the project are the keys of the settings' table (project/setting_table.h),
// with their ranges and messages. These three more take values from the X-ray tables once
// the other settings are in (take_from_tables).
const char* const table_keys[] = {"fp-from-tables", "mut-thickness", "mass-density"};

bool is_table_key(const std::string& name) {
  for (const char* k : table_keys)
    if (name == k) return true;
  return false;
}

// The warnings that name a setting missing or out of range are the messages of the
// settings' table; these two more name the density, for the steps that need it.
struct missing_setting {
  const char* warning;  // msgid
  const char* key;
};
const missing_setting missing_settings[] = {
    {N_("You decided to use the integral method\nIn that case the sample's density must be > 0.0"), "density"},
    {N_("The optimisation below r_min needs the sample's density > 0.0"), "density"},
};

}  // namespace

std::string setting_hint(const std::string& warning) {
  const setting_rule* rule = nullptr;
  for (int i = 0; i < nsetting_rules && !rule; ++i)
    if (setting_rules[i].key && setting_rules[i].message && warning == tr(setting_rules[i].message))
      rule = &setting_rules[i];
  for (const missing_setting& m : missing_settings)
    if (!rule && warning == tr(m.warning)) rule = setting_by_key(m.key);
  if (!rule) return std::string();
  std::string values = tr("NUMBER");
  if (rule->flags & whole) {
    values.clear();
    for (int v = static_cast<int>(rule->lo); v <= static_cast<int>(rule->hi); ++v)
      values += (values.empty() ? "" : "|") + std::to_string(v);
  }
  return format(tr("set it with --set %s=%s"), rule->key, values.c_str());
}

bool is_setting_key(const std::string& key) { return setting_by_key(key) || is_table_key(key); }

std::vector<std::string> setting_key_names() {
  std::vector<std::string> names;
  for (int i = 0; i < nsetting_rules; ++i)
    if (setting_rules[i].key) names.push_back(setting_rules[i].key);
  names.insert(names.end(), std::begin(table_keys), std::end(table_keys));
  return names;
}

bool apply_setting(const setting& s) {
  if (is_table_key(s.key))  // taken later
    return s.key == "fp-from-tables" ? (s.value == 0.0 || s.value == 1.0) : s.value > 0.0;
  const setting_rule* rule = setting_by_key(s.key);
  if (!rule) return false;
  if (rule->place == setting_place::param && rule->index == k_abscissa) return setting_in_range(*rule, s.value);
  return set_setting(*rule, s.value) != prop_rejected;
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
