// The main window: loading the interface description, the widget set-up, the main menu
// and the project context menus, and leaving the program.
#pragma once

#include <gtk/gtk.h>

#include "gui/base/paths.h"  // BuilderGtk, amoq

// Creates the builder, loads PACKAGE_XML_FILE (fatal when it cannot be loaded), takes
// MainWindow and runs assign_widgets. Null when no builder can be created.
GtkWidget* create_window();

// Widget set-up after loading: icons, main menu, main view, tool boxes, workspace tree,
// the handlers the code connects and the refresh hooks.
void assign_widgets();

// The four calculation actions insensitive until the project allows a calculation.
void setup_compute();

// Steps 6 to 10 of the start: create_window, title, setup_compute, the handlers named
// in the description, show. Returns the main window (null on failure).
GtkWidget* start_main_window();

// Closes every project without asking and leaves the main loop (when one runs).
void quit_gtk();
// Set by quit_gtk; tests read it instead of a main loop ending.
extern int quit_requested;

// The file menu: store 0 builds the main menu (its New, Open, Save, Save as, Close,
// Import and Export entries are kept), store 1 a context menu; p = -1 the workspace
// variant, p >= 0 the variant for project position p.
GtkWidget* projmenu(int store, int p);

// The kept entries of the main menu sensitive or not (insensitive while a step runs).
void set_file_menu_sensitive(bool on);

// Pops `menu` up at the pointer (button and time of the event; button 0 without one).
void popup(GtkWidget* menu, GdkEventButton* event);

// Object of the description by id (null when missing or before loading).
GObject* gui_object(const char* id);
GtkWidget* gui_widget(const char* id);
