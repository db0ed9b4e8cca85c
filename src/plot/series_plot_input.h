// What the plots of a series draw: the waterfall of one curve of every input, the trend of
// one summary value along the series, and the colour scale that ties the two together.
// Plain numbers and texts, prepared by the series window's model (series/series_view.h);
// the drawing is plot/series_plot.h. No cairo here, so the model needs no drawing library.
#pragma once

#include <cmath>
#include <cstddef>
#include <span>
#include <string>
#include <vector>

// One input's curve in the waterfall.
struct series_trace {
  std::span<const double> x, y;  // its points (not owned)
  double t = NAN;                // place along the colour scale, 0..1; NaN: no value (grey)
  std::size_t id = 0;            // the caller's number for it, returned by a pick
};

// The colour scale: t = 0 at `lo`, t = 1 at `hi`.
struct colour_scale {
  bool shown = false;
  double lo = 0.0, hi = 1.0;
  std::string title;
  bool integral = false;  // whole numbers only (positions in the series)
};

struct waterfall_input {
  std::vector<series_trace> traces;  // from the bottom up: trace k is raised by k * offset
  double offset = 0.0;               // data units
  std::string x_title, y_title;
  colour_scale scale;
  int highlight = -1;  // a trace drawn wider, over the others (position in traces)
  std::string hint;    // shown when there is no trace
};

// One input's value in the trend.
struct trend_point {
  double x = 0.0, y = 0.0;
  double t = NAN;  // colour, as for the traces
  std::size_t id = 0;
};

struct trend_input {
  std::vector<trend_point> points;  // joined by a line in this order
  std::string x_title, y_title;
  bool x_integral = false;  // x in whole numbers (positions in the series)
  int highlight = -1;       // a point ringed (position in points)
  std::string hint;         // shown when there is no point
};
