// Step 0, raw data correction: the abscissa, smoothing and subtraction switches, the
// input check and the run of dr.
#include <cmath>
#include <vector>

#include "project/changes.h"
#include "project/curve.h"
#include "numeric/d_red.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/step_hooks.h"
#include "project/steps.h"
#include "project/toolbox.h"

namespace {


// Intensities of a background or cell curve for a routine that reads n values: the
// curve's own array when it holds n points or more, else a copy padded with zeros to n
// (zero-filled when the curve holds nothing). A short curve therefore subtracts nothing
// beyond its last point instead of being read past its end.
const double* intensities(const curve* c, int n, std::vector<double>& pad) {
  int held = c ? curve_points(*c) : 0;
  if (held >= n && held > 0) return c->data[1].data();
  pad.assign(static_cast<size_t>(n > 0 ? n : 1), 0.0);
  for (int i = 0; i < held && i < n; ++i) pad[i] = c->data[1][i];
  return pad.data();
}

// The background or cell intensities times their scale factor; the array itself at 1.
const double* scaled(const double* v, int n, double factor, std::vector<double>& out) {
  if (factor == 1.0 || n <= 0) return v;
  out.assign(v, v + n);
  for (double& e : out) e *= factor;
  return out.data();
}

}  // namespace

int set_scale(int k, double value) {
  if (!valid_project(activep) || k < 0 || k > 1) return 0;
  if (!(value > 0.0) || !std::isfinite(value)) {
    show_info(k == 0 ? "The background scale factor must be > 0.0"
                     : "The cell scale factor must be > 0.0",
              0);
    return 0;
  }
  project& r = proj[activep];
  double& stored = k == 0 ? r.options.bkgscale : r.options.cellscale;
  if (stored != value) {
    stored = value;
    r.calcok[0] = 0;
    setting_accepted(0);
  }
  return 1;
}

int set_data_format(int entry) {
  if (!valid_project(activep) || entry < -1 || entry > 1) return 0;
  project& r = proj[activep];
  if (entry == r.params[0]) return 0;
  if (entry >= 0) r.params[0] = entry;
  r.filename[0].reset();
  if (shooks().input_line) shooks().input_line(0, "(None)", "");
  initcalcs(0, 0);
  r.initok[0] = 1;
  if (r.run) {
    // The step's curves belong to the old abscissa: emptied, renamed and reset.
    for (int cid = 0; cid < r.numc[0]; ++cid) save_curve(0, nullptr, nullptr, 0, cid);
    initcnames(0, 0);
  }
  turncheck(0, 0);
  r.calcok[0] = 0;
  if (r.run && shooks().hide_curves) shooks().hide_curves(activep, 0);
  setting_accepted(0);
  return 1;
}

void set_smoothing(int on) {
  if (!valid_project(activep)) return;
  project& r = proj[activep];
  r.exp_prop[15] = 0.0;
  r.checks[2] = on ? 1 : 0;
  r.calcok[0] = 0;
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
                  r.params[0] == 0 || r.params[0] == 1 ? tdata[r.params[0]] : "", id, 0, id);
  }
  setting_accepted(0);
}

int test_ra(int p, int report) {
  if (!valid_project(p)) return 0;
  const project& r = proj[p];
  const char* warning = nullptr;
  if (r.params[0] < 0)
    warning = "Please select a data format";
  else if (!test_data(p, 0))
    warning = "A file containing the raw experimental data is required";
  else if (r.checks[0] && !test_data(p, 1))
    warning =
        "You choose to apply background corrections\na file containing the background "
        "information is required";
  else if (r.checks[1] && !test_data(p, 2))
    warning =
        "You choose to apply cell/substrate corrections\na file containing the cell "
        "information is required";
  else if (r.checks[2] && !(r.exp_prop[15] > 0.0))
    warning = "You choose to use data smoothing\nthe smooth intensity is required";
  if (!warning) return 1;
  if (report) show_warning(warning);
  return 0;
}

int run_ra() {
  if (!test_ra(activep, 1)) return step_refused;
  begin_run(0);
  project& r = proj[activep];
  const int format = r.params[0] + 1;
  const int code = r.checks[0] + 2 * r.checks[1];
  const curve* raw = find_curve(activep, 0, 0);
  const curve* back = find_curve(activep, 0, 1);
  const curve* cell = find_curve(activep, 0, 2);
  const int n = raw ? curve_points(*raw) : 0;
  const int nb = back ? curve_points(*back) : 0;
  const int nc = cell ? curve_points(*cell) : 0;
  if ((code == 1 && nb != n) || (code == 2 && nc != n) || (code == 3 && (nb != n || nc != n)))
    show_warning("The number of data points changes between data sets\nYou might want to check this");
  std::vector<double> pad_x, pad_y, pad_back, pad_cell;
  const double* x = intensities(nullptr, n, pad_x);
  const double* y = intensities(nullptr, n, pad_y);
  if (n > 0) {
    x = raw->data[0].data();
    y = raw->data[1].data();
  }
  std::vector<double> scaled_back, scaled_cell;
  const double* b = scaled(intensities(back, n, pad_back), n, r.options.bkgscale, scaled_back);
  const double* c = scaled(intensities(cell, n, pad_cell), n, r.options.cellscale, scaled_cell);
  // The smoothing intensity counts only while smoothing is switched on.
  const double smo = r.checks[2] ? r.exp_prop[15] : 0.0;
  int ok = dr(r.exp_prop[0], r.exp_prop[1], r.exp_prop[2], r.exp_prop[4], r.exp_prop[12],
              r.exp_prop[13], format, n, x, y, b, c, code, r.exp_prop[14], smo);
  if (end_run(0, ok) != step_done) return step_failed;
  on_set_use_calc(0, proj[activep].usecalc[0]);
  return step_done;
}
