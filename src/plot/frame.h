// Decorations of a plot: the frame with its axes, the title and the legend.
#pragma once

#include <cairo.h>

#include "project/curve.h"

struct plot_context;

// Dash pattern `dash`, the opaque colour and the line width for frame lines.
void prep_frame(cairo_t* cr, int dash, double thickness, const color& col);

// Strokes the frame lines of shape frame_type (0 box, 1 left-bottom-right, 2 left and
// bottom, 3 right and bottom, 4 bottom, other none); xs = frame xmin, xmax and ys = frame
// ymin, ymax as fractions of resol. Dash 0 draws no frame line.
void show_frame(cairo_t* cr, int frame_type, int frame_dash, const int resol[2], double thickness,
                const double* xs, const double* ys, const color& col);

// Frame, x axis and its title, y axis and its title, in the frame style.
void draw_frame(plot_context& pc);
// The frame and the x ticks and labels once more (over bars).
void redraw_frame_and_xaxis(plot_context& pc);

void show_title(plot_context& pc);

// Geometry of the legend box in pixels.
struct legend_box_rect {
  double x = 0, y = 0, width = 0, height = 0;
};
// Draws the legend; returns the box it frames (also when the box is not shown).
legend_box_rect show_legend(plot_context& pc);
