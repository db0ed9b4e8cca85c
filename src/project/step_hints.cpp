#include "project/step_hints.h"

#include "project/changes.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/toolbox.h"
#include "project/i18n.h"

std::string greyed_hint(int p, greyed_control what, int calc) {
  if (!valid_project(p)) return {};
  const project& r = proj[p];
  if (calc < 0 || calc >= ncalc) return {};
  switch (what) {
    case greyed_control::step_dialog:
      return r.dialok[calc] ? std::string() : tr("Apply the sample and experiment settings first");
    case greyed_control::data_file:
      if (r.params[k_abscissa] < 0) return tr("Choose the abscissa of the data files first");
      if (calc == 1 && !r.checks[k_subtract_background]) return tr("Tick \"Background\" first");
      if (calc == 2 && !r.checks[k_subtract_cell]) return tr("Tick \"Substrate / cell\" first");
      return {};
    case greyed_control::step_curves:
      if (r.visok[calc]) return {};
      if (!r.dialok[calc]) return tr("Apply the sample and experiment settings first");
      if (calc == 0)
        return r.params[k_abscissa] < 0 ? tr("Choose the abscissa of the data files first")
                               : tr("Load the raw data file first");
      return tr("Choose 'previous step' as Input, or a file");
  }
  return {};
}

std::string input_hint(int p, int n) {
  if (!valid_project(p) || n < 1 || n >= ncalc) return {};
  const project& r = proj[p];
  const curve* in = find_curve(p, n, 0);
  if (r.usecalc[n - 1] != 0 || (in && curve_points(*in) > 0)) return {};
  // The Input boxes offer the step before; g(r) also the S(q) result, named like the step.
  int src = n - 1;
  if (n == 3 && !step_has_results(r, 2)) src = 1;
  if (!step_has_results(r, src)) return {};
  return format(tr("Choose \"%s\" as Input to use its result"), tr(calcname[src]));
}
