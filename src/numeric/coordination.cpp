#include "numeric/coordination.h"

#include <algorithm>
#include <cmath>

#include "numeric/elements.h"

void radial_distribution(int n, const double* r, const double* big_g, double rho, double* out) {
  for (int j = 0; j < n; ++j) out[j] = r[j] * big_g[j] + four_pi_f * rho * r[j] * r[j];
}

double coordination_number(int n, const double* r, const double* rdf, double r1, double r2) {
  if (n < 2) return 0.0;
  r1 = std::max(r1, r[0]);
  r2 = std::min(r2, r[n - 1]);
  double sum = 0.0;
  for (int j = 1; j < n; ++j) {
    const double lo = std::max(r[j - 1], r1), hi = std::min(r[j], r2);
    if (!(hi > lo)) continue;
    // R at lo and hi on the segment's straight line.
    const double slope = (rdf[j] - rdf[j - 1]) / (r[j] - r[j - 1]);
    const double f_lo = rdf[j - 1] + slope * (lo - r[j - 1]), f_hi = rdf[j - 1] + slope * (hi - r[j - 1]);
    sum += 0.5 * (hi - lo) * (f_lo + f_hi);
  }
  return sum;
}

double pair_weight(int nspec, const double* z, const double* x, const double* fp, int a, int b) {
  if (a < 0 || b < 0 || a >= nspec || b >= nspec) return std::nan("");
  double mean = 0.0;
  for (int i = 0; i < nspec; ++i) mean += x[i] * (z[i] + fp[i]);
  return x[a] * x[b] * (z[a] + fp[a]) * (z[b] + fp[b]) / (mean * mean);
}

double pair_coordination(double total, int nspec, const double* z, const double* x, const double* fp, int a,
                         int b) {
  const double w = pair_weight(nspec, z, x, fp, a, b);
  if (std::isnan(w) || w == 0.0) return std::nan("");
  return total * x[b] / ((a == b ? 1.0 : 2.0) * w);
}
