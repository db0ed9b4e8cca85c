// Uncertainties of the pair distribution transform (calrd.h). cd's G(r) is linear in
// Q[S(Q)-1]:
//   G_j = sum_k s_jk QS_k,   s_jk = (2 dq / pi) W_k sin(r_j q_k)  (k < n - 1, W the window),
// so sigma_G(r_j)^2 = s_j^T S s_j over the covariance S of Q[S(Q)-1]. On a uniform grid
// q_k = q0 + k h, sin a sin b = (cos(a - b) - cos(a + b)) / 2 turns the quadratic forms of
// all r_j at once into two cosine sums over the band of S,
//   s_j^T B s_j = (2 dq / pi)^2 / 2 [ sum_d V_d cos(r_j d h) - sum_m U_m cos(r_j (2 q0 + m h)) ],
//   V_d = sum_{l-k=d} W_k W_l B_kl,   U_m = sum_{k+l=m} W_k W_l B_kl,
// the second a chirp-z transform (sine_transform.h); the low-rank part of S needs the
// transforms of its few columns. Other grids take the quadratic forms one by one.
#pragma once

#include <vector>

#include "numeric/covariance.h"

// The r grid and window of a cd call: n input points q (the last not used), rmax, dr, the
// damping and the window of transform_window.h.
struct transform_setup {
  int n = 0;
  const double* q = nullptr;
  double rmax = 0.0, dr = 0.0, damp = 0.0;
  int window = 0;
  int points() const;  // nr = trunc(rmax / dr)
};

// sigma of G(r_j), j < nr, from the covariance of Q[S(Q)-1] (n points); sigma_0 = 0. False
// when the transform cannot be made (a grid cd refuses, or no FFT work space).
bool transform_sigma(const transform_setup& t, const covariance& cov, std::vector<double>& sigma);

// G_j of any series v of n values, as cd transforms Q[S(Q)-1] (G_0 = 0): used for the
// covariance of G with a number computed from the same data, G^T (S h).
bool transform_vector(const transform_setup& t, const double* v, std::vector<double>& out);

// The transpose: the series x (n values) with sum_j c_j G_j = x^T Q[S(Q)-1] for the weights
// c_j, j < nr (an integral or a fit over G(r) as a linear function of the data).
void transform_adjoint(const transform_setup& t, const double* c, double* x);

// The weights c_j of cd's slope of G(r): the least-squares line through (0, 0) and (r_j,
// G_j), j = 1..M, has slope sum_j c_j G_j (M = trunc(1 / dr), at most nr - 1).
std::vector<double> slope_weights(const transform_setup& t);
