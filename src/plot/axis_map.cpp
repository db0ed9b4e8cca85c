#include "plot/axis_map.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "plot/plot_input.h"
#include "plot/text_layout.h"
#include "project/messages.h"
#include "project/toolbox.h"
#include "project/i18n.h"

namespace {

constexpr double not_shown = std::numeric_limits<double>::quiet_NaN();

// Upper bounds of axis length and the major spacing below each.
struct scale_row {
  double below, spacing;
};
constexpr scale_row scale_rows[] = {
    {0.0005, 0.00005}, {0.0025, 0.00025}, {0.005, 0.0005}, {0.025, 0.0025},
    {0.05, 0.005},     {0.25, 0.025},     {0.5, 0.05},     {1.5, 0.1},
    {2.5, 0.25},       {5, 0.5},          {15, 1},         {30, 2},
    {50, 5},           {100, 10},         {250, 25},       {500, 50},
    {1000, 100},       {5000, 500},       {10000, 1000},   {50000, 5000},
    {100000, 10000},   {500000, 50000},   {1000000, 100000},
};

// Calls f(x, y) for every point of the curve and of the extra data sets drawn over it.
template <class F>
void for_each_drawn_point(const plot_input& in, F f) {
  auto visit = [&](const curve& d) {
    int n = curve_points(d);
    for (int i = 0; i < n; ++i) f(d.data[0][i], d.data[1][i]);
  };
  visit(*in.own.points);
  for (const plot_set& e : in.extras) visit(*e.points);
}

// A range of zero length cannot be mapped: open it around its value.
void widen_empty(double& lo, double& hi) {
  if (hi > lo) return;
  double half = lo != 0.0 ? std::fabs(lo) / 10.0 : 1.0;
  lo -= half;
  hi += half;
}

void finish_map(axis_map& m, const curve& c, int width, int height, const double log_lo[2]) {
  m.resol[0] = width;
  m.resol[1] = height;
  double W = width, H = height;
  m.x_min = c.frame[0] * W;
  m.x_max = c.frame[1] * W;
  m.y_max = H - (1.0 - c.frame[3]) * H;
  m.y_min = H - (1.0 - c.frame[2]) * H;
  m.XDRAW = m.x_max - m.x_min;
  m.YDRAW = m.y_max - m.y_min;
  m.scale[0] = c.scale[0];
  m.scale[1] = c.scale[1];
  for (int a = 0; a < 2; ++a) m.cxy[a] = c.axmin[a];
  m.xmax = c.axmax[0] - c.axmin[0];
  m.ymax = c.axmax[1] - c.axmin[1];
  if (m.scale[0]) {
    double lo = c.axmin[0] > 0.0 ? c.axmin[0] : log_lo[0];
    m.cxy[0] = lo;
    log_decades_x(lo, c.axmax[0] - lo, m.xlog, m.dxlog);
  }
  if (m.scale[1]) {
    double lo = c.axmin[1] > 0.0 ? c.axmin[1] : log_lo[1];
    m.cxy[1] = lo;
    log_decades_y(lo, c.axmax[1] - lo, m.ylog, m.dylog);
  }
  if (frame_is_fitted(c)) fit_frame(c, m);
}

// Lowest positive value of a log axis whose range reaches 0: from the data when given,
// else a tenth of the upper end (or 1).
double fallback_low(double found, double axmax) {
  if (found > 0.0 && std::isfinite(found)) return found;
  return axmax > 0.0 ? axmax / 10.0 : 1.0;
}

int decades(double lo, double len, bool y_rule) {
  if (!(lo > 0.0) || !std::isfinite(len)) return 1;
  double n = std::trunc((len + lo) / lo);
  if (!std::isfinite(n)) n = 1e300;
  int count = 1;
  for (int guard = 0; n >= 1.0 && guard < 400; ++guard) {
    n = std::floor(n / 10.0);
    if (y_rule || n >= 1.0) ++count;
  }
  return count;
}

}  // namespace

void log_decades_x(double lo, double len, int& nlog, int& dlog) {
  nlog = decades(lo, len, false);
  // Count the k (from 100 down) whose power of ten is not below lo.
  int count = 0;
  for (int k = 100; k > -400 && lo <= std::pow(10.0, k); --k) ++count;
  dlog = count - 1 - 100;
}

void log_decades_y(double lo, double len, int& nlog, int& dlog) {
  nlog = decades(lo, len, true);
  int count = 0;
  for (int k = 100; k > -400 && lo < std::pow(10.0, k); --k) ++count;
  dlog = count - 100;
}

decade_span shown_decades(const axis_map& m, int axis) {
  return axis == 0 ? decade_span{-m.dxlog, m.xlog} : decade_span{-m.dylog, m.ylog};
}

void range_of_decades(int axis, decade_span d, double& lo, double& hi) {
  const int count = std::max(d.count, min_decades(axis));
  // The x rule counts the digits of axmax/axmin, the y rule one more: a ratio just below
  // the last power of ten gives count decades, whatever the rounding of the division.
  lo = std::pow(10.0, d.first);
  hi = lo * 0.99 * std::pow(10.0, axis == 0 ? count : count - 1);
}

double scale(double range) {
  double r = std::fabs(range);
  if (!std::isfinite(r)) return 1.0;
  for (const auto& row : scale_rows)
    if (r < row.below) return row.spacing;
  // Beyond the table: 1/4, 1/2 or 1 of the decade, as from 100 to 1000.
  double decade = std::pow(10.0, std::floor(std::log10(r)));
  if (r < 2.5 * decade) return 0.25 * decade;
  if (r < 5.0 * decade) return 0.5 * decade;
  return decade;
}

double axis_map::to_x_linear(double x) const {
  return xmax != 0.0 ? x_min + XDRAW * (x - cxy[0]) / xmax : x_min;
}

double axis_map::to_y_linear(double y) const {
  return ymax != 0.0 ? y_min + YDRAW * (y - cxy[1]) / ymax : y_min;
}

double axis_map::to_x(double x) const {
  if (!scale[0]) return to_x_linear(x);
  if (!(x > 0.0)) return not_shown;
  return x_min + XDRAW * (std::log10(x) + dxlog) / xlog;
}

double axis_map::to_y(double y) const {
  if (!scale[1]) return to_y_linear(y);
  if (!(y > 0.0)) return not_shown;
  return y_min + YDRAW * (std::log10(y) + dylog) / ylog;
}

double axis_map::from_x(double px) const {
  if (XDRAW == 0.0) return cxy[0];
  double f = (px - x_min) / XDRAW;
  if (scale[0]) return std::pow(10.0, f * xlog - dxlog);
  return cxy[0] + f * xmax;
}

double axis_map::from_y(double py) const {
  if (YDRAW == 0.0) return cxy[1];
  double f = (py - y_min) / YDRAW;
  if (scale[1]) return std::pow(10.0, f * ylog - dylog);
  return cxy[1] + f * ymax;
}

int autoscale_axis(plot_input& in, int axis) {
  curve* c = in.c;
  if (!c || axis < 0 || axis > 1 || curve_points(*in.own.points) == 0) return 0;
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  for_each_drawn_point(in, [&](double x, double y) {
    double v = axis == 0 ? x : y;
    if (!std::isfinite(v)) return;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  });
  if (lo > hi) return 0;  // no finite value
  if (axis == 0) {
    widen_empty(lo, hi);
    c->axmin[0] = lo;
    c->axmax[0] = hi;
    return 1;
  }
  c->cmin[1] = lo;
  c->cmax[1] = hi;
  double a = lo - std::fabs(lo) / 10.0, b = hi + std::fabs(hi) / 10.0;
  widen_empty(a, b);
  c->axmin[1] = a;
  c->axmax[1] = b;
  return 1;
}

int autoscale_flagged(plot_input& in) {
  curve* c = in.c;
  if (!c) return 0;
  int done = 0;
  for (int a = 0; a < 2; ++a) {
    if (!c->autoscale[a]) continue;
    autoscale_axis(in, a);
    c->autoscale[a] = 0;
    c->majt[a] = scale(c->axmax[a] - c->axmin[a]);
    c->mint[a] = 2;
    done |= 1 << a;
  }
  return done;
}

axis_map preplot(const curve& c, int width, int height) {
  axis_map m;
  double lo[2] = {fallback_low(0.0, c.axmax[0]), fallback_low(0.0, c.axmax[1])};
  finish_map(m, c, width, height, lo);
  return m;
}

axis_map preplot(const plot_input& in, int width, int height) {
  const curve* c = in.c;
  if (!c) return axis_map{};
  double found[2] = {std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::infinity()};
  if ((c->scale[0] && c->axmin[0] <= 0.0) || (c->scale[1] && c->axmin[1] <= 0.0)) {
    for_each_drawn_point(in, [&](double x, double y) {
      if (x > 0.0 && x <= c->axmax[0]) found[0] = std::min(found[0], x);
      if (y > 0.0 && y <= c->axmax[1]) found[1] = std::min(found[1], y);
    });
  }
  double lo[2] = {fallback_low(found[0], c->axmax[0]), fallback_low(found[1], c->axmax[1])};
  axis_map m;
  finish_map(m, *c, width, height, lo);
  return m;
}

int pointer_value(const axis_map& m, const curve& c, double px, double py, double& x, double& y) {
  if (!m.inside(px, py) || m.XDRAW == 0.0 || m.YDRAW == 0.0) return 0;
  const double dx = std::trunc(px - m.x_min), dy = std::trunc(py - m.y_max);
  x = m.scale[0] ? m.from_x(m.x_min + dx) : dx * (c.axmax[0] - c.axmin[0]) / m.XDRAW + c.axmin[0];
  y = m.scale[1] ? m.from_y(m.y_max + dy) : dy * (c.axmax[1] - c.axmin[1]) / m.YDRAW + c.axmax[1];
  return 1;
}

std::string pointer_text(const axis_map& m, const curve& c, double px, double py) {
  double x = 0, y = 0;
  if (!pointer_value(m, c, px, py, x, y)) return tr("Not in plot");
  return format("(x= %lf, y= %lf)", x, y);
}
