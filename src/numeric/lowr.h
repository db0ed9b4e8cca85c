// Low-r optimisation of S(Q): below the shortest interatomic distance r_min there are no
// pairs, so F(r) = 4 pi r [rho(r) - rho] must follow -4 pi rho r there. The normalisation
// constant (and optionally the density) is the one whose F(r) follows that line best below
// r_min (Kaplow, Strong, Averbach 1965, Phys. Rev. 138, A1336), and the remaining deviation
// is transformed back and removed from Q[S(Q)-1] iteratively (ibid.; Eggert, Weck,
// Gregoryanz, Hemley 2002, Phys. Rev. B 65, 174105), both on F(r) with the Lorch
// modification function, so that the termination ripples of the first peak are neither
// fitted nor removed as if they were errors of the data.
#pragma once

struct lowr_result {
  double alpha = 0.0;  // normalisation constant
  double rho = 0.0;    // density (the one given unless refined)
  double chi2 = 0.0;   // int_0^r_f dF(r)^2 dr of the optimised curve
};

// lowr(n, q, a, b, rho, rmin, iterations, refine_density, result): Q[S(Q)-1] = alpha a - b
// on n points (nm_parts.h), rho > 0 the density (atoms/A^3), rmin > 0 in A, iterations >= 0.
//
// F(r) is the transform of cd with the Lorch window of transform_window.h:
// (2 dq / pi) sum_{k < n-1} x_k L(q_k) sin(r q_k), dq = q_1 - q_0, L(q) = sin(q D/2) / (q D/2),
// D = 2 pi / qmax, qmax = q_{n-2} the last q of the sum. L averages F(r) over r +- D/2
// (Lorch 1969, J. Phys. C 2, 229), which cancels the termination ripples (period D) the
// peaks beyond rmin throw below it and leaves -4 pi rho r as it is; up to r_f = rmin - D/2
// the average reaches no pair, so dF(r) = F(r) + 4 pi rho r is taken there, on r_l = l d,
// l = 0..L, d = r_f / L <= min(0.01 A, pi / (8 qmax)) (L at most 1000), int_0^r_f by the
// trapezoid rule. alpha (and rho) minimise chi^2_0 = int_0^r_f dF_0^2 dr (both enter
// linearly: the minimum is solved for). Then each iteration i subtracts
// int_0^r_f dF_i(r) sin(q r) dr from Q[S(Q)-1]; that is linear too, so dF after K iterations
// is (I - M)^K dF_0 with M the small matrix of "transform back, then forward" on the r
// grid, and the curve is corrected once by the back transform of the sum of the dF_i. The
// chi^2 reported is that of the optimised curve, int_0^r_f dF_K^2 dr.
//
// Delivers displaync_(alpha), save_curve_(n, q, QS, 1, 1) and save_curve_(n, q, S, 1, 2) of
// the optimised Q[S(Q)-1] (S = QS / q + 1, and 0 at the first point), fills *result and
// returns 1. Refused with a three-line message through show_error_ ("Subroutine: lowr "),
// nothing delivered, result 0: a q grid cd would refuse, rmin, rho or iterations out of
// range (iterations above 1000), rmin not above D/2 = pi / qmax, a minimum that does not
// exist or gives a constant or density that is not positive and finite, or work arrays
// that cannot be allocated. Stopped between its iterations by a cancel request
// (numeric/cancel.h): result 0, nothing delivered, no message.
int lowr(int n, const double* q, const double* a, const double* b, double rho, double rmin, int iterations,
         int refine_density, lowr_result* result);
