// Smoothing filters and small linear solvers shared by the reduction routines.
// Arrays are 0-based here; n is the element count.
#pragma once

#include "numeric/covariance.h"

// Quadratic Savitzky-Golay smoothing over 5, 7 and 9 points. Points without a full
// window are copied unchanged. `in` and `out` must be different arrays. A series too
// short for any window (n below 5, 7, 9) is copied whole.
void smooth5(int n, const double* in, double* out);
void smooth7(int n, const double* in, double* out);
void smooth9(int n, const double* in, double* out);
// The filter of smooth5, smooth7 or smooth9 (points 5, 7, 9) as a linear map of its input.
row_map smoothing_map(int n, int points);

// Solves the n x n system whose augmented matrix a (n x m, m = n + 1) is stored by
// columns: element (i, j) at j * n + i. Partial pivoting (the first row of largest
// magnitude wins ties); a is destroyed. A zero pivot yields infinities or NaN.
void gauss(double* a, double* x, int n, int m);

// Least-squares straight line y = coef[0] + coef[1] x through n points.
void linfit(const double* x, const double* y, int n, double coef[2]);
