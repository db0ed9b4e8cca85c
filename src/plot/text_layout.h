// Where the texts around the frame go. Tick labels and axis titles start where the curve's
// settings put them; a label that would touch its axis line is moved off it, labels that
// would overlap a neighbour or a title are thinned, a title is moved clear of its axis'
// labels, and everything is kept inside the drawing. The default frame (default_frame in
// project/curve.h) is fitted to these texts and to the curve's end on every side.
#pragma once

#include <pango/pango.h>

#include <string>
#include <vector>

#include "plot/axis_map.h"

struct curve;

// An axis-aligned box in pixels.
struct text_box {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool overlaps(const text_box& o, double gap = 0.0) const {
    return x0 < o.x1 + gap && o.x0 < x1 + gap && y0 < o.y1 + gap && o.y0 < y1 + gap;
  }
};

// One text: the layout's top-left corner goes to (x, y), turned by angle (screen radians).
struct placed_text {
  std::string text;
  std::string font;
  double x = 0, y = 0, angle = 0;
  text_box box;            // extent of the turned text
  int axis = 0, side = 0;  // tick labels: 0 x / 1 y axis; 0 lower/left, 1 upper/right side
  bool shown = false;
};

struct plot_texts {
  std::vector<placed_text> labels;  // tick labels, by axis and side, in tick order
  placed_text title[2];             // x and y axis titles
};

// A major tick: its value and its pixel along the axis.
struct major_tick {
  double value, pos;
};
// The major ticks of axis `axis` (0 x, 1 y) of c as the map draws them: linear axes from
// the first multiple of majt within the range, log axes at the start of every decade.
std::vector<major_tick> major_ticks(const curve& c, const axis_map& m, int axis);

// The tick labels and axis titles of c on map m, measured with `layout` (whose font it
// sets). `inside`: moved into the drawing (what is drawn); without, as far as they reach
// (what the frame is fitted to).
plot_texts lay_out_texts(const curve& c, const axis_map& m, PangoLayout* layout, bool inside = true);

// True when c has the default frame, which is fitted to the texts rather than taken as
// stored fractions.
bool frame_is_fitted(const curve& c);

// Moves the frame edges of m (a map of c with the default frame) so that the tick labels,
// the axis titles and the ends of the curve have room on every side.
void fit_frame(const curve& c, axis_map& m);
