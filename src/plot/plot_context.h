// State of one drawing in progress: the cairo context and pango layout, what is drawn,
// its axis map, the per-axis tick state loaded by prep_axis_data and the placed texts.
#pragma once

#include <cairo.h>
#include <pango/pangocairo.h>

#include "plot/axis_map.h"
#include "plot/plot_input.h"
#include "plot/text_layout.h"

struct plot_context {
  cairo_t* cr = nullptr;
  PangoLayout* layout = nullptr;
  const plot_input* in = nullptr;
  const curve* c = nullptr;  // in->c: the display record
  axis_map m;
  // The axis being drawn.
  double mticks = 0.0;       // major spacing
  int nticks = 0;            // minor intervals per major interval
  int amajt = 0, amint = 0;  // signed tick lengths (negative: into the frame)
  int tickpos = 0, labpos = 0;
  int x_shift = 0, y_shift = 0;
  int dogrid = 0;
  plot_texts texts;  // where the tick labels and axis titles go (draw_frame)
};

// Source colour from a colour record, opaque.
inline void set_color(cairo_t* cr, const color& col, double alpha = 1.0) {
  cairo_set_source_rgba(cr, col.red / 65535.0, col.green / 65535.0, col.blue / 65535.0, alpha);
}
