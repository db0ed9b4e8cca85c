// What the mouse does to the axes of a curve window beside the zoom by dragging: the
// verdict on a button-1 release with the hint shown when it does not zoom, and the zoom
// by the mouse wheel about the pointer.
#pragma once

struct axis_map;
struct curve;

enum class drag_result {
  zoom,       // the axes change
  no_drag,    // press and release on the same row or column
  too_short,  // released within half a second (or held 50 s or more)
  outside,    // began or ended outside the frame
};

// A release at (dx, dy) pixels from the press, `ms` milliseconds after it.
drag_result judge_drag(bool pressed_inside, bool released_inside, int dx, int dy,
                       unsigned ms);
// The line the window's status label shows after a release that did not zoom (at most
// 32 characters, the label's width); "" for a zoom.
const char* drag_hint(drag_result r);

// Applies a drag from (x0, y0) to (x1, y1), both inside the frame, to the axis ranges:
// towards the right zooms in on x, towards the left out; up zooms in on y, down out. A
// log axis, drawn in whole decades, zooms in to the decades the drag covers and out by
// the dragged share of its decades (at least one).
void zoom_axes(curve& c, const axis_map& m, int x0, int y0, int x1, int y1);

// Zoom factor of one wheel step: towards the user (down) zooms out by its inverse.
inline constexpr double wheel_step = 0.8;

// Scales both axis ranges of c by `factor` (< 1 zooms in) about pixel (px, py) of map
// m, which is first brought into the frame: the data point under the pointer stays
// under it. A log axis shows whole decades: a step takes one decade off (down to the
// fewest its rule shows) or adds at least one, about the decade under the pointer.
// Autoscaling of both axes is switched off. A range that cannot be shown (not finite,
// empty) leaves that axis as it was.
void wheel_zoom(curve& c, const axis_map& m, double px, double py, double factor);
