// The interpolating cubic spline of spline.h as a linear map of the values it passes
// through: for fixed knots x, the spline through (x_i, y_i) evaluated at u_k as seval
// evaluates it is s(u_k) = sum_i A_ki y_i. Uncertainties of y follow it as A S A^T.
//
// In interval i, with h = x_{i+1} - x_i, t = u - x_i and m_i the c that the tridiagonal
// solve of `spline` leaves at knot i (a sixth of the second derivative):
//   s = (1 - t/h) y_i + (t/h) y_{i+1} + (-2ht + 3t^2 - t^3/h) m_i + (-ht + t^3/h) m_{i+1},
// and beyond the last knot n-1 (t = u - x_{n-1}, h its interval):
//   s = -(t/h) y_{n-2} + (1 + t/h) y_{n-1} + (th - t^3/h) m_{n-2} + (2th + 3t^2 + t^3/h) m_{n-1}.
// m = T^-1 R y, T the symmetric tridiagonal matrix of the solve (end conditions included)
// and R the differences of divided differences. The entries of a row of T^-1 fall off by
// about 2 - sqrt(3) = 0.27 per knot from the diagonal; they are kept down to `tol` times
// the diagonal one (9 knots each side for 1e-5), so A is banded. Covariances mapped with it
// keep their correlation coefficients to about tol / 10 and their variances to about
// tol^2 (the discarded entries meet only small ones): 8e-7 and 3e-11 for counting noise
// on a 2theta scan.
#pragma once

#include "numeric/covariance.h"

row_map spline_map(int n, const double* x, int nu, const double* u, double tol = 1e-5);

// The same map, kept for the next call with the same knots and points (per thread): the
// map depends on the grids alone, and a series of patterns, or a chain run again after a
// change of a setting, resamples onto the same grids each time.
const row_map& kept_spline_map(int n, const double* x, int nu, const double* u);
