// Lines denser than the pixel columns: filled as the band between their envelopes where
// they are dense, the same picture as the stroke at a fraction of the cost.
#pragma once

#include <cairo.h>

#include "plot/axis_map.h"
#include "plot/dash.h"

// Bins per pixel of the band's envelopes.
inline constexpr int band_bins = 16;

// Whether user coordinates are device pixels (raster target, at most a whole-pixel shift):
// only then do pixel columns mean anything. Vector targets keep every segment.
bool pixel_aligned(cairo_t* cr);

// Draws the line (solid, or dashed with `dash`) with filled envelope bands over the pixel
// columns where it is dense and stroked elsewhere, the stroke clipped to its columns so that
// no pixel gets coverage from both. A column takes a band only when the line near it is one
// unbroken piece inside the frame running one way in x; ends, gaps, frame crossings and
// turns back are stroked. Returns false, having drawn nothing, when no column is dense.
bool draw_banded(cairo_t* cr, const axis_map& m, const double* px, const double* py, int n,
                 double width, const dash_pattern* dash);
