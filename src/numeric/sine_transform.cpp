#include "numeric/sine_transform.h"

#include <fftw3.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// Below this many terms (nk * nr) the direct loop is as quick as setting up the FFTs.
constexpr std::int64_t direct_limit = 16384;

// ---- Phases in double-double arithmetic -------------------------------------------------
// The chirp phases theta m^2 / 2 reach 1e4..1e8 rad on large grids; computed naively they
// would lose 1e-12..1e-8 rad to rounding before sin/cos ever sees them. Carrying each phase
// as an unevaluated sum hi + lo and reducing it modulo a two-part 2 pi keeps the reduced
// angle accurate to a few ulps whatever its size.
struct dd {
  double hi, lo;
};

inline dd two_prod(double a, double b) {
  const double p = a * b;
  return {p, std::fma(a, b, -p)};
}

inline dd two_sum(double a, double b) {
  const double s = a + b;
  const double bb = s - a;
  return {s, (a - (s - bb)) + (b - bb)};
}

inline dd dd_mul(dd a, dd b) {
  dd p = two_prod(a.hi, b.hi);
  p.lo += a.hi * b.lo + a.lo * b.hi;
  return p;
}

inline dd dd_add(dd a, dd b) {
  dd s = two_sum(a.hi, b.hi);
  s.lo += a.lo + b.lo;
  return s;
}

constexpr double two_pi_hi = 6.283185307179586;        // 2 pi rounded to double
constexpr double two_pi_lo = 2.4492935982947064e-16;   // 2 pi - two_pi_hi

// The angle hi + lo reduced to about [-pi, pi]. hi - k * two_pi_hi is exact (fma, and the
// difference of two multiples of a common power of two that fits in 53 bits).
inline double reduce(dd p) {
  const double k = std::nearbyint(p.hi / two_pi_hi);
  const double r = std::fma(-k, two_pi_hi, p.hi);
  return (r - k * two_pi_lo) + p.lo;
}

// theta * m^2 / 2 with theta given as double-double and m^2 formed exactly.
inline double chirp_phase(dd half_theta, double m) { return reduce(dd_mul(half_theta, two_prod(m, m))); }

// ---- FFT sizes and cached plans -----------------------------------------------------------

// Smallest 2^a 3^b 5^c 7^d >= n (FFTW is fastest on such sizes); 0 if it exceeds INT_MAX.
std::int64_t smooth_size(std::int64_t n) {
  std::int64_t best = INT64_MAX;
  for (std::int64_t p7 = 1; p7 < 2 * n + 2; p7 *= 7)
    for (std::int64_t p5 = p7; p5 < 2 * n + 2; p5 *= 5)
      for (std::int64_t p3 = p5; p3 < 2 * n + 2; p3 *= 3) {
        std::int64_t p = p3;
        while (p < n) p *= 2;
        best = std::min(best, p);
      }
  return best <= INT_MAX ? best : 0;
}

// Work space for one transform length: two complex buffers and three in-place plans. It is
// kept between calls (the GUI thread is the only caller) so repeated transforms of one size
// skip planning and allocation; very large buffers are released after use.
class fft_workspace {
 public:
  ~fft_workspace() { release(); }

  bool prepare(int len) {
    if (len == len_) return true;
    release();
    u_ = fftw_alloc_complex(static_cast<std::size_t>(len));
    v_ = fftw_alloc_complex(static_cast<std::size_t>(len));
    if (!u_ || !v_) {
      release();
      return false;
    }
    fwd_u_ = fftw_plan_dft_1d(len, u_, u_, FFTW_FORWARD, FFTW_ESTIMATE);
    fwd_v_ = fftw_plan_dft_1d(len, v_, v_, FFTW_FORWARD, FFTW_ESTIMATE);
    bwd_u_ = fftw_plan_dft_1d(len, u_, u_, FFTW_BACKWARD, FFTW_ESTIMATE);
    if (!fwd_u_ || !fwd_v_ || !bwd_u_) {
      release();
      return false;
    }
    len_ = len;
    return true;
  }

  void release() {
    chirp_ready = false;
    phase_ready = false;
    for (std::vector<double>* v : {&cre, &cim, &pcos, &psin}) std::vector<double>().swap(*v);
    if (fwd_u_) fftw_destroy_plan(fwd_u_);
    if (fwd_v_) fftw_destroy_plan(fwd_v_);
    if (bwd_u_) fftw_destroy_plan(bwd_u_);
    fftw_free(u_);
    fftw_free(v_);
    fwd_u_ = fwd_v_ = bwd_u_ = nullptr;
    u_ = v_ = nullptr;
    len_ = 0;
  }

  int len() const { return len_; }
  fftw_complex* u() { return u_; }
  fftw_complex* v() { return v_; }
  fftw_plan fwd_u() { return fwd_u_; }
  fftw_plan fwd_v() { return fwd_v_; }
  fftw_plan bwd_u() { return bwd_u_; }

  // The chirp of the last transform and the spectrum of its kernel, left in v: a transform
  // with the same length, step product and point counts reuses both.
  bool chirp_ready = false;
  double chirp_hi = 0.0, chirp_lo = 0.0;
  int chirp_nk = 0, chirp_nr = 0;
  std::vector<double> cre, cim;
  // cos and sin of the output phases j dr q0 + theta j^2 / 2 of the last transform, kept
  // for one with the same start, step product and point count.
  bool phase_ready = false;
  double phase_phi_hi = 0.0, phase_phi_lo = 0.0;
  std::vector<double> pcos, psin;
  unsigned long last_use = 0;

 private:
  int len_ = 0;
  fftw_complex* u_ = nullptr;
  fftw_complex* v_ = nullptr;
  fftw_plan fwd_u_ = nullptr, fwd_v_ = nullptr, bwd_u_ = nullptr;
};

// Two work spaces, so that transforms of two lengths in turn (G(r) and the sums of its
// uncertainty) keep their plans; the one used least recently gives way to a new length.
fft_workspace* workspace(int len) {
  static fft_workspace ws[2];
  static unsigned long clock = 0;
  fft_workspace* slot = ws[0].len() == len ? &ws[0] : ws[1].len() == len ? &ws[1] : nullptr;
  if (!slot) slot = ws[0].last_use <= ws[1].last_use ? &ws[0] : &ws[1];
  slot->last_use = ++clock;
  return slot->prepare(len) ? slot : nullptr;
}

constexpr int keep_limit = 1 << 22;  // buffers above 2 x 64 MiB are not kept

}  // namespace

void cd_direct_transform(const double* w, const double* q, int nk, double dr, int nr, double* out) {
  for (int j = 0; j < nr; ++j) {
    const double r = j * dr;
    double s = 0.0;
    for (int k = 0; k < nk; ++k) s += w[k] * std::sin(r * q[k]);
    out[j] = s;
  }
}

namespace {

// The Bluestein convolution in work space ws: leaves y_j (j < nr) in its u buffer,
// unscaled. False when the chirp's memory cannot be had.
bool chirp_convolution(fft_workspace& ws, const double* w, int nk, int nr, dd half_theta) {
  const int len = ws.len();
  fftw_complex* u = ws.u();
  fftw_complex* v = ws.v();
  const int nc = std::max(nk, nr);
  const bool reuse = ws.chirp_ready && ws.chirp_hi == half_theta.hi && ws.chirp_lo == half_theta.lo &&
                     ws.chirp_nk == nk && ws.chirp_nr == nr;
  if (!reuse) {
    ws.chirp_ready = false;
    ws.phase_ready = false;
    try {
      ws.cre.resize(static_cast<std::size_t>(nc));
      ws.cim.resize(static_cast<std::size_t>(nc));
    } catch (...) {
      ws.release();
      return false;
    }
    for (int m = 0; m < nc; ++m) {
      const double ph = chirp_phase(half_theta, m);
      ws.cre[m] = std::cos(ph);
      ws.cim[m] = std::sin(ph);
    }
    std::fill(v[0], v[0] + 2 * static_cast<std::size_t>(len), 0.0);
    for (int m = 0; m < nr; ++m) {
      v[m][0] = ws.cre[m];
      v[m][1] = -ws.cim[m];
    }
    for (int m = 1; m < nk; ++m) {
      v[len - m][0] = ws.cre[m];
      v[len - m][1] = -ws.cim[m];
    }
    fftw_execute(ws.fwd_v());
    ws.chirp_ready = true;
    ws.chirp_hi = half_theta.hi;
    ws.chirp_lo = half_theta.lo;
    ws.chirp_nk = nk;
    ws.chirp_nr = nr;
  }

  for (int k = 0; k < nk; ++k) {
    u[k][0] = w[k] * ws.cre[k];
    u[k][1] = w[k] * ws.cim[k];
  }
  std::fill(u[0] + 2 * static_cast<std::size_t>(nk), u[0] + 2 * static_cast<std::size_t>(len), 0.0);

  fftw_execute(ws.fwd_u());
  for (int i = 0; i < len; ++i) {
    const double re = u[i][0] * v[i][0] - u[i][1] * v[i][1];
    const double im = u[i][0] * v[i][1] + u[i][1] * v[i][0];
    u[i][0] = re;
    u[i][1] = im;
  }
  fftw_execute(ws.bwd_u());
  return true;
}

// Bluestein: with c_m = e^{i theta m^2 / 2}, theta = dr h, the identity
// j k = (j^2 + k^2 - (j - k)^2) / 2 gives
//   sum_k w_k e^{i theta j k} = c_j sum_k (w_k c_k) conj(c_{j-k}),
// a linear convolution of u_k = w_k c_k (k < nk) with v_m = conj(c_|m|) (-nk < m < nr),
// done as a cyclic one of length L >= nk + nr - 1. Then
//   S_j = Im( e^{i (j dr q0 + theta j^2 / 2)} y_j ).
// S_j is the imaginary part; the real part gives the cosine sums.
int chirp_transform(const double* w, int nk, double q0, double h, double dr, int nr, bool cosine, double* out) {
  if (nr <= 0) return 1;
  if (nk <= 0) {
    std::fill(out, out + nr, 0.0);
    return 1;
  }
  const std::int64_t len64 = smooth_size(static_cast<std::int64_t>(nk) + nr - 1);
  if (len64 == 0) return 0;
  const int len = static_cast<int>(len64);

  dd theta = two_prod(dr, h);
  const dd half_theta{theta.hi * 0.5, theta.lo * 0.5};
  fft_workspace* wsp = workspace(len);
  if (!wsp || !chirp_convolution(*wsp, w, nk, nr, half_theta)) return 0;

  fft_workspace& ws = *wsp;
  fftw_complex* u = ws.u();
  const double scale = 1.0 / len;
  const dd phi = two_prod(dr, q0);
  // The phases depend on the grids alone; chirp_convolution left phase_ready false if the
  // chirp (the step product or the point counts) changed.
  if (!ws.phase_ready || ws.phase_phi_hi != phi.hi || ws.phase_phi_lo != phi.lo) {
    ws.phase_ready = false;
    try {
      ws.pcos.resize(static_cast<std::size_t>(nr));
      ws.psin.resize(static_cast<std::size_t>(nr));
    } catch (...) {
      ws.release();
      return 0;
    }
    for (int j = 0; j < nr; ++j) {
      const double jd = j;
      const double ph = reduce(dd_add(dd_mul({jd, 0.0}, phi), dd_mul(half_theta, two_prod(jd, jd))));
      ws.pcos[j] = std::cos(ph);
      ws.psin[j] = std::sin(ph);
    }
    ws.phase_ready = true;
    ws.phase_phi_hi = phi.hi;
    ws.phase_phi_lo = phi.lo;
  }
  const double *pc = ws.pcos.data(), *ps = ws.psin.data();
  for (int j = 0; j < nr; ++j) {
    if (cosine)
      out[j] = (pc[j] * u[j][0] - ps[j] * u[j][1]) * scale;
    else
      out[j] = (ps[j] * u[j][0] + pc[j] * u[j][1]) * scale;
  }

  if (len > keep_limit) ws.release();
  return 1;
}

}  // namespace

int chirp_sine_transform(const double* w, int nk, double q0, double h, double dr, int nr, double* out) {
  return chirp_transform(w, nk, q0, h, dr, nr, false, out);
}

int cosine_sums(const double* w, int nk, double q0, double h, double dr, int nr, double* out) {
  if (static_cast<std::int64_t>(nk) * nr > direct_limit) return chirp_transform(w, nk, q0, h, dr, nr, true, out);
  for (int j = 0; j < nr; ++j) {
    const double r = j * dr;
    double s = 0.0;
    for (int k = 0; k < nk; ++k) s += w[k] * std::cos(r * (q0 + k * h));
    out[j] = s;
  }
  return 1;
}

bool uniform_grid(const double* q, int nk, double fallback_step, double* q0, double* h) {
  if (nk <= 0) return false;
  *q0 = q[0];
  if (nk == 1) {
    *h = fallback_step;
    return std::isfinite(q[0]) && std::isfinite(fallback_step);
  }
  const double step = (q[nk - 1] - q[0]) / (nk - 1);
  if (!std::isfinite(step) || !std::isfinite(q[0])) return false;
  // The tolerance admits grids built as q0 + k h or by repeated addition of h (rounding of
  // order 1e-13 relative) while keeping the phase error r * deviation far below 1e-9.
  const double tol = 1e-12 * std::max({std::fabs(q[0]), std::fabs(q[nk - 1]), 1.0});
  for (int k = 1; k < nk - 1; ++k)
    if (!(std::fabs(q[k] - (q[0] + k * step)) <= tol)) return false;
  *h = step;
  return true;
}

int sine_transform(const double* w, const double* q, int nk, double fallback_step, double dr, int nr,
                   double* out) {
  double q0 = 0.0, h = 0.0;
  if (static_cast<std::int64_t>(nk) * nr > direct_limit && uniform_grid(q, nk, fallback_step, &q0, &h))
    return chirp_sine_transform(w, nk, q0, h, dr, nr, out);
  cd_direct_transform(w, q, nk, dr, nr, out);
  return 1;
}
