#include "numeric/nm.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <vector>

#include "numeric/callbacks.h"
#include "numeric/elements.h"
#include "numeric/sine_transform.h"

namespace {

// (lambda / (lambda + 0.048 sin^2 theta))^p for the Breit-Dirac choice; choice 4 applies
// none.
// Recoil factor: Breit, Phys. Rev. 27 (1926) 362; Dirac, Proc. R. Soc. A 111 (1926) 405.
double recoil_weight(double ratio, int bd) {
  switch (bd) {
    case 4:
      return 1.0;
    case 2: {
      const double r2 = ratio * ratio;
      return r2 * r2;
    }
    case 3:
      return std::sqrt(ratio);
    default:
      return ratio;
  }
}

// Adds a * exp(-b s_k^2), s_k = s0 + k hs, to f[k] for k < n, with two exp() calls per block
// of points instead of one per point:
//   exp(-b s_{K+i}^2) = exp(-b s_K^2) * exp(-2 b s_K hs)^i * exp(-b hs^2 i^2).
// With s0, hs, b >= 0 every factor is at most 1, and the powers (i < 16) cost a few ulps.
void add_gaussian(double a, double b, double s0, double hs, int n, double* f) {
  constexpr int block = 16;
  double tail[block];
  for (int i = 0; i < block; ++i) tail[i] = std::exp(-b * (hs * i) * (hs * i));
  for (int k0 = 0; k0 < n; k0 += block) {
    const double sk = s0 + k0 * hs;
    const double g = a * std::exp(-b * sk * sk);
    const double e = std::exp(-2.0 * b * sk * hs);
    const int m = std::min(block, n - k0);
    double ep = 1.0;
    for (int i = 0; i < m; ++i) {
      f[k0 + i] += g * ep * tail[i];
      ep *= e;
    }
  }
}

// Real scattering factors f(q_k) of one species for all points. On a uniform grid of
// non-negative q with non-negative widths the Gaussians are evaluated blockwise (the
// exponentials dominate the cost of nm); otherwise point by point.
void species_factor_curve(const species_factors& sp, const double* q, int n, bool uniform, double q0, double h,
                          double* f) {
  bool blockwise = uniform && q0 >= 0.0 && h >= 0.0;
  for (int j = 0; j < 5; ++j) blockwise = blockwise && sp.b[j] >= 0.0;
  if (!blockwise) {
    for (int k = 0; k < n; ++k) f[k] = scattering_factor(sp, q[k]);
    return;
  }
  std::fill(f, f + n, 0.0);
  for (int j = 0; j < 5; ++j) add_gaussian(sp.a[j], sp.b[j], q0 / four_pi_f, h / four_pi_f, n, f);
  for (int k = 0; k < n; ++k) f[k] = f[k] + sp.c + sp.fp;
}

// The terms of nm that depend only on the species, the grid and the settings: indep =
// <f^2> + the weighted incoherent scattering, gv = |<f>|^2 (indep and gv start at zero,
// scratch holds n values).
void compute_independent_terms(const std::vector<species_factors>& species, int n, const double* q, double lambda,
                               bool all_in, int bd, const double* incoherent, double* indep, double* gv,
                               double* scratch) {
  // Coherent averages <f^2> and |<f>|^2, species by species (gv first collects sum x f).
  double q0 = 0.0, h = 0.0;
  const bool uniform = uniform_grid(q, n, 0.0, &q0, &h);
  double im = 0.0;
  double* fv = scratch;
  for (const species_factors& sp : species) {
    species_factor_curve(sp, q, n, uniform, q0, h, fv);
    for (int k = 0; k < n; ++k) {
      indep[k] += sp.x * (fv[k] * fv[k] + sp.fpp * sp.fpp);
      gv[k] += sp.x * fv[k];
    }
    im += sp.x * sp.fpp;
  }
  for (int k = 0; k < n; ++k) gv[k] = gv[k] * gv[k] + im * im;

  // Incoherent scattering sum x_i Z_i t / (1 + t), t = (k(Z_i) q)^e(Z_i), with the exponent
  // and scale of each species formed once (the same expressions as incoherent_scattering).
  std::vector<double> inc_e(species.size()), inc_k(species.size());
  for (std::size_t i = 0; i < species.size(); ++i) {
    const double zi = species[i].z;
    inc_e[i] = 2.6917 / zi + 1.245;
    inc_k[i] = 1.187 / zi + 0.1075 + 0.00436 * zi - std::pow(0.01543 * zi, 2) + std::pow(0.01422 * zi, 3);
  }
  // Weighted by the recoil factor and added to <f^2>; "All out" removes it entirely.
  for (int k = 0; all_in && k < n; ++k) {
    const double qk = q[k];
    const double sin_theta = qk * lambda / four_pi_f;
    const double w = recoil_weight(lambda / (lambda + 0.048 * sin_theta * sin_theta), bd);
    double inc = 0.0;
    if (incoherent) {
      inc = incoherent[k];
    } else {
      for (std::size_t i = 0; i < species.size(); ++i) {
        const double t = std::pow(inc_k[i] * qk, inc_e[i]);
        inc += species[i].x * (species[i].z * t / (1.0 + t));
      }
    }
    indep[k] += w * inc;
  }
}

bool same_values(const std::vector<double>& kept, const double* v, int n) {
  return kept.size() == static_cast<std::size_t>(n) &&
         (n == 0 || std::memcmp(kept.data(), v, kept.size() * sizeof(double)) == 0);
}

// The independent terms of the last call, kept with everything they depend on: a series
// normalises every pattern on the same grid with the same sample, and the exponentials and
// powers are most of nm's cost. Compared bit for bit.
struct kept_terms {
  std::vector<species_factors> species;
  std::vector<double> q, incoherent, indep, gv;
  double lambda = 0.0;
  bool all_in = false, given_incoherent = false;
  int bd = 0;

  bool matches(const std::vector<species_factors>& sp, int n, const double* qv, double lam, bool in, int b,
               const double* inc) const {
    return sp.size() == species.size() &&
           std::memcmp(sp.data(), species.data(), sp.size() * sizeof(species_factors)) == 0 &&
           same_values(q, qv, n) && std::memcmp(&lam, &lambda, sizeof lam) == 0 && in == all_in && b == bd &&
           (inc != nullptr) == given_incoherent && (!inc || same_values(incoherent, inc, n));
  }
};
thread_local kept_terms kept;

void independent_terms(const std::vector<species_factors>& species, int n, const double* q, double lambda,
                       bool all_in, int bd, const double* incoherent, double* indep, double* gv, double* scratch) {
  if (!kept.matches(species, n, q, lambda, all_in, bd, incoherent)) {
    compute_independent_terms(species, n, q, lambda, all_in, bd, incoherent, indep, gv, scratch);
    try {
      kept.species = species;
      kept.q.assign(q, q + n);
      kept.incoherent.assign(incoherent, incoherent ? incoherent + n : incoherent);
      kept.indep.assign(indep, indep + n);
      kept.gv.assign(gv, gv + n);
      kept.lambda = lambda;
      kept.all_in = all_in;
      kept.given_incoherent = incoherent != nullptr;
      kept.bd = bd;
    } catch (const std::exception&) {
      kept = kept_terms();  // nothing kept: the next call computes again
    }
    return;
  }
  std::copy(kept.indep.begin(), kept.indep.end(), indep);
  std::copy(kept.gv.begin(), kept.gv.end(), gv);
}

// Q_min: S(Q) below it on the straight line through (0, 0) and the first point k1 at or
// above it, Q[S(Q)-1] to match.
void extrapolate_below(double qmin, const double* q, int n, double* qs, double* sq) {
  int k1 = 0;
  while (k1 < n && !(q[k1] >= qmin)) ++k1;
  if (k1 == 0 || k1 == n) return;
  const double slope = sq[k1] / q[k1];
  for (int k = 0; k < k1; ++k) {
    sq[k] = slope * q[k];
    qs[k] = q[k] * (sq[k] - 1.0);
  }
}

}  // namespace

int nm(int nspec, const double* z, const double* x, const double* fp, const double* fpp, const double* a1,
       const double* a2, const double* a3, const double* a4, const double* a5, const double* b1,
       const double* b2, const double* b3, const double* b4, const double* b5, const double* c, int n,
       double lambda, double compton, double qlim, int bd, int method, double alpha_given, double add,
       const double* q, const double* intensity, const nm_extras& extra) {
  if (n < 1 || nspec < 1) {
    char detail[64];
    std::snprintf(detail, sizeof detail, "Points: %d, species: %d", n, nspec);
    show_error_(n < 1 ? "No data points to normalise" : "The sample has no species", "Subroutine: nm ",
                detail);
    return 0;
  }

  std::vector<species_factors> species;
  // indep: <f^2> + C, the independent scattering in electron units; gv: |<f>|^2; qs, sq:
  // the results (sq first serves as scratch for the factors of one species).
  std::vector<double> indep, gv, qs, sq;
  try {
    species.resize(static_cast<std::size_t>(nspec));
    indep.resize(static_cast<std::size_t>(n));
    gv.resize(static_cast<std::size_t>(n));
    qs.resize(static_cast<std::size_t>(n));
    sq.resize(static_cast<std::size_t>(n));
  } catch (const std::exception&) {
    show_error_("Impossible to allocate memory", "Subroutine: nm ", "Table: work arrays");
    return 0;
  }

  const double* const av[5] = {a1, a2, a3, a4, a5};
  const double* const bv[5] = {b1, b2, b3, b4, b5};
  for (int i = 0; i < nspec; ++i) {
    species_factors& sp = species[i];
    sp.z = z[i];
    sp.x = x[i];
    sp.fp = fp[i];
    sp.fpp = fpp[i];
    for (int j = 0; j < 5; ++j) {
      sp.a[j] = av[j][i];
      sp.b[j] = bv[j][i];
    }
    sp.c = c[i];
  }
  const bool all_in = compton == 1.0;
  independent_terms(species, n, q, lambda, all_in, bd, extra.incoherent, indep.data(), gv.data(), sq.data());
  if (extra.scale)
    for (int k = 0; k < n; ++k) extra.scale[k] = q[k] / gv[k];

  // Normalisation constant: given, or from the high-angle part of the curve, where the
  // measured intensity in electron units is the independent scattering <f^2> + Compton.
  double alpha = alpha_given;
  double reported = 0.0;
  if (method != 1) {
    const double lower = extra.qmin > 0.0 ? std::max(qlim, extra.qmin) : qlim;
    int k0 = 0, summed = 0;
    while (k0 < n && !(q[k0] >= lower)) ++k0;
    double num = 0.0, den = 0.0;
    for (int k = k0; k < n; ++k) {
      if (extra.qmax > 0.0 && !(q[k] <= extra.qmax)) continue;
      num += indep[k];
      den += intensity[k] + add;
      ++summed;
    }
    alpha = summed == 0 ? std::numeric_limits<double>::quiet_NaN() : num / den;
    reported = alpha;
  }
  displaync_(reported);

  for (int k = 0; k < n; ++k) {
    qs[k] = q[k] * (alpha * (intensity[k] + add) - indep[k]) / gv[k];
    sq[k] = qs[k] / q[k] + 1.0;
  }
  sq[0] = 0.0;
  if (extra.qmin > 0.0) extrapolate_below(extra.qmin, q, n, qs.data(), sq.data());

  save_curve_(n, q, qs.data(), 1, 1);
  save_curve_(n, q, sq.data(), 1, 2);
  return 1;
}
