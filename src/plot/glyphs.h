// Glyphs marking data points: a cross, then squares, diamonds, circles and four
// triangles, each outlined, filled, or tinted.
#pragma once

#include <cairo.h>

#include "project/curve.h"

inline constexpr int nglyph = 37;

// Path of a polygon of n equal sides with circumradius r around (cx, cy); the first
// vertex at the angle 2π/rot (screen angles, y down), closed by a full turn.
void draw_poly(cairo_t* cr, double cx, double cy, double r, int n, double rot);
// Glyph `glyph` (0..36) of size `size` centred on (x, y), solid width 1.0; the context's
// dash pattern and width are restored, the source is left at the glyph colour.
void draw_glyph(cairo_t* cr, int glyph, double x, double y, const color& col, double size);
