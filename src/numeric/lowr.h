// Low-r optimisation of S(Q): below the shortest interatomic distance r_min there are no
// pairs, so F(r) = 4 pi r [rho(r) - rho] must follow -4 pi rho r there.
//
// 1. The normalisation constant alpha (and, when asked, the density rho) is the one whose
//    F(r) follows that line best below r_min (Kaplow, Strong, Averbach 1965, Phys. Rev. 138,
//    A1336). It is fitted on F(r) with the Lorch modification function, which averages F
//    over r +- pi/Q_max (Lorch 1969, J. Phys. C 2, 229): that cancels the termination ripples
//    the first peak throws below r_min, which are no error of alpha or rho, and leaves the
//    line as it is. Up to r_f = r_min - pi/Q_max the average reaches no pair.
// 2. The deviation that remains below r_min in F(r) as the g(r) step computes it (its
//    window and Q_max) is transformed back and removed from Q[S(Q)-1], iteration after
//    iteration (Kaplow et al. 1965; Eggert, Weck, Gregoryanz, Hemley 2002, Phys. Rev. B 65,
//    174105), until its chi^2 falls below the tolerance or the maximum count is reached.
//
// alpha and rho are fitted before the correction and held during it: once the correction
// has removed the deviation below r_min, F(r) there follows the line for any alpha and rho,
// so refitting them on the corrected curve has no minimum (on the SiO2 example the density
// drifts from 0.080 to -0.41 atoms/A^3 over 100 iterations when it is).
#pragma once

#include <vector>

struct lowr_settings {
  double rho = 0.0;            // density (atoms/A^3) > 0: the one held, unless refined
  double rmin = 0.0;           // A, > pi/Q_max
  int max_iterations = 100;    // 0..1000
  double tolerance = 1e-3;     // stop when chi^2 <= tolerance * int_0^rmin (4 pi rho r)^2 dr
  int refine_density = 0;      // 1: rho is fitted with alpha
  int window = 0;              // the g(r) step's window (transform_window.h) and damping
  double damp = 0.0;
  int used = 0;                // the first `used` points enter (those up to Q_max); 0: all
  int deliver = 1;             // 0: the results only, nothing delivered (a scan over r_min)
  int gradients = 0;           // 1: also the gradients of alpha and rho (for uncertainties)
};

struct lowr_result {
  double alpha = 0.0;   // normalisation constant
  double rho = 0.0;     // density (the one given unless refined)
  double chi2 = 0.0;    // int_0^rmin dF(r)^2 dr of the optimised curve, F as the g(r) step makes it
  double line = 0.0;    // int_0^rmin (4 pi rho r)^2 dr: the scale of the tolerance
  int iterations = 0;   // corrections made
  bool converged = false;          // chi2 <= tolerance * line
  std::vector<double> chi2_steps;  // chi^2 before the first correction and after each one
  // The fit of alpha (and rho) on the Lorch-averaged F(r) below r_f: its chi^2 and the
  // inverse of its normal matrix, (alpha alpha, alpha rho, rho rho); the rho terms are 0
  // when rho is held.
  double fit_chi2 = 0.0;
  double fit_inverse[3] = {0.0, 0.0, 0.0};
  // With settings.gradients: d alpha / d a_k and d rho / d a_k on the n points (0 beyond
  // the points of the sum, and for rho when it is held). The fit's normal equations
  // N (alpha, rho) = -D^T W ff, D = (uf, vf), perturbed by d uf = F_L[d a]:
  //   N d(alpha, rho) = -((dF + alpha uf)^T W d uf, alpha vf^T W d uf),
  // dF the fit's residual; so each gradient is F_L^T of a vector on the fit's grid.
  std::vector<double> alpha_gradient, rho_gradient;
};

// lowr(n, q, a, b, settings, result): Q[S(Q)-1] = alpha a - b on n points (nm_parts.h).
//
// F(r) is the transform of cd, (2 dq / pi) sum_{k < u-1} x_k M(q_k) sin(r q_k), dq = q_1 - q_0,
// over the u = settings.used points, with M the Lorch function (fit) or the g(r) window
// (correction); Q_max = q_{u-2}, the last q of the sum. Both run on grids r_l = l d with
// d <= min(0.01 A, pi / (8 Q_max)) (at most 1000 steps), integrals by the trapezoid rule.
// The fit minimises int_0^r_f (F_L + 4 pi rho r)^2 dr over alpha (and rho): both enter
// linearly, so the minimum is solved for. Each correction subtracts
// int_0^rmin dF(r) sin(q r) dr from Q[S(Q)-1], dF = F + 4 pi rho r: dF becomes (I - K) dF
// with K the small matrix of "transform back, then forward" on the r grid.
//
// Delivers displaync_(alpha), save_curve_(n, q, QS, 1, 1) and save_curve_(n, q, S, 1, 2) of
// the optimised Q[S(Q)-1] on all n points (S = QS / q + 1, and 0 at the first point), fills
// *result and returns 1. Refused with a three-line message through show_error_
// ("Subroutine: lowr "), nothing delivered, result 0: a q grid cd would refuse, rmin, rho,
// the count or the tolerance out of range, rmin not above pi / Q_max, a minimum that does
// not exist or gives a constant or density that is not positive and finite, or work arrays
// that cannot be allocated. A cancel request (numeric/cancel.h) stops it between two
// corrections: result 0, nothing delivered, no message.
int lowr(int n, const double* q, const double* a, const double* b, const lowr_settings& settings,
         lowr_result* result);
