#include "project/changes.h"

#include "project/hooks.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/recalc.h"
#include "project/settings.h"
#include "project/toolbox.h"
#include "project/i18n.h"

namespace {

void state_changed(int p) {
  if (hooks().project_state_changed) hooks().project_state_changed(p);
}

// Marks the results of step `from` (when `self`) and of every step fed by it, directly
// or through other steps.
void mark_downstream(project& r, int from, bool self) {
  bool fed[ncalc]{};
  fed[from] = true;
  for (int calc = from; calc < ncalc; ++calc) {
    if (calc > from) {
      int src = step_source(r, calc);
      fed[calc] = src >= 0 && fed[src];
    }
    if (fed[calc] && (calc != from || self) && step_has_results(r, calc)) r.out_of_date[calc] = 1;
  }
}

}  // namespace

void mark_project_changed(int p) {
  if (!valid_project(p) || proj[p].changed) return;
  proj[p].changed = 1;
  state_changed(p);
}

void mark_project_saved(int p) {
  if (!valid_project(p) || !proj[p].changed) return;
  proj[p].changed = 0;
  state_changed(p);
}

void set_project_file(int p, const std::string& file) {
  if (!valid_project(p)) return;
  proj[p].path = file;
  proj[p].newproj = 0;
  state_changed(p);
}

std::vector<int> unsaved_projects() {
  std::vector<int> out;
  for (int p = 0; p < nprojects; ++p)
    if (proj[p].changed) out.push_back(p);
  return out;
}

std::string display_name(int p) {
  if (!valid_project(p)) return {};
  const project& r = proj[p];
  if (!r.path || r.path->empty()) return r.name;
  const size_t slash = r.path->find_last_of('/');
  return r.name + " — " + (slash == std::string::npos ? *r.path : r.path->substr(slash + 1));
}

std::string shown_name(int p) {
  if (!valid_project(p)) return {};
  return proj[p].changed ? "*" + display_name(p) : display_name(p);
}

int step_source(const project& r, int n) {
  switch (n) {
    case 1: return r.usecalc[0] == 1 ? 0 : -1;
    case 2: return r.usecalc[1] == 1 ? 1 : -1;
    case 3: return r.usecalc[2] == 1 ? 2 : r.usecalc[2] == 2 ? 1 : -1;
    default: return -1;
  }
}

int step_result_curve(int calc) { return calc == 0 ? 3 : 1; }

bool step_has_results(const project& r, int calc) {
  if (calc < 0 || calc >= ncalc) return false;
  const auto& list = r.curves[calc];
  if (step_result_curve(calc) >= static_cast<int>(list.size())) return false;
  return curve_points(*list[step_result_curve(calc)]) > 0;
}

int first_step_of_prop(int prop) {
  // Species feed the normalisation; wavelength, absorptions and dead time the raw data
  // correction (which converts 2θ to Q with the wavelength); density, R_max, δr and
  // damping the transform; the bending point the bending correction.
  static const int first[prop_last_exp + 1] = {1, 1, 1, 1, 1,   // species
                                               0, 0, 0, 3, 0,   // λ, μt, μt cell, ρ, dead time
                                               1, 1, 1, 2,      // additive, ham, tem, bending
                                               3, 3, 3};        // R_max, δr, damping
  return prop >= 0 && prop <= prop_last_exp ? first[prop] : -1;
}

int first_step_of_box(int box) {
  // Geometry, polarisation, Compton and smoothing enter the raw data correction;
  // Breit-Dirac the normalisation.
  static const int first[5] = {0, 0, 0, 0, 1};
  return box >= 0 && box < 5 ? first[box] : -1;
}

void invalidate_steps(int p, int first) {
  if (!valid_project(p) || first < 0 || first >= ncalc) return;
  mark_downstream(proj[p], first, true);
}

void step_recomputed(int p, int calc) {
  if (!valid_project(p) || calc < 0 || calc >= ncalc) return;
  project& r = proj[p];
  r.out_of_date[calc] = 0;
  mark_downstream(r, calc, false);
  state_changed(p);
}

const char* out_of_date_mark(int p, int calc) {
  if (!valid_project(p) || calc < 0 || calc >= ncalc) return "";
  const project& r = proj[p];
  return r.out_of_date[calc] && step_has_results(r, calc) ? tr(" (out of date)") : "";
}

void setting_accepted(int first) {
  if (!valid_project(activep)) return;
  proj[activep].changed = 1;
  invalidate_steps(activep, first);
  if (auto_recalc_on(activep) && !auto_recalculating()) recalculate();
  state_changed(activep);
}
