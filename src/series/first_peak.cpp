#include "series/first_peak.h"

#include <algorithm>
#include <cmath>

std::optional<curve_peak> first_peak(const double* x, const double* y, int n) {
  if (n < 3) return std::nullopt;
  const double largest = *std::max_element(y, y + n);
  if (!(largest > 0.0) || !std::isfinite(largest)) return std::nullopt;
  const int reach = std::max(2, n / 100);
  for (int i = 1; i + 1 < n; ++i) {
    if (y[i] < 0.5 * largest) continue;
    bool top = true;
    for (int j = std::max(0, i - reach); j < i && top; ++j) top = y[j] < y[i];
    for (int j = i + 1; j <= std::min(n - 1, i + reach) && top; ++j) top = y[j] <= y[i];
    if (!top) continue;
    // Vertex of the parabola through three points spaced h apart.
    const double y0 = y[i - 1], y1 = y[i], y2 = y[i + 1];
    const double h = 0.5 * (x[i + 1] - x[i - 1]), curvature = y0 - 2.0 * y1 + y2;
    if (curvature == 0.0) return curve_peak{x[i], y1};
    const double shift = 0.5 * (y0 - y2) / curvature;  // in steps, within [-1/2, 1/2]
    return curve_peak{x[i] + shift * h, y1 - 0.25 * (y0 - y2) * shift};
  }
  return std::nullopt;
}
