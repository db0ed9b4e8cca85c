#include "plot/axes.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "plot/draw.h"
#include "plot/frame.h"
#include "plot/plot_context.h"
#include "plot/text_layout.h"

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

bool beyond_upper_end(const axis_map& m, int axis, double pos) {
  return axis == 0 ? pos > m.x_max : pos < m.y_max;
}

void setup_linear(plot_context& pc, int axis) {
  const axis_map& m = pc.m;
  const double a = m.cxy[axis];
  const double len = axis == 0 ? m.xmax : m.ymax;
  const double mt = pc.mticks;
  double offset = 0;
  if (!first_major_offset(a, len, mt, offset)) return;
  auto map = [&](double v) { return axis == 0 ? m.to_x_linear(v) : m.to_y_linear(v); };

  draw_tick_labels(pc, axis);
  for (const major_tick& t : major_ticks(*pc.c, m, axis)) tick(pc, axis, t.pos, pc.amajt);
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
  const double start = axis == 0 ? m.x_min : m.y_min;
  const double span = axis == 0 ? m.XDRAW : m.YDRAW;
  if (nlog < 1) return;
  draw_tick_labels(pc, axis);
  for (int i = 0; i < nlog; ++i) {
    double pos = start + span * i / nlog;
    if (pc.dogrid) grid_line(pc, axis, pos);
    tick(pc, axis, pos, pc.amajt);
    for (int j = 2; j <= 9; ++j) {
      double mpos = start + span * (i + std::log10(static_cast<double>(j))) / nlog;
      if (pc.dogrid) grid_line(pc, axis, mpos);
      tick(pc, axis, mpos, pc.amint);
    }
  }
  cairo_stroke(pc.cr);
}

// One placed text, turned about its origin.
void show_placed(plot_context& pc, const placed_text& t) {
  cairo_t* cr = pc.cr;
  cairo_stroke(cr);  // pending ticks keep the frame style; the text needs an empty path
  set_layout_font(pc, t.font);
  pango_layout_set_text(pc.layout, t.text.c_str(), static_cast<int>(t.text.size()));
  cairo_move_to(cr, t.x, t.y);
  if (t.angle != 0.0) {
    cairo_rotate(cr, t.angle);
    pango_cairo_update_layout(cr, pc.layout);
  }
  pango_cairo_show_layout(cr, pc.layout);
  if (t.angle != 0.0) {
    cairo_rotate(cr, -t.angle);
    pango_cairo_update_layout(cr, pc.layout);
  }
  cairo_new_path(cr);
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

bool first_major_offset(double a, double len, double mt, double& offset) {
  if (!(mt > 0.0) || !std::isfinite(mt) || !(len > 0.0) || len / mt > max_ticks) return false;
  const double k = std::trunc(a / mt);
  const double r = a - mt * k;
  offset = mt * k < a ? mt - r : std::fabs(r);
  return true;
}

void draw_tick_labels(plot_context& pc, int axis) {
  for (const placed_text& t : pc.texts.labels)
    if (t.shown && t.axis == axis) show_placed(pc, t);
}

void draw_axis_title(plot_context& pc, int axis) {
  if (pc.texts.title[axis].shown) show_placed(pc, pc.texts.title[axis]);
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
