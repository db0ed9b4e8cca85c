// Bending correction of Q[S(Q)-1]: above a bending point qb, a least-squares cubic in q
// is fitted and subtracted, then the curve is lightly smoothed.
#pragma once

// zd(n, qb, q, qs): kb = trunc(qb / (q_1 - q_0)) is the 1-based bending index; the cubic is
// fitted over the 1-based points kb..n-2 (normal equations solved by `gauss`) and
// subtracted from points kb..n-1; points 1..kb-1 pass unchanged. If n > 5 the points
// 3..n-3 are then smoothed in place with the 5-point quadratic window (each point sees its
// already smoothed left neighbours). The last input point is dropped:
// save_curve_(n - 1, q, C, 2, 1); returns 1.
//
// Refused with a three-line message through show_error_ ("Subroutine: zd " on the second
// line), nothing delivered, result 0:
//  - fewer than two points, or a q step q_1 - q_0 that is not a positive finite number;
//  - a bending point outside the grid: kb < 1 (before the first point) or kb > n - 5 (fewer
//    than four points to fit, so the cubic is undefined); this makes n >= 6 a requirement;
//  - a work array that cannot be allocated.
// NaN or infinite values propagate into the fit and the corrected curve.
int zd(int n, double qb, const double* q, const double* qs);
