#include "numeric/regrid.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "numeric/spline.h"

bool same_grid(int na, const double* a, int nb, const double* b, double rel_tol) {
  if (na != nb) return false;
  for (int i = 0; i < na; ++i)
    if (!(std::fabs(a[i] - b[i]) <= rel_tol * std::max(std::fabs(a[i]), std::fabs(b[i]))))
      return false;
  return true;
}

int resample_series(int ns, const double* xs, const double* ys, int nu, const double* u,
                    double* out) {
  if (ns < 1) {
    std::fill(out, out + std::max(nu, 0), 0.0);
    return std::max(nu, 0);
  }
  std::vector<double> b(ns), c(ns), d(ns);
  spline(ns, xs, ys, b.data(), c.data(), d.data());
  seval_ascending(ns, xs, ys, b.data(), c.data(), d.data(), nu, u, out);
  int outside = 0;
  for (int i = 0; i < nu; ++i)
    if (!(u[i] >= xs[0] && u[i] <= xs[ns - 1])) {
      out[i] = 0.0;
      ++outside;
    }
  return outside;
}
