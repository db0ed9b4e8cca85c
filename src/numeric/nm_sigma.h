// Uncertainties of the normalisation (nm.h, nm_parts.h). Q[S(Q)-1] = alpha a - b with
// a = scale J (J the shifted intensity, scale = q / |<f>|^2 as nm reports it) and b free of
// J. A constant estimated from the same intensities moves with them, delta alpha =
// g^T delta J, so
//   delta Q[S(Q)-1] = (alpha diag(scale) + a g^T) delta J,
// and the constant is correlated with every point. Each estimator supplies its gradient g;
// a constant given by the user has none.
#pragma once

#include <vector>

#include "numeric/covariance.h"

// High-angle method: alpha = sum (<f^2> + C) / sum J over the points from the first with
// q >= lower: g_k = -alpha / sum J there, 0 below. Empty when no point reaches lower.
std::vector<double> high_angle_gradient(int n, const double* q, const double* j, double lower, double alpha);

// Integral method (integral_constant): alpha = (int Q b dQ - 2 pi^2 rho) / int Q a dQ by
// the trapezoid rule from Q = 0, so g_k = -alpha w_k q_k scale_k / int Q a dQ with w_k the
// trapezoid weight of point k.
std::vector<double> integral_gradient(int n, const double* q, const double* a, const double* scale, double alpha);

// Covariance of the Q[S(Q)-1] nm delivers, alpha a - b, from the covariance of J (n
// points); g empty: alpha is exact. With 0 < k1 < n (the first point at or above Q_min) S
// below k1 lies on the line through the origin and point k1, S_k = S_k1 q_k / q_k1, and
// Q[S(Q)-1]_k = q_k (S_k - 1) there.
covariance normalised_covariance(const covariance& cov_j, const double* q, const double* scale, const double* a,
                                 double alpha, const std::vector<double>& g, int k1);

// The standard deviations of S(Q) = Q[S(Q)-1] / q + 1 from those of the delivered
// Q[S(Q)-1] (S = 0 at the first point when k1 = 0; below k1 on the line through point k1).
std::vector<double> structure_sigma(int n, const double* q, int k1, const std::vector<double>& sigma_qs);
