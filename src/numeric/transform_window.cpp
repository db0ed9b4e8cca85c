#include "numeric/transform_window.h"

#include <cmath>
#include <numbers>

void transform_window(int window, double damp, int nk, const double* q, const double* qs, double* out) {
  if (window != window_lorch) {
    for (int k = 0; k < nk; ++k) out[k] = qs[k] * std::exp(-damp * q[k] * q[k]);
    return;
  }
  const double qmax = nk > 0 ? q[nk - 1] : 0.0;
  for (int k = 0; k < nk; ++k) {
    const double x = qmax > 0.0 ? std::numbers::pi * q[k] / qmax : 0.0;
    out[k] = x == 0.0 ? qs[k] : qs[k] * std::sin(x) / x;
  }
}
