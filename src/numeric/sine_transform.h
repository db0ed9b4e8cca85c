// Discrete sine sums S_j = sum_k w_k sin(j dr q_k), j = 0..nr-1, as used by the pair
// distribution transform. The direct double loop is the reference; on a uniform q grid
// the same sums are a chirp-z transform evaluated with FFTs (Bluestein's identity).
// Chirp-z: Bluestein, IEEE Trans. Audio Electroacoust. 18 (1970) 451; Rabiner et al., BSTJ 48 (1969) 1249.
#pragma once

// Reference: the direct O(nk * nr) loop over sin(), with r_j = j * dr and the actual q_k.
void cd_direct_transform(const double* w, const double* q, int nk, double dr, int nr, double* out);

// Uniform grid q_k = q0 + k h: S_j = Im( e^{i j dr q0} sum_k w_k e^{i j k dr h} ) evaluated
// by Bluestein's chirp-z algorithm with FFTW in O((nk + nr) log(nk + nr)).
// Returns 1 on success, 0 when the FFT work space cannot be allocated or sized (out is then
// untouched).
int chirp_sine_transform(const double* w, int nk, double q0, double h, double dr, int nr, double* out);

// Cosine sums C_j = sum_k w_k cos(j dr (q0 + k h)), j = 0..nr-1, on a uniform grid: the
// real part of the same chirp-z transform, or the direct loop for small sizes. Returns 0
// when the FFT work space cannot be had.
int cosine_sums(const double* w, int nk, double q0, double h, double dr, int nr, double* out);

// True when q_k = q0 + k h for all k < nk within rounding: h is the step of the whole span,
// (q_{nk-1} - q_0) / (nk - 1), and every point lies within 1e-10 * max(|q|, 1) of its grid
// position. A single point is a grid with step `fallback_step`. NaN or infinite abscissae
// make the grid non-uniform.
bool uniform_grid(const double* q, int nk, double fallback_step, double* q0, double* h);

// The sums on any grid: the FFT path where the grid is uniform and the product nk * nr is
// large enough to pay for it, the direct loop otherwise. Returns 0 only when the FFT work
// space cannot be had (a direct loop of that size would not finish in useful time).
int sine_transform(const double* w, const double* q, int nk, double fallback_step, double dr, int nr,
                   double* out);
