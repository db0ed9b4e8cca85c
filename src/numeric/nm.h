// S(q) normalisation: corrected intensity I(q) -> Faber-Ziman S(Q) and Q[S(Q)-1].
// Faber-Ziman structure factor: T. E. Faber and J. M. Ziman, Phil. Mag. 11 (1965) 153-173.
#pragma once

// nm(nspec, z, x, fp, fpp, a1..a5, b1..b5, c, n, lambda, compton, qlim, bd, method,
//    alpha_given, add, q, intensity)
//
// Per point, with s = q / 4pi and sin(theta) = q lambda / 4pi:
//   J = I + add
//   W = (lambda / (lambda + 0.048 sin^2 theta))^p, p = 1, 4, 0.5 for bd = 1, 2, 3
//       (Breit-Dirac recoil factor), 0 for bd = 4 (no factor, W = 1), and W = 0 unless
//       compton == 1.0 ("All in")
//   C = W sum_i x_i I_inc(Z_i, q),  F2 = <f^2>(q),  G = |<f>|^2(q)
//   alpha = alpha_given (method 1; reported constant 0), or, for any other method,
//           sum_{q_k >= qlim} (F2 + C) / sum_{q_k >= qlim} J over the points from the first
//           q_k >= qlim to the end (reported; NaN when no point reaches qlim)
//   QS = q (alpha J - F2 - C) / G,   S = QS / q + 1, and S at the first point = 0.
// Calls displaync_(constant), save_curve_(n, q, QS, 1, 1), save_curve_(n, q, S, 1, 2) and
// returns 1. A bd outside 1..4 uses the exponent 1 (the plain recoil factor).
//
// Refused with a three-line message through show_error_ ("Subroutine: nm " on the second
// line), nothing delivered, result 0: n < 1 or nspec < 1 (no point or no species to
// normalise with), or work arrays that cannot be allocated ("Impossible to allocate memory").
// A vanishing <f>^2, or q = 0 anywhere but the first point, gives infinities or NaN, and
// NaN input values propagate; nothing is reported for them.
//
// `extra` adds what the original routine lacked; its defaults reproduce it exactly:
//  - incoherent: per point sum_i x_i I_inc(Z_i, q_k) taken in place of the analytic
//    function (tabulated incoherent functions); the recoil weight W still applies;
//  - qmin: points with q < qmin take no part in the high-angle constant, and S(Q) below
//    qmin is replaced by the straight line through (0, 0) and the first point k1 with
//    q >= qmin (S_k = S_k1 q_k / q_k1, QS_k = q_k (S_k - 1)), as the raw correction extends
//    its data to zero angle. The first point keeps S = 0 unless it lies below qmin;
//  - qmax: points with q > qmax take no part in the high-angle constant (NaN when none
//    lies in qlim..qmax); 0 for no bound.
//  - scale (n values, filled when set): q_k / |<f>|^2(q_k), the derivative of Q[S(Q)-1] by
//    alpha J at each point, for the propagation of uncertainties (nm_sigma.h).
struct nm_extras {
  const double* incoherent = nullptr;
  double qmin = 0.0;
  double qmax = 0.0;
  double* scale = nullptr;
};

int nm(int nspec, const double* z, const double* x, const double* fp, const double* fpp, const double* a1,
       const double* a2, const double* a3, const double* a4, const double* a5, const double* b1,
       const double* b2, const double* b3, const double* b4, const double* b5, const double* c, int n,
       double lambda, double compton, double qlim, int bd, int method, double alpha_given, double add,
       const double* q, const double* intensity, const nm_extras& extra = {});
