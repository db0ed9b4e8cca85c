// The band y ± sigma drawn around a data set whose points carry standard deviations: a
// translucent fill in the set's colour, under the lines, clipped to the frame.
#pragma once

#include <vector>

#include "plot/axis_map.h"

struct plot_context;
struct plot_set;

// One stretch of consecutive points whose band can be mapped: pixel columns and the rows of
// y + sigma (upper) and y - sigma (lower). A point whose y, x or sigma cannot be mapped
// ends the stretch; on a log y axis a lower edge at or below zero lies just under the frame.
struct band_run {
  std::vector<double> px, upper, lower;
};
std::vector<band_run> sigma_band_runs(const axis_map& m, const double* x, const double* y,
                                      const double* sigma, int n);

// Opacity of the band's fill.
inline constexpr double band_opacity = 0.3;

// Fills the band of `set` when it carries deviations (set.sigma) and is drawn as a line.
void draw_sigma_band(plot_context& pc, const plot_set& set);
