// Rules of the settings that refine the physics of the steps (project_options): the
// incoherent scattering functions, the Q range of the normalisation and of the transform,
// the abscissa range of the raw data and the polarisation of the beam. not_set means
// unset: the step behaves as it always did.
#pragma once

#include <string>
#include <vector>

#include "project/project.h"

enum physics_option {
  opt_incoherent,   // 0 analytic, 1 tabulated incoherent scattering (S(q) step)
  opt_qmin,         // lowest Q of the normalisation (S(q) step)
  opt_qmax,         // highest Q used by the normalisations, the optimisation and the
                    // transform (S(q) step on)
  opt_ttmin,        // lowest raw abscissa kept (data correction, 2theta or Q as the data)
  opt_ttmax,        // highest raw abscissa kept
  opt_monoangle,    // monochromator 2theta_M of an in-house beam (degrees)
  opt_polfraction,  // linear polarisation fraction of a synchrotron beam
  nphysics_options
};

// The physics option kept in `member`, or -1.
int physics_option_of(double project_options::*member);

// The stored value of `option` in project position p (not_set when unset).
double physics_option(int p, int option);

// Stores `value` (not_set clears it) as `option` of the active project and clears the
// result of the step that uses it. A value out of the option's range (setting_table.h) is
// refused with its message. Returns a prop_result of settings.h.
int set_physics_option(int option, double value);

// The same for the text of an entry: blank clears the option, a number is stored, other
// text is refused with a message naming the field (prop_rejected).
int set_physics_option_text(int option, const std::string& text);

// The warning of the first option of step `calc` (0, 1 or 3) that project position p
// cannot use, or null. Step 0 also reports a raw range that keeps fewer than 3 points.
const char* physics_option_problem(int p, int calc);
// The same for the polarisation options, checked with the experiment.
const char* polarisation_problem(int p);

// The points (x[k], y[k]) and the matching entries of the `more` arrays whose x lies in
// lo..hi (either bound not_set: open), in order. Used to cut the raw data to its range
// and the transform's input at Q_max.
struct cut_series {
  std::vector<double> x, y;
  std::vector<std::vector<double>> more;
};
cut_series cut_to_range(const double* x, const double* y, std::vector<const double*> more,
                        int n, double lo, double hi);
// The positions of the points cut_to_range keeps.
std::vector<int> indices_in_range(const double* x, int n, double lo, double hi);
