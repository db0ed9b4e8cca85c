// Coordination numbers from the radial distribution function of an X-ray measurement.
#pragma once

// R(r) = 4 pi rho r^2 g(r) = r G(r) + 4 pi rho r^2, from the reduced pair distribution
// function G(r) = 4 pi rho r [g(r) - 1] on n points.
void radial_distribution(int n, const double* r, const double* big_g, double rho, double* out);

// int_r1^r2 R(r) dr by the trapezoid rule over the points, with R interpolated linearly at
// r1 and r2; the range is clipped to the data. 0 when nothing of it lies inside the data.
double coordination_number(int n, const double* r, const double* rdf, double r1, double r2);

// Faber-Ziman weight of the pair (A, B) (Faber, Ziman 1965, Phil. Mag. 11, 153) with the
// scattering factors at Q = 0, f = Z + f':
//   w_AB = c_A c_B (Z_A + f'_A)(Z_B + f'_B) / <Z + f'>^2,  sum over all ordered pairs = 1.
double pair_weight(int nspec, const double* z, const double* x, const double* fp, int a, int b);

// Mean number of B atoms around an A atom from the total coordination number of a peak
// that holds the (A, B) pairs alone: N_AB = N c_B / ((2 - delta_AB) w_AB). NaN for a
// weight of 0 or species outside 0..nspec-1.
double pair_coordination(double total, int nspec, const double* z, const double* x, const double* fp, int a,
                         int b);
