// Step 1, S(q): the method and additive-correction switches, the input check and the run
// of nm (followed by the integral method and the low-r optimisation, sq_refine.h).
#include <vector>

#include "project/changes.h"
#include "project/curve.h"
#include "numeric/nm.h"
#include "project/incoherent_tables.h"
#include "project/messages.h"
#include "project/physics_options.h"
#include "project/project.h"
#include "project/setting_table.h"
#include "project/settings.h"
#include "project/sq_refine.h"
#include "project/steps.h"
#include "project/toolbox.h"
#include "project/uncertainty.h"
#include "project/i18n.h"

void set_additive_correction(int on) {
  if (!valid_project(activep)) return;
  project& r = proj[activep];
  r.exp_prop[k_additive] = 0.0;
  r.checks[k_use_additive] = on ? 1 : 0;
  r.calcok[calc_sq] = 0;
  setting_accepted(1);
}

void set_method(int m) {
  if (!valid_project(activep) || m < 0 || m > method_integral) return;
  project& r = proj[activep];
  // The integral method has no parameter of its own: both are unset.
  r.exp_prop[k_qlim] = m == 0 ? 0.0 : not_set;
  r.exp_prop[k_trial_constant] = m == 1 ? 0.0 : not_set;
  r.params[k_method] = m;
  r.calcok[calc_sq] = 0;
  setting_accepted(1);
}

int test_sq(int p, int report) {
  if (!valid_project(p)) return 0;
  const project& r = proj[p];
  const double* e = r.exp_prop;
  const char* warning = nullptr;
  if (!test_data(p, 3))
    warning = N_("Providing corrected experimental data is required");
  else if (const setting_rule& bd = *setting_of_exp_prop(k_breit_dirac); !setting_in_range(bd, e[k_breit_dirac]))
    warning = bd.message;
  else if (const setting_rule& ham = *setting_of_exp_prop(k_qlim);
           r.params[k_method] == 0 && !(setting_in_range(ham, e[k_qlim]) && e[k_qlim] <= r.max[1] &&
                                        (r.options.qmax == not_set || e[k_qlim] <= r.options.qmax)))
    warning = ham.message;
  else if (const setting_rule& tem = *setting_of_exp_prop(k_trial_constant);
           r.params[k_method] == 1 && !setting_in_range(tem, e[k_trial_constant]))
    warning = tem.message;
  else
    warning = refine_sq_warning(p);
  if (!warning) warning = physics_option_problem(p, 1);
  if (!warning) return 1;
  if (report) show_warning(tr(warning));
  return 0;
}

int run_sq() {
  if (!test_sq(activep, 1)) return step_refused;
  warn_analytic_incoherent(activep, proj[activep].min[1], proj[activep].max[1]);
  begin_run(1);
  const project& r = proj[activep];
  const double additive = r.checks[k_use_additive] == 1 ? r.exp_prop[k_additive] : 0.0;
  const curve* in = find_curve(activep, 1, 0);
  const int n = in ? curve_points(*in) : 0;
  static const double none = 0.0;
  const double* q = n > 0 ? in->data[0].data() : &none;
  const double* intensity = n > 0 ? in->data[1].data() : &none;
  std::vector<double> tabulated;
  nm_extras extra;
  if (r.options.incoherent == incoherent_tabulated && r.exp_prop[k_compton] == 1.0) {
    tabulated = sample_incoherent_tables(activep, q, n);
    extra.incoherent = tabulated.data();
  }
  if (r.options.qmin != not_set) extra.qmin = r.options.qmin;
  if (r.options.qmax != not_set) extra.qmax = r.options.qmax;
  std::vector<double> scale;
  if (uncertainties_on(activep)) {
    scale.resize(static_cast<std::size_t>(n));
    extra.scale = scale.data();
  }
  const auto& s = r.spec_prop;
  // The integral method normalises what nm delivers for the constant 1.
  const int method = r.params[k_method] == method_integral ? 1 : r.params[k_method];
  const double given = r.params[k_method] == method_integral ? 1.0 : r.exp_prop[k_trial_constant];
  // A project saved before "Apply" took proportions may hold a formula (2, 1, 4).
  std::vector<double> x = s[1];
  concentration_fractions(r, x);
  int ok = nm(r.nspec, s[0].data(), x.data(), s[2].data(), s[3].data(), s[4].data(),
              s[5].data(), s[6].data(), s[7].data(), s[8].data(), s[9].data(), s[10].data(),
              s[11].data(), s[12].data(), s[13].data(), s[14].data(), n, r.exp_prop[k_wavelength],
              r.exp_prop[k_compton], r.exp_prop[k_qlim], setting_int(*setting_of_exp_prop(k_breit_dirac), r.exp_prop[k_breit_dirac], 0),
              method, given,
              additive, q, intensity, extra);
  if (ok) ok = refine_sq(method == 1 ? given : proj[activep].exp_prop[k_norm_constant]);
  if (ok && uncertainties_on(activep)) propagate_sq(scale);
  if (const int result = end_run(1, ok); result != step_done) return result;
  on_set_use_calc(1, proj[activep].usecalc[1]);
  on_set_use_calc(2, proj[activep].usecalc[2]);
  return step_done;
}
