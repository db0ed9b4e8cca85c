// Text that would fall outside the drawing is moved inside it, never cut: tick labels
// and axis titles of small windows.
#pragma once

#include <pango/pango.h>

// Moves the origin (x, y) of the layout's text, drawn with its top-left corner at the
// origin and turned by theta (radians, screen angles), so that the turned text box lies
// within width x height. A box larger than the drawing keeps its left / top edge inside.
void keep_text_inside(PangoLayout* layout, double theta, int width, int height, double& x,
                      double& y);
