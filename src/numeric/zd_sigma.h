// Uncertainties of the bending correction (zd.h). Every step of zd is linear in Q[S(Q)-1]:
// the cubic fitted above the bending point is H y for the fit's normal equations H, its
// subtraction a rank-4 correction (I - Phi H), the last point is dropped, and the in-place
// smoothing, where each point sees its already smoothed left neighbours, is a lower
// triangular map whose weights fall off by |z| = sqrt(3/35) = 0.29 per point (the roots of
// 35 z^2 - 12 z + 3 = 0); its rows are kept down to 1e-14 of their largest weight.
#pragma once

#include "numeric/covariance.h"

// The covariance of the curve zd delivers (n - 1 points) from that of its input (n points),
// for the same n, qb and q. False, out untouched, where zd refuses the input.
bool zd_covariance(int n, double qb, const double* q, const covariance& in, covariance& out);
