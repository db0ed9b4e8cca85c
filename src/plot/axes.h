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
// Draws one tick label at (pc.ax, pc.ay); side 1 labels stand above/end at the anchor.
void label(plot_context& pc, double value, int axis, int side);

void draw_x_axis_title(plot_context& pc);
void draw_y_axis_title(plot_context& pc);

// The lines x = 0 and y = 0 across the frame when zero lies inside the axis range.
void draw_zero_lines(plot_context& pc);

// Sets the layout's font from a description such as "Sans 12".
void set_layout_font(plot_context& pc, const std::string& font);
