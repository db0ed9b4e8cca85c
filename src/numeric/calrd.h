// Pair distribution function: sine Fourier transform of Q[S(Q)-1] into the reduced pair
// distribution function G(r), and g(r) for the experimental number density or the one
// derived from the initial slope of G(r).
#pragma once

// cd(n, densmode, rho_exp, rmax, damp, dr, qs, q): qs and q hold n points on a uniform q grid
// (the last point is not used). r_j = j dr for j < nr = trunc(rmax / dr), and
//   G_j = (2 dq / pi) sum_{k < n-1} qs_k exp(-damp q_k^2) sin(r_j q_k),   dq = q_1 - q_0,
//   g_j = 1 + G_j / (4 pi rho r_j) for j >= 1,   g_0 = 0 (no pair at zero distance),
// with rho the density from the slope of G(r) when densmode = 1, else rho_exp. The slope is
// the least-squares line through (0, 0) and (r_j, G_j), j = 1..M, M = trunc(1 / dr)
// (0 < r <= 1 A), and the slope density is -slope / (4 pi).
//
// Delivers save_curve_(nr, r, G, 3, 1), save_curve_(nr, r, g, 3, densmode == 1 ? 3 : 2),
// then displaydens_(slope density, or 0 when densmode != 1); returns 1.
//
// Refused with a three-line message through show_error_ ("Subroutine: cd " on the second
// line), nothing delivered, result 0:
//  - fewer than two points, or a q step q_1 - q_0 that is not a positive finite number;
//  - an r grid with no point: dr or rmax not > 0, or rmax < dr;
//  - densmode = 1 with dr > 1 A (M = 0): the slope fit would see the origin alone, so the
//    density, and every g(r) value with it, would be undefined;
//  - an array that cannot be allocated, or nr above 50,000,000 or not finite ("Table: B",
//    "C", "D", "DX3" as for allocation failures; "W" the damped input, "FFT" the transform's
//    work space).
// When rmax is below about 1 A (nr <= M) the slope fit uses only the G values that exist:
// j = 1..nr-1. A density of 0 gives infinities or NaN in g(r). NaN or infinite input values
// propagate into G(r) and g(r) (on a uniform grid through the FFT to every r).
//
// window 1 replaces exp(-damp q_k^2) by the Lorch function of transform_window.h (damp is
// then not used); the default 0 is the exponential window.
int cd(int n, int densmode, double rho_exp, double rmax, double damp, double dr, const double* qs,
       const double* q, int window = 0);
