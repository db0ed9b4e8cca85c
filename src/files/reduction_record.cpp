#include "files/reduction_record.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>

#include "files/project_file.h"
#include "numeric/elements.h"
#include "project/project.h"
#include "project/rdf.h"

namespace {

using json = nlohmann::ordered_json;

const char* const data_roles[nfilenames] = {"raw", "background", "cell", "corrected", "qsq", "qsq_step3"};

// A value of the record, null when unset.
json value(double v) { return v == not_set ? json(nullptr) : json(v); }

// A code of a combo box (1-based), by its name without trailing blanks, null when unset.
json code(double v, const char* const* names, int count) {
  const int k = static_cast<int>(v);
  if (!(v >= 1.0 && k < count)) return nullptr;
  std::string name = names[k];
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

json sample(int p) {
  const project& r = proj[p];
  json out = json::array();
  for (int i = 0; i < r.nspec; ++i) {
    out.push_back({{"symbol", species_symbol(p, i)},
                   {"Z", r.spec_prop[0][i]},
                   {"concentration", r.spec_prop[1][i]},
                   {"f1", r.spec_prop[2][i]},
                   {"f2", r.spec_prop[3][i]}});
  }
  return out;
}

json settings(const project& r) {
  const double* e = r.exp_prop;
  static const char* const methods[3] = {"high angle", "trial and error", "integral"};
  json options = json::object();
  // The uncertainty mode is recorded only when uncertainties were asked for: a record
  // without them stays as it was.
  for (int k = 0; k < nproject_option_fields; ++k)
    if (project_option_fields[k].member != &project_options::errors || r.options.errors != 0.0)
      options[project_option_fields[k].key] = r.options.*(project_option_fields[k].member);
  return {{"experiment",
           {{"wavelength", value(e[k_wavelength])},
            {"absorption_sample", value(e[k_abs_sample])},
            {"absorption_cell", value(e[k_abs_cell])},
            {"density", value(e[k_density])},
            {"dead_time", value(e[k_dead_time])},
            {"geometry", code(e[k_geometry], geometry, 4)},
            {"polarisation", code(e[k_polarisation], monochr, 3)},
            {"compton", code(e[k_compton], compt, 3)}}},
          {"raw_data",
           {{"abscissa", r.params[k_abscissa] == 0 ? json("2theta") : r.params[k_abscissa] == 1 ? json("Q") : json(nullptr)},
            {"background_subtraction", r.checks[k_subtract_background] == 1},
            {"cell_subtraction", r.checks[k_subtract_cell] == 1},
            {"smoothing", r.checks[k_smooth_data] == 1 ? value(e[k_smoothing]) : json(nullptr)}}},
          {"sq",
           {{"method", r.params[k_method] >= 0 && r.params[k_method] <= 2 ? json(methods[r.params[k_method]]) : json(nullptr)},
            {"q_limit", value(e[k_qlim])},
            {"trial_constant", value(e[k_trial_constant])},
            {"additive_correction", r.checks[k_use_additive] == 1 ? value(e[k_additive]) : json(nullptr)},
            {"breit_dirac", value(e[k_breit_dirac])}}},
          {"bending", {{"bending_point", value(e[k_bending_point])}}},
          {"gr",
           {{"rmax", value(e[k_rmax])},
            {"dr", value(e[k_delta_r])},
            {"damping", value(e[k_damping])},
            {"density_from_slope", r.params[k_density_mode] == 1},
            {"window", r.options.window == 1 ? "Lorch" : "exponential"}}},
          {"options", options}};
}

}  // namespace

std::vector<record_input> project_inputs(int p) {
  std::vector<record_input> out;
  if (!valid_project(p)) return out;
  const project& r = proj[p];
  auto add = [&](const char* role, const read_source& s) { out.push_back({role, s.path, s.size, s.sha256}); };
  if (r.source)
    add("project", *r.source);
  else if (r.path)
    out.push_back({"project", *r.path, -1, ""});
  for (int id = 0; id < nfilenames; ++id)
    if (r.filepath[id]) add(data_roles[id], *r.filepath[id]);
  return out;
}

std::string reduction_record_json(int p, const std::vector<record_input>& inputs,
                                  const std::vector<record_coordination>& coordination, const std::string& date,
                                  const std::vector<lowr_scan_row>& scan) {
  if (!valid_project(p)) return std::string();
  const project& r = proj[p];
  json files = json::array();
  for (const record_input& in : inputs) {
    json entry = {{"role", in.role}, {"path", in.path}};
    entry["size"] = in.size >= 0 ? json(in.size) : json(nullptr);
    entry["sha256"] = in.sha256.empty() ? json(nullptr) : json(in.sha256);
    files.push_back(entry);
  }
  json counts = json::array();
  for (const record_coordination& c : coordination) {
    json count = {{"pair", c.pair},
                  {"r1", c.r1},
                  {"r2", c.r2},
                  {"n", c.n},
                  {"fit", c.fitted ? json{{"n", c.fit_n}, {"r0", c.fit_r0}, {"sigma", c.fit_sigma},
                                          {"residual", c.fit_residual}}
                                   : json(nullptr)}};
    if (!c.fitted) count["fit_not_reported"] = c.not_reported;
    counts.push_back(count);
  }
  json computed = json::array();
  for (int calc = 0; calc < ncalc; ++calc) computed.push_back(r.calcok[calc] == 1);
  json results = {{"steps_computed", computed},
                  {"normalisation_constant", value(r.exp_prop[k_norm_constant])},
                  {"density_from_slope", value(r.exp_prop[k_slope_density])},
                  {"optimised_density", value(r.options.lowr_rho)},
                  {"low_r_chi2", value(r.options.lowr_chi2)}};
  // What the low-r optimisation did, and the density g(r) used after it: the runs
  // without it keep the record they always had.
  if (r.lowr_last && r.options.lowr_chi2 != not_set) {
    const lowr_result& l = *r.lowr_last;
    results["low_r_optimisation"] = {{"r_min", r.options.lowr_rmin},
                                     {"alpha", l.alpha},
                                     {"density", l.rho},
                                     {"density_refined", r.options.lowr_density == 1.0},
                                     {"iterations", l.iterations},
                                     {"converged", l.converged},
                                     {"chi2_steps", l.chi2_steps}};
    const step_density used = gr_density(p);
    results["gr_density"] = {{"value", value(used.value)}, {"source", density_source_name(used.source)}};
  }
  if (!scan.empty()) {
    json rows = json::array();
    for (const lowr_scan_row& row : scan)
      rows.push_back({{"r_min", row.rmin}, {"alpha", row.alpha}, {"density", row.rho}, {"chi2", row.chi2},
                      {"iterations", row.iterations}, {"converged", row.converged}});
    results["low_r_scan"] = rows;
  }
  json record = {
      {"program", "AMOQ-GTK+"},
      {"version", "2.0"},
      {"date", date},
      {"project", r.name},
      {"inputs", files},
      {"sample", sample(p)},
      {"settings", settings(r)},
      {"constants", {{"pi", pi_f}, {"four_pi", four_pi_f}, {"degrees_per_radian", 57.29578}}},
      {"results", results},
      {"coordination", counts}};
  return record.dump(2) + "\n";
}

std::string utc_now() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return text;
}

int write_reduction_record(const std::string& path, int p, const std::vector<record_input>& inputs,
                           const std::vector<record_coordination>& coordination,
                           const std::vector<lowr_scan_row>& scan) {
  const std::string text = reduction_record_json(p, inputs, coordination, utc_now(), scan);
  return write_file_atomically(path, std::vector<uint8_t>(text.begin(), text.end()));
}
