// What one plot draws, looked up once by the caller and handed to the axis map, the axes,
// the data drawing and the legend: the curve record whose axes, frame, titles and legend
// are drawn, its points in its own style, and the extra data sets drawn over it.
#pragma once

#include <vector>

#include "project/curve.h"

// Style of one data set.
struct data_style {
  color col{};
  int aspect = 0;  // 0 line and glyphs, 1 bars
  int dash = 1;    // 0 no line
  double thickness = 1.0;
  int glyph = 0;
  double gsize = 5.0;
  int gfreq = 1;
};

// One data set: its points, its style and the project position it belongs to (legend).
struct plot_set {
  const curve* points = nullptr;
  int project = 0;
  data_style style;
  // The slot's style tables are all filled: the set is drawn and listed in the legend.
  // Sets without count for the axis ranges only.
  bool styled = true;
  // Standard deviations of the points' y, drawn as a band; null when there are none or
  // the display record hides them.
  const std::vector<double>* sigma = nullptr;
};

struct plot_input {
  int p = 0, rid = 0, cid = 0;   // project position, calculation and curve drawn
  curve* c = nullptr;            // its display record; autoscale sets its axis ranges
  plot_set own;                  // the curve's points in the record's style
  std::vector<plot_set> extras;  // the extra data sets switched on, in slot order
};

// Whether the plot of curve (rid, cid) of project position p draws a set whose points
// carry deviations (the curve or a drawn extra set), whether the record shows them or not:
// the curve menu then offers the band's toggle.
bool plot_carries_sigma(int p, int rid, int cid);

// The plot of curve (rid, cid) of project position p; c is null when there is no such
// curve.
plot_input resolve_plot_input(int p, int rid, int cid);
// The points of curve `points` drawn with display record `style` (the curve's own record
// or a restyled copy of it), with the extra data sets that record switches on.
plot_input resolve_plot_input(curve& style, const curve& points, int p, int rid, int cid);
