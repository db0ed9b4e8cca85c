// The drawing sequence of a curve plot into any cairo context (window, PNG, PDF, SVG,
// tests): background, autoscale, zero lines, frame and axes, extra data sets then the
// curve, title and legend.
#pragma once

#include <cairo.h>

#include <functional>

// Draws curve (rid, cid) of project position p on a width x height context. The
// background is painted with the curve's backc at opacity background_alpha. Sets activer
// and activec, rebuilds the extra data set tables when needed and autoscales the axes
// whose flag is set. Returns 1, or 0 when the curve does not exist, the size is not
// positive or the context is in error.
int render_curve(cairo_t* cr, int width, int height, double background_alpha, int p, int rid,
                 int cid);

// Image targets.
enum image_target { image_png = 1, image_pdf = 2, image_svg = 3 };

// Draws the curve on a surface of exactly w x h (pixels for PNG, points for PDF and SVG)
// and writes it to path through safe_output (numeric/safe_files.h), like every file the
// program writes; PDF always has an opaque background. Returns 1, or 0 when nothing valid
// was written (an existing file then stays as it was).
int export_curve_image(int target, const char* path, int w, int h, double alpha, int p, int rid,
                       int cid);

// Any drawing into an image file the same way: draw(cr, w, h, alpha) paints a w x h
// context (alpha: the background's opacity, 1 for PDF) and returns 1 when it drew.
using drawing = std::function<int(cairo_t* cr, int w, int h, double alpha)>;
int export_drawing(int target, const char* path, int w, int h, double alpha, const drawing& draw);

// The same with the program's default curve style instead of the curve's own settings
// (the curve record is left as it was). Used by the batch tool.
int export_curve_image_default_style(int target, const char* path, int w, int h, int p, int rid,
                                     int cid);

// Called after an autoscale during a drawing with the axes scaled (1 = x, 2 = y): the
// curve editor refreshes its axis entries. Empty by default; front().plot_autoscaled.
std::function<void(int p, int rid, int cid, int axes)>& plot_autoscaled_hook();
