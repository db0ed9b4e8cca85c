// The first peak of a curve, as the series summary reports it for S(Q) and g(r): the
// first point that is at least half of the curve's largest value and the largest within
// 1 % of the curve's points on either side (at least 2; a plateau counts from its first
// point, and the curve's two end points are never peaks). Its position and height are
// refined by the parabola through it and its two neighbours.
#pragma once

#include <optional>

struct curve_peak {
  double x = 0.0, y = 0.0;
};

std::optional<curve_peak> first_peak(const double* x, const double* y, int n);
