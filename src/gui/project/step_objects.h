// Access to the objects of the interface description that the settings dialog, the step
// dialogs and the tool box window work with, and small helpers that treat actions, toggle
// buttons and check menu items alike.
#pragma once

#include <gtk/gtk.h>

// The builder handed over at set-up; null before.
GtkBuilder* step_builder();
void set_step_builder(GtkBuilder* builder);

// Object / widget of the description by id; null when the id is missing.
GObject* step_object(const char* id);
GtkWidget* step_widget(const char* id);

// Sensitivity and toggle state of an action, toggle action, toggle button or widget.
void object_set_sensitive(GObject* object, bool on);
bool object_sensitive(GObject* object);
void object_set_active(GObject* object, bool on);
bool object_active(GObject* object);

// Text helpers: entries, labels (plain or markup), text views with the monospace font.
void entry_show(const char* id, const char* text);
void entry_show_double(const char* id, double value);  // entry_text, empty when not set
void label_show(const char* id, const char* text);
void label_markup(const char* id, const char* markup);
void view_show(const char* id, const char* text);  // new buffer, font "monospace 8"
void combo_show(const char* id, int entry);        // -1: no entry

// While > 0 the dialogs are being refreshed from the record: handlers whose toggle or
// choice would reset a parameter leave the record alone.
extern int refreshing;
struct refresh_scope {
  refresh_scope() { ++refreshing; }
  ~refresh_scope() { --refreshing; }
  refresh_scope(const refresh_scope&) = delete;
  refresh_scope& operator=(const refresh_scope&) = delete;
};

// Set-up of each part (step_widgets.cpp calls them in this order).
void setup_settings_dialog();
void setup_step_dialogs();
void setup_tool_boxes(GtkWidget* main_window);
void setup_busy_state(GtkWidget* main_window);
void setup_refine_widgets();

// The low-r optimisation group of the S(q) dialog and the window, R(r) and coordination
// widgets of the g(r) dialog from the active project (end of init_sq / init_gr).
void init_lowr_widgets();
void init_rdf_widgets();

void setup_option_widgets();

// The entries and the combo box of the physics refinements from the active project.
void refresh_option_widgets();
void setup_step_guidance();

// The tool box part of refresh_step_guidance.
void refresh_tool_box_state();

// The widget part of turncheck: the step's toggle action set to `on` and sensitive
// exactly then, its expander likewise; an open expander is closed when switched off.
void show_step_check(int calc, bool on);
