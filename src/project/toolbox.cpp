#include "project/toolbox.h"

#include <algorithm>

#include "project/changes.h"
#include "project/curve.h"
#include "project/calc_records.h"
#include "project/hooks.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/recalc.h"
#include "project/step_hooks.h"
#include "project/uncertainty.h"
#include "project/i18n.h"

namespace {

void input_line(int li, const std::string& name, const std::string& points) {
  if (shooks().input_line) shooks().input_line(li, name, points);
}

// An automatic rerun keeps the windows open: they are redrawn with the new points.
void hide_curves(int calc) {
  if (shooks().hide_curves && !auto_recalculating()) shooks().hide_curves(activep, calc);
}

// Copies the source curve into the input curve of step n (entries 1 and 2). An input
// that holds the source's points already stays, and so do the step's results.
int take_previous(int j, int n, int src_calc, int src_cid) {
  const curve* src = find_curve(activep, src_calc, src_cid);
  const curve* in = find_curve(activep, n, 0);
  if (!(src && in && same_points(*src, *in))) hide_curves(n);
  if (shooks().file_button) shooks().file_button(j + 3, 0);
  int count = src ? curve_points(*src) : 0;
  if (count == 0) {
    // Nothing to take: the step's input is emptied too, so a later run cannot compute
    // from what an earlier source left there.
    input_line(j + 3, "", "No data");
    save_curve(0, nullptr, nullptr, n, 0);
    turncheck(n, 0);
    return 0;
  }
  print_lines(count, "", "Q", j + 3, src_calc, src_cid);
  // The source keeps its arrays: save_curve copies them into a different record.
  if (!(in && same_points(*src, *in)))
    save_curve(count, src->data[0].data(), src->data[1].data(), n, 0);
  if (curve* taken = find_curve(activep, n, 0)) copy_uncertainty(*src, *taken);
  turncheck(n, 1);
  return count;
}

}  // namespace

bool same_points(const curve& a, const curve& b) {
  int n = curve_points(a);
  if (n == 0 || n != curve_points(b)) return false;
  for (int k = 0; k < 2; ++k)
    if (!std::equal(a.data[k].begin(), a.data[k].begin() + n, b.data[k].begin())) return false;
  return true;
}

void initcwidgets() {
  if (!valid_project(activep)) return;
  create_curve_records(activep);
  if (hooks().curve_records_created) hooks().curve_records_created(activep);
}

void initcnames(int calc, int keep) {
  if (!valid_project(activep)) return;
  init_curve_names(activep, calc, keep);
}

void initcalcs(int calc, int loaded) {
  if (shooks().init_step) shooks().init_step(calc, loaded);
}

void turncheck(int calc, int on) {
  if (!valid_project(activep) || calc < 0 || calc >= ncalc) return;
  proj[activep].visok[calc] = on ? 1 : 0;
  if (shooks().step_check) shooks().step_check(calc, on ? 1 : 0);
}

void turnchecks() {
  if (shooks().step_checks) shooks().step_checks();
}

void turnactions() {
  if (shooks().step_actions) shooks().step_actions();
}

namespace {

int use_source(int j, int entry) {
  project& r = proj[activep];
  const int n = j + 1;
  r.usecalc[j] = entry;
  const bool step_exists = !r.curves[n].empty();
  if (entry == 0 && step_exists) {
    if (shooks().file_button) shooks().file_button(j + 3, 1);
    curve* in = find_curve(activep, n, 0);
    int count = in ? curve_points(*in) : 0;
    if (count == 0 || !r.filename[j + 3]) {
      input_line(j + 3, "(None)", "No data");
      save_curve(0, nullptr, nullptr, n, 0);
      count = 0;
    } else {
      print_lines(count, r.filename[j + 3]->c_str(), "Q", j + 3, n, 0);
    }
    hide_curves(n);
    turncheck(n, 0);
    return count;
  }
  // Sources: the corrected data of step 0, the Q[S(Q)-1] of step 1, the corrected
  // Q[S(Q)-1] of step 2.
  static const int source_cid[3] = {3, 1, 1};
  if (entry == 1 && !r.curves[j].empty()) return take_previous(j, n, j, source_cid[j]);
  if (entry == 2 && j == 2 && !r.curves[1].empty()) return take_previous(j, n, 1, 1);
  input_line(j + 3, "(None)", "No data");
  return 0;
}

}  // namespace

int on_set_use_calc(int j, int entry) {
  if (!valid_project(activep) || j < 0 || j > 2) return 0;
  const bool changed = proj[activep].usecalc[j] != entry;
  if (auto_recalculating() && entry == 0) {  // a file input stays as it is
    const curve* in = find_curve(activep, j + 1, 0);
    return in ? curve_points(*in) : 0;
  }
  int count = use_source(j, entry);
  if (changed) setting_accepted(j + 1);
  return count;
}

std::string points_markup(int n, const char* label, double xmax) {
  return format(tr("%d %s points\n%s<sub>max</sub> = %f"), n, label, label, xmax);
}

void print_lines(int n, const char* text, const char* label, int li, int calc, int cid) {
  const curve* c = find_curve(activep, calc, cid);
  int held = c ? curve_points(*c) : 0;
  double xmax = held > 0 ? c->data[0][held - 1] : 0.0;
  input_line(li, text ? text : "", points_markup(n, label ? label : "", xmax));
}

const char* busy_name(int calc) {
  static const char* const names[ncalc] = {N_("Raw data correction"), N_("S(q) / Q(q)"),
                                           N_("S(q) - bending correction"), N_("g(r)/G(r)")};
  return calc >= 0 && calc < ncalc ? tr(names[calc]) : "";
}

void prepostcalc(int post, int calc, double opacity) {
  if (shooks().busy)
    shooks().busy(post, calc, opacity,
                  format(tr("Please wait %s calculation in progress"), busy_name(calc)));
}
