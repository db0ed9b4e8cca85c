// Windows of the pair distribution transform: the factor each Q[S(Q)-1] value is weighted
// with before the sine sum, damping the termination ripples of a finite Q range.
#pragma once

inline constexpr int window_exponential = 0;
inline constexpr int window_lorch = 1;

// out_k = qs_k M(q_k) for the nk points k < nk that enter the sum:
//   window 0: M(q) = exp(-damp q^2);
//   window 1: M(q) = sin(pi q / qmax) / (pi q / qmax), M(0) = 1, with qmax = q_{nk-1}, the
//             largest q entering the sum, so the window ends where the data end (Lorch 1969,
//             J. Phys. C 2, 229); damp is not used. A qmax that is not > 0 leaves the
//             values unweighted.
// Any other window value is taken as 0.
void transform_window(int window, double damp, int nk, const double* q, const double* qs, double* out);
