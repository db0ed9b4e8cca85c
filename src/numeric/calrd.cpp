#include "numeric/calrd.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "numeric/callbacks.h"
#include "numeric/elements.h"
#include "numeric/filters.h"
#include "numeric/sine_transform.h"
#include "numeric/transform_window.h"
#include "numeric/work_arrays.h"

namespace {

constexpr double max_points = 50'000'000.0;

constexpr const char* subroutine = "Subroutine: cd ";

void report(const char* what, const char* detail) { show_error_(what, subroutine, detail); }

}  // namespace

int cd(int n, int densmode, double rho_exp, double rmax, double damp, double dr, const double* qs,
       const double* q, int window) {
  if (!check_q_grid(n, q, subroutine)) return 0;
  char detail[64];
  const double dq = q[1] - q[0];
  if (!(dr > 0.0) || !(rmax >= dr)) {
    std::snprintf(detail, sizeof detail, "Rmax: %g, dr: %g", rmax, dr);
    report("The r grid is empty: Rmax and dr must be > 0 and Rmax >= dr", detail);
    return 0;
  }
  const double m_fit = std::trunc(1.0 / dr);
  if (densmode == 1 && m_fit < 1.0) {
    std::snprintf(detail, sizeof detail, "dr: %g", dr);
    report("The density from the slope of G(r) needs dr <= 1.0", detail);
    return 0;
  }

  // 1. Output grid.
  const double nr_d = std::trunc(rmax / dr);
  if (!(nr_d <= max_points)) {
    report("Impossible to allocate memory", "Table: B");
    return 0;
  }
  const int nr = static_cast<int>(nr_d);
  std::vector<double> g, big_g, r;
  if (!allocate_table(g, nr, subroutine, "Table: B") || !allocate_table(big_g, nr, subroutine, "Table: C") ||
      !allocate_table(r, nr, subroutine, "Table: D"))
    return 0;

  // 2-3. Windowed input W_k = QS_k exp(-damp q_k^2) (or the Lorch function); the last input
  // point is not used.
  const int nk = n - 1;
  std::vector<double> wk;
  if (!allocate_table(wk, nk, subroutine, "Table: W")) return 0;
  transform_window(window, damp, nk, q, qs, wk.data());

  // 4. Rectangle-rule sine transform.
  if (!sine_transform(wk.data(), q, nk, dq, dr, nr, big_g.data())) {
    report("Impossible to allocate memory", "Table: FFT");
    return 0;
  }
  // r = 0 gives sin(0) = 0 for every term: G_0 is exactly 0 (NaN when the input holds NaN).
  double g0 = 0.0;
  for (int k = 0; k < nk; ++k) g0 += wk[k] * 0.0;
  big_g[0] = g0;
  for (int j = 0; j < nr; ++j) {
    r[j] = j * dr;
    big_g[j] = big_g[j] * dq * 2.0 / pi_f;
  }

  // 5. Slope fit through (0, 0) and (r_j, G_j) for 0 < r_j <= 1 A: below the first
  // neighbour distance G(r) = -4 pi rho r. Only the G values that exist are used (nr <= M).
  double rho_slope = 0.0;
  const int mfit = static_cast<int>(std::min(m_fit, nr_d - 1.0));
  if (mfit >= 1) {
    std::vector<double> fx, fy;
    if (!allocate_table(fx, static_cast<std::size_t>(mfit) + 1, subroutine, "Table: DX3") ||
        !allocate_table(fy, static_cast<std::size_t>(mfit) + 1, subroutine, "Table: DX3"))
      return 0;
    for (int j = 1; j <= mfit; ++j) {
      fx[j] = r[j];
      fy[j] = big_g[j];
    }
    double coef[2];
    linfit(fx.data(), fy.data(), mfit + 1, coef);
    rho_slope = -coef[1] / four_pi_f;
  }

  // 6-7. g(r) = 1 + G(r) / (4 pi rho r) at each point's own r; no pair at r = 0.
  const double rho = densmode == 1 ? rho_slope : rho_exp;
  g[0] = 0.0;
  for (int j = 1; j < nr; ++j) g[j] = 1.0 + big_g[j] / (four_pi_f * rho * r[j]);

  // 8. Deliver.
  save_curve_(nr, r.data(), big_g.data(), 3, 1);
  save_curve_(nr, r.data(), g.data(), 3, densmode == 1 ? 3 : 2);
  displaydens_(densmode == 1 ? rho_slope : 0.0);
  return 1;
}
