#include "plot/axes.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "plot/draw.h"
#include "plot/frame.h"
#include "plot/plot_context.h"
#include "plot/text_inside.h"

namespace {

// More ticks than this on one axis mean a spacing far too small for the range (a zoom
// out without a new spacing): the axis then gets no ticks rather than a hang.
constexpr double max_ticks = 5000.0;
constexpr int grid_dash = 10;

enum side_mask { lower = 1, upper = 2 };

int sides(int pos) {
  switch (pos) {
    case 0: return lower;
    case 1: return upper;
    case 2: return lower | upper;
    default: return 0;
  }
}

// A tick of signed length len at pixel `pos` along the axis, on the chosen frame sides.
void tick(plot_context& pc, int axis, double pos, int len) {
  cairo_t* cr = pc.cr;
  const axis_map& m = pc.m;
  int s = sides(pc.tickpos);
  if (axis == 0) {
    if (s & lower) cairo_move_to(cr, pos, m.y_min), cairo_line_to(cr, pos, m.y_min + len);
    if (s & upper) cairo_move_to(cr, pos, m.y_max), cairo_line_to(cr, pos, m.y_max - len);
  } else {
    if (s & lower) cairo_move_to(cr, m.x_min, pos), cairo_line_to(cr, m.x_min - len, pos);
    if (s & upper) cairo_move_to(cr, m.x_max, pos), cairo_line_to(cr, m.x_max + len, pos);
  }
}

void grid_line(plot_context& pc, int axis, double pos) {
  cairo_t* cr = pc.cr;
  const axis_map& m = pc.m;
  cairo_stroke(cr);
  cairo_set_line_width(cr, 0.1);
  apply_dash(cr, grid_dash);
  if (axis == 0) {
    cairo_move_to(cr, pos, m.y_min);
    cairo_line_to(cr, pos, m.y_max);
  } else {
    cairo_move_to(cr, m.x_min, pos);
    cairo_line_to(cr, m.x_max, pos);
  }
  cairo_stroke(cr);
  const curve& c = *pc.c;
  prep_frame(cr, c.frame_dash, c.frame_thickness, c.frame_color);
}

void labels_at(plot_context& pc, int axis, double pos, double value) {
  int s = sides(pc.labpos);
  const axis_map& m = pc.m;
  for (int side = 0; side < 2; ++side) {
    if (!(s & (side == 0 ? lower : upper))) continue;
    if (axis == 0) {
      pc.ax = pos - pc.x_shift;
      pc.ay = side == 0 ? m.y_min + pc.y_shift : m.y_max - pc.y_shift;
    } else {
      pc.ax = side == 0 ? m.x_min - pc.x_shift : m.x_max + pc.x_shift;
      pc.ay = pos - pc.y_shift;
    }
    label(pc, value, axis, side);
  }
}

bool beyond_upper_end(const axis_map& m, int axis, double pos) {
  return axis == 0 ? pos > m.x_max : pos < m.y_max;
}

void setup_linear(plot_context& pc, int axis) {
  const axis_map& m = pc.m;
  const double a = m.cxy[axis];
  const double len = axis == 0 ? m.xmax : m.ymax;
  const double mt = pc.mticks;
  if (!(mt > 0.0) || !std::isfinite(mt) || !(len > 0.0) || len / mt > max_ticks) return;
  auto map = [&](double v) { return axis == 0 ? m.to_x_linear(v) : m.to_y_linear(v); };

  // First major tick: the smallest multiple of mt not below a.
  double k = std::trunc(a / mt);
  double r = a - mt * k;
  double offset = mt * k < a ? mt - r : std::fabs(r);
  for (int i = 0; i * mt < len; ++i) {
    double value = a + offset + i * mt;
    double pos = map(value);
    if (beyond_upper_end(m, axis, pos)) continue;
    if (std::fabs(value) < mt * 1e-9) value = 0.0;  // no "-0.0" from rounding
    labels_at(pc, axis, pos, value);
    tick(pc, axis, pos, pc.amajt);
  }
  cairo_stroke(pc.cr);

  if (pc.nticks < 1 || len / mt * pc.nticks > max_ticks * 10) return;
  const double s = mt / pc.nticks;
  double d = offset;
  int before = 0;  // minor steps between the first minor and the first major position
  while (d > s && before < pc.nticks) d -= s, ++before;
  for (int j = 0; j * s < len; ++j) {
    double pos = map(a + d + j * s);
    if (beyond_upper_end(m, axis, pos)) continue;
    if (pc.dogrid) grid_line(pc, axis, pos);
    // Minor ticks only between majors (the majors sit every nticks steps).
    if (((j - before) % pc.nticks + pc.nticks) % pc.nticks != 0) tick(pc, axis, pos, pc.amint);
  }
  cairo_stroke(pc.cr);
}

void setup_log(plot_context& pc, int axis) {
  const axis_map& m = pc.m;
  const int nlog = axis == 0 ? m.xlog : m.ylog;
  const int dlog = axis == 0 ? m.dxlog : m.dylog;
  const double start = axis == 0 ? m.x_min : m.y_min;
  const double span = axis == 0 ? m.XDRAW : m.YDRAW;
  if (nlog < 1) return;
  for (int i = 0; i < nlog; ++i) {
    double pos = start + span * i / nlog;
    if (pc.dogrid) grid_line(pc, axis, pos);
    labels_at(pc, axis, pos, std::pow(10.0, i - dlog));
    tick(pc, axis, pos, pc.amajt);
    for (int j = 2; j <= 9; ++j) {
      double mpos = start + span * (i + std::log10(static_cast<double>(j))) / nlog;
      if (pc.dogrid) grid_line(pc, axis, mpos);
      tick(pc, axis, mpos, pc.amint);
    }
  }
  cairo_stroke(pc.cr);
}

void show_text(plot_context& pc, const std::string& text) {
  pango_layout_set_text(pc.layout, text.c_str(), static_cast<int>(text.size()));
  pango_cairo_show_layout(pc.cr, pc.layout);
}

}  // namespace

void set_layout_font(plot_context& pc, const std::string& font) {
  PangoFontDescription* desc = pango_font_description_from_string(font.c_str());
  pango_layout_set_font_description(pc.layout, desc);
  pango_font_description_free(desc);
}

void prep_axis_data(plot_context& pc, int axis) {
  const curve& c = *pc.c;
  pc.dogrid = c.grid[axis];
  pc.x_shift = c.labels_shift_x[axis];
  pc.y_shift = c.labels_shift_y[axis];
  pc.mticks = c.majt[axis];
  pc.nticks = c.mint[axis];
  pc.tickpos = c.ticks_pos[axis];
  pc.labpos = c.labels_pos[axis];
  int sign = c.ticks_io[axis] == 1 ? 1 : -1;
  pc.amajt = sign * c.majt_size[axis];
  pc.amint = sign * c.mint_size[axis];
}

void setup_xaxis_linear(plot_context& pc) { setup_linear(pc, 0); }
void setup_yaxis_linear(plot_context& pc) { setup_linear(pc, 1); }
void setup_xaxis_log(plot_context& pc) { setup_log(pc, 0); }
void setup_yaxis_log(plot_context& pc) { setup_log(pc, 1); }

int spacing_digits(double spacing) {
  spacing = std::fabs(spacing);
  if (!(spacing > 0.0) || !std::isfinite(spacing)) return 0;
  int d = 0;
  for (double scaled = spacing; d < 10; ++d, scaled *= 10.0)
    if (std::fabs(scaled - std::round(scaled)) <= 1e-6) break;  // a whole number of digits
  return d;
}

std::string label_text(double value, int digits) {
  digits = digits < 0 ? 0 : digits > 10 ? 10 : digits;
  char buf[400];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, digits);
  if (ec != std::errc()) return "";
  std::string text(buf, end);
  // A value that rounds to zero is "0.0", not "-0.0".
  if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
  if (digits == 0) text += '.';
  return text;
}

void label(plot_context& pc, double value, int axis, int side) {
  cairo_t* cr = pc.cr;
  // At least the digits that tell the major ticks apart (0.25 apart: two); a decade label
  // those of its own value.
  const double step = pc.m.scale[axis] ? value : pc.mticks;
  std::string text = label_text(value, std::max(pc.c->labels_digit[axis], spacing_digits(step)));
  pango_layout_set_text(pc.layout, text.c_str(), static_cast<int>(text.size()));
  double theta = pc.c->labels_angle[axis];
  if (side == 1) {
    int w = 0, h = 0;
    pango_layout_get_size(pc.layout, &w, &h);
    if (axis == 0)
      pc.ay -= (w * std::sin(theta) + h * std::sin(M_PI / 2 - theta)) / PANGO_SCALE;
    else if (w > 0)
      pc.ax -= std::hypot(w, h) * std::cos(theta + std::atan(static_cast<double>(h) / w)) /
               PANGO_SCALE;
  }
  cairo_stroke(cr);  // pending ticks keep the frame style; the label needs an empty path
  keep_text_inside(pc.layout, theta, pc.m.resol[0], pc.m.resol[1], pc.ax, pc.ay);
  cairo_move_to(cr, pc.ax, pc.ay);
  if (theta != 0.0) {
    cairo_rotate(cr, theta);
    pango_cairo_update_layout(cr, pc.layout);
  }
  pango_cairo_show_layout(cr, pc.layout);
  if (theta != 0.0) {
    cairo_rotate(cr, -theta);
    pango_cairo_update_layout(cr, pc.layout);
  }
  cairo_new_path(cr);
}

void draw_x_axis_title(plot_context& pc) {
  const curve& c = *pc.c;
  const axis_map& m = pc.m;
  cairo_new_path(pc.cr);
  set_layout_font(pc, c.x_axis_title_font);
  pango_layout_set_text(pc.layout, c.x_axis_title.c_str(), static_cast<int>(c.x_axis_title.size()));
  double x = m.x_min + m.XDRAW / 2 + c.x_axis_title_pos[0], y = m.y_min + c.x_axis_title_pos[1];
  keep_text_inside(pc.layout, 0.0, m.resol[0], m.resol[1], x, y);
  cairo_move_to(pc.cr, x, y);
  show_text(pc, c.x_axis_title);
  cairo_new_path(pc.cr);
}

void draw_y_axis_title(plot_context& pc) {
  const curve& c = *pc.c;
  const axis_map& m = pc.m;
  cairo_new_path(pc.cr);
  set_layout_font(pc, c.y_axis_title_font);
  pango_layout_set_text(pc.layout, c.y_axis_title.c_str(), static_cast<int>(c.y_axis_title.size()));
  double x = m.x_min - c.y_axis_title_pos[0], y = m.y_min + m.YDRAW / 2 - c.y_axis_title_pos[1];
  keep_text_inside(pc.layout, -M_PI / 2, m.resol[0], m.resol[1], x, y);
  cairo_move_to(pc.cr, x, y);
  cairo_rotate(pc.cr, -M_PI / 2);
  pango_cairo_update_layout(pc.cr, pc.layout);
  show_text(pc, c.y_axis_title);
  cairo_rotate(pc.cr, M_PI / 2);
  pango_cairo_update_layout(pc.cr, pc.layout);
  cairo_new_path(pc.cr);
}

void draw_zero_lines(plot_context& pc) {
  const curve& c = *pc.c;
  const axis_map& m = pc.m;
  cairo_t* cr = pc.cr;
  cairo_new_path(cr);
  cairo_set_line_width(cr, 1.0);
  apply_dash(cr, grid_dash);
  cairo_set_source_rgb(cr, 0, 0, 0);
  if (c.show_axis[1] && c.axmin[0] < 0.0 && 0.0 < c.axmax[0]) {
    double px = m.to_x_linear(0.0);
    cairo_move_to(cr, px, m.y_min);
    cairo_line_to(cr, px, m.y_max);
  }
  if (c.show_axis[0] && c.axmin[1] < 0.0 && 0.0 < c.axmax[1]) {
    double py = m.to_y_linear(0.0);
    cairo_move_to(cr, m.x_min, py);
    cairo_line_to(cr, m.x_max, py);
  }
  cairo_stroke(cr);
}
