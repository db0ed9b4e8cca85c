#include "project/recalc.h"

#include "project/changes.h"
#include "project/hooks.h"
#include "project/project.h"
#include "project/steps.h"

namespace {
int running = 0;
}

bool auto_recalc_on(int p) { return valid_project(p) && proj[p].options.autorecalc == 1.0; }

void set_auto_recalc(int p, bool on) {
  if (!valid_project(p) || auto_recalc_on(p) == on) return;
  proj[p].options.autorecalc = on ? 1.0 : 0.0;
  int active = activep;
  activep = p;
  setting_accepted(-1);
  activep = active;
}

bool auto_recalculating() { return running > 0; }

int recalculate() {
  if (!valid_project(activep) || running) return 0;
  int (*const ready[ncalc])(int, int) = {test_ra, test_sq, test_bq, test_gr};
  int (*const run[ncalc])() = {run_ra, run_sq, run_bq, run_gr};
  ++running;
  int ran = 0;
  // A step that runs marks the steps it feeds out of date, so they run next.
  for (int calc = 0; calc < ncalc; ++calc) {
    if (!proj[activep].out_of_date[calc] || !ready[calc](activep, 0)) continue;
    if (run[calc]() == step_done) ++ran;
  }
  --running;
  if (hooks().project_state_changed) hooks().project_state_changed(activep);
  return ran;
}
