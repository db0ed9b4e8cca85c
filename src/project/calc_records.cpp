#include "project/calc_records.h"

#include "project/hooks.h"
#include "project/i18n.h"
#include "project/messages.h"
#include "project/project.h"

namespace {

// Curve names of each step, in the language shown (they are not stored in files); step 0
// carries the abscissa of the raw data (tdata). Names that are only symbols stay as they are.
const char* const curve_names[ncalc][5] = {
    {N_("Raw data - %s"), N_("Background - %s"), N_("Cell scattering - %s"), N_("Corrected data - Q")},
    {N_("Corrected intensity"), "Q[S(Q)-1]", "S(Q)", N_("Q[S(Q)-1] before optimisation"),
     N_("S(Q) before optimisation")},
    {N_("Raw Q[S(Q)-1]"), N_("Corrected Q[S(Q)-1]"), nullptr, nullptr},
    {"Q[S(Q)-1] ", "G(r)", N_("g(r) - ρ exp"), N_("g(r) - ρ from slope G(r)"), "R(r)"},
};

}  // namespace

void create_curve_records(int p) {
  if (!valid_project(p)) return;
  project& r = proj[p];
  for (int calc = 0; calc < ncalc; ++calc) {
    r.numc[calc] = calc_curves[calc];
    const int held = calc_curves[calc] + calc_extra_curves[calc];
    r.curve_ids[calc].assign(held, curve_id{});
    r.curves[calc].clear();
    for (int j = 0; j < held; ++j) r.curves[calc].push_back(std::make_unique<curve>());
  }
  for (int calc = 1; calc < ncalc; ++calc) init_curve_names(p, calc, 0);
  r.run = 1;
}

void init_curve_names(int p, int calc, int keep) {
  if (!valid_project(p) || calc < 0 || calc >= ncalc) return;
  project& r = proj[p];
  int n = static_cast<int>(r.curves[calc].size());
  // The abscissa label of step 0; an unchosen abscissa gives an empty label.
  const char* abscissa = (r.params[k_abscissa] == 0 || r.params[k_abscissa] == 1) ? tdata[r.params[k_abscissa]] : "";
  activer = calc;
  for (int cid = 0; cid < n; ++cid) {
    curve& c = *r.curves[calc][cid];
    c.name = calc == 0 && cid < 3 ? format(tr(curve_names[calc][cid]), abscissa)
                                  : std::string(tr(curve_names[calc][cid]));
    c.cstart = 0;
    c.cend = r.numc[calc];
    r.curve_ids[calc][cid] = curve_id{r.id, calc, cid};
    c.zoom_state.ids = &r.curve_ids[calc][cid];
    if (keep == 0 || c.ndata == 0) initcurve(p, calc, cid);
    if (c.default_title) c.title = format("%s - %s", r.name.c_str(), c.name.c_str());
    if (c.x_axis_defaut_title) c.x_axis_title = default_axis_title(p, calc, 0, cid);
    if (c.y_axis_defaut_title) c.y_axis_title = default_axis_title(p, calc, 1, cid);
  }
  r.initok[calc] = 1;
  if (hooks().curve_names_set) hooks().curve_names_set(p, calc);
}
