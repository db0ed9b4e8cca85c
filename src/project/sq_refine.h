// Step 1 beyond the high-angle and trial-and-error methods: the integral (sum-rule)
// normalisation and the low-r optimisation, both run on the curves nm delivered.
#pragma once

#include <string>
#include <vector>

#include "numeric/elements.h"
#include "project/project.h"

struct project;

// The species of a project as the normalisation routines see them.
std::vector<species_factors> species_of(const project& r);

inline constexpr int method_integral = 2;  // params[k_method] of the integral method

// "Optimise below r_min" switched on (r_min 0.0 until entered, as a method's parameter) or
// off (r_min unset); step 1 is no longer computed.
void set_lowr(int on);
// The settings of the optimisation, which 0 r_min (A), 1 iterations, 2 refine density
// (0/1); step 1 is no longer computed. 0, with the message of the setting's rule, for a
// value out of its range (setting_table.h); 1 otherwise.
int set_lowr_setting(int which, double value);
// The `which` of the optimisation setting kept in `member`, or -1.
int lowr_setting_of(double project_options::*member);
// 1 when the low-r optimisation is on for project position p.
bool lowr_on(int p);

// The checks of the integral method and of the optimisation, made after those of test_sq:
// the warning of the first that fails, or nullptr.
const char* refine_sq_warning(int p);

// After nm delivered step 1's curves of the active project with the constant alpha0: the
// integral method re-normalises them, the optimisation keeps them as the curves "before
// optimisation" and delivers the optimised ones, storing its density and chi^2. Without
// either the curves before optimisation and the stored results are cleared. Returns 1, or
// 0 when a routine refused (its message shown).
int refine_sq(double alpha0);

// "α ρ χ²" line of the optimisation's results of project position p, empty when none.
std::string lowr_result_text(int p);
