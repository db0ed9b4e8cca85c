#include "plot/plot_input.h"

#include <algorithm>

#include "project/allocextra.h"
#include "project/toolbox.h"

namespace {

// The deviations of a set's points when the display record shows them.
const std::vector<double>* shown_sigma(const curve& style, const curve& points) {
  return style.show_sigma && !points.sigma.empty() &&
                 static_cast<int>(points.sigma.size()) == curve_points(points)
             ? &points.sigma
             : nullptr;
}

}  // namespace

plot_input resolve_plot_input(curve& style, const curve& points, int p, int rid, int cid) {
  plot_input in;
  in.p = p, in.rid = rid, in.cid = cid;
  in.c = &style;
  in.own = {&points, p,
            {style.datac, style.aspect, style.dash, style.thickness, style.glyph, style.gsize,
             style.gfreq},
            true, shown_sigma(style, points)};
  const int slots = style_slots(style);
  const int n = std::min(style.extras, static_cast<int>(style.extrasets.size()));
  for (int s = 0; s < n; ++s) {
    const auto& set = style.extrasets[s];
    if (set[0] != 1) continue;
    const curve* d = find_curve(set[1], set[2], set[3]);
    if (!d) continue;
    plot_set e{d, set[1], {}, s < slots, shown_sigma(style, *d)};
    if (e.styled)
      e.style = {style.extracolor[s], style.extraspect[s], style.extradash[s], style.extrathick[s],
                 style.extraglyph[s], style.extragsize[s], style.extragfreq[s]};
    in.extras.push_back(e);
  }
  return in;
}

plot_input resolve_plot_input(int p, int rid, int cid) {
  curve* c = find_curve(p, rid, cid);
  if (!c) {
    plot_input none;
    none.p = p, none.rid = rid, none.cid = cid;
    return none;
  }
  return resolve_plot_input(*c, *c, p, rid, cid);
}

bool plot_carries_sigma(int p, int rid, int cid) {
  curve* c = find_curve(p, rid, cid);
  if (!c) return false;
  curve shown = *c;  // the same plot with its bands on
  shown.show_sigma = 1;
  const plot_input in = resolve_plot_input(shown, *c, p, rid, cid);
  if (in.own.sigma) return true;
  for (const plot_set& e : in.extras)
    if (e.styled && e.sigma) return true;
  return false;
}
