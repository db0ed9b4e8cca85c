// Axes of a plot: ticks, grid lines and tick labels of linear and decade axes, the axis
// titles and the zero lines.
#pragma once

#include <string>

struct plot_context;

// Loads the tick state of one axis (0 = x, 1 = y) of the curve being drawn.
void prep_axis_data(plot_context& pc, int axis);

void setup_xaxis_linear(plot_context& pc);
void setup_xaxis_log(plot_context& pc);
void setup_yaxis_linear(plot_context& pc);
void setup_yaxis_log(plot_context& pc);

// The text of a tick label: the value rounded to `digits` digits after the decimal point
// (0 to 10; with 0 digits the point ends the label).
std::string label_text(double value, int digits);
// Digits after the point that a multiple of `spacing` needs (0.25: 2, 2.5: 1, 5: 0), at
// most 10.
int spacing_digits(double spacing);
// Offset of the first major tick of a linear axis from its start a: the smallest multiple
// of the spacing mt not below a. False when the axis gets no ticks (no spacing, or one so
// small for the length that the ticks would not end: a zoom out without a new spacing).
bool first_major_offset(double a, double len, double mt, double& offset);

// The tick labels of axis `axis` and its title, where pc.texts placed them.
void draw_tick_labels(plot_context& pc, int axis);
void draw_axis_title(plot_context& pc, int axis);

// The lines x = 0 and y = 0 across the frame when zero lies inside the axis range.
void draw_zero_lines(plot_context& pc);

// Sets the layout's font from a description such as "Sans 12".
void set_layout_font(plot_context& pc, const std::string& font);
