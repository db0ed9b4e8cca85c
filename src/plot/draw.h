// Drawing of data sets: lines clipped at the frame (solid, dashed, or as dense bands),
// glyphs and bars.
#pragma once

#include <cairo.h>

#include "plot/dash.h"
#include "plot/glyphs.h"
#include "plot/plot_input.h"

struct plot_context;

// Draws the points of `set` in its style into the plot of pc: lines clipped at the frame,
// glyphs on every gfreq-th point inside the frame, or bars shifted by `index` quarter
// spacings (nshown > 0: bars are first filled white).
void draw_curve(plot_context& pc, const plot_set& set, int nshown, int index);

// How lines are built; the defaults are what the program uses, the others serve the
// picture comparison and the benchmarks.
struct plot_options {
  // Lines denser than the pixel columns are filled as the band between their envelopes
  // where they are dense: the same picture as the stroke at a fraction of the cost.
  int reduce_dense = 1;
  // Stroke every segment on its own (the plain way; restarts dash patterns).
  int stroke_each_segment = 0;
};
plot_options& plot_opts();
