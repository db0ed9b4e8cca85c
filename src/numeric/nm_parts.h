// Q[S(Q)-1] as nm forms it is linear in the normalisation constant alpha:
//   Q[S(Q)-1] = alpha a - b,   a = Q J / <f>^2,   b = Q (<f^2> + C) / <f>^2,
// with J the (shifted) intensity, <f>^2 and <f^2> the coherent averages and C the
// Compton term. Splitting a curve that nm delivered into a and b lets the steps that
// refine alpha (the integral method, the low-r optimisation) work with nm's own terms.
#pragma once

#include <span>

#include "numeric/elements.h"

// a_k = q_k (intensity_k + add) / <f>^2(q_k) over the species, and b_k = alpha a_k - qs_k
// for a curve qs that nm delivered with the constant alpha.
void nm_parts(std::span<const species_factors> species, int n, const double* q, const double* intensity,
              double add, const double* qs, double alpha, double* a, double* b);

// Integral (sum-rule) normalisation constant (Krogh-Moe 1956, Acta Cryst. 9, 951;
// Norman 1957, Acta Cryst. 10, 370): int_0^Qmax Q^2 [S(Q) - 1] dQ = -2 pi^2 rho, so
//   alpha = (int Q b dQ - 2 pi^2 rho) / int Q a dQ
// by the trapezoid rule over the points, from Q = 0 (where both integrands vanish) when
// the first point lies above it. NaN when the integral of Q a is not positive.
double integral_constant(int n, const double* q, const double* a, const double* b, double rho);

// Delivers the curves of the S(q) step for the constant alpha, as nm does: displaync_(alpha),
// save_curve_(n, q, alpha a - b, 1, 1), then S = Q[S-1] / q + 1 with S = 0 at the first
// point as save_curve_(n, q, S, 1, 2). Returns 1, or 0 after reporting an allocation
// failure with the caller's subroutine line.
int deliver_normalised(int n, const double* q, const double* a, const double* b, double alpha,
                       const char* subroutine);

// The integral method as a routine: integral_constant over the first `used` points (those
// up to Q_max; 0: all), then deliver_normalised on all n. Refused with a three-line message
// through show_error_ ("Subroutine: nmint "), nothing delivered, result 0: fewer than two
// points used, a density that is not > 0, or no finite positive constant. Returns 1
// otherwise.
int nm_integral(int n, const double* q, const double* a, const double* b, double rho, int used = 0);
