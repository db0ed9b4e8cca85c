// Curve windows: one top-level window per curve with a menu bar, a pointer read-out and
// a drawing area that is redrawn completely on every expose; zoom by dragging, the
// context menu with the data-set menus across projects, image and data export.
#pragma once

#include <gtk/gtk.h>

#include <string>

#include "plot/axis_map.h"
#include "plot/zoom_rules.h"
#include "project/curve.h"

// Builds the window of the curve named by triple (project identifier, rid, cid), hidden.
// The triple must outlive the window (it is the user data of every signal).
GtkWidget* create_curve(curve_id* triple);
// A new top-level window titled "%s - %s" (project name, curve name), resizable.
GtkWidget* create_cwin(int p, int rid, int cid);
// The title of the window of curve (rid, cid) of project position p, with the mark
// " (out of date)" when the results of its step no longer follow the settings.
std::string curve_window_title(int p, int rid, int cid);
// Every curve window of project p gets its title again.
void retitle_curve_windows(int p);
// Every open curve window is redrawn (after a project was closed, its sets go at once).
void redraw_curve_windows();

// The drawing sequence: with a widget (the drawing area) draws the plot on its window;
// with a null widget writes the image export selected by the curve's draw_target
// (1 PNG, 2 PDF, 3 SVG) at the size and on the file chosen in the export dialog.
// draw_target is reset to 0 in both cases.
void show_curve(GtkWidget* widget, const curve_id* triple);

// Unticks the curve's view button, which hides the window; hides it directly when the
// curve has no view button. The window is kept for reuse.
void hide_curve(GtkWidget* widget, const curve_id* triple);

// Redraws the window of curve (rid, cid) of project position p, if it has one.
void update_curve(int p, int rid, int cid);

// Every curve of calculation rid of project position p: view button unticked and
// insensitive, window hidden.
void hide_curves(int p, int rid);

// Destroys the windows of every curve of project position p (before its records go).
void destroy_curve_windows(int p);

// Fills hooks().destroy_curve_window, view_button_state, window_size and
// shooks().hide_curves with the widget code of this module.
void install_curve_window_hooks();

// Size in pixels the plot of curve c is drawn at in its window (the drawing area).
void plot_size(const curve& c, int& w, int& h);

// GTK handlers of the window's event box (user data: the curve's zoom_state). A click
// without a zoom leaves a hint in the pointer label; the wheel zooms about the pointer;
// a double click or Home autoscales both axes.
gboolean on_motion_notify_event(GtkWidget* widget, GdkEventMotion* event, zoom_state_t* zs);
gboolean on_button_event(GtkWidget* widget, GdkEventButton* event, zoom_state_t* zs);
gboolean on_scroll_event(GtkWidget* widget, GdkEventScroll* event, zoom_state_t* zs);
gboolean on_curve_key_press(GtkWidget* widget, GdkEventKey* event, zoom_state_t* zs);

// Context menu of the curve window. build_cpopmenu returns it unshown (tests activate
// its items); cpopmenu pops it up for the event (null: keyboard).
GtkWidget* build_cpopmenu(const curve_id* triple);
gboolean cpopmenu(GtkWidget* widget, GdkEventButton* event, zoom_state_t* zs);
gboolean view_cpopup(GtkWidget* widget, zoom_state_t* zs);

// Data-set menu of mode 0 (remove), 1 (add) or 2 (edit data) of curve (rid, cid) of
// project position p: project / calculation / curve levels over the eligible slots.
GtkWidget* create_setmenu(int p, int rid, int cid, int mode, int n);
// Number of slots of the curve that menu mode 0, 1 or 2 offers.
int eligible_sets(int p, int rid, int cid, int mode);
// Flips the drawn flag of slot `slot` of curve (rid, cid) of project position p.
void action_set_to_plot(int p, int rid, int cid, int slot);
// Both axes are autoscaled at the next drawing.
void autoscale(GtkWidget* item, const curve_id* triple);
// The band y ± sigma of the curve's plot on or off (a display choice, not saved).
void show_uncertainties(const curve_id* triple, bool on);
// The check item "Show _uncertainties" of the curve's menus, and its refresh: visible only
// while a drawn set carries deviations, checked while the bands are drawn.
GtkWidget* uncertainties_item(const curve_id* triple);
void refresh_uncertainties_item(GtkWidget* item, const curve_id* triple);

// "activate" handlers of the menu bar and context menu entries (user data: the triple).
void on_curve_close_activate(GtkMenuItem* item, gpointer triple);
void on_curve_save_data_activate(GtkMenuItem* item, gpointer triple);
void on_curve_export_image_activate(GtkMenuItem* item, gpointer triple);
void on_curve_edit_activate(GtkMenuItem* item, gpointer triple);

// A menu item with a stock icon, or with the icon of an image file.
GtkWidget* image_menu_item(const char* mnemonic, const char* stock, const std::string& file = {});

// Image export dialog (returned so callers may watch it) and the data export.
GtkWidget* save_image(GtkWidget* item, const curve_id* triple);
void write_curve(GtkWidget* item, const curve_id* triple);

