#include "project/curve_edit.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>

#include "project/allocextra.h"
#include "project/entry_text.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/toolbox.h"
#include "project/i18n.h"

namespace {

constexpr double pi = 3.14159265358979323846;

// A drawn slot whose curve exists: what drawing, the legend and "Select set" show.
const curve* drawn_curve(const curve& c, int s) {
  const auto& set = c.extrasets[s];
  return set[0] == 1 ? find_curve(set[1], set[2], set[3]) : nullptr;
}

std::string set_label(int q, const curve& c) {
  return format("%s - %s", valid_project(q) ? proj[q].name.c_str() : "", c.name.c_str());
}

// ---- Entries

struct entry_desc {
  const char* name;  // names the field when its text is not a number
  bool whole;        // an int field
};

const entry_desc entries[] = {
    {N_("X size"), true},           {N_("Y size"), true},
    {N_("Title x position"), false}, {N_("Title y position"), false},
    {N_("Frame line width"), false}, {N_("Frame x min"), false},
    {N_("Frame x max"), false},      {N_("Frame y min"), false},
    {N_("Frame y max"), false},      {N_("Line width"), false},
    {N_("Glyph size"), false},       {N_("Glyph frequency"), true},
    {N_("Legend x position"), false}, {N_("Legend y position"), false},
    {N_("Legend box line width"), false}, {N_("Axis min"), false},
    {N_("Axis max"), false},         {N_("Major ticks spacing"), false},
};

static_assert(std::size(entries) == static_cast<size_t>(curve_entry::major_ticks) + 1);

const entry_desc& desc(curve_entry f) { return entries[static_cast<int>(f)]; }

int* int_field(const curve_edit& e, curve& c, curve_entry f) {
  switch (f) {
    case curve_entry::width: return &c.wsize[0];
    case curve_entry::height: return &c.wsize[1];
    case curve_entry::glyph_freq: return chosen_set_style(e).gfreq;
    default: return nullptr;
  }
}

double* double_field(const curve_edit& e, curve& c, curve_entry f) {
  const int a = e.axis;
  switch (f) {
    case curve_entry::title_x: return &c.title_pos[0];
    case curve_entry::title_y: return &c.title_pos[1];
    case curve_entry::frame_width: return &c.frame_thickness;
    case curve_entry::frame_xmin: return &c.frame[0];
    case curve_entry::frame_xmax: return &c.frame[1];
    case curve_entry::frame_ymin: return &c.frame[2];
    case curve_entry::frame_ymax: return &c.frame[3];
    case curve_entry::line_width: return chosen_set_style(e).thickness;
    case curve_entry::glyph_size: return chosen_set_style(e).gsize;
    case curve_entry::legend_x: return &c.legend_pos[0];
    case curve_entry::legend_y: return &c.legend_pos[1];
    case curve_entry::legend_box_width: return &c.legend_box_thickness;
    case curve_entry::axis_min: return &c.axmin[a];
    case curve_entry::axis_max: return &c.axmax[a];
    case curve_entry::major_ticks: return &c.majt[a];
    default: return nullptr;
  }
}

const char* fraction(double v, int index) {
  if (v >= 0.0 && v <= 1.0) return nullptr;
  return index == 0 ? N_("x ∈ [0.0, 1.0]") : N_("y ∈ [0.0, 1.0]");
}

// The warning that refuses v for field f, or null when v is accepted.
const char* range_warning(const curve_edit& e, const curve& c, curve_entry f, double v) {
  const int a = e.axis;
  switch (f) {
    case curve_entry::width:
      if (v <= 0) return N_("X size must be > 0");
      return v > max_window_size ? N_("X size must be <= 16384") : nullptr;
    case curve_entry::height:
      if (v <= 0) return N_("Y size must be > 0");
      return v > max_window_size ? N_("Y size must be <= 16384") : nullptr;
    case curve_entry::title_x:
    case curve_entry::legend_x: return fraction(v, 0);
    case curve_entry::title_y:
    case curve_entry::legend_y: return fraction(v, 1);
    case curve_entry::frame_xmin:
      return v < c.frame[1] ? nullptr : N_("Frame x min must be < to frame x max");
    case curve_entry::frame_xmax:
      return v > c.frame[0] ? nullptr : N_("Frame x max must be > to frame x min");
    case curve_entry::frame_ymin:
      return v > c.frame[3] ? nullptr : N_("Frame y min must be > to frame y max");
    case curve_entry::frame_ymax:
      return v < c.frame[2] ? nullptr : N_("Frame y max must be < to frame y min");
    case curve_entry::line_width: return v > 0.0 ? nullptr : N_("Line width must be > 0.0");
    case curve_entry::glyph_size: return v > 0.0 ? nullptr : N_("Glyph size must be > 0.0");
    case curve_entry::glyph_freq: return v > 0 ? nullptr : N_("Glyph frequency must be > 0");
    case curve_entry::axis_min: return v < c.axmax[a] ? nullptr : N_("Axis min must be < to axis max");
    case curve_entry::axis_max: return v > c.axmin[a] ? nullptr : N_("Axis max must be > to axis min");
    case curve_entry::major_ticks: return v > 0.0 ? nullptr : N_("Major tick must be > 0.0");
    default: return nullptr;  // line widths of the frame and legend box: any number
  }
}

bool sets_axis(curve_entry f) {
  return f == curve_entry::axis_min || f == curve_entry::axis_max || f == curve_entry::major_ticks;
}

// ---- Choices

struct choice_desc {
  int lo, hi;
};

const choice_desc choices[] = {
    {0, 1},    {0, 1},  {0, 1},   {0, max_frame_type}, {0, max_dash - 1},          // graph
    {0, 1},    {0, max_dash}, {0, max_glyph},                                     // style
    {0, 1},    {0, 1},  {0, max_dash - 1},                                        // legend
    {0, 1},    {0, 100}, {0, 1},  {0, max_side}, {0, 100}, {0, 100},              // ticks
    {0, max_side}, {0, max_labels_digit}, {-180, 180}, {-100, 100}, {-100, 100},  // labels
    {0, 1},    {0, 1},  {0, 1},   {-500, 500}, {-500, 500},                       // axis title
};

static_assert(std::size(choices) == static_cast<size_t>(curve_choice::axis_title_y) + 1);

// The int behind a choice and what the control adds to it (combos that start at "1").
struct choice_field {
  int* v;
  int shift;
};

choice_field field_of(const curve_edit& e, curve& c, curve_choice f) {
  const int a = e.axis;
  int* const title_pos = a == 0 ? c.x_axis_title_pos : c.y_axis_title_pos;
  switch (f) {
    case curve_choice::show_title: return {&c.show_title, 0};
    case curve_choice::default_title: return {&c.default_title, 0};
    case curve_choice::show_frame: return {&c.show_frame, 0};
    case curve_choice::frame_type: return {&c.frame_type, 0};
    case curve_choice::frame_line: return {&c.frame_dash, 1};
    case curve_choice::plot_type: return {chosen_set_style(e).aspect, 0};
    case curve_choice::line_style: return {chosen_set_style(e).dash, 0};
    case curve_choice::glyph_type: return {chosen_set_style(e).glyph, 0};
    case curve_choice::show_legend: return {&c.show_legend, 0};
    case curve_choice::show_legend_box: return {&c.show_legend_box, 0};
    case curve_choice::legend_box_line: return {&c.legend_box_dash, 1};
    case curve_choice::scale: return {&c.scale[a], 0};
    case curve_choice::minor_ticks: return {&c.mint[a], 1};
    case curve_choice::ticks_io: return {&c.ticks_io[a], 0};
    case curve_choice::ticks_pos: return {&c.ticks_pos[a], 0};
    case curve_choice::major_size: return {&c.majt_size[a], 0};
    case curve_choice::minor_size: return {&c.mint_size[a], 0};
    case curve_choice::labels_pos: return {&c.labels_pos[a], 0};
    case curve_choice::labels_digits: return {&c.labels_digit[a], 0};
    case curve_choice::labels_x: return {&c.labels_shift_x[a], 0};
    case curve_choice::labels_y: return {&c.labels_shift_y[a], 0};
    case curve_choice::show_axis: return {&c.show_axis[a], 0};
    case curve_choice::grid: return {&c.grid[a], 0};
    case curve_choice::default_axis_title:
      return {a == 0 ? &c.x_axis_defaut_title : &c.y_axis_defaut_title, 0};
    case curve_choice::axis_title_x: return {&title_pos[0], 0};
    case curve_choice::axis_title_y: return {&title_pos[1], 0};
    default: return {nullptr, 0};  // the angle is a double
  }
}

}  // namespace

curve* edited_curve(const curve_edit& e) { return find_curve(e.p, e.rid, e.cid); }

std::string curve_entry_text(const curve_edit& e, curve_entry f) {
  curve* c = edited_curve(e);
  if (!c) return {};
  if (int* i = int_field(e, *c, f)) return format("%d", *i);
  return entry_text(*double_field(e, *c, f));
}

int set_curve_entry(const curve_edit& e, curve_entry f, std::string_view text) {
  curve* c = edited_curve(e);
  if (!c) return 0;
  const entry_desc& d = desc(f);
  std::optional<double> v;
  if (d.whole) {
    if (auto i = parse_entry_int(text)) v = *i;
  } else {
    v = parse_entry(text);
  }
  if (!v) {
    show_warning(format(tr("%s: \"%.*s\" is not a %s"), tr(d.name), static_cast<int>(text.size()),
                        text.data(), d.whole ? tr("whole number") : tr("number")).c_str());
    return 0;
  }
  if (const char* warning = range_warning(e, *c, f, *v)) {
    show_warning(tr(warning));
    return 0;
  }
  if (int* i = int_field(e, *c, f))
    *i = static_cast<int>(*v);
  else
    *double_field(e, *c, f) = *v;
  // A range or spacing typed by hand is kept: the axis is no longer autoscaled.
  if (sets_axis(f)) c->autoscale[e.axis] = 0;
  return 1;
}

choice_range curve_choice_range(curve_choice f) {
  const choice_desc& d = choices[static_cast<int>(f)];
  return {d.lo, d.hi};
}

int curve_choice_value(const curve_edit& e, curve_choice f) {
  curve* c = edited_curve(e);
  if (!c) return 0;
  if (f == curve_choice::labels_angle)
    return static_cast<int>(std::lround(c->labels_angle[e.axis] * 180.0 / pi));
  choice_field field = field_of(e, *c, f);
  return *field.v - field.shift;
}

void set_curve_choice(const curve_edit& e, curve_choice f, int value) {
  curve* c = edited_curve(e);
  if (!c) return;
  choice_range r = curve_choice_range(f);
  value = std::clamp(value, r.lo, r.hi);
  if (f == curve_choice::labels_angle) {
    c->labels_angle[e.axis] = value * pi / 180.0;
    return;
  }
  choice_field field = field_of(e, *c, f);
  *field.v = value + field.shift;
  switch (f) {
    case curve_choice::default_title:
      if (value) c->title = set_label(e.p, *c);
      break;
    case curve_choice::plot_type:
      if (value == 1) *chosen_set_style(e).glyph = 0;  // bars carry no glyph
      break;
    case curve_choice::default_axis_title:
      if (value) curve_text_ref(e, curve_text::axis_title) =
          default_axis_title(e.p, e.rid, e.axis, e.cid);
      break;
    case curve_choice::minor_ticks:
      c->autoscale[e.axis] = 0;
      break;
    default:
      break;
  }
}

std::string& curve_text_ref(const curve_edit& e, curve_text f) {
  curve& c = *edited_curve(e);
  const bool x = e.axis == 0;
  switch (f) {
    case curve_text::title: return c.title;
    case curve_text::title_font: return c.title_font;
    case curve_text::legend_font: return c.legend_font;
    case curve_text::labels_font: return c.labels_font[e.axis];
    case curve_text::axis_title: return x ? c.x_axis_title : c.y_axis_title;
    default: return x ? c.x_axis_title_font : c.y_axis_title_font;
  }
}

color& curve_colour_ref(const curve_edit& e, curve_colour f) {
  curve& c = *edited_curve(e);
  switch (f) {
    case curve_colour::title: return c.title_color;
    case curve_colour::background: return c.backc;
    case curve_colour::frame: return c.frame_color;
    case curve_colour::data: return *chosen_set_style(e).col;
    case curve_colour::legend: return c.legend_color;
    default: return c.legend_box;
  }
}

set_style chosen_set_style(const curve_edit& e) {
  curve& c = *edited_curve(e);
  int s = e.set >= 1 ? drawn_slot(c, e.set) : -1;
  if (s < 0) return {&c.datac, &c.aspect, &c.dash, &c.thickness, &c.glyph, &c.gsize, &c.gfreq};
  return {&c.extracolor[s], &c.extraspect[s], &c.extradash[s], &c.extrathick[s],
          &c.extraglyph[s], &c.extragsize[s], &c.extragfreq[s]};
}

curve_edit_live curve_edit_sensitivity(const curve_edit& e) {
  curve_edit_live live;
  const curve* c = edited_curve(e);
  if (!c) return live;
  const int a = e.axis;
  set_style s = chosen_set_style(e);
  live.title = c->show_title;
  live.title_text = c->show_title && !c->default_title;
  live.frame = c->show_frame;
  live.set_choice = drawn_slot(*c, 1) >= 0;
  live.glyph_type = *s.aspect == 0;
  live.line_width = *s.dash != 0;
  live.glyph = *s.glyph != 0;
  live.legend = c->show_legend;
  live.legend_box = c->show_legend && c->show_legend_box;
  live.axis_range = c->scale[a] == 0;
  live.axis_title = !(a == 0 ? c->x_axis_defaut_title : c->y_axis_defaut_title);
  return live;
}

int drawn_slot(const curve& c, int k) {
  for (int s = 0; s < style_slots(c); ++s)
    if (drawn_curve(c, s) && --k == 0) return s;
  return -1;
}

std::vector<std::string> data_set_labels(const curve_edit& e) {
  std::vector<std::string> labels;
  const curve* c = edited_curve(e);
  if (!c) return labels;
  labels.push_back(set_label(e.p, *c));
  for (int s = 0; s < style_slots(*c); ++s)
    if (const curve* d = drawn_curve(*c, s)) labels.push_back(set_label(c->extrasets[s][1], *d));
  return labels;
}

std::vector<extra_choice> extra_choices(const curve_edit& e) {
  std::vector<extra_choice> out;
  const curve* c = edited_curve(e);
  if (!c) return out;
  for (int s = 0; s < style_slots(*c); ++s) {
    const auto& set = c->extrasets[s];
    if (set[1] == e.p && set[2] == e.rid && set[3] == e.cid) continue;  // the curve itself
    const curve* d = find_curve(set[1], set[2], set[3]);
    if (!d || curve_points(*d) == 0) continue;
    out.push_back({s, set[1], set[2], set[3], set[0] == 1, d->name});
  }
  return out;
}

int flip_extra_set(curve& c, int slot) {
  if (slot < 0 || slot >= style_slots(c)) return 0;
  int& drawn = c.extrasets[slot][0];
  drawn = drawn == 0 ? 1 : 0;
  c.extras_shown += drawn ? 1 : -1;
  return 1;
}

int flip_extra_set(curve_edit& e, int slot) {
  curve* c = edited_curve(e);
  if (!c) return 0;
  int chosen = e.set >= 1 ? drawn_slot(*c, e.set) : -1;
  if (!flip_extra_set(*c, slot)) return 0;
  e.set = 0;
  for (int k = 1; chosen >= 0 && drawn_slot(*c, k) >= 0; ++k)
    if (drawn_slot(*c, k) == chosen) e.set = k;
  return 1;
}
