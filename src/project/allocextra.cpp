#include "project/allocextra.h"

#include <algorithm>

#include "project/project.h"

std::vector<int> psize;
std::vector<int> pparamstmp;

namespace {

// Curves per calculation that can be overlaid, by abscissa choice (0 = 2θ, 1 = Q).
const int overlay_table[8] = {1, 3, 2, 1, 4, 3, 2, 1};

int abscissa_of(int p, int mode) {
  if (mode >= 1 && p >= 0 && p < static_cast<int>(pparamstmp.size())) return pparamstmp[p];
  return valid_project(p) ? proj[p].params[k_abscissa] : -1;
}

int row(int param) { return param == 1 ? 4 : 0; }

}  // namespace

int numc(int p, int r, int mode) {
  if (r < 0 || r >= ncalc) return 0;
  int pp = abscissa_of(p, mode);
  int pa = valid_project(activep) ? proj[activep].params[k_abscissa] : -1;
  if (activer == 3 && activec > 0) return r == 3 ? 3 : 0;
  if (activer > 0) {
    if (pp >= 0) return overlay_table[row(pp) + r];
    return r == 0 ? 0 : overlay_table[r];
  }
  if (pp < 0) return 0;
  if (activec != 3) {
    if (r == 0) {
      if (pp == 0 && pa == 0) return 3;
      if (pp == 1 && pa == 1) return 4;
      return 0;
    }
    if (pp == 0) return 0;
  }
  return pa >= 0 ? overlay_table[row(pa) + r] : overlay_table[r];
}

int slot_base(int p) {
  int base = 0;
  for (int i = 0; i < p && i < static_cast<int>(psize.size()); ++i) base += psize[i];
  return base;
}

int findrun(int p, int k) {
  int kk = k - slot_base(p);
  if (activer == 3 && activec > 0) return 3;
  int start = 0, answer = 0;
  for (int r = 0; r < ncalc; ++r) {
    if (start <= kk) answer = r;
    start += numc(p, r, 0);
  }
  return answer;
}

int findcurve(int p, int run, int k) {
  int kk = k - slot_base(p);
  if (run == 0) {
    if (valid_project(p) && proj[p].params[k_abscissa] == 0 && (activer > 0 || activec == 3)) return 3;
    return kk;
  }
  if (activer == 3 && activec > 0) return kk + 1;
  for (int r = 0; r < run; ++r) kk -= numc(p, r, 0);
  return kk;
}

namespace {

struct extra_tables {
  std::vector<std::array<int, 4>> sets;
  std::vector<double> thick, gsize;
  std::vector<int> dash, glyph, aspect, gfreq;
  std::vector<color> colors;
};

extra_tables take_tables(curve& c) {
  extra_tables t;
  t.sets = std::move(c.extrasets);
  t.thick = std::move(c.extrathick);
  t.dash = std::move(c.extradash);
  t.glyph = std::move(c.extraglyph);
  t.aspect = std::move(c.extraspect);
  t.gsize = std::move(c.extragsize);
  t.gfreq = std::move(c.extragfreq);
  t.colors = std::move(c.extracolor);
  return t;
}

}  // namespace

void allocextra(int mode, int p, int rid, int cid) {
  psize.assign(nprojects, 0);
  int total = 0;
  for (int q = 0; q < nprojects; ++q) {
    if (proj[q].run)
      for (int r = 0; r < ncalc; ++r) psize[q] += numc(q, r, mode);
    total += psize[q];
  }
  if (!valid_project(p) || rid < 0 || rid >= ncalc || cid < 0 ||
      cid >= static_cast<int>(proj[p].curves[rid].size()))
    return;
  curve& c = *proj[p].curves[rid][cid];

  bool changed = false;
  if (c.extras > 0) {
    changed = c.extra_nproj != nprojects;
    for (int i = 0; !changed && i < nprojects; ++i)
      changed = i >= static_cast<int>(c.extra_pids.size()) || c.extra_pids[i] != proj[i].id;
  }
  if (!changed && c.realloc_extras == 0) return;

  c.realloc_extras = 0;
  extra_tables old;
  std::vector<int> old_pids;
  if (changed) {
    old = take_tables(c);
    old_pids = c.extra_pids;
  }
  c.extras = total;
  c.extra_nproj = nprojects;
  c.extra_pids.resize(nprojects);
  for (int q = 0; q < nprojects; ++q) c.extra_pids[q] = proj[q].id;
  c.extrasets.assign(total, {0, 0, 0, 0});
  c.extrathick.assign(total, 1.0);
  c.extradash.assign(total, 1);
  c.extraglyph.assign(total, 0);
  c.extraspect.assign(total, c.aspect);
  c.extragsize.assign(total, 10.0);
  c.extragfreq.assign(total, 1);
  c.extracolor.assign(total, color_black);

  int k = 0;
  for (int q = 0; q < nprojects; ++q) {
    // The block of q's project in the old tables: the slots that carried its old position.
    int old_start = -1, old_size = 0;
    if (changed) {
      for (size_t j = 0; j < old_pids.size(); ++j) {
        if (old_pids[j] != proj[q].id) continue;
        for (size_t i = 0; i < old.sets.size(); ++i) {
          if (old.sets[i][1] != static_cast<int>(j)) continue;
          if (old_start < 0) old_start = static_cast<int>(i);
          ++old_size;
        }
        break;
      }
    }
    for (int s = 0; s < psize[q]; ++s, ++k) {
      if (old_start >= 0 && s < old_size) {
        size_t i = static_cast<size_t>(old_start + s);
        c.extrasets[k] = old.sets[i];
        c.extrasets[k][1] = q;
        c.extrathick[k] = old.thick[i];
        c.extradash[k] = old.dash[i];
        c.extraglyph[k] = old.glyph[i];
        c.extraspect[k] = old.aspect[i];
        c.extragsize[k] = old.gsize[i];
        c.extragfreq[k] = old.gfreq[i];
        c.extracolor[k] = old.colors[i];
      } else {
        int run = findrun(q, k);
        c.extrasets[k] = {0, q, run, findcurve(q, run, k)};
      }
    }
  }
}

int style_slots(const curve& c) {
  size_t n = static_cast<size_t>(std::max(c.extras, 0));
  for (size_t k : {c.extrasets.size(), c.extrathick.size(), c.extradash.size(),
                   c.extraglyph.size(), c.extraspect.size(), c.extragsize.size(),
                   c.extragfreq.size(), c.extracolor.size()})
    n = std::min(n, k);
  return static_cast<int>(n);
}
