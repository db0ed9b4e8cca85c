// A project read from a file is ready to go on. Files do not store each step's input
// source (usecalc): it is inferred from the curves the file holds.
#pragma once

// For step n = 1..3 of project p (curve records read): the source is the result that
// the step's input curve holds point for point (the corrected data for S(q), Q[S(Q)-1]
// for the bending correction, the corrected Q[S(Q)-1] or Q[S(Q)-1] for g(r)); failing
// that, a file when one is named for the step; failing that, the result of the step
// before when the file holds it (for g(r) the bending correction's, else the S(q) one).
// Only usecalc changes, so a file read and written again keeps its bytes.
void infer_step_sources(int p);

// What the program does once it has opened a project: each step whose source is a
// result takes a copy of it as its input, as "previous step" gives it; a step whose
// curves hold points has its input (visok), and the view button of every curve with
// points can be used.
void take_inferred_inputs(int p);
