// The plots of a series: a waterfall of one curve of every input, raised one above the
// other and coloured along the series with its colour scale beside it, and the trend of a
// summary value. They take the frame, ticks and titles of every plot of the program, and
// draw into any cairo context (window, PNG, PDF, SVG, tests). A pick maps a pointer
// position back to the curve or point under it, on the same geometry.
#pragma once

#include <cairo.h>

#include "plot/series_plot_input.h"
#include "project/curve.h"

// The colour at place t (0..1, clamped) of the series' colour scale: from blue at the start
// through green to red at the end, every colour dark enough to read on white; grey for NaN.
color colour_along(double t);

// Draws the waterfall (or the hint when it has no trace) on a width x height context, the
// background white at opacity alpha. Returns 0 when the size is not positive or the
// context is in error.
int draw_waterfall(cairo_t* cr, int width, int height, double alpha, const waterfall_input& in);

// The position in in.traces of the curve drawn within a few pixels of (px, py) (the
// nearest), or -1.
int pick_waterfall(const waterfall_input& in, int width, int height, double px, double py);

// The trend: the points joined in their order, each a dot in its colour.
int draw_trend(cairo_t* cr, int width, int height, double alpha, const trend_input& in);

// The position in in.points of the dot within a few pixels of (px, py), or -1.
int pick_trend(const trend_input& in, int width, int height, double px, double py);

// The frame of a series plot as drawn: pixel columns of its left and right edges and rows
// of its top and bottom, the axis ranges, and the columns of the colour bar (none without
// a scale).
struct series_plot_layout {
  double x_min = 0, x_max = 0, y_top = 0, y_bottom = 0;
  double x_lo = 0, x_hi = 0, y_lo = 0, y_hi = 0;
  double bar_x0 = 0, bar_x1 = 0;
};
series_plot_layout waterfall_layout(const waterfall_input& in, int width, int height);
series_plot_layout trend_layout(const trend_input& in, int width, int height);
