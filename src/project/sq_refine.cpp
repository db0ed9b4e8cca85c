#include "project/sq_refine.h"

#include <cmath>
#include <vector>

#include "numeric/elements.h"
#include "numeric/lowr.h"
#include "numeric/nm_parts.h"
#include "project/changes.h"
#include "project/curve.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/setting_table.h"
#include "project/toolbox.h"
#include "project/i18n.h"

namespace {

double project_options::* const lowr_settings[3] = {&project_options::lowr_rmin, &project_options::lowr_iter,
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

void set_lowr(int on) {
  if (!valid_project(activep)) return;
  proj[activep].options.lowr_rmin = on ? 0.0 : not_set;
  proj[activep].calcok[calc_sq] = 0;
  setting_accepted(1);
}

int lowr_setting_of(double project_options::*member) {
  for (int k = 0; k < 3; ++k)
    if (lowr_settings[k] == member) return k;
  return -1;
}

int set_lowr_setting(int which, double value) {
  if (!valid_project(activep) || which < 0 || which > 2) return 0;
  const setting_rule& rule = *setting_of_option(lowr_settings[which]);
  if (!setting_in_range(rule, value)) {
    if (rule.message) show_info(tr(rule.message), 0);
    return 0;
  }
  double& stored = proj[activep].options.*lowr_settings[which];
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
  if (const setting_rule& iter = *setting_of_option(&project_options::lowr_iter); !setting_in_range(iter, o.lowr_iter))
    return iter.message;
  if (!(r.exp_prop[k_density] > 0.0)) return N_("The optimisation below r_min needs the sample's density > 0.0");
  return nullptr;
}

int refine_sq(double alpha0) {
  project& r = proj[activep];
  const bool integral = r.params[k_method] == method_integral, optimise = lowr_on(activep);
  if (!optimise) {
    save_curve(0, nullptr, nullptr, 1, cid_qs_plain);
    save_curve(0, nullptr, nullptr, 1, cid_s_plain);
    r.options.lowr_rho = r.options.lowr_chi2 = not_set;
    if (!integral) return 1;
  }
  const curve* in = find_curve(activep, 1, 0);
  const curve* qs = find_curve(activep, 1, 1);
  const int n = in && qs ? std::min(curve_points(*in), curve_points(*qs)) : 0;
  if (n == 0) return 0;
  std::vector<double> a(n), b(n);
  const double* q = in->data[0].data();
  const std::vector<species_factors> species = species_of(r);
  nm_parts(species, n, q, in->data[1].data(), r.checks[k_use_additive] == 1 ? r.exp_prop[k_additive] : 0.0, qs->data[1].data(), alpha0,
           a.data(), b.data());
  // Below Q_min the curve nm delivered is its extension, not data: left out, then extended again.
  const int k1 = first_used(q, n, r.options.qmin), m = n - k1;
  if (integral && !nm_integral(m, q + k1, a.data() + k1, b.data() + k1, r.exp_prop[k_density])) return 0;
  if (integral) extend_below(q, n, k1);
  if (!optimise) return 1;

  keep_curve(1, cid_qs_plain);
  keep_curve(2, cid_s_plain);
  const project_options& o = r.options;
  lowr_result res;
  const int iterations = setting_int(*setting_of_option(&project_options::lowr_iter), o.lowr_iter, -1);
  if (!lowr(m, q + k1, a.data() + k1, b.data() + k1, r.exp_prop[k_density], o.lowr_rmin, iterations,
            o.lowr_density == 1.0, &res))
    return 0;
  if (!std::isfinite(res.chi2)) {
    show_error(format(tr("The low-r optimisation's χ² is not a number (%g): check r_min and the density"), res.chi2)
                   .c_str(),
               1);
    return 0;
  }
  extend_below(q, n, k1);
  proj[activep].options.lowr_rho = res.rho;
  proj[activep].options.lowr_chi2 = res.chi2;
  return 1;
}

std::string lowr_result_text(int p) {
  if (!valid_project(p) || proj[p].options.lowr_chi2 == not_set) return std::string();
  const project& r = proj[p];
  return format("α %f  ρ %f  χ² %g", r.exp_prop[k_norm_constant], r.options.lowr_rho, r.options.lowr_chi2);
}
