#include "numeric/zd.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "numeric/callbacks.h"
#include "numeric/filters.h"
#include "numeric/work_arrays.h"

namespace {

void report(const char* what, const char* detail) { show_error_(what, "Subroutine: zd ", detail); }

}  // namespace

int zd(int n, double qb, const double* q, const double* qs) {
  if (!check_q_grid(n, q, "Subroutine: zd ")) return 0;
  char detail[80];
  const double dq = q[1] - q[0];
  // 1-based bending index; checked as a double before it is made an integer.
  const double kb_d = std::trunc(qb / dq);
  if (!(kb_d >= 1.0) || !(kb_d <= n - 5.0)) {
    std::snprintf(detail, sizeof detail, "Bending point: %g, q range: %g to %g", qb, q[0], q[n - 1]);
    report("The bending point must leave at least four points to fit", detail);
    return 0;
  }
  const int kb = static_cast<int>(kb_d);

  std::vector<double> corrected;
  if (!allocate_table(corrected, static_cast<std::size_t>(n - 1), "Subroutine: zd ", "Table: C")) return 0;

  // Normal equations of the cubic over the 0-based points kb-1..n-3: power sums
  // s_r = sum q^r (r = 0..6) and t_r = sum q^r QS (r = 0..3).
  double s[7] = {};
  double t[4] = {};
  for (int i = kb - 1; i <= n - 3; ++i) {
    double p = 1.0;
    for (int r = 0; r < 7; ++r) {
      s[r] += p;
      if (r < 4) t[r] += p * qs[i];
      p *= q[i];
    }
  }
  // Augmented 4 x 5 matrix by columns: element (row, col) at col * 4 + row.
  double a[20];
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) a[col * 4 + row] = s[row + col];
    a[16 + row] = t[row];
  }
  double coef[4];
  gauss(a, coef, 4, 5);

  for (int i = 0; i < kb - 1; ++i) corrected[i] = qs[i];
  for (int i = kb - 1; i < n - 1; ++i) {
    const double qi = q[i];
    corrected[i] = qs[i] - (coef[0] + qi * (coef[1] + qi * (coef[2] + qi * coef[3])));
  }

  // In-place 5-point smoothing of the 1-based points 3..n-3.
  if (n > 5) {
    double* cc = corrected.data();
    for (int i = 2; i <= n - 4; ++i)
      cc[i] = (-3.0 * cc[i - 2] + 12.0 * cc[i - 1] + 17.0 * cc[i] + 12.0 * cc[i + 1] - 3.0 * cc[i + 2]) / 35.0;
  }

  save_curve_(n - 1, q, corrected.data(), 2, 1);
  return 1;
}
