// Paths of data lines clipped at the plot frame, and the thinning of points that fall on
// one pixel column.
#pragma once

#include <cairo.h>

#include <vector>

#include "plot/axis_map.h"

// Length of (dx, dy): plain square root for pixel-sized values, hypot for the rest.
double length_of(double dx, double dy);

// Clips the segment (x0,y0)-(x1,y1) to the frame. Returns false when nothing is left;
// moved0/moved1 tell whether an end was moved onto an edge (it then lies exactly on it).
bool clip_segment(const axis_map& m, double& x0, double& y0, double& x1, double& y1,
                  bool& moved0, bool& moved1);

// Per 1/bins of a pixel column, the first, lowest, highest and last point of each run of
// points in it (in their order): the segments between them cover nearly the same pixels,
// and with antialiasing nearly the same fraction of each pixel, as all segments of the run
// (the finer the bins, the closer).
inline constexpr double bins_per_pixel = 4.0;
void reduce_columns(const double* px, const double* py, int n, std::vector<int>& keep,
                    double bins = bins_per_pixel);

// Adds the visible parts of the polyline through the points `idx` (all points when null)
// to the path, as one continuous line wherever consecutive segments join inside the
// frame, so that a dash pattern runs on along the data.
void path_polyline(cairo_t* cr, const axis_map& m, const double* px, const double* py,
                   const int* idx, int count);

// Adds the visible parts of the segments i with wanted[i] to the path, joined where
// consecutive.
void path_wanted(cairo_t* cr, const axis_map& m, const double* px, const double* py, int n,
                 const char* wanted);

// Strokes every visible segment on its own (the plain way; restarts dash patterns).
void stroke_each(cairo_t* cr, const axis_map& m, const double* px, const double* py, int n);
