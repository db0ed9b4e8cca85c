// Interpolating cubic spline with the end conditions of Forsythe, Malcolm and Moler,
// "Computer Methods for Mathematical Computations" (1977), routines SPLINE and SEVAL.
// Arrays are 0-based; n is the number of knots.
//
// The spline on interval i is s(u) = y[i] + t (b[i] + t (c[i] + t d[i])), t = u - x[i].
// The third derivative at each end matches that of the cubic through the four end
// knots, so any cubic polynomial is reproduced exactly (up to rounding).
#pragma once

// Coefficients b, c, d (n elements each) of the spline through (x[i], y[i]); x must be
// ascending. n = 2 gives the straight line (c = d = 0); n = 1 a constant (b = c = d = 0);
// n <= 0 does nothing. Knots of zero spacing produce infinities or NaN.
void spline(int n, const double* x, const double* y, double* b, double* c, double* d);

// Spline value at u. u in [x[0], x[1]] uses the first interval; otherwise a bisection
// picks the last knot i with x[i] <= u (the first knot when u < x[0]), so values beyond
// x[n-1] use the coefficients of the last knot. Requires n >= 1.
double seval(int n, double u, const double* x, const double* y, const double* b,
             const double* c, const double* d);

// The knot whose coefficients seval uses at u (the interval rule above).
int seval_index(int n, double u, const double* x);

// seval at each of nu abscissae u, written to out. For an ascending u over ascending
// knots the interval is found by walking forward instead of bisecting; the results are
// bit-identical to calling seval on each u. Descending steps, NaN abscissae and knots
// that are not ascending fall back to the bisection.
void seval_ascending(int n, const double* x, const double* y, const double* b,
                     const double* c, const double* d, int nu, const double* u, double* out);
