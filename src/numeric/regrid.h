// A series measured on one abscissa grid brought onto another: the background and the
// substrate/cell scattering onto the abscissae of the sample's raw data.
#pragma once

#include "numeric/covariance.h"

// True when a and b hold the same number of abscissae and each pair agrees within
// rel_tol: |a_i - b_i| <= rel_tol max(|a_i|, |b_i|).
bool same_grid(int na, const double* a, int nb, const double* b, double rel_tol);

// Values of the series (xs, ys) of ns points (xs ascending) at the nu abscissae u (ascending),
// by the interpolating cubic spline of spline.h; 0 where u lies outside [xs_0, xs_{ns-1}].
// Returns the number of such points.
int resample_series(int ns, const double* xs, const double* ys, int nu, const double* u,
                    double* out);

// resample_series as a linear map of ys (spline_map.h): rows outside [xs_0, xs_{ns-1}] are
// empty, as those values are 0.
row_map resample_map(int ns, const double* xs, int nu, const double* u);
