// Uncertainties of a project's curves and reported numbers: where they come from (the
// project's uncertainty mode) and how each step carries them to its results, to first
// order (numeric/covariance.h). While the mode is "none" nothing is read, computed or held.
//
// Counting statistics: the raw, background and cell intensities are counts, sigma^2 = I
// before the scale factors and the dead-time correction, which then act on sigma too.
// Third column: sigma is read from the third column of each data file (numeric/readfiles.h).
// A curve holds the standard deviation of each point and, where a step computed it, the
// full covariance, which the next step takes with the curve as its input.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "numeric/covariance.h"

struct curve;

inline constexpr int errors_none = 0;
inline constexpr int errors_counts = 1;  // counting statistics
inline constexpr int errors_column = 2;  // third column of the files

// The mode of project position p; errors_none for a position that holds no project.
int uncertainty_mode(int p);
bool uncertainties_on(int p);

// Sets the mode of the active project (errors_none .. errors_column). Every deviation held
// is dropped and every step result is out of date; with the third column the loaded data
// files (those whose path is known) are read again for it. Returns 1 when the mode
// changed, 0 when it is the same or not a mode.
int set_uncertainty_mode(int mode);

// The standard deviations of curve (calc, cid) of project position p, one per point, or
// null when it has none.
const std::vector<double>* curve_sigma(int p, int calc, int cid);

// The standard deviation of the normalisation constant (from its estimator: the high-angle
// or the integral method) and of the density from the slope of G(r); NaN when not computed.
double normalisation_sigma(int p);
double slope_density_sigma(int p);
// The standard deviation of the density the low-r optimisation refined; NaN when none.
double refined_density_sigma(int p);
// The standard deviation of the density g(r) of project position p was made with (typed:
// none; from the slope of G(r); refined); NaN when it carries none.
double gr_density_sigma(int p);

// ---- Used by the steps ----

// Stores deviations (one per point, else nothing is stored) or a covariance (its size the
// curve's points) into curve (calc, cid) of project position p.
void store_curve_sigma(int p, int calc, int cid, std::vector<double> sigma);
void store_curve_covariance(int p, int calc, int cid, covariance cov);
// The covariance of a curve's points: the one stored, else independent points with its
// deviations; null when the curve has none.
std::shared_ptr<const covariance> curve_covariance(const curve& c);
// A step input taken from another curve takes its uncertainties along.
void copy_uncertainty(const curve& from, curve& to);
// Drops every deviation of project position p (curves and reported numbers).
void drop_uncertainties(int p);

// Reads the bytes of a data file (read once by the caller) into curve (calc, cid) of the
// active project: with its third column when the mode asks for it. The result of read_data.
int read_data_file(int calc, int cid, const char* data, std::size_t size);

// In the third-column mode, whether the input curve (calc, cid) of the active project has
// deviations; if not, a warning names the file (`name`) and says that the results carry
// none. True in every other mode.
bool column_sigma_present(int calc, int cid, const char* name);

// After a step of the active project delivered its curves: their uncertainties from those
// of the step's input. scale: what nm reported for each point (nm_extras::scale).
void propagate_sq(const std::vector<double>& scale);
void propagate_bq();
void propagate_gr();

// The standard deviation of the coordination number sum_j w_j R_j over r1..r2 of project
// position p (coordination.h); NaN when its transform's input has no uncertainties.
double coordination_sigma(int p, double r1, double r2);
// The standard deviations of numbers sum_j w_j R_j made from R(r) of project position p,
// one per weight vector (a value for each point of R(r)), such as a fitted shell's
// parameters to first order; empty when its transform's input has no uncertainties.
std::vector<double> rdf_linear_sigmas(int p, const std::vector<std::vector<double>>& weights);
