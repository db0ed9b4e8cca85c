#include "numeric/regrid.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "numeric/spline.h"
#include "numeric/spline_map.h"

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

row_map resample_map(int ns, const double* xs, int nu, const double* u) {
  if (ns < 1) {
    row_map none(0);
    for (int i = 0; i < nu; ++i) none.add_empty_row();
    return none;
  }
  const row_map& all = kept_spline_map(ns, xs, nu, u);
  row_map out(ns);
  for (int i = 0; i < nu; ++i) {
    if (u[i] >= xs[0] && u[i] <= xs[ns - 1])
      out.add_row(all.first[i], {all.row(i), static_cast<std::size_t>(all.length(i))});
    else
      out.add_empty_row();
  }
  return out;
}
