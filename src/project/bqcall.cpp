// Step 2, bending correction: the input check and the run of zd.
#include "project/curve.h"
#include "numeric/zd.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/setting_table.h"
#include "project/steps.h"
#include "project/toolbox.h"
#include "project/uncertainty.h"
#include "project/i18n.h"

int test_bq(int p, int report) {
  if (!valid_project(p)) return 0;
  const double qb = proj[p].exp_prop[k_bending_point];
  const char* warning = nullptr;
  if (!test_data(p, 4))
    warning = N_("Providing experimental q[S(q)-1] data is required");
  else if (const setting_rule& bcpv = *setting_of_exp_prop(k_bending_point); !setting_in_range(bcpv, qb))
    warning = bcpv.message;
  if (!warning) return 1;
  if (report) show_warning(tr(warning));
  return 0;
}

int run_bq() {
  if (!test_bq(activep, 1)) return step_refused;
  begin_run(2);
  const curve* in = find_curve(activep, 2, 0);
  const int n = in ? curve_points(*in) : 0;
  static const double none = 0.0;
  int ok = zd(n, proj[activep].exp_prop[k_bending_point], n > 0 ? in->data[0].data() : &none,
              n > 0 ? in->data[1].data() : &none);
  if (ok && uncertainties_on(activep)) propagate_bq();
  if (const int result = end_run(2, ok); result != step_done) return result;
  on_set_use_calc(2, proj[activep].usecalc[2]);
  return step_done;
}
