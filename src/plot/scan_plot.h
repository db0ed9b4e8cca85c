// The small plot of the S(q) dialog that shows how the density and chi^2 of the low-r
// optimisation depend on r_min, so that the user sees where the density is on a plateau.
#pragma once

#include <cairo.h>

#include <vector>

struct scan_point {
  double rmin, rho, chi2;
};

// Draws the density (blue line and dots, scale on the left) and log10 chi^2 (red, scale on
// the right) against r_min on a width x height context, with the values at both ends of
// each axis; a blank plot with a hint when there are no points. Returns 0 when the size is
// not positive or the context is in error.
int draw_scan_plot(cairo_t* cr, int width, int height, const std::vector<scan_point>& points);
