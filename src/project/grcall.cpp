// Step 3, pair distribution functions: the density option, the input check and the run
// of cd (ordinates before abscissas in its arguments).
#include "project/changes.h"
#include "project/curve.h"
#include "numeric/calrd.h"
#include "project/messages.h"
#include "project/physics_options.h"
#include "project/project.h"
#include "project/setting_table.h"
#include "project/rdf.h"
#include "project/sq_refine.h"
#include "project/steps.h"
#include "project/toolbox.h"
#include "project/uncertainty.h"
#include "project/i18n.h"

void set_density_mode(int on) {
  if (!valid_project(activep)) return;
  if (proj[activep].params[k_density_mode] == (on ? 1 : 0)) return;
  proj[activep].params[k_density_mode] = on ? 1 : 0;
  setting_accepted(3);
}

void set_window(int window) {
  if (!valid_project(activep) || window < 0 || window > 1) return;
  proj[activep].options.window = window;
  proj[activep].calcok[calc_gr] = 0;
  // The optimisation of the S(q) step corrects F(r) as this window makes it.
  const int first = lowr_on(activep) ? calc_sq : calc_gr;
  proj[activep].calcok[first] = 0;
  setting_accepted(first);
}

int test_gr(int p, int report) {
  if (!valid_project(p)) return 0;
  const double* e = proj[p].exp_prop;
  const bool lorch = proj[p].options.window == 1;  // the Lorch window uses no damping
  const char* warning = nullptr;
  if (!test_data(p, 5))
    warning = N_("Providing reciprocal space data\nin the format Q[S(Q)-1] is required");
  else if (const setting_rule& rmax = *setting_of_exp_prop(k_rmax); !setting_in_range(rmax, e[k_rmax]))
    warning = rmax.message;
  else if (const setting_rule& dr = *setting_of_exp_prop(k_delta_r); !setting_in_range(dr, e[k_delta_r]))
    warning = dr.message;
  else if (const setting_rule& damp = *setting_of_exp_prop(k_damping); !lorch && !setting_in_range(damp, e[k_damping]))
    warning = damp.message;
  else
    warning = physics_option_problem(p, 3);
  if (!warning) return 1;
  if (report) show_warning(tr(warning));
  return 0;
}

int run_gr() {
  if (!test_gr(activep, 1)) return step_refused;
  begin_run(3);
  const project& r = proj[activep];
  const curve* in = find_curve(activep, 3, 0);
  int n = in ? curve_points(*in) : 0;
  static const double none = 0.0;
  const double* q = n > 0 ? in->data[0].data() : &none;
  const double* qs = n > 0 ? in->data[1].data() : &none;
  // Q_max: only the points up to it enter the transform.
  cut_series kept;
  if (r.options.qmax != not_set) {
    kept = cut_to_range(q, qs, {}, n, not_set, r.options.qmax);
    n = static_cast<int>(kept.x.size());
    q = kept.x.data();
    qs = kept.y.data();
  }
  // g(r) with the density the optimisation of the S(q) step refined, when it did.
  const double rho = r.params[k_density_mode] == 1 ? r.exp_prop[k_density] : gr_density(activep).value;
  int ok = cd(n, r.params[k_density_mode], rho, r.exp_prop[k_rmax], r.exp_prop[k_damping], r.exp_prop[k_delta_r], qs, q,
              setting_int(*setting_of_option(&project_options::window), r.options.window, 0));
  if (ok) update_rdf(activep);
  if (ok && uncertainties_on(activep)) propagate_gr();
  return end_run(3, ok);
}
