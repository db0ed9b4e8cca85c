#include "numeric/nm.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <new>
#include <span>
#include <stdexcept>
#include <vector>

#include "numeric/callbacks.h"
#include "numeric/elements.h"

namespace {

// (lambda / (lambda + 0.048 sin^2 theta))^p for the Breit-Dirac choice.
double recoil_weight(double ratio, int bd) {
  switch (bd) {
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

}  // namespace

int nm(int nspec, const double* z, const double* x, const double* fp, const double* fpp, const double* a1,
       const double* a2, const double* a3, const double* a4, const double* a5, const double* b1,
       const double* b2, const double* b3, const double* b4, const double* b5, const double* c, int n,
       double lambda, double compton, double qlim, int bd, int method, double alpha_given, double add,
       const double* q, const double* intensity) {
  if (n < 1 || nspec < 1) {
    char detail[64];
    std::snprintf(detail, sizeof detail, "Points: %d, species: %d", n, nspec);
    show_error_(n < 1 ? "No data points to normalise" : "The sample has no species", "Subroutine: nm ",
                detail);
    return 0;
  }

  std::vector<species_factors> species;
  std::vector<double> jv, f2v, cv, gv, qs, sq;
  try {
    species.resize(static_cast<std::size_t>(nspec));
    jv.resize(static_cast<std::size_t>(n));
    f2v.resize(static_cast<std::size_t>(n));
    cv.resize(static_cast<std::size_t>(n));
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
  const std::span<const species_factors> sample(species);
  const bool all_in = compton == 1.0;

  for (int k = 0; k < n; ++k) {
    const double qk = q[k];
    jv[k] = intensity[k] + add;
    // Incoherent scattering with the recoil weight; "All out" removes it entirely.
    if (all_in) {
      const double sin_theta = qk * lambda / four_pi_f;
      const double w = recoil_weight(lambda / (lambda + 0.048 * sin_theta * sin_theta), bd);
      cv[k] = w * sample_incoherent(sample, qk);
    } else {
      cv[k] = 0.0;
    }
    const sample_average avg = sample_averages(sample, qk);
    f2v[k] = avg.mean_square;
    gv[k] = avg.mean_sq_modulus;
  }

  // Normalisation constant: given, or from the high-angle part of the curve, where the
  // measured intensity in electron units is the independent scattering <f^2> + Compton.
  double alpha = alpha_given;
  double reported = 0.0;
  if (method != 1) {
    int k0 = 0;
    while (k0 < n && !(q[k0] >= qlim)) ++k0;
    if (k0 == n) {
      alpha = std::numeric_limits<double>::quiet_NaN();
    } else {
      double num = 0.0, den = 0.0;
      for (int k = k0; k < n; ++k) {
        num += f2v[k] + cv[k];
        den += jv[k];
      }
      alpha = num / den;
    }
    reported = alpha;
  }
  displaync_(reported);

  for (int k = 0; k < n; ++k) {
    qs[k] = q[k] * (alpha * jv[k] - f2v[k] - cv[k]) / gv[k];
    sq[k] = qs[k] / q[k] + 1.0;
  }
  sq[0] = 0.0;

  save_curve_(n, q, qs.data(), 1, 1);
  save_curve_(n, q, sq.data(), 1, 2);
  return 1;
}
