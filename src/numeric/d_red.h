// Raw data correction: dead time, background and substrate/cell subtraction, polarisation
// and absorption, linear extension to zero angle, conversion to q, optional smoothing and
// cubic-spline resampling on a uniform q grid. The result goes to curve (0, 3) through
// save_curve_.
#pragma once

#include <optional>

#include "numeric/covariance.h"

// Largest output grid dr builds; a longer one is reported as an allocation failure.
inline constexpr int dr_max_points = 10'000'000;

// dlamb wavelength (A); dtef1, dmu linear absorption of sample and substrate/cell; dead1
// detector dead time; geom 1 reflection, 2 transmission, 3 capillary; mono 1 in-house
// (polarisation corrected), 2 synchrotron; qt 2 = abscissae in q (1/A), else 2theta
// (degrees); ndq points in x, raw, back, cell (the last one is not used); mode 0 none,
// 1 background, 2 substrate/cell, 3 both subtracted; compt only echoed; smo 1 slight,
// 2 moderate, 3 heavy smoothing, else none. Returns 1 on success, 0 on failure (after a
// three-line message through show_error_; nothing delivered).
//
// `pol` refines the polarisation correction; unset members keep the two codes as they are:
//  - monoangle (mono 1): an in-house beam diffracted by a monochromator at 2theta_M
//    (degrees) before the sample; the intensity is divided by
//    P = (1 + cos^2 2theta_M cos^2 2theta) / (1 + cos^2 2theta_M)  (Azaroff, Acta Cryst. 8
//    (1955) 701); 2theta_M = 0 is the unpolarised case of mono 1.
//  - fraction (mono 2): a synchrotron beam of which the fraction p is linearly polarised
//    in the horizontal plane, perpendicular to the (vertical) scattering plane, the rest
//    unpolarised: P = ((1 + p) + (1 - p) cos^2 2theta) / 2; p = 1 is the uncorrected case.
// Each value that is set is echoed after "SMO=" ("MONOANGLE=", "POLFRACTION=").
struct dr_polarisation {
  std::optional<double> monoangle;
  std::optional<double> fraction;
};

// Uncertainties of a run: the covariances of the raw, background and cell intensities on
// the ndq input points (null: taken as exact; a series that mode does not subtract is
// ignored) and, after a successful run, the covariance of the delivered CORRECTI. Each step
// of the correction is linear in the intensities or (dead time) nearly so; the covariance
// follows it to first order:
//  - dead time: d/dv [v / (1 - v tau)] = 1 / (1 - v tau)^2, at the measured value;
//  - subtraction, attenuation, polarisation and absorption: the corrected value is
//    k_s sample - k_b background - k_c cell per point;
//  - extension to zero angle: the added points are multiples of the first corrected one;
//  - smoothing: the filter's weights; resampling: the spline as a linear map (spline_map.h).
struct dr_sigma {
  const covariance* raw = nullptr;
  const covariance* back = nullptr;
  const covariance* cell = nullptr;
  covariance out;
};

int dr(double dlamb, double dtef1, double dmu, double dead1, double geom, double mono,
       int qt, int ndq, const double* x, const double* raw, const double* back,
       const double* cell, int mode, double compt, double smo, const dr_polarisation& pol = {},
       dr_sigma* sigma = nullptr);

// Step of the uniform q grid dr resamples onto, from the first two abscissae: the first q
// step of the series extended to zero angle, rounded to a multiple of 0.001 1/A. Zero or
// less (a first step below 0.0005 1/A, or abscissae that do not increase) or NaN (an
// abscissa beyond 4 pi / lambda) means that dr refuses the data.
double dr_grid_step(double dlamb, int qt, double x0, double x1);

// The same computation with a chosen evaluator for the final resampling. dr uses the
// forward walk; the per-point bisection is the plain reference (identical results) kept
// for tests and benchmarks.
enum class dr_resampling { forward_walk, bisection };
int dr_resampled(dr_resampling how, double dlamb, double dtef1, double dmu, double dead1,
                 double geom, double mono, int qt, int ndq, const double* x,
                 const double* raw, const double* back, const double* cell, int mode,
                 double compt, double smo, const dr_polarisation& pol = {},
                 dr_sigma* sigma = nullptr);
