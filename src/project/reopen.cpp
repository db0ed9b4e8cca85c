#include "project/reopen.h"

#include "project/hooks.h"
#include "project/project.h"
#include "project/toolbox.h"

namespace {

struct source_choice {
  int entry;     // usecalc value
  int calc, cid; // the curve it copies
};

// Sources offered to step j + 1, in the order they are preferred.
const source_choice choices[3][2] = {
    {{1, 0, 3}, {-1, 0, 0}},  // S(q): corrected data
    {{1, 1, 1}, {-1, 0, 0}},  // bending: Q[S(Q)-1]
    {{1, 2, 1}, {2, 1, 1}},   // g(r): corrected Q[S(Q)-1], else Q[S(Q)-1]
};

int points(int p, int calc, int cid) {
  const curve* c = find_curve(p, calc, cid);
  return c ? curve_points(*c) : 0;
}

int inferred_source(int p, int j) {
  const curve* in = find_curve(p, j + 1, 0);
  for (const source_choice& s : choices[j]) {
    const curve* src = s.entry > 0 ? find_curve(p, s.calc, s.cid) : nullptr;
    if (in && src && same_points(*in, *src)) return s.entry;
  }
  if (proj[p].filename[j + 3]) return 0;
  for (const source_choice& s : choices[j])
    if (s.entry > 0 && points(p, s.calc, s.cid) > 0) return s.entry;
  return 0;
}

}  // namespace

void infer_step_sources(int p) {
  if (!valid_project(p) || !proj[p].run) return;
  for (int j = 0; j < 3; ++j) proj[p].usecalc[j] = inferred_source(p, j);
}

void take_inferred_inputs(int p) {
  if (!valid_project(p) || !proj[p].run) return;
  project& r = proj[p];
  for (int j = 0; j < 3; ++j) {
    for (const source_choice& s : choices[j]) {
      if (s.entry <= 0 || s.entry != r.usecalc[j]) continue;
      curve* in = find_curve(p, j + 1, 0);
      const curve* src = find_curve(p, s.calc, s.cid);
      const int n = src ? curve_points(*src) : 0;
      if (!in || n == 0 || same_points(*in, *src)) continue;
      in->data[0].assign(src->data[0].begin(), src->data[0].begin() + n);
      in->data[1].assign(src->data[1].begin(), src->data[1].begin() + n);
      in->ndata = n;
    }
  }
  for (int calc = 0; calc < ncalc; ++calc)
    for (auto& c : r.curves[calc]) {
      if (curve_points(*c) == 0) continue;
      r.visok[calc] = 1;
      if (hooks().view_button_state) hooks().view_button_state(*c, 0, 1);
    }
}
