// Samples of a drawing style: the line sample of a legend entry and the curve editor's
// previews of a frame and of a data style, drawn with the plot's own functions.
#pragma once

#include <cairo.h>

#include "plot/plot_input.h"

// A line from (x0, y) to (x1, y) in the dash pattern (none for 0), width and colour of
// style s, with its glyph at both ends.
void draw_line_sample(cairo_t* cr, double x0, double x1, double y, const data_style& s);

// The curve's frame shape, line style and colour on its background, on a w x h picture
// with the frame inset by 15 % on every side.
void draw_frame_preview(cairo_t* cr, int w, int h, const curve& c);

// A line sample of style s across a w x h picture on background `back`.
void draw_style_preview(cairo_t* cr, int w, int h, const data_style& s, const color& back);
