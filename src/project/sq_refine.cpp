#include "project/sq_refine.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "numeric/callbacks.h"
#include "numeric/elements.h"
#include "numeric/lowr.h"
#include "numeric/nm_parts.h"
#include "project/changes.h"
#include "project/curve.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/setting_table.h"
#include "project/toolbox.h"
#include "project/uncertainty.h"
#include "project/i18n.h"

namespace {

double project_options::* const lowr_fields[3] = {&project_options::lowr_rmin, &project_options::lowr_iter,
                                                   &project_options::lowr_density};

// Copies curve (1, from) of the active project into curve (1, to).
void keep_curve(int from, int to) {
  const curve* c = find_curve(activep, 1, from);
  const int n = c ? curve_points(*c) : 0;
  save_curve(n, n ? c->data[0].data() : nullptr, n ? c->data[1].data() : nullptr, 1, to);
}

// Q_min: the refinements see the points from the first one at or above it (0 when unset).
int first_used(const double* q, int n, double qmin) {
  int k1 = 0;
  while (qmin != not_set && k1 < n && !(q[k1] >= qmin)) ++k1;
  return k1;
}

// After a refinement delivered step 1's curves for the points from k1 on: the n points
// again, S(Q) below k1 on the line through the origin and point k1, as nm extends it.
// (The routines set S = 0 at their first point, meant for Q = 0: point k1 is recomputed.)
void extend_below(const double* q, int n, int k1) {
  const curve* qs = find_curve(activep, 1, 1);
  const curve* s = find_curve(activep, 1, 2);
  if (k1 == 0 || !qs || !s || curve_points(*qs) != n - k1 || curve_points(*s) != n - k1) return;
  const double s1 = qs->data[1][0] / q[k1] + 1.0;
  std::vector<double> new_qs(n), new_s(n);
  for (int k = 0; k < n; ++k) {
    new_s[k] = k < k1 ? s1 * q[k] / q[k1] : k == k1 ? s1 : s->data[1][k - k1];
    new_qs[k] = k < k1 ? q[k] * (new_s[k] - 1.0) : qs->data[1][k - k1];
  }
  save_curve(n, q, new_qs.data(), 1, 1);
  save_curve(n, q, new_s.data(), 1, 2);
}

}  // namespace

const char* lowr_rmin_problem(double rmin, double rmax) {
  if (rmin > 0.0 && std::isfinite(rmin) && (rmax == not_set || rmin < rmax)) return nullptr;
  return N_("r_min must be > 0.0 and < Rmax");
}

void set_lowr(int on) {
  if (!valid_project(activep)) return;
  project_options& o = proj[activep].options;
  if (on && o.lowr_rmin == not_set && o.lowr_iter == lowr_original_count) o.lowr_iter = lowr_default_count;
  o.lowr_rmin = on ? 0.0 : not_set;
  proj[activep].calcok[calc_sq] = 0;
  setting_accepted(1);
}

int lowr_setting_of(double project_options::*member) {
  for (int k = 0; k < 3; ++k)
    if (lowr_fields[k] == member) return k;
  return -1;
}

int set_lowr_setting(int which, double value) {
  if (!valid_project(activep) || which < 0 || which > 2) return 0;
  const setting_rule& rule = *setting_of_option(lowr_fields[which]);
  if (!setting_in_range(rule, value)) {
    if (rule.message) show_info(tr(rule.message), 0);
    return 0;
  }
  double& stored = proj[activep].options.*lowr_fields[which];
  const bool changed = stored != value;
  stored = value;
  proj[activep].calcok[rule.first_step] = 0;
  if (changed) setting_accepted(rule.first_step);
  return 1;
}

std::vector<species_factors> species_of(const project& r) {
  std::vector<species_factors> sp(static_cast<std::size_t>(r.nspec));
  const auto& s = r.spec_prop;
  for (int i = 0; i < r.nspec; ++i) {
    sp[i] = {s[0][i], s[1][i], s[2][i], s[3][i], {}, {}, s[14][i]};
    for (int j = 0; j < 5; ++j) {
      sp[i].a[j] = s[4 + j][i];
      sp[i].b[j] = s[9 + j][i];
    }
  }
  return sp;
}

bool lowr_on(int p) { return valid_project(p) && proj[p].options.lowr_rmin != not_set; }

const char* refine_sq_warning(int p) {
  if (!valid_project(p)) return nullptr;
  const project& r = proj[p];
  const project_options& o = r.options;
  if (r.params[k_method] == method_integral && !(r.exp_prop[k_density] > 0.0))
    return N_("You decided to use the integral method\nIn that case the sample's density must be > 0.0");
  if (!lowr_on(p)) return nullptr;
  if (!(o.lowr_rmin > 0.0)) return N_("The optimisation below r_min needs r_min > 0.0");
  if (const char* rule = lowr_rmin_problem(o.lowr_rmin, r.exp_prop[k_rmax])) return rule;
  if (const setting_rule& iter = *setting_of_option(&project_options::lowr_iter); !setting_in_range(iter, o.lowr_iter))
    return iter.message;
  if (!(r.exp_prop[k_density] > 0.0)) return N_("The optimisation below r_min needs the sample's density > 0.0");
  return nullptr;
}

int points_to_qmax(int p, const double* q, int n) {
  if (!valid_project(p) || proj[p].options.qmax == not_set) return n;
  int k = 0;
  while (k < n && q[k] <= proj[p].options.qmax) ++k;
  return k;
}

lowr_settings lowr_settings_of(int p, double rmin, int used) {
  const project& r = proj[p];
  lowr_settings s;
  s.rho = r.exp_prop[k_density];
  s.rmin = rmin;
  s.max_iterations = setting_int(*setting_of_option(&project_options::lowr_iter), r.options.lowr_iter, -1);
  s.tolerance = lowr_tolerance;
  s.refine_density = r.options.lowr_density == 1.0;
  s.window = setting_int(*setting_of_option(&project_options::window), r.options.window, 0);
  s.damp = r.exp_prop[k_damping] > 0.0 ? r.exp_prop[k_damping] : 0.0;
  s.used = used;
  return s;
}

namespace {

// Splits step 1's curve (1, 1) of the active project, delivered for the constant alpha0,
// into nm's terms (Q[S(Q)-1] = alpha a - b), kept with the project for the scan over r_min.
bool split_sq(double alpha0) {
  project& r = proj[activep];
  const curve* in = find_curve(activep, 1, 0);
  const curve* qs = find_curve(activep, 1, 1);
  const int n = in && qs ? std::min(curve_points(*in), curve_points(*qs)) : 0;
  r.sq_a.assign(n, 0.0);
  r.sq_b.assign(n, 0.0);
  if (n == 0) return false;
  nm_parts(species_of(r), n, in->data[0].data(), in->data[1].data(),
           r.checks[k_use_additive] == 1 ? r.exp_prop[k_additive] : 0.0, qs->data[1].data(), alpha0, r.sq_a.data(),
           r.sq_b.data());
  return true;
}

// The numeric errors of a scan are its rows left out: held back while it runs.
struct quiet_numeric_errors {
  numeric_receiver previous;
  quiet_numeric_errors() {
    numeric_receiver quiet = set_numeric_receiver({});
    previous = quiet;
    quiet.show_error = [](const char*, const char*, const char*) {};
    set_numeric_receiver(std::move(quiet));
  }
  ~quiet_numeric_errors() { set_numeric_receiver(std::move(previous)); }
};

}  // namespace

int refine_sq(double alpha0) {
  project& r = proj[activep];
  const bool integral = r.params[k_method] == method_integral, optimise = lowr_on(activep);
  const bool split = split_sq(alpha0);
  if (!optimise) {
    save_curve(0, nullptr, nullptr, 1, cid_qs_plain);
    save_curve(0, nullptr, nullptr, 1, cid_s_plain);
    r.options.lowr_rho = r.options.lowr_chi2 = not_set;
    r.lowr_last.reset();
    if (!integral) return 1;
  }
  if (!split) return 0;
  const curve* in = find_curve(activep, 1, 0);
  const double* q = in->data[0].data();
  const int n = static_cast<int>(r.sq_a.size());
  // Below Q_min the curve nm delivered is its extension, not data: left out, then extended
  // again; Q_max bounds the points that enter.
  const int k1 = first_used(q, n, r.options.qmin), m = n - k1, used = points_to_qmax(activep, q + k1, m);
  const double* a = r.sq_a.data() + k1;
  const double* b = r.sq_b.data() + k1;
  if (integral && !nm_integral(m, q + k1, a, b, r.exp_prop[k_density], used)) return 0;
  if (integral) extend_below(q, n, k1);
  if (!optimise) return 1;

  keep_curve(1, cid_qs_plain);
  keep_curve(2, cid_s_plain);
  lowr_result res;
  lowr_settings settings = lowr_settings_of(activep, r.options.lowr_rmin, used);
  settings.gradients = uncertainties_on(activep) ? 1 : 0;
  if (!lowr(m, q + k1, a, b, settings, &res)) return 0;
  if (!std::isfinite(res.chi2)) {
    show_error(format(tr("The low-r optimisation's χ² is not a number (%g): check r_min and the density"), res.chi2)
                   .c_str(),
               1);
    return 0;
  }
  extend_below(q, n, k1);
  proj[activep].options.lowr_rho = res.rho;
  proj[activep].options.lowr_chi2 = res.chi2;
  proj[activep].lowr_last = std::move(res);
  return 1;
}

std::vector<lowr_scan_row> lowr_scan(double r1, double r2, double step, std::string* problem) {
  auto fail = [&](const char* why) {
    if (problem) *problem = tr(why);
    return std::vector<lowr_scan_row>{};
  };
  if (!valid_project(activep)) return fail(N_("Run the S(q) step first"));
  if (!(r1 > 0.0 && r2 >= r1 && step > 0.0 && std::isfinite(r2) && std::isfinite(step)))
    return fail(N_("The r_min range must run from R1 > 0.0 up to R2 >= R1 in steps > 0.0"));
  if ((r2 - r1) / step > lowr_scan_max - 1 + 1e-9) return fail(N_("The r_min range holds more than 200 steps"));
  const project& r = proj[activep];
  const curve* in = find_curve(activep, 1, 0);
  const int n = in ? curve_points(*in) : 0;
  if (r.calcok[calc_sq] != 1 || n == 0 || static_cast<int>(r.sq_a.size()) != n)
    return fail(N_("Run the S(q) step first"));
  if (!(r.exp_prop[k_density] > 0.0)) return fail(N_("The optimisation below r_min needs the sample's density > 0.0"));
  const double* q = in->data[0].data();
  const int k1 = first_used(q, n, r.options.qmin), m = n - k1, used = points_to_qmax(activep, q + k1, m);
  std::vector<lowr_scan_row> rows;
  {
    quiet_numeric_errors quiet;
    for (int i = 0; i < lowr_scan_max && r1 + i * step <= r2 + 1e-9 * step; ++i) {
      const double rmin = r1 + i * step;
      if (lowr_rmin_problem(rmin, r.exp_prop[k_rmax])) continue;
      lowr_settings s = lowr_settings_of(activep, rmin, used);
      s.deliver = 0;
      lowr_result res;
      if (!lowr(m, q + k1, r.sq_a.data() + k1, r.sq_b.data() + k1, s, &res)) continue;
      rows.push_back({rmin, res.alpha, res.rho, res.chi2, res.iterations, res.converged});
    }
  }
  if (rows.empty()) return fail(N_("No r_min of the range can be optimised: r_min must lie above π/Q_max and below Rmax"));
  return rows;
}

double refined_density(int p) {
  if (!valid_project(p)) return 0.0;
  const project_options& o = proj[p].options;
  if (o.lowr_density != 1.0 || o.lowr_chi2 == not_set || !(o.lowr_rho > 0.0)) return 0.0;
  return o.lowr_rho;
}

int adopt_refined_density() {
  const double rho = refined_density(activep);
  if (!(rho > 0.0)) return 0;
  proj[activep].exp_prop[k_density] = rho;
  mark_project_changed(activep);
  return 1;
}

std::string lowr_result_text(int p, bool steps) {
  if (!valid_project(p) || proj[p].options.lowr_chi2 == not_set) return std::string();
  const project& r = proj[p];
  std::string text = format("α %f  ρ %f  χ² %g", r.exp_prop[k_norm_constant], r.options.lowr_rho, r.options.lowr_chi2);
  if (!steps || !r.lowr_last) return text;
  const lowr_result& l = *r.lowr_last;
  return text + format(tr("\n%d iterations%s: χ² %.3g → %.3g"), l.iterations, l.converged ? "" : tr(" (not converged)"),
                       l.chi2_steps.front(), l.chi2_steps.back());
}
