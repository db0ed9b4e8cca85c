#include "plot/zoom_rules.h"

#include <algorithm>
#include <cmath>

#include "plot/axis_map.h"
#include "project/curve.h"
#include "project/i18n.h"

namespace {

// Drag-duration window of a zoom, milliseconds (both exclusive).
constexpr unsigned min_ms = 500, max_ms = 50000;

void set_range(double& lo, double& hi, double a, double b) {
  if (std::isfinite(a) && std::isfinite(b) && a < b) {
    lo = a;
    hi = b;
  }
}

// Axis `axis` of c, its range and the map's pixel range (lower edge first).
struct axis_ref {
  double& lo;
  double& hi;
  double edge0, edge1;
};
axis_ref axis_of(curve& c, const axis_map& m, int axis) {
  return axis == 0 ? axis_ref{c.axmin[0], c.axmax[0], m.x_min, m.x_max}
                   : axis_ref{c.axmin[1], c.axmax[1], m.y_min, m.y_max};
}

// Position of pixel px along log axis `axis` in decades (log10 of the value there).
double decade_at(const axis_map& m, int axis, double px) {
  return std::log10(axis == 0 ? m.from_x(px) : m.from_y(px));
}

void set_decades(curve& c, const axis_map& m, int axis, int first, int last) {
  decade_span d{first, std::max(last - first, min_decades(axis))};
  double lo = 0, hi = 0;
  range_of_decades(axis, d, lo, hi);
  axis_ref a = axis_of(c, m, axis);
  set_range(a.lo, a.hi, lo, hi);
}

// A drag along log axis `axis` from pixel p0 to p1: in to the decades between them, or out
// (`out`) by the dragged share of the decades shown on each side, at least one.
void drag_decades(curve& c, const axis_map& m, int axis, double p0, double p1, bool out) {
  const decade_span d = shown_decades(m, axis);
  if (!out) {
    double a = decade_at(m, axis, p0), b = decade_at(m, axis, p1);
    if (a > b) std::swap(a, b);
    set_decades(c, m, axis, static_cast<int>(std::floor(a + 1e-9)), static_cast<int>(std::ceil(b - 1e-9)));
    return;
  }
  axis_ref r = axis_of(c, m, axis);
  const double span = std::fabs(r.edge1 - r.edge0);
  const int more = span > 0 ? std::max(1, static_cast<int>(std::lround(std::fabs(p1 - p0) / span * d.count))) : 1;
  set_decades(c, m, axis, d.first - more, d.first + d.count + more);
}

// One wheel step on log axis `axis` about pixel p: one decade fewer (factor < 1) or more,
// the decade under the pointer staying under it as nearly as whole decades allow.
void wheel_decades(curve& c, const axis_map& m, int axis, double p, double factor) {
  const decade_span d = shown_decades(m, axis);
  const int count = factor < 1.0 ? std::max(min_decades(axis), d.count - 1) : d.count + 1;
  if (count == d.count) return;
  const double at = decade_at(m, axis, p);
  const int first = static_cast<int>(std::lround(at - (at - d.first) * count / d.count));
  set_decades(c, m, axis, first, first + count);
}

}  // namespace

drag_result judge_drag(bool pressed_inside, bool released_inside, int dx, int dy,
                       unsigned ms) {
  if (!pressed_inside || !released_inside) return drag_result::outside;
  if (dx == 0 || dy == 0) return drag_result::no_drag;
  if (ms <= min_ms || ms >= max_ms) return drag_result::too_short;
  return drag_result::zoom;
}

const char* drag_hint(drag_result r) {
  switch (r) {
    case drag_result::no_drag:
      return N_("Drag or wheel to zoom, Home: all");
    case drag_result::too_short:
      return N_("Hold the drag ½ s to zoom");
    case drag_result::outside:
      return N_("Drag inside the frame to zoom");
    case drag_result::zoom:
      break;
  }
  return "";
}

void zoom_axes(curve& c, const axis_map& m, int x0, int y0, int x1, int y1) {
  // Whole pixels from the left and upper frame edges.
  double X0 = std::trunc(x0 - m.x_min), X1 = std::trunc(x1 - m.x_min);
  double Y0 = std::trunc(y0 - m.y_max), Y1 = std::trunc(y1 - m.y_max);
  if (m.scale[0]) {
    drag_decades(c, m, 0, m.x_min + X0, m.x_min + X1, X0 >= X1);
  } else if (X0 < X1) {  // in: the dragged columns become the whole axis
    set_range(c.axmin[0], c.axmax[0], m.from_x(m.x_min + X0), m.from_x(m.x_min + X1));
  } else {  // out: both ends move outwards by the dragged width
    double d = X0 - X1;
    set_range(c.axmin[0], c.axmax[0], m.from_x(m.x_min - d), m.from_x(m.x_max + d));
  }
  if (m.scale[1]) {
    drag_decades(c, m, 1, m.y_max + Y0, m.y_max + Y1, Y1 >= Y0);
  } else if (Y1 < Y0) {  // in: the dragged rows become the whole axis
    set_range(c.axmin[1], c.axmax[1], m.from_y(m.y_max + Y0), m.from_y(m.y_max + Y1));
  } else {
    double d = Y1 - Y0;
    set_range(c.axmin[1], c.axmax[1], m.from_y(m.y_min + d), m.from_y(m.y_max - d));
  }
}

void wheel_zoom(curve& c, const axis_map& m, double px, double py, double factor) {
  if (!(factor > 0.0) || !std::isfinite(factor)) return;
  px = std::clamp(px, m.x_min, m.x_max);
  py = std::clamp(py, m.y_max, m.y_min);
  if (m.scale[0])
    wheel_decades(c, m, 0, px, factor);
  else
    set_range(c.axmin[0], c.axmax[0], m.from_x(px + (m.x_min - px) * factor),
              m.from_x(px + (m.x_max - px) * factor));
  if (m.scale[1])
    wheel_decades(c, m, 1, py, factor);
  else
    set_range(c.axmin[1], c.axmax[1], m.from_y(py + (m.y_min - py) * factor),
              m.from_y(py + (m.y_max - py) * factor));
  c.autoscale[0] = c.autoscale[1] = 0;
}
