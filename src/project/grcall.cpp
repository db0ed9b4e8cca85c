// Step 3, pair distribution functions: the density option, the input check and the run
// of cd (ordinates before abscissas in its arguments).
#include "project/curve.h"
#include "numeric/calrd.h"
#include "project/messages.h"
#include "project/physics_options.h"
#include "project/project.h"
#include "project/rdf.h"
#include "project/steps.h"
#include "project/toolbox.h"

void set_density_mode(int on) {
  if (!valid_project(activep)) return;
  proj[activep].params[3] = on ? 1 : 0;
}

void set_window(int window) {
  if (!valid_project(activep) || window < 0 || window > 1) return;
  proj[activep].options.window = window;
  proj[activep].calcok[3] = 0;
}

int test_gr(int p, int report) {
  if (!valid_project(p)) return 0;
  const double* e = proj[p].exp_prop;
  const bool lorch = proj[p].options.window == 1;  // the Lorch window uses no damping
  const char* warning = nullptr;
  if (!test_data(p, 5))
    warning = "Providing reciprocal space data\nin the format Q[S(Q)-1] is required";
  else if (!(e[9] > 0.0))
    warning = "Rmax must be > 0.0";
  else if (!(e[10] > 0.0))
    warning = "δr must be > 0.0";
  else if (!lorch && !(e[11] >= 0.0))
    warning = "The damping factor must be >= 0.0";
  else
    warning = physics_option_problem(p, 3);
  if (!warning) return 1;
  if (report) show_warning(warning);
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
  int ok = cd(n, r.params[3], r.exp_prop[3], r.exp_prop[9], r.exp_prop[11], r.exp_prop[10], qs, q,
              static_cast<int>(r.options.window));
  if (ok) update_rdf(activep);
  return end_run(3, ok);
}
