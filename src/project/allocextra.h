// Extra data sets: the curves of all open projects that can be drawn over one curve.
// Slots are laid out project by project; project position q contributes psize[q]
// consecutive slots (0 unless its curve records exist).
#pragma once

#include <vector>

struct curve;

// Slots contributed by each open project; rebuilt by every allocextra.
extern std::vector<int> psize;
// Abscissa choice (params[k_abscissa]) of each project of a workspace being read; numc takes it
// from here in workspace mode (mode >= 1).
extern std::vector<int> pparamstmp;

// Curves of calculation r of project position p that can be drawn over the active curve
// (activep, activer, activec).
int numc(int p, int r, int mode);
// Calculation and curve of global slot k within project position p.
int findrun(int p, int k);
int findcurve(int p, int run, int k);
// Rebuilds psize and, when needed, the extra tables of curve (rid, cid) of project p,
// carrying the slots of projects that are still open over to their new place.
void allocextra(int mode, int p, int rid, int cid);
// Sum of psize over the positions before p.
int slot_base(int p);
// Extra data set slots whose every style table is filled.
int style_slots(const curve& c);
