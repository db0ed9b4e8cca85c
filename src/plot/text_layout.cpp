#include "plot/text_layout.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>

#include "plot/axes.h"
#include "project/curve.h"

namespace {

constexpr double label_gap = 3.0;  // pixels between a label and its axis line
constexpr double text_gap = 2.0;   // between two texts
constexpr double edge_pad = 2.0;   // between the fitted texts and the drawing's edge
constexpr double end_room = 10.0;  // at least, right of and above the frame: the curve's end

enum side_mask { lower = 1, upper = 2 };

int sides(int pos) { return pos == 0 ? lower : pos == 1 ? upper : pos == 2 ? lower | upper : 0; }

void set_font(PangoLayout* layout, const std::string& font) {
  PangoFontDescription* desc = pango_font_description_from_string(font.c_str());
  pango_layout_set_font_description(layout, desc);
  pango_font_description_free(desc);
}

// The text set into the layout, its size in pango units.
void measure(PangoLayout* layout, const placed_text& t, int& w, int& h) {
  set_font(layout, t.font);
  pango_layout_set_text(layout, t.text.c_str(), static_cast<int>(t.text.size()));
  pango_layout_get_size(layout, &w, &h);
}

// The box of the turned text from its size in pango units.
void set_box(placed_text& t, int w, int h) {
  const double c = std::cos(t.angle), s = std::sin(t.angle);
  const double pw = static_cast<double>(w) / PANGO_SCALE, ph = static_cast<double>(h) / PANGO_SCALE;
  const double cx[4] = {0, pw, 0, pw}, cy[4] = {0, 0, ph, ph};
  t.box = {t.x, t.y, t.x, t.y};
  for (int k = 0; k < 4; ++k) {
    const double x = t.x + cx[k] * c - cy[k] * s, y = t.y + cx[k] * s + cy[k] * c;
    t.box.x0 = std::min(t.box.x0, x), t.box.x1 = std::max(t.box.x1, x);
    t.box.y0 = std::min(t.box.y0, y), t.box.y1 = std::max(t.box.y1, y);
  }
}

void shift(placed_text& t, double dx, double dy) {
  t.x += dx, t.y += dy;
  t.box.x0 += dx, t.box.x1 += dx, t.box.y0 += dy, t.box.y1 += dy;
}

// Into the drawing, its left / top edge first when it is larger than the drawing.
void keep_inside(placed_text& t, const axis_map& m) {
  double dx = 0, dy = 0;
  if (t.box.x1 > m.resol[0]) dx = m.resol[0] - t.box.x1;
  if (t.box.x0 + dx < 0) dx = -t.box.x0;
  if (t.box.y1 > m.resol[1]) dy = m.resol[1] - t.box.y1;
  if (t.box.y0 + dy < 0) dy = -t.box.y0;
  shift(t, dx, dy);
}

// Room a label leaves to its axis line: a few pixels, and the ticks drawn outwards there.
double gap_to_axis(const curve& c, int axis, int side) {
  const bool outwards = c.ticks_io[axis] == 1 && (sides(c.ticks_pos[axis]) & (side == 0 ? lower : upper));
  return label_gap + (outwards ? std::max(0, c.majt_size[axis]) : 0);
}

// A label that reaches its axis line (a wide "6000.0" on the left of the y axis) moves
// off it, away from the frame.
void off_axis_line(placed_text& t, const curve& c, const axis_map& m) {
  const double g = gap_to_axis(c, t.axis, t.side);
  if (t.axis == 1 && t.side == 0 && t.box.x1 > m.x_min - g) shift(t, m.x_min - g - t.box.x1, 0);
  if (t.axis == 1 && t.side == 1 && t.box.x0 < m.x_max + g) shift(t, m.x_max + g - t.box.x0, 0);
  if (t.axis == 0 && t.side == 0 && t.box.y0 < m.y_min + g) shift(t, 0, m.y_min + g - t.box.y0);
  if (t.axis == 0 && t.side == 1 && t.box.y1 > m.y_max - g) shift(t, 0, m.y_max - g - t.box.y1);
}

// The labels of one axis side, in tick order: every k-th is kept for the smallest k that
// leaves no two neighbours overlapping; uneven widths are then settled one by one.
void thin(std::vector<placed_text*>& group) {
  const int n = static_cast<int>(group.size());
  int k = 1;
  for (; k < n; ++k) {
    bool clear = true;
    for (int i = 0; i + k < n && clear; ++i) clear = !group[i]->box.overlaps(group[i + k]->box, text_gap);
    if (clear) break;
  }
  const placed_text* last = nullptr;
  for (int i = 0; i < n; ++i) {
    group[i]->shown = i % k == 0 && !(last && group[i]->box.overlaps(last->box, text_gap));
    if (group[i]->shown) last = group[i];
  }
}

placed_text tick_label(const curve& c, const axis_map& m, PangoLayout* layout, int axis, int side,
                       const major_tick& t) {
  placed_text p;
  p.axis = axis;
  p.side = side;
  p.font = c.labels_font[axis];
  p.angle = c.labels_angle[axis];
  // At least the digits that tell the major ticks apart (0.25 apart: two); a decade label
  // those of its own value.
  const double step = m.scale[axis] ? t.value : c.majt[axis];
  p.text = label_text(t.value, std::max(c.labels_digit[axis], spacing_digits(step)));
  if (axis == 0) {
    p.x = t.pos - c.labels_shift_x[0];
    p.y = side == 0 ? m.y_min + c.labels_shift_y[0] : m.y_max - c.labels_shift_y[0];
  } else {
    p.x = side == 0 ? m.x_min - c.labels_shift_x[1] : m.x_max + c.labels_shift_x[1];
    p.y = t.pos - c.labels_shift_y[1];
  }
  int w = 0, h = 0;
  measure(layout, p, w, h);
  // Labels on the upper / right side stand above the frame / end at their anchor.
  if (side == 1) {
    if (axis == 0)
      p.y -= (w * std::sin(p.angle) + h * std::sin(M_PI / 2 - p.angle)) / PANGO_SCALE;
    else if (w > 0)
      p.x -= std::hypot(w, h) * std::cos(p.angle + std::atan(static_cast<double>(h) / w)) / PANGO_SCALE;
  }
  set_box(p, w, h);
  p.shown = true;
  return p;
}

placed_text axis_title(const curve& c, const axis_map& m, PangoLayout* layout, int axis) {
  placed_text p;
  p.axis = axis;
  if (axis == 0) {
    p.text = c.x_axis_title;
    p.font = c.x_axis_title_font;
    p.x = m.x_min + m.XDRAW / 2 + c.x_axis_title_pos[0];
    p.y = m.y_min + c.x_axis_title_pos[1];
  } else {
    p.text = c.y_axis_title;
    p.font = c.y_axis_title_font;
    p.x = m.x_min - c.y_axis_title_pos[0];
    p.y = m.y_min + m.YDRAW / 2 - c.y_axis_title_pos[1];
    p.angle = -M_PI / 2;  // reads upwards
  }
  int w = 0, h = 0;
  measure(layout, p, w, h);
  set_box(p, w, h);
  p.shown = !p.text.empty();
  return p;
}

// The title of an axis moves beyond the labels below / left of the frame that it would
// cover.
void clear_of_labels(placed_text& title, const std::vector<placed_text>& labels) {
  double beyond = title.axis == 0 ? -HUGE_VAL : HUGE_VAL;
  bool covers = false;
  for (const placed_text& l : labels) {
    if (!l.shown || l.axis != title.axis || l.side != 0) continue;
    beyond = title.axis == 0 ? std::max(beyond, l.box.y1) : std::min(beyond, l.box.x0);
    covers = covers || l.box.overlaps(title.box, text_gap);
  }
  if (!covers) return;
  if (title.axis == 0)
    shift(title, 0, beyond + text_gap - title.box.y0);
  else
    shift(title, beyond - text_gap - title.box.x1, 0);
}

}  // namespace

std::vector<major_tick> major_ticks(const curve& c, const axis_map& m, int axis) {
  std::vector<major_tick> out;
  if (m.scale[axis]) {
    const int nlog = axis == 0 ? m.xlog : m.ylog, dlog = axis == 0 ? m.dxlog : m.dylog;
    const double start = axis == 0 ? m.x_min : m.y_min, span = axis == 0 ? m.XDRAW : m.YDRAW;
    for (int i = 0; i < nlog; ++i) out.push_back({std::pow(10.0, i - dlog), start + span * i / nlog});
    return out;
  }
  const double a = m.cxy[axis], len = axis == 0 ? m.xmax : m.ymax, mt = c.majt[axis];
  double offset = 0;
  if (!first_major_offset(a, len, mt, offset)) return out;
  for (int i = 0; i * mt < len; ++i) {
    double value = a + offset + i * mt;
    double pos = axis == 0 ? m.to_x_linear(value) : m.to_y_linear(value);
    if (axis == 0 ? pos > m.x_max : pos < m.y_max) continue;  // beyond the upper end
    if (std::fabs(value) < mt * 1e-9) value = 0.0;             // no "-0.0" from rounding
    out.push_back({value, pos});
  }
  return out;
}

plot_texts lay_out_texts(const curve& c, const axis_map& m, PangoLayout* layout, bool inside) {
  plot_texts out;
  for (int axis = 0; axis < 2; ++axis) {
    const std::vector<major_tick> ticks = major_ticks(c, m, axis);
    for (int side = 0; side < 2; ++side) {
      if (!(sides(c.labels_pos[axis]) & (side == 0 ? lower : upper))) continue;
      std::vector<placed_text*> group;
      const size_t first = out.labels.size();
      for (const major_tick& t : ticks) {
        out.labels.push_back(tick_label(c, m, layout, axis, side, t));
        off_axis_line(out.labels.back(), c, m);
        if (inside) keep_inside(out.labels.back(), m);
      }
      for (size_t k = first; k < out.labels.size(); ++k) group.push_back(&out.labels[k]);
      thin(group);
    }
  }
  // Titles clear of their labels; a label that still meets a title, or a label of the
  // other axis, gives way.
  std::vector<const placed_text*> kept;
  for (int axis = 0; axis < 2; ++axis) {
    out.title[axis] = axis_title(c, m, layout, axis);
    clear_of_labels(out.title[axis], out.labels);
    if (inside) keep_inside(out.title[axis], m);
    if (out.title[axis].shown) kept.push_back(&out.title[axis]);
  }
  for (placed_text& l : out.labels) {
    if (!l.shown) continue;
    for (const placed_text* k : kept) l.shown = l.shown && !l.box.overlaps(k->box, text_gap);
    if (l.shown) kept.push_back(&l);
  }
  return out;
}

bool frame_is_fitted(const curve& c) { return std::equal(c.frame, c.frame + 4, default_frame); }

void fit_frame(const curve& c, axis_map& m) {
  const double W = m.resol[0], H = m.resol[1];
  if (!(W > 0) || !(H > 0)) return;
  // The curve's ends and the frame lines are drawn whole: half a line or a glyph.
  const double end = std::max({c.thickness, c.glyph ? 2.0 * c.gsize : 0.0, c.frame_thickness}) / 2;
  const double far_end = std::max(end, end_room);
  PangoContext* context = pango_font_map_create_context(pango_cairo_font_map_get_default());
  PangoLayout* layout = pango_layout_new(context);
  for (int pass = 0; pass < 3; ++pass) {
    text_box reach{m.x_min - end, m.y_max - far_end, m.x_max + far_end, m.y_min + end};
    if (c.show_frame) {
      const plot_texts texts = lay_out_texts(c, m, layout, false);
      auto take = [&](const placed_text& t) {
        if (!t.shown) return;
        reach.x0 = std::min(reach.x0, t.box.x0), reach.x1 = std::max(reach.x1, t.box.x1);
        reach.y0 = std::min(reach.y0, t.box.y0), reach.y1 = std::max(reach.y1, t.box.y1);
      };
      for (const placed_text& t : texts.labels) take(t);
      for (const placed_text& t : texts.title) take(t);
    }
    double left = m.x_min - reach.x0 + edge_pad, right = reach.x1 - m.x_max + edge_pad;
    double top = m.y_max - reach.y0 + edge_pad, bottom = reach.y1 - m.y_min + edge_pad;
    // The margins never take more than 60 % of a side: a tiny drawing keeps a plot.
    const double sx = std::min(1.0, 0.6 * W / (left + right)), sy = std::min(1.0, 0.6 * H / (top + bottom));
    m.x_min = left * sx;
    m.x_max = W - right * sx;
    m.y_max = top * sy;
    m.y_min = H - bottom * sy;
    m.XDRAW = m.x_max - m.x_min;
    m.YDRAW = m.y_max - m.y_min;
  }
  g_object_unref(layout);
  g_object_unref(context);
}
