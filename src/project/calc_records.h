// The model side of the calculation tool boxes: creating the curve records of a project
// and naming the curves of a step.
#pragma once

// Creates numc = 4, 3, 2, 4 zero-filled curve records (plus the extra result curves of
// calc_extra_curves) and identifier triples for every step of project p, names the curves
// of steps 1 to 3 and sets run = 1.
void create_curve_records(int p);

// Names the curves of step calc of project p (step 0 after the abscissa choice), fills
// their identifier triples, resets a curve to its defaults when keep is 0 or it has no
// points, sets the default plot and axis titles, and sets initok[calc] = 1.
void init_curve_names(int p, int calc, int keep);
