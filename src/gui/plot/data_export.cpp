// Data export: the curve's points, and the extra data sets drawn over it, written by the
// curve data writer in the format of the chooser filter picked.
#include <cstring>

#include "gui/plot/curve_window.h"
#include "gui/plot/curve_window_private.h"
#include "files/reduction_record.h"
#include "numeric/writedata.h"
#include "gui/base/chooser.h"
#include "project/file_names.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/rdf.h"
#include "project/toolbox.h"
#include "gui/base/i18n.h"

namespace {

// The deviations of a set's points for the writer's sigma column, or null without them.
const double* sigma_of(const curve& c) {
  return !c.sigma.empty() && static_cast<int>(c.sigma.size()) == curve_points(c) ? c.sigma.data() : nullptr;
}

// The curve and every drawn extra set; nsets = extras_shown + 1 sets announced.
int write_sets(const curve& c, int rid, int cid, const std::string& file, int fmt) {
  int len = static_cast<int>(file.size());
  int n = curve_points(c);
  if (c.extras_shown == 0)
    return save_to_file(len, file.c_str(), n, c.data[0].data(), c.data[1].data(), c.scale[0],
                        c.scale[1], c.aspect, rid, cid, fmt, sigma_of(c));
  // Only sets that really exist are announced, so the last one written closes the file.
  std::vector<int> slots;
  for (int k = 0; k < c.extras && k < static_cast<int>(c.extrasets.size()); ++k) {
    const auto& s = c.extrasets[k];
    if (s[0] && find_curve(s[1], s[2], s[3])) slots.push_back(k);
  }
  int nsets = static_cast<int>(slots.size()) + 1;
  if (!prep_file(len, file.c_str(), fmt, c.scale[0], c.scale[1], rid, cid)) return 0;
  int ok = append_to_file(n, c.data[0].data(), c.data[1].data(), c.aspect, rid, cid, fmt, 0,
                          nsets, sigma_of(c));
  int set = 0;
  for (int k : slots) {
    if (!ok) break;
    const auto& s = c.extrasets[k];
    const curve* e = find_curve(s[1], s[2], s[3]);
    ok = append_to_file(curve_points(*e), e->data[0].data(), e->data[1].data(),
                        k < static_cast<int>(c.extraspect.size()) ? c.extraspect[k] : c.aspect, s[2], s[3], fmt, ++set, nsets,
                        sigma_of(*e));
  }
  if (!ok) close_data_file();
  return ok;
}

}  // namespace

void offer_reduction_record(int p, const std::string& data_path);

void write_curve(GtkWidget*, const curve_id* triple) {
  int p = proj_by_id(triple->pid);
  curve* c = find_curve(p, triple->rid, triple->cid);
  if (!c) return;
  int fmt = 0;
  std::string path = choose_save_file(_("Save data to disk"),
                                      {{_("(x,y) ASCII file (*.dat)"), "*.*"},
                                       {_("(x,y,0.,1.) ASCII file (*.dat)"), "*.*"},
                                       {_("Xmgrace file (*.agr)"), "*.agr"}},
                                      proposed_file_name(c->name, ".dat"), c->cfile.value_or(""),
                                      p, fmt);
  if (fmt < 0 || fmt > 2) fmt = 0;
  if (!path.empty()) path = complete_save_name(path, data_file_name(path, fmt));
  if (path.empty()) return;
  c->cfile = path;
  if (!write_sets(*c, triple->rid, triple->cid, path, fmt)) {
    show_error(format(_("Impossible to save the data file:\n%s"), path.c_str()).c_str(), 1);
    return;
  }
  offer_reduction_record(p, path);
}

// The record of the reduction (inputs with their SHA-256, settings, reported values) as
// PATH.json beside an exported curve, when the user wants it.
void offer_reduction_record(int p, const std::string& data_path) {
  const std::string path = data_path + ".json";
  if (!ask_question(_("Reduction record"),
                    format(_("Also save the record of this reduction (inputs, settings, results) as\n%s ?"),
                           path.c_str())
                        .c_str()))
    return;
  std::vector<record_coordination> counts;
  const project_options& o = proj[p].options;
  coordination_count c;
  const int a = coordination_species(o.coord_a), b = coordination_species(o.coord_b);
  auto count = [&](const std::string& name, double n, double n_sigma, const peak_fit& f) {
    counts.push_back({name, o.coord_r1, o.coord_r2, n, f.reported(), f.peak.area, f.peak.r0, f.peak.sigma,
                      f.reported() ? std::string() : peak_fit_reason(f.status), f.residual, n_sigma, f.sigmas});
  };
  if (count_coordination(p, o.coord_r1, o.coord_r2, a, b, c) == count_done) {
    count("total", c.total, c.total_sigma, c.fit);
    if (a >= 0 && b >= 0) count(pair_name(p, a, b), c.pair, c.pair_sigma, c.pair_fit);
  }
  if (write_reduction_record(path, p, project_inputs(p), counts) != 0)
    show_error(format(_("Impossible to save the data file:\n%s"), path.c_str()).c_str(), 1);
}
