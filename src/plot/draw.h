// Drawing of data sets: dash patterns, glyphs, clipped lines and bars.
#pragma once

#include <cairo.h>

#include "project/curve.h"

struct plot_context;

inline constexpr int ndash = 11;
inline constexpr int nglyph = 37;

// A dash pattern: lengths in pixels, applied with offset 0 (an odd count repeats with on
// and off swapped). Indexes outside 0..10 give the empty pattern (solid).
struct dash_pattern {
  const double* lengths = nullptr;
  int count = 0;
};
dash_pattern selectdash(int index);
// Applies pattern `index` to the context. Patterns without gaps are set as a solid line,
// which looks the same and strokes faster; pattern 0 (all lengths zero, which cairo
// refuses) is applied as solid too.
void apply_dash(cairo_t* cr, int index);

// Path of a polygon of n equal sides with circumradius r around (cx, cy); the first
// vertex at the angle 2π/rot (screen angles, y down), closed by a full turn.
void draw_poly(cairo_t* cr, double cx, double cy, double r, int n, double rot);
// Glyph `glyph` (0..36) of size `size` centred on (x, y), solid width 1.0; the context's
// dash pattern and width are restored, the source is left at the glyph colour.
void draw_glyph(cairo_t* cr, int glyph, double x, double y, const color& col, double size);

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

// Draws n points of curve (rid, cid) of project position p into the plot of pc: lines
// clipped at the frame, glyphs on every gfreq-th point inside the frame, or bars shifted
// by `index` quarter spacings (nshown > 0: bars are first filled white).
void draw_curve(plot_context& pc, int cid, int rid, int p, int n, const data_style& style,
                int nshown, int index);

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
