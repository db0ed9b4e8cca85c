// Step 0, raw data correction: the abscissa, smoothing and subtraction switches, the
// input check and the run of dr.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "project/changes.h"
#include "project/curve.h"
#include "numeric/d_red.h"
#include "numeric/elements.h"
#include "numeric/regrid.h"
#include "project/messages.h"
#include "project/physics_options.h"
#include "project/project.h"
#include "project/setting_table.h"
#include "project/step_hooks.h"
#include "project/steps.h"
#include "project/toolbox.h"
#include "project/uncertainty.h"
#include "project/i18n.h"

namespace {

// Background and cell files whose abscissae agree with the raw data's within this relative
// tolerance are subtracted point by point, as measured.
constexpr double same_grid_tolerance = 1e-6;

// The data file id as messages name it.
std::string file_label(const project& r, int id) {
  static const char* const unnamed[3] = {N_("the raw data"), N_("the background"),
                                               N_("the substrate/cell data")};
  return r.filename[id] ? *r.filename[id] : tr(unnamed[id]);
}

const char* abscissa_unit(const project& r) { return r.params[k_abscissa] == 1 ? " Å⁻¹" : "°"; }

// The first of the first `count` points of c whose abscissa does not exceed the one
// before it, or -1.
int first_not_increasing(const curve& c, int count) {
  for (int i = 1; i < count; ++i)
    if (!(c.data[0][i] > c.data[0][i - 1])) return i;
  return -1;
}

// What makes the data of file id unusable for dr, or an empty text. The raw data (whose
// last point dr does not use) must increase, stay below 4 pi / lambda in Q and start with
// a step the q grid can take; a background or cell file off the raw grid must increase to
// be interpolated.
std::string data_problem(int p, int id) {
  const project& r = proj[p];
  const curve* c = find_curve(p, 0, id);
  const curve* raw = find_curve(p, 0, 0);
  if (!c || !raw) return {};
  const int n = curve_points(*c), nraw = curve_points(*raw);
  const std::string name = file_label(r, id);
  if (id != 0 && same_grid(nraw, raw->data[0].data(), n, c->data[0].data(), same_grid_tolerance))
    return {};
  const int used = id == 0 ? n - 1 : n;
  const int bad = first_not_increasing(*c, used);
  if (bad > 0)
    return format(tr("The abscissae of %s do not increase: point %d (%g) follows %g\nThe data "
                  "must run from low to high angle or Q"),
                  name.c_str(), bad + 1, c->data[0][bad], c->data[0][bad - 1]);
  if (id != 0 || used < 2) return {};
  const double lambda = r.exp_prop[k_wavelength];
  const double qlimit = four_pi_f / lambda;
  if (r.params[k_abscissa] == 1 && lambda * c->data[0][used - 1] / four_pi_f > 1.0)
    return format(tr("Q = %g Å⁻¹ in %s is beyond 4π/λ = %g Å⁻¹\nIs the abscissa in nm⁻¹, or the "
                  "wavelength wrong?"),
                  c->data[0][used - 1], name.c_str(), qlimit);
  if (!(dr_grid_step(lambda, r.params[k_abscissa] + 1, c->data[0][0], c->data[0][1]) > 0.0))
    return format(tr("The first step of %s, from %g to %g%s, is below 0.0005 Å⁻¹ in Q\nThe "
                  "corrected data are resampled with that step rounded to 0.001 Å⁻¹"),
                  name.c_str(), c->data[0][0], c->data[0][1], abscissa_unit(r));
  return {};
}

// Background (id 1) or cell (id 2) intensities on the raw abscissae: the curve's own
// values when it was measured on the raw grid, else its spline through the raw abscissae
// with nothing subtracted outside its range; `note` then tells the user so.
const double* on_raw_grid(const project& r, int id, const curve& raw, const curve& c,
                          std::vector<double>& buf, std::string& note) {
  const int n = curve_points(raw), nc = curve_points(c);
  if (same_grid(n, raw.data[0].data(), nc, c.data[0].data(), same_grid_tolerance))
    return c.data[1].data();
  buf.assign(static_cast<size_t>(n > 0 ? n : 1), 0.0);
  const int outside = resample_series(nc, c.data[0].data(), c.data[1].data(), n,
                                      raw.data[0].data(), buf.data());
  if (!note.empty()) note += "\n";
  note += format(tr("%s has other abscissae than the raw data: it is interpolated onto them"),
                 file_label(r, id).c_str());
  if (outside > 0 && nc > 0)
    note += format(tr("\nOutside its range, %g to %g%s, nothing is subtracted"), c.data[0][0],
                   c.data[0][nc - 1], abscissa_unit(r));
  return buf.data();
}

// Intensities of a series that dr holds but does not subtract: the curve's own array when
// it holds n points or more, else n zeros.
const double* intensities(const curve* c, int n, std::vector<double>& pad) {
  if (c && curve_points(*c) >= n && n > 0) return c->data[1].data();
  pad.assign(static_cast<size_t>(n > 0 ? n : 1), 0.0);
  return pad.data();
}

// The polarisation refinements of the project, as far as they are set.
dr_polarisation polarisation_of(const project_options& o) {
  dr_polarisation pol;
  if (o.monoangle != not_set) pol.monoangle = o.monoangle;
  if (o.polfraction != not_set) pol.fraction = o.polfraction;
  return pol;
}

// The raw, background and cell points dr works on: those whose abscissa lies in the
// project's raw range (beam stop, detector edge), all of them when no range is set.
struct raw_input {
  int n;
  const double *x, *y, *b, *c;
  cut_series kept;
};
void keep_raw_range(const project_options& o, raw_input& in) {
  if (o.ttmin == not_set && o.ttmax == not_set) return;
  in.kept = cut_to_range(in.x, in.y, {in.b, in.c}, in.n, o.ttmin, o.ttmax);
  in.n = static_cast<int>(in.kept.x.size());
  in.x = in.kept.x.data();
  in.y = in.kept.y.data();
  in.b = in.kept.more[0].data();
  in.c = in.kept.more[1].data();
}

// The background or cell intensities times their scale factor; the array itself at 1.
const double* scaled(const double* v, int n, double factor, std::vector<double>& out) {
  if (factor == 1.0 || n <= 0) return v;
  out.assign(v, v + n);
  for (double& e : out) e *= factor;
  return out.data();
}

// The dead time correction I / (1 - tau I) of dr holds only while tau I < 1: the first
// point of the raw, background or cell intensities (those subtracted) where it does not,
// as a warning; empty when there is none.
std::string dead_time_problem(const project& r, const raw_input& in) {
  const double tau = r.exp_prop[k_dead_time];
  if (!(tau > 0.0)) return {};
  const double* series[3] = {in.y, in.b, in.c};
  const bool used[3] = {true, r.checks[k_subtract_background] == 1, r.checks[k_subtract_cell] == 1};
  for (int id = 0; id < 3; ++id) {
    if (!used[id]) continue;
    for (int i = 0; i < in.n; ++i) {
      if (1.0 - tau * series[id][i] > 0.0) continue;
      return format(tr("The dead time correction I / (1 - τI) needs τI < 1, but τI = %g at %s = %g%s "
                       "in %s (I = %g)\nPlease check the detector dead time"),
                    tau * series[id][i], r.params[k_abscissa] == 1 ? "Q" : "2θ", in.x[i], abscissa_unit(r),
                    file_label(r, id).c_str(), series[id][i]);
    }
  }
  return {};
}

// The covariances of the raw, background and cell intensities as dr receives them:
// sigma^2 = I of each file's counts (counting statistics, kept on the curves to be shown)
// or each file's own deviations, carried onto the raw abscissae, scaled and cut to the
// raw range as the intensities are. False when uncertainties are off, or a series that is
// subtracted has none (a warning has said so).
struct raw_uncertainty {
  covariance series[3];
  dr_sigma sig;
};
bool raw_covariances(int p, int n, raw_uncertainty& out) {
  const project& r = proj[p];
  const int mode = uncertainty_mode(p);
  const curve* raw = find_curve(p, 0, 0);
  if (mode == errors_none || !raw || n == 0) return false;
  const bool used[3] = {true, r.checks[k_subtract_background] == 1, r.checks[k_subtract_cell] == 1};
  const double factor[3] = {1.0, r.options.bkgscale, r.options.cellscale};
  const std::vector<int> kept = indices_in_range(raw->data[0].data(), n, r.options.ttmin, r.options.ttmax);
  for (int s = 0; s < 3; ++s) {
    const curve* c = find_curve(p, 0, s);
    if (!used[s] || !c) continue;
    const int nc = curve_points(*c);
    std::vector<double> var(static_cast<std::size_t>(nc));
    if (mode == errors_counts) {
      std::vector<double> sigma(static_cast<std::size_t>(nc));
      for (int i = 0; i < nc; ++i) var[i] = std::max(c->data[1][i], 0.0), sigma[i] = std::sqrt(var[i]);
      store_curve_sigma(p, 0, s, std::move(sigma));
    } else if (!column_sigma_present(0, s, file_label(r, s).c_str())) {
      return false;
    } else {
      for (int i = 0; i < nc; ++i) var[i] = c->sigma[i] * c->sigma[i];
    }
    covariance cov = covariance::diagonal(var);
    if (s > 0 && !same_grid(n, raw->data[0].data(), nc, c->data[0].data(), same_grid_tolerance))
      cov = cov.mapped(resample_map(nc, c->data[0].data(), n, raw->data[0].data()));
    if (factor[s] != 1.0) cov.scale(std::vector<double>(static_cast<std::size_t>(cov.size()), factor[s]));
    if (static_cast<int>(kept.size()) != n) cov = cov.mapped(row_map::selection(kept, n));
    out.series[s] = std::move(cov);
  }
  out.sig.raw = &out.series[0];
  out.sig.back = used[1] && !out.series[1].empty() ? &out.series[1] : nullptr;
  out.sig.cell = used[2] && !out.series[2].empty() ? &out.series[2] : nullptr;
  return true;
}

}  // namespace

int set_scale(int k, double value) {
  if (!valid_project(activep) || k < 0 || k > 1) return 0;
  double project_options::*member = k == 0 ? &project_options::bkgscale : &project_options::cellscale;
  const setting_rule& rule = *setting_of_option(member);
  if (!setting_in_range(rule, value)) {
    show_info(tr(rule.message), 0);
    return 0;
  }
  project& r = proj[activep];
  double& stored = r.options.*member;
  if (stored != value) {
    stored = value;
    r.calcok[rule.first_step] = 0;
    setting_accepted(rule.first_step);
  }
  return 1;
}

int set_data_format(int entry) {
  if (!valid_project(activep) || entry < -1 || entry > 1) return 0;
  project& r = proj[activep];
  if (entry == r.params[k_abscissa]) return 0;
  if (entry >= 0) r.params[k_abscissa] = entry;
  r.filename[0].reset();
  if (shooks().input_line) shooks().input_line(0, "(None)", "");
  initcalcs(0, 0);
  r.initok[calc_ra] = 1;
  if (r.run) {
    // The step's curves belong to the old abscissa: emptied, renamed and reset.
    for (int cid = 0; cid < r.numc[0]; ++cid) save_curve(0, nullptr, nullptr, 0, cid);
    initcnames(0, 0);
  }
  turncheck(0, 0);
  r.calcok[calc_ra] = 0;
  if (r.run && shooks().hide_curves) shooks().hide_curves(activep, 0);
  setting_accepted(0);
  return 1;
}

void set_smoothing(int on) {
  if (!valid_project(activep)) return;
  project& r = proj[activep];
  r.exp_prop[k_smoothing] = 0.0;
  r.checks[k_smooth_data] = on ? 1 : 0;
  r.calcok[calc_ra] = 0;
  setting_accepted(0);
}

void set_file_option(int k, int on) {
  if (!valid_project(activep) || k < 0 || k > 1) return;
  project& r = proj[activep];
  on = on ? 1 : 0;
  if (r.checks[k] == on) return;
  r.checks[k] = on;
  const int id = k + 1;
  if (!on) {
    if (shooks().input_line) shooks().input_line(id, "(None)", "No data");
  } else {
    const curve* c = find_curve(activep, 0, id);
    int held = c ? curve_points(*c) : 0;
    if (r.filename[id] && held > 0)
      print_lines(held, r.filename[id]->c_str(),
                  r.params[k_abscissa] == 0 || r.params[k_abscissa] == 1 ? tdata[r.params[k_abscissa]] : "", id, 0, id);
  }
  setting_accepted(0);
}

int test_ra(int p, int report) {
  if (!valid_project(p)) return 0;
  const project& r = proj[p];
  const char* warning = nullptr;
  if (r.params[k_abscissa] < 0)
    warning = N_("Please select a data format");
  else if (!test_data(p, 0))
    warning = N_("A file containing the raw experimental data is required");
  else if (r.checks[k_subtract_background] && !test_data(p, 1))
    warning =
        N_("You choose to apply background corrections\na file containing the background "
           "information is required");
  else if (r.checks[k_subtract_cell] && !test_data(p, 2))
    warning =
        N_("You choose to apply cell/substrate corrections\na file containing the cell "
           "information is required");
  else if (r.checks[k_smooth_data] && !(r.exp_prop[k_smoothing] > 0.0))
    warning = N_("You choose to use data smoothing\nthe smooth intensity is required");
  else if (r.exp_prop[k_geometry] == 1.0 && !(r.exp_prop[k_abs_sample] > 0.0))
    // The sample's absorption factor 1 - exp(-2 mu / sin theta) would be 0.
    warning =
        N_("In reflection geometry the linear absorption (sample) must be > 0.0 μt\nPlease check "
           "this parameter");
  if (!warning) warning = physics_option_problem(p, 0);
  std::string problem;
  // The raw data, then the background and the cell files when their subtraction is on.
  const bool wanted[3] = {true, r.checks[k_subtract_background] != 0, r.checks[k_subtract_cell] != 0};
  for (int id = 0; !warning && problem.empty() && id < 3; ++id)
    if (wanted[id]) problem = data_problem(p, id);
  if (!problem.empty()) warning = problem.c_str();
  if (!warning) return 1;
  if (report) show_warning(tr(warning));
  return 0;
}

int run_ra() {
  if (!test_ra(activep, 1)) return step_refused;
  project& r = proj[activep];
  const int format = r.params[k_abscissa] + 1;
  const int code = r.checks[k_subtract_background] + 2 * r.checks[k_subtract_cell];
  const curve* raw = find_curve(activep, 0, 0);
  const curve* back = find_curve(activep, 0, 1);
  const curve* cell = find_curve(activep, 0, 2);
  const int n = raw ? curve_points(*raw) : 0;
  std::vector<double> pad_x, pad_y, pad_back, pad_cell;
  const double* x = intensities(nullptr, n, pad_x);
  const double* y = intensities(nullptr, n, pad_y);
  if (n > 0) {
    x = raw->data[0].data();
    y = raw->data[1].data();
  }
  // Files used on another grid are interpolated; one warning says which.
  std::string note;
  const double* b0 = r.checks[k_subtract_background] && back && n > 0 ? on_raw_grid(r, 1, *raw, *back, pad_back, note)
                                                 : intensities(back, n, pad_back);
  const double* c0 = r.checks[k_subtract_cell] && cell && n > 0 ? on_raw_grid(r, 2, *raw, *cell, pad_cell, note)
                                                 : intensities(cell, n, pad_cell);
  if (!note.empty()) show_warning(note.c_str());
  std::vector<double> scaled_back, scaled_cell;
  const double* b = scaled(b0, n, r.options.bkgscale, scaled_back);
  const double* c = scaled(c0, n, r.options.cellscale, scaled_cell);
  // The smoothing intensity counts only while smoothing is switched on.
  const double smo = r.checks[k_smooth_data] ? r.exp_prop[k_smoothing] : 0.0;
  raw_input in{n, x, y, b, c, {}};
  keep_raw_range(r.options, in);
  if (const std::string problem = dead_time_problem(r, in); !problem.empty()) {
    show_warning(problem.c_str());
    return step_refused;
  }
  begin_run(0);
  raw_uncertainty unc;
  dr_sigma* sigma = raw_covariances(activep, n, unc) ? &unc.sig : nullptr;
  int ok = dr(r.exp_prop[k_wavelength], r.exp_prop[k_abs_sample], r.exp_prop[k_abs_cell], r.exp_prop[k_dead_time], r.exp_prop[k_geometry],
              r.exp_prop[k_polarisation], format, in.n, in.x, in.y, in.b, in.c, code, r.exp_prop[k_compton], smo,
              polarisation_of(r.options), sigma);
  if (ok && sigma) store_curve_covariance(activep, 0, 3, std::move(sigma->out));
  if (const int result = end_run(0, ok); result != step_done) return result;
  on_set_use_calc(0, proj[activep].usecalc[0]);
  return step_done;
}
