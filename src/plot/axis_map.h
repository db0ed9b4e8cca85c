// Axis ranges and the map from data units to pixels of one plot: the frame edges in
// pixels, the linear and decade mappings, autoscaling and the major tick spacing.
// Shared by the drawing, the pointer read-out and the zoom of the curve window.
#pragma once

#include <string>

struct curve;
struct plot_input;

struct axis_map {
  int resol[2]{};       // drawing size in pixels
  double cxy[2]{};      // axis origin (axmin; on a log axis the lowest positive value)
  double xmax = 0.0;    // axis lengths in data units
  double ymax = 0.0;
  double x_min = 0.0, x_max = 0.0;  // pixel columns of the left and right frame edge
  double y_min = 0.0, y_max = 0.0;  // pixel rows of the lower and upper frame edge
  double XDRAW = 0.0, YDRAW = 0.0;  // x_max - x_min, y_max - y_min (YDRAW < 0)
  int scale[2]{};                   // 0 linear, 1 logarithmic
  int xlog = 1, dxlog = 0;          // decades shown on a log x axis; left edge 10^-dxlog
  int ylog = 1, dylog = 0;          // the same for y; lower edge 10^-dylog

  // Data to pixels by the axis' scale; NaN for values a log axis cannot show (<= 0).
  double to_x(double x) const;
  double to_y(double y) const;
  // Always linear (zero lines, bars' baseline).
  double to_x_linear(double x) const;
  double to_y_linear(double y) const;
  // Pixels to data: the inverse of to_x/to_y.
  double from_x(double px) const;
  double from_y(double py) const;
  // True when the pixel lies within the frame (edges included).
  bool inside_x(double px) const { return px >= x_min && px <= x_max; }
  bool inside_y(double py) const { return py >= y_max && py <= y_min; }
  bool inside(double px, double py) const { return inside_x(px) && inside_y(py); }
};

// Major tick spacing for an axis length: the 1-2.5-5 table, continued beyond 1000000.
double scale(double range);

// Sets axmin/axmax[axis] of the plot's display record from its points and the extra data
// sets drawn over them (y: 10 % margin, cmin/cmax[1] updated). Returns 0 when there is
// nothing to scale (no points).
int autoscale_axis(plot_input& in, int axis);

// Autoscales every axis whose flag is set, clears the flag and sets majt = scale(length),
// mint = 2. Returns a bit mask of the axes autoscaled (1 = x, 2 = y).
int autoscale_flagged(plot_input& in);

// The frame of the plot on a width x height drawing: frame edges in pixels, axis origin
// and lengths, and the decades of log axes. A log axis whose range starts at 0 or below
// starts at the smallest positive value of the drawn data.
axis_map preplot(const plot_input& in, int width, int height);
// The same from a curve record alone (log axes starting at 0 or below fall back to the
// positive part of the axis range).
axis_map preplot(const curve& c, int width, int height);

// Pointer read-out: x and y of pixel (px, py), in whole pixels from the frame's left and
// upper edges, through the axis map (a log axis reads in decades, as it is drawn). Returns
// 0 (values untouched) outside the frame.
int pointer_value(const axis_map& m, const curve& c, double px, double py, double& x, double& y);

// Pointer read-out of pixel (px, py): "Not in plot" outside the frame, otherwise
// "(x= %lf, y= %lf)" in data units of the curve's axes.
std::string pointer_text(const axis_map& m, const curve& c, double px, double py);

// Decades of a log axis starting at lo > 0 of length len. The x rule shows the decades
// from the smallest power of ten not below lo; the y rule one decade more, from the
// largest power of ten not above lo.
void log_decades_x(double lo, double len, int& nlog, int& dlog);
void log_decades_y(double lo, double len, int& nlog, int& dlog);

// The decades a log axis shows: 10^first .. 10^(first + count).
struct decade_span {
  int first = 0, count = 1;
};
decade_span shown_decades(const axis_map& m, int axis);
// Fewest decades the rule of each axis shows: one on x, two on y.
inline int min_decades(int axis) { return axis == 0 ? 1 : 2; }
// An axis range (axmin, axmax) that the decade rule of `axis` draws as the decades
// first .. first + count (count at least min_decades): axmin = 10^first.
void range_of_decades(int axis, decade_span d, double& lo, double& hi);
