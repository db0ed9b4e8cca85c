// The model side of the calculation tool boxes: creating the curve records, naming the
// curves of a step, the per-step flags behind the check buttons, and the flow of one
// step's result into the input of the next. Widgets follow through step_hooks.
#pragma once

#include <string>

#include "project/curve.h"

// Creates the curve records of the active project (numc = 4, 3, 2, 4), names the curves
// of steps 1 to 3 and sets run = 1.
void initcwidgets();

// Names the curves of step calc of the active project and (re)builds their buttons; a
// curve is reset to its defaults when keep is 0 or it has no points. initok[calc] = 1.
void initcnames(int calc, int keep);

// Refreshes the dialog of step calc (loaded 1: from the record, 0: as empty).
void initcalcs(int calc, int loaded);

// visok[calc] = on, and the step's check button and expander follow.
void turncheck(int calc, int on);
// The four check buttons from visok, and the menu actions from dialok.
void turnchecks();
void turnactions();

// Chooses entry `entry` (0 file, 1 result of the previous step, 2 for j = 2 only: the
// Q[S(Q)-1] of step 1) as the input of step j + 1 of the active project, copying the
// source curve into the step's input curve when it has points. Returns the number of
// points the step now has as its input (0 where the line shows "No data").
int on_set_use_calc(int j, int entry);

// Fills input line li (file id 0..5): the name label gets `text`, the points label
// "%d %s points\n%s<sub>max</sub> = %f" with n, label, label and the last abscissa of
// curve (calc, cid) of the active project.
void print_lines(int n, const char* text, const char* label, int li, int calc, int cid);
// The points label markup alone.
std::string points_markup(int n, const char* label, double xmax);

// Enters (post 0) or leaves (post 1) the busy state around the numeric routine of step
// calc; the popup text is "Please wait %s calculation in progress".
void prepostcalc(int post, int calc, double opacity);
// The step's words in the popup and the status bar ("Computing %s").
const char* busy_name(int calc);

// True when both curves hold points, the same number of them and equal values.
bool same_points(const curve& a, const curve& b);
