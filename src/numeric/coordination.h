// Coordination numbers from the radial distribution function of an X-ray measurement.
#pragma once

#include <limits>
#include <vector>

// R(r) = 4 pi rho r^2 g(r) = r G(r) + 4 pi rho r^2, from the reduced pair distribution
// function G(r) = 4 pi rho r [g(r) - 1] on n points.
void radial_distribution(int n, const double* r, const double* big_g, double rho, double* out);

// int_r1^r2 R(r) dr by the trapezoid rule over the points, with R interpolated linearly at
// r1 and r2; the range is clipped to the data. 0 when nothing of it lies inside the data.
double coordination_number(int n, const double* r, const double* rdf, double r1, double r2);
// The same integral as weights: coordination_number = sum_j w_j rdf_j (n values of w), for
// the uncertainty of the number from that of R(r).
void coordination_weights(int n, const double* r, double r1, double r2, double* w);

// Faber-Ziman weight of the pair (A, B) (Faber, Ziman 1965, Phil. Mag. 11, 153) with the
// scattering factors at Q = 0, f = Z + f':
//   w_AB = c_A c_B (Z_A + f'_A)(Z_B + f'_B) / <Z + f'>^2,  sum over all ordered pairs = 1.
double pair_weight(int nspec, const double* z, const double* x, const double* fp, int a, int b);

// Mean number of B atoms around an A atom from the total coordination number of a peak
// that holds the (A, B) pairs alone: N_AB = N c_B / ((2 - delta_AB) w_AB). NaN for a
// weight of 0 or species outside 0..nspec-1.
double pair_coordination(double total, int nspec, const double* z, const double* x, const double* fp, int a,
                         int b);

// A Gaussian shell of `area` neighbours at r0 with width sigma: R(r) = area gauss(r; r0, sigma).
struct gaussian_peak {
  double area = 0.0, r0 = 0.0, sigma = 0.0;
};
// The standard deviations of a shell's area, r0 and sigma; NaN where not computed.
struct gaussian_peak_sigma {
  double area = std::numeric_limits<double>::quiet_NaN();
  double r0 = std::numeric_limits<double>::quiet_NaN();
  double sigma = std::numeric_limits<double>::quiet_NaN();
};

// The transform R(r) was made by (calrd.h): the rectangle sum over q_k, k < nq - 1, dq =
// q_1 - q_0, with the window of transform_window.h (window, damp). nq = 0: R(r) is taken as
// it stands. weight (nq - 1 values, or nullptr for 1): the shell's share of Q[S(Q)-1] at q_k
// relative to Q = 0, w_AB(q_k) / w_AB(0) for the pairs A-B, whose scattering factors fall
// off at their own rates.
struct peak_transform {
  int nq = 0;
  const double* q = nullptr;
  int window = 0;
  double damp = 0.0;
  const double* weight = nullptr;
};

// Why a fitted shell is or is not reported.
enum peak_fit_status {
  fit_reported,       // every check below passed
  fit_no_peak,        // fewer than four points or no positive maximum in the range
  fit_not_converged,  // the least squares did not settle in 200 steps
  fit_no_area,        // the area came out not positive
  fit_width,          // sigma below min_peak_sigma or not below r2 - r1
  fit_position,       // r0 outside r1..r2
  fit_outside,        // less than min_peak_inside of the shell's area lies in r1..r2
  fit_residual,       // rms residual above max_peak_residual of the rms of R(r) on the range
  fit_cancelled,      // stopped between its iterations by a cancel request (numeric/cancel.h)
};

// The bounds a reported shell keeps: a width the data resolve, a shell the range holds
// (the fit removes the window's broadening, not the range's edges) and a residual that
// says the range holds one Gaussian shell. On the SiO2 example a single shell leaves at
// most 6 % with any window, while ranges over two shells or a shell on a rising
// background (a liquid's first shell) leave more or spread the shell beyond the range.
inline constexpr double min_peak_sigma = 0.001;  // A
inline constexpr double min_peak_inside = 0.9;
inline constexpr double max_peak_residual = 0.075;

// The reason of a status, as the messages name it ("no peak in the range", ...).
const char* peak_fit_reason(int status);

struct peak_fit {
  int status = fit_no_peak;
  gaussian_peak peak;         // the last parameters (those reported when status = fit_reported)
  double residual = 0.0;      // sqrt(sum (R - model)^2 / sum R^2) over the fitted points
  int points = 0;             // points fitted
  // Covariance of (area, r0, sigma), s^2 (J^T J)^-1 with s^2 = sum (R - model)^2 / (points - 3):
  // the points are correlated through the transform, so this is a lower bound.
  double covariance[3][3] = {};
  // From the covariance of the data, when uncertainties are propagated (project/rdf.h).
  gaussian_peak_sigma sigmas;
  bool reported() const { return status == fit_reported; }
};

// Least-squares fit of one shell to R(r) over the points with r1 <= r <= r2
// (Levenberg-Marquardt on area, position and width, started from the range's integral and
// highest point). With a transform the shell is compared as the data saw it: its
// Q[S(Q)-1] = weight(Q) (area / r0) exp(-sigma^2 Q^2 / 2) sin(Q r0) (Warren, X-ray
// Diffraction 1969, ch. 10), windowed and summed like the data, times r (R = r G + 4 pi rho r^2, and the
// shell adds to G alone); so area and sigma are those of the shell itself, free of the
// window's broadening and the truncation's side lobes (the pair-function method of Mozzi,
// Warren 1969, J. Appl. Cryst. 2, 164). The status says whether it may be reported.
peak_fit fit_gaussian_peak(int n, const double* r, const double* rdf, double r1, double r2, const peak_transform& t);

// The fitted shell's first-order response to the fitted points, for its uncertainty:
// A = (J^T J)^-1 J^T with J the model's gradient at `peak` on the points r1 <= r_j <= r2,
// so that delta p = A delta R and Sigma_p = A Sigma_R A^T. Three rows (area, r0, sigma) of
// n values each, 0 outside the range; empty when J^T J is singular or the range holds fewer
// than four points.
std::vector<std::vector<double>> peak_fit_gains(int n, const double* r, double r1, double r2, const peak_transform& t,
                                                const gaussian_peak& peak);
