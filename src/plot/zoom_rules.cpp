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
  if (X0 < X1) {  // in: the dragged columns become the whole axis
    set_range(c.axmin[0], c.axmax[0], m.from_x(m.x_min + X0), m.from_x(m.x_min + X1));
  } else {  // out: both ends move outwards by the dragged width
    double d = X0 - X1;
    set_range(c.axmin[0], c.axmax[0], m.from_x(m.x_min - d), m.from_x(m.x_max + d));
  }
  if (Y1 < Y0) {  // in: the dragged rows become the whole axis
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
  set_range(c.axmin[0], c.axmax[0], m.from_x(px + (m.x_min - px) * factor),
            m.from_x(px + (m.x_max - px) * factor));
  set_range(c.axmin[1], c.axmax[1], m.from_y(py + (m.y_min - py) * factor),
            m.from_y(py + (m.y_max - py) * factor));
  c.autoscale[0] = c.autoscale[1] = 0;
}
