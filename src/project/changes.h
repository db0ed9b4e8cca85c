// What a project holds that is not saved yet, and which step results no longer follow
// the settings. Unsaved work is state of the session; the out-of-date marks are kept in
// the options block of project and workspace files.
#pragma once

#include <string>
#include <vector>

struct project;

// ---- Unsaved work ----

// Project p was edited (settings, data loaded, a step run, a curve restyled, renamed).
void mark_project_changed(int p);
// Project p was saved or opened: nothing of it is unsaved.
void mark_project_saved(int p);
// Project p was read from or written to `file`: Save writes there from now on, and the
// names shown follow the file.
void set_project_file(int p, const std::string& file);
// Positions of the projects with unsaved changes, in table order.
std::vector<int> unsaved_projects();
// The project as the user tells it apart: its name beside the file it was read from or
// saved to ("Project N° 0 — chain1.nap"), the name alone before its first save.
std::string display_name(int p);
// The name as the workspace tree and the titles show it: "*" before a changed project's.
std::string shown_name(int p);

// ---- Results that follow the settings ----

// The step whose result is the input of step n (1..3): the usecalc choices; -1 when the
// step reads a file (or n is step 0).
int step_source(const project& r, int n);
// The main output curve of step calc: corrected data, Q[S(Q)-1], corrected Q[S(Q)-1],
// G(r).
int step_result_curve(int calc);
// True when step calc holds a result: its main output curve has points.
bool step_has_results(const project& r, int calc);
// The first step whose result a settings property (settings.h prop numbers) or a code
// combo box (0 geometry .. 4 Breit-Dirac) changes; -1 for none.
int first_step_of_prop(int prop);
int first_step_of_box(int box);
// The results of step `first` and of every step it feeds, where they exist, no longer
// follow the settings (the caller refreshes the windows).
void invalidate_steps(int p, int first);
// Step calc has just computed: its results are current, those of the steps it feeds
// are not.
void step_recomputed(int p, int calc);
// " (out of date)" when the results of step calc of project p are out of date, else "".
const char* out_of_date_mark(int p, int calc);

// An accepted change of the active project that affects the results from step `first`
// on (-1: none): the project is marked changed, the results out of date, and with
// automatic recalculation the out-of-date steps run again.
void setting_accepted(int first);
