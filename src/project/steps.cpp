// What the four steps share: loading the six data files of a project, the availability
// check of a file, the callbacks the numeric routines report through.
#include "project/steps.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "project/changes.h"
#include "project/curve.h"
#include "project/hooks.h"
#include "numeric/callbacks.h"
#include "numeric/cancel.h"
#include "numeric/readfiles.h"
#include "numeric/safe_files.h"
#include "project/import_fallback.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/recalc.h"
#include "project/step_hooks.h"
#include "project/toolbox.h"
#include "project/uncertainty.h"
#include "project/uncertainty_text.h"
#include "project/i18n.h"

namespace {

std::string base_name(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash ? std::string(slash + 1) : std::string(path);
}

// The abscissa word of the points label: " 2θ" or " Q" for the raw files (none while no
// abscissa is chosen), "Q" for the step inputs.
const char* points_label(const project& r, int id) {
  if (id >= 3) return "Q";
  return r.params[k_abscissa] == 0 || r.params[k_abscissa] == 1 ? tdata[r.params[k_abscissa]] : "";
}

// Why the one read of `path` failed: missing, a directory, a FIFO or a device, too large,
// or refused by the system (permissions).
void report_unopened_file(const char* path, file_problem problem, int error) {
  if (problem == file_problem::system)
    report_load_error(tr("Error loading file: file cannot be read"), path,
                      tr(file_problem_text(problem, error).c_str()));
  else if (problem == file_problem::none || problem == file_problem::missing)
    report_load_error(tr("Error loading file: file does not exist"), path, "");
  else if (problem == file_problem::no_memory)
    report_load_error(tr("Error loading file: memory allocation error"), path, "");
  else
    report_load_error(
        (tr("Error loading file: file ") + std::string(tr(file_problem_text(problem).c_str()))).c_str(),
        path, "");
}

// The curves a run of step calc delivers, the name of their abscissa and the settings
// whose values can make them infinite or NaN.
struct step_results {
  int cids[3];
  const char* abscissa;
  const char* causes;
};
step_results results_of(const project& r, int calc) {
  switch (calc) {
    case 0: return {{3, -1, -1}, "Q", N_("the wavelength, the dead time, the absorptions and the intensities")};
    case 1:
      return {{1, 2, -1}, "Q",
              N_("the corrected intensities (all zero?), the normalisation parameters and the species")};
    case 2: return {{1, -1, -1}, "Q", N_("the bending point and the input data")};
    default:  // G(r), g(r) and R(r) = 4 pi rho r^2 g(r)
      return {{1, r.params[k_density_mode] == 1 ? 3 : 2, cid_rdf}, "r",
              N_("the number density (0?), δr and the input data")};
  }
}

// A run whose result holds NaN or infinity failed: the message names the step, the first
// such point and the settings that can cause it. True when every value is finite.
bool results_finite(int calc) {
  const project& r = proj[activep];
  const step_results res = results_of(r, calc);
  for (int cid : res.cids) {
    const curve* c = cid >= 0 ? find_curve(activep, calc, cid) : nullptr;
    const int n = c ? curve_points(*c) : 0;
    for (int i = 0; i < n; ++i) {
      if (std::isfinite(c->data[0][i]) && std::isfinite(c->data[1][i])) continue;
      show_error(format(tr("The result of %s is not a number at %s = %g: check %s"), tr(calcname[calc]),
                        res.abscissa, c->data[0][i], tr(res.causes))
                     .c_str(),
                 1);
      return false;
    }
  }
  return true;
}

}  // namespace

int file_calc(int id) { return id <= 2 ? 0 : id - 2; }
int file_curve(int id) { return id <= 2 ? id : 0; }

int datafile_set(const char* path, const char* label, int id, int calc, int cid, read_source* source) {
  // The file is read once, from one descriptor, with its size bound held while reading;
  // both readers and the record's SHA-256 take these bytes.
  std::vector<uint8_t> bytes;
  const file_problem problem = read_input_file(path, data_max_bytes, bytes);
  const int error = errno;
  const char* data = reinterpret_cast<const char*>(bytes.data());
  int n = problem == file_problem::none ? read_data_file(calc, cid, data, bytes.size()) : -3;
  if (n == -1) {
    // No pair at the start: format detection, which reports its own refusal.
    n = load_refused_file(path, std::string_view(data, bytes.size()), id, calc, cid);
    label = points_label(proj[activep], id);  // a unit in the header sets the raw data's format
  } else if (n == -3) {
    report_unopened_file(path, problem, error);
  } else if (n == -2) {
    report_load_error(tr("Error loading file: format not supported"), path, tr("the file is empty"));
  } else if (n == 0) {
    report_load_error(tr("Error loading file: memory allocation error"), path, "");
  }
  if (n > 0) {
    const auto& name = proj[activep].filename[id];
    print_lines(n, name ? name->c_str() : "", label, id, calc, cid);
    if (source) *source = {path, static_cast<long long>(bytes.size()), sha256_hex(bytes.data(), bytes.size())};
    return 1;
  }
  if (shooks().input_line) shooks().input_line(id, "(None)", "");
  return 0;
}

namespace {

// The part of load_data_file around the reading of the points: the file name, the step's
// state and its tool box. `read` delivers the points into curve (calc, cid) and describes
// the file it read in `source`; 1 when it did.
template <typename reader>
int load_data(int id, const char* path, const char* name, reader read) {
  if (!valid_project(activep) || id < 0 || id >= nfilenames || !name) return 0;
  project& r = proj[activep];
  const int calc = file_calc(id), cid = file_curve(id);
  if (!find_curve(activep, calc, cid)) return 0;  // no curve records before "Apply"
  r.filename[id] = base_name(name);
  const bool step_input = id == 0 || id >= 3;
  if (step_input) {
    if (shooks().hide_curves) shooks().hide_curves(activep, calc);
    r.calcok[calc] = 0;
  } else {
    r.calcok[calc_ra] = 0;
  }
  read_source source;
  int ok = read(points_label(r, id), calc, cid, source);
  if (!ok) r.filename[id].reset();
  proj[activep].filepath[id] = ok && path ? std::optional<read_source>(source) : std::nullopt;
  if (step_input) {
    initcalcs(calc, ok);
    turncheck(calc, ok);
  }
  if (ok) {
    report_status(format(tr("Loaded %s: %d points"), r.filename[id]->c_str(),
                         curve_points(*find_curve(activep, calc, cid))));
    setting_accepted(calc);
  }
  return ok;
}

}  // namespace

int load_data_file(int id, const char* path) {
  if (!path) return 0;
  return load_data(id, path, path, [&](const char* label, int calc, int cid, read_source& source) {
    return datafile_set(path, label, id, calc, cid, &source);
  });
}

std::string points_problem(std::span<const double> x, std::span<const double> y, std::span<const double> sigma) {
  if (x.size() != y.size())
    return format(tr("x and y differ in length (%zu and %zu points)"), x.size(), y.size());
  if (!sigma.empty() && sigma.size() != x.size())
    return format(tr("sigma and x differ in length (%zu and %zu points)"), sigma.size(), x.size());
  if (x.empty()) return tr("no points");
  if (x.size() < min_points)
    return format(tr("%zu point: at least %zu are needed"), x.size(), min_points);
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (!std::isfinite(x[i]) || !std::isfinite(y[i]) || (!sigma.empty() && !std::isfinite(sigma[i])))
      return format(tr("point %zu is not a number"), i + 1);
    if (i > 0 && !(x[i] > x[i - 1]))
      return format(tr("the abscissa does not increase at point %zu (%g after %g)"), i + 1, x[i], x[i - 1]);
    if (!sigma.empty() && sigma[i] < 0.0)
      return format(tr("point %zu has a negative standard deviation (%g)"), i + 1, sigma[i]);
  }
  return std::string();
}

int load_data_points(int id, const char* name, int n, const double* x, const double* y, const double* sigma) {
  return load_data(id, nullptr, name, [&](const char* label, int calc, int cid, read_source&) {
    const std::size_t count = n > 0 ? static_cast<std::size_t>(n) : 0;
    const std::string problem = points_problem({x, count}, {y, count}, {sigma, sigma ? count : 0});
    if (!problem.empty()) {
      report_load_error(tr("Error loading file: format not supported"), name, problem);
      if (shooks().input_line) shooks().input_line(id, "(None)", "");
      return 0;
    }
    save_curve_(n, x, y, calc, cid);
    if (sigma && uncertainty_mode(activep) == errors_column)
      store_curve_sigma(activep, calc, cid, std::vector<double>(sigma, sigma + count));
    print_lines(n, proj[activep].filename[id]->c_str(), label, id, calc, cid);
    return 1;
  });
}

int test_data(int p, int id) {
  if (!valid_project(p) || id < 0 || id >= nfilenames) return 0;
  const project& r = proj[p];
  if (r.trun == 1) return 0;
  if (r.filename[id]) return 1;
  const curve* c = find_curve(p, file_calc(id), file_curve(id));
  return c && curve_points(*c) > 0 ? 1 : 0;
}

void store_normalisation(double value) {
  if (!valid_project(activep)) return;
  proj[activep].exp_prop[k_norm_constant] = value;
  if (shooks().nc_view) shooks().nc_view(value == 0.0 ? std::string() : format("%f", value));
}

void store_density(double value) {
  if (!valid_project(activep)) return;
  bool estimated = value > 0.0;
  proj[activep].exp_prop[k_slope_density] = estimated ? value : not_set;
  if (shooks().dens_view) shooks().dens_view(estimated ? format("%f", value) : std::string());
}

void connect_step_callbacks() {
  connect_numeric_callbacks();
  numeric_receiver r = set_numeric_receiver({});
  r.displaync = store_normalisation;
  r.displaydens = store_density;
  set_numeric_receiver(std::move(r));
}

namespace {

// What a run of step calc can change in the active project, kept by begin_run and put back
// by end_run when the run was cancelled: the step's curves, the values it reports, the
// flags and the ranges save_curve sets.
struct run_snapshot {
  int p = -1, calc = -1;
  double exp_prop[nexp_props]{};
  project_options options;
  int calcok[ncalc]{}, visok[ncalc]{}, out_of_date[ncalc]{}, changed = 0;
  double min[ncalc]{}, max[ncalc]{};
  std::vector<std::vector<double>> x, y;
};
run_snapshot before_run;

void keep_before_run(int calc) {
  run_snapshot& s = before_run;
  const project& r = proj[activep];
  s.p = activep;
  s.calc = calc;
  std::copy(r.exp_prop, r.exp_prop + nexp_props, s.exp_prop);
  s.options = r.options;
  std::copy(r.calcok, r.calcok + ncalc, s.calcok);
  std::copy(r.visok, r.visok + ncalc, s.visok);
  std::copy(r.out_of_date, r.out_of_date + ncalc, s.out_of_date);
  std::copy(r.min, r.min + ncalc, s.min);
  std::copy(r.max, r.max + ncalc, s.max);
  s.changed = r.changed;
  s.x.clear(), s.y.clear();
  for (const auto& c : r.curves[calc]) {
    const int n = curve_points(*c);
    s.x.emplace_back(c->data[0].begin(), c->data[0].begin() + n);
    s.y.emplace_back(c->data[1].begin(), c->data[1].begin() + n);
  }
}

// The project as it was when the cancelled run began.
void put_back_run() {
  run_snapshot& s = before_run;
  if (!valid_project(s.p) || s.p != activep) return;
  project& r = proj[s.p];
  for (size_t cid = 0; cid < s.x.size() && cid < r.curves[s.calc].size(); ++cid) {
    const curve& c = *r.curves[s.calc][cid];
    const int n = curve_points(c);
    if (n == static_cast<int>(s.x[cid].size()) && std::equal(s.x[cid].begin(), s.x[cid].end(), c.data[0].begin()) &&
        std::equal(s.y[cid].begin(), s.y[cid].end(), c.data[1].begin()))
      continue;
    store_curve(s.p, static_cast<int>(s.x[cid].size()), s.x[cid].data(), s.y[cid].data(), s.calc, static_cast<int>(cid));
  }
  std::copy(s.exp_prop, s.exp_prop + nexp_props, r.exp_prop);
  r.options = s.options;
  std::copy(s.calcok, s.calcok + ncalc, r.calcok);
  std::copy(s.out_of_date, s.out_of_date + ncalc, r.out_of_date);
  std::copy(s.min, s.min + ncalc, r.min);
  std::copy(s.max, s.max + ncalc, r.max);
  r.changed = s.changed;
  turncheck(s.calc, s.visok[s.calc]);
  // The views of the values the routines report show them again.
  const double nc = r.exp_prop[k_norm_constant], rho = r.exp_prop[k_slope_density];
  if (shooks().nc_view) shooks().nc_view(nc > 0.0 || nc < 0.0 ? format("%f", nc) : std::string());
  if (shooks().dens_view) shooks().dens_view(rho > 0.0 ? format("%f", rho) : std::string());
}

}  // namespace

void begin_run(int calc) {
  reset_cancel();
  keep_before_run(calc);
  proj[activep].calcok[calc] = 0;  // until this run succeeds
  // An automatic rerun leaves the tool boxes as they are and shows no popup: it takes
  // a few milliseconds.
  if (auto_recalculating()) return;
  turncheck(calc, 0);
  prepostcalc(0, calc, 0.75);  // the step's dialog is dimmed while the routine runs
}

int end_run(int calc, int ok) {
  if (!auto_recalculating()) prepostcalc(1, calc, 1.0);
  if (cancel_requested()) {
    put_back_run();
    reset_cancel();
    report_status(format(tr("%s cancelled: the project is as it was"), tr(calcname[calc])));
    return step_cancelled;
  }
  if (!ok) {
    show_error(tr("My error message"), 0);
    show_warning(tr("My warning message"));
    return step_failed;
  }
  if (!results_finite(calc)) return step_failed;
  if (!auto_recalculating()) turncheck(calc, 1);
  proj[activep].calcok[calc] = 1;
  // The deviations of the reported values are known only now, after the propagation.
  if (uncertainties_on(activep)) {
    if (calc == 1 && shooks().nc_view) shooks().nc_view(normalisation_text(activep));
    if (calc == 3 && shooks().dens_view) shooks().dens_view(slope_density_text(activep));
  }
  mark_project_changed(activep);
  step_recomputed(activep, calc);
  report_status(step_summary(activep, calc));
  return step_done;
}

void report_status(const std::string& text) {
  if (hooks().status_message) hooks().status_message(text);
}

std::string step_summary(int p, int calc) {
  if (!valid_project(p)) return {};
  const project& r = proj[p];
  const curve* c = find_curve(p, calc, step_result_curve(calc));
  int n = c ? curve_points(*c) : 0;
  double last = n > 0 ? c->data[0][n - 1] : 0.0;
  switch (calc) {
    case 0: return format(tr("Data correction: %d points up to Q = %f"), n, last);
    case 1:
      return format(tr("S(Q): normalisation constant %f"), r.exp_prop[k_norm_constant]) +
             plus_minus(p, normalisation_sigma(p));
    case 2: return format(tr("Bending correction: %d points up to Q = %f"), n, last);
    case 3:
      if (r.params[k_density_mode] == 1 && r.exp_prop[k_slope_density] > 0.0)
        return format(tr("G(r): %d points up to r = %f, density from the slope %f"), n, last,
                      r.exp_prop[k_slope_density]) +
               plus_minus(p, slope_density_sigma(p));
      return format(tr("G(r): %d points up to r = %f"), n, last);
    default: return {};
  }
}
