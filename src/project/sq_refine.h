// Step 1 beyond the high-angle and trial-and-error methods: the integral (sum-rule)
// normalisation and the low-r optimisation, both run on the curves nm delivered.
#pragma once

#include <string>
#include <vector>

#include "numeric/elements.h"
#include "numeric/lowr.h"

struct project;

// The species of a project as the normalisation routines see them.
std::vector<species_factors> species_of(const project& r);

inline constexpr int method_integral = 2;  // params[k_method] of the integral method

// The optimisation stops when chi^2 <= lowr_tolerance * int_0^r_min (4 pi rho r)^2 dr (G(r)
// follows the line within about 3 % of its size) or after lowr_iter corrections; switching
// it on sets lowr_iter to lowr_default_count where it held the count of the original
// fixed-count optimisation, 5.
inline constexpr double lowr_tolerance = 1e-3;
inline constexpr double lowr_default_count = 100;
inline constexpr double lowr_original_count = 5;

// The rule of r_min: 0 < r_min < R_max (an unset R_max bounds nothing). nullptr, or the
// warning. The entry, amoq-reduce and the project file reader all ask it.
const char* lowr_rmin_problem(double rmin, double rmax);

// "Optimise below r_min" switched on (r_min 0.0 until entered, as a method's parameter) or
// off (r_min unset); step 1 is no longer computed.
void set_lowr(int on);
// The settings of the optimisation, which 0 r_min (A), 1 iterations, 2 refine density
// (0/1); step 1 is no longer computed.
void set_lowr_setting(int which, double value);
// 1 when the low-r optimisation is on for project position p.
bool lowr_on(int p);

// The checks of the integral method and of the optimisation, made after those of test_sq:
// the warning of the first that fails, or nullptr.
const char* refine_sq_warning(int p);

// The first of the n points of q that is above Q_max (option qmax) of project position p:
// the points that enter the normalisations, the optimisation and the transform. n when
// Q_max is unset.
int points_to_qmax(int p, const double* q, int n);

// The settings of the optimisation of project position p at r_min, from its options and
// the g(r) step's window, damping and Q_max (used: the points up to Q_max).
lowr_settings lowr_settings_of(int p, double rmin, int used);

// After nm delivered step 1's curves of the active project with the constant alpha0: the
// integral method re-normalises them, the optimisation keeps them as the curves "before
// optimisation" and delivers the optimised ones, storing its density and chi^2. Without
// either the curves before optimisation and the stored results are cleared. Returns 1, or
// 0 when a routine refused (its message shown).
int refine_sq(double alpha0);

// "α ρ χ²" line of the optimisation's results of project position p, empty when none;
// with `steps` a second line with the iterations and chi^2 before and after them
// ("45 iterations: χ² 0.0135 → 0.000428"; the information page lists every step).
std::string lowr_result_text(int p, bool steps = false);

// The optimisation of the S(q) step of the active project repeated for r_min from r1 to r2
// in steps of `step` (each at most 200 values), without delivering anything: one row per
// r_min that the optimisation accepts.
struct lowr_scan_row {
  double rmin = 0.0, alpha = 0.0, rho = 0.0, chi2 = 0.0;
  int iterations = 0;
  bool converged = false;
};
// Rows for the S(q) step's current input; empty (with the reason in *problem) when the step
// cannot run, the range is empty or reversed, or no r_min was accepted.
std::vector<lowr_scan_row> lowr_scan(double r1, double r2, double step, std::string* problem = nullptr);
inline constexpr int lowr_scan_max = 200;

// The density the optimisation refined for project position p, or 0 when it did not refine
// one (not run, density held, or out of date).
double refined_density(int p);
// "Use refined density": the refined density becomes the sample's density (exp_prop), so
// the project keeps it; the results stay as they are, having used it already. Returns 1
// when stored, 0 when there is none.
int adopt_refined_density();
