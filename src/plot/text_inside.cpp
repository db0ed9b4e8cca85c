#include "plot/text_inside.h"

#include <algorithm>
#include <cmath>

namespace {

// Shifts the span [pos + lo, pos + hi] into [0, size], its lower end first.
double inside(double pos, double lo, double hi, double size) {
  if (pos + hi > size) pos = size - hi;
  if (pos + lo < 0) pos = -lo;
  return pos;
}

}  // namespace

void keep_text_inside(PangoLayout* layout, double theta, int width, int height, double& x,
                      double& y) {
  if (!layout || width <= 0 || height <= 0) return;
  int w = 0, h = 0;
  pango_layout_get_pixel_size(layout, &w, &h);
  const double c = std::cos(theta), s = std::sin(theta);
  double xs[4], ys[4];
  const double corners[4][2] = {{0, 0}, {double(w), 0}, {0, double(h)}, {double(w), double(h)}};
  for (int k = 0; k < 4; ++k) {
    xs[k] = corners[k][0] * c - corners[k][1] * s;
    ys[k] = corners[k][0] * s + corners[k][1] * c;
  }
  x = inside(x, *std::min_element(xs, xs + 4), *std::max_element(xs, xs + 4), width);
  y = inside(y, *std::min_element(ys, ys + 4), *std::max_element(ys, ys + 4), height);
}
