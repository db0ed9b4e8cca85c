// The check buttons of the curves in the calculation tool boxes: one per curve of a step,
// in row cid of the step's table; switching one on shows the curve's window.
#pragma once

#include <gtk/gtk.h>

// Builds the buttons of step rid of the active project. The record side (names, triples,
// defaults, titles) is init_curve_names; `keep` is passed on there, not used here.
void addcurwidgets(int rid, int keep);

// (Re)builds the buttons of step rid of project position p in its table calc_box[rid];
// nothing when the table does not exist yet. Each button is labelled with the curve name,
// starts inactive, and is sensitive when the curve already holds points.
void add_curve_buttons(int p, int rid);

// Fills refresh_hooks curve_names_set with add_curve_buttons.
void install_curve_button_hooks();

extern "C" {
// User data: the curve's identifier triple (curve_id*).
void on_viewcurve_toggled(GtkToggleButton* button, gpointer triple);
}
