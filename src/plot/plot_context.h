// State of one drawing in progress: the cairo context and pango layout, the curve being
// drawn, its axis map, and the per-axis tick state loaded by prep_axis_data.
#pragma once

#include <cairo.h>
#include <pango/pangocairo.h>

#include "plot/axis_map.h"
#include "project/curve.h"

struct plot_context {
  cairo_t* cr = nullptr;
  PangoLayout* layout = nullptr;
  int p = 0, rid = 0, cid = 0;  // project position, calculation, curve
  curve* c = nullptr;
  axis_map m;
  // The axis being drawn.
  double mticks = 0.0;       // major spacing
  int nticks = 0;            // minor intervals per major interval
  int amajt = 0, amint = 0;  // signed tick lengths (negative: into the frame)
  int tickpos = 0, labpos = 0;
  int x_shift = 0, y_shift = 0;
  int dogrid = 0;
  double ax = 0.0, ay = 0.0;  // anchor of the next tick label
};

// Extra data set slots whose every style table is filled.
inline int style_slots(const curve& c) {
  size_t n = static_cast<size_t>(c.extras > 0 ? c.extras : 0);
  for (size_t k : {c.extrasets.size(), c.extrathick.size(), c.extradash.size(),
                   c.extraglyph.size(), c.extraspect.size(), c.extragsize.size(),
                   c.extragfreq.size(), c.extracolor.size()})
    n = k < n ? k : n;
  return static_cast<int>(n);
}

// Source colour from a colour record, opaque.
inline void set_color(cairo_t* cr, const color& col, double alpha = 1.0) {
  cairo_set_source_rgba(cr, col.red / 65535.0, col.green / 65535.0, col.blue / 65535.0, alpha);
}
