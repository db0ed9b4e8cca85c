#include "numeric/spline.h"

#include <limits>

namespace {

inline double poly(int i, double u, const double* x, const double* y, const double* b,
                   const double* c, const double* d) {
  const double t = u - x[i];
  return y[i] + t * (b[i] + t * (c[i] + t * d[i]));
}

// Interval used by seval: the first one for x[0] <= u <= x[1], else bisection.
inline int seval_interval(int n, double u, const double* x) {
  if (n >= 2 && x[0] <= u && u <= x[1]) return 0;
  int i = 0, j = n;
  do {
    const int k = (i + j) / 2;
    if (u < x[k])
      j = k;
    else
      i = k;
  } while (j > i + 1);
  return i;
}

}  // namespace

void spline(int n, const double* x, const double* y, double* b, double* c, double* d) {
  if (n <= 0) return;
  if (n == 1) {
    b[0] = c[0] = d[0] = 0.0;
    return;
  }
  if (n == 2) {
    b[0] = (y[1] - y[0]) / (x[1] - x[0]);
    b[1] = b[0];
    c[0] = c[1] = d[0] = d[1] = 0.0;
    return;
  }
  const int m = n - 1;  // last index

  // Tridiagonal system for the second-derivative-like unknowns: d holds the interval
  // widths, b the diagonal, c the right-hand side (differences of divided differences).
  d[0] = x[1] - x[0];
  c[1] = (y[1] - y[0]) / d[0];
  for (int i = 1; i < m; ++i) {
    d[i] = x[i + 1] - x[i];
    b[i] = 2.0 * (d[i - 1] + d[i]);
    c[i + 1] = (y[i + 1] - y[i]) / d[i];
    c[i] = c[i + 1] - c[i];
  }

  // End conditions: third derivatives equal to those of the cubics through the first
  // and last four knots (third divided differences).
  b[0] = -d[0];
  b[m] = -d[m - 1];
  c[0] = 0.0;
  c[m] = 0.0;
  if (n > 3) {
    c[0] = c[2] / (x[3] - x[1]) - c[1] / (x[2] - x[0]);
    c[m] = c[m - 1] / (x[m] - x[m - 2]) - c[m - 2] / (x[m - 1] - x[m - 3]);
    c[0] = c[0] * (d[0] * d[0]) / (x[3] - x[0]);
    c[m] = -c[m] * (d[m - 1] * d[m - 1]) / (x[m] - x[m - 3]);
  }

  // Forward elimination and back substitution.
  for (int i = 1; i <= m; ++i) {
    const double t = d[i - 1] / b[i - 1];
    b[i] = b[i] - t * d[i - 1];
    c[i] = c[i] - t * c[i - 1];
  }
  c[m] = c[m] / b[m];
  for (int i = m - 1; i >= 0; --i) c[i] = (c[i] - d[i] * c[i + 1]) / b[i];

  // Polynomial coefficients.
  b[m] = (y[m] - y[m - 1]) / d[m - 1] + d[m - 1] * (c[m - 1] + 2.0 * c[m]);
  for (int i = 0; i < m; ++i) {
    b[i] = (y[i + 1] - y[i]) / d[i] - d[i] * (c[i + 1] + 2.0 * c[i]);
    d[i] = (c[i + 1] - c[i]) / d[i];
    c[i] = 3.0 * c[i];
  }
  c[m] = 3.0 * c[m];
  d[m] = d[m - 1];
}

int seval_index(int n, double u, const double* x) { return seval_interval(n, u, x); }

double seval(int n, double u, const double* x, const double* y, const double* b,
             const double* c, const double* d) {
  return poly(seval_interval(n, u, x), u, x, y, b, c, d);
}

void seval_ascending(int n, const double* x, const double* y, const double* b,
                     const double* c, const double* d, int nu, const double* u, double* out) {
  if (nu <= 0) return;
  bool ascending_knots = n >= 2;
  for (int i = 0; ascending_knots && i + 1 < n; ++i)
    if (!(x[i] <= x[i + 1])) ascending_knots = false;
  if (!ascending_knots) {
    for (int k = 0; k < nu; ++k) out[k] = seval(n, u[k], x, y, b, c, d);
    return;
  }

  // For ascending knots the bisection ends on the last knot p with x[p] <= u, or on the
  // first knot when u < x[0]; p never decreases while u increases.
  int p = 0;
  double last = -std::numeric_limits<double>::infinity();
  for (int k = 0; k < nu; ++k) {
    const double v = u[k];
    if (!(v >= last)) {  // NaN or a step backwards
      out[k] = seval(n, v, x, y, b, c, d);
      continue;
    }
    last = v;
    while (p + 1 < n && x[p + 1] <= v) ++p;
    const int i = (x[0] <= v && v <= x[1]) ? 0 : p;
    out[k] = poly(i, v, x, y, b, c, d);
  }
}
