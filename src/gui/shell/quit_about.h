// The quit question and the about box of the main window.
#pragma once

#include <gtk/gtk.h>

extern "C" {
// Menu Quit: "Are you sure you want to quit ?"; Yes quits, No shows the main window.
void show_question(GtkWidget* widget, gpointer data);
// The about box, run modally.
void create_aboutdialog(GtkWidget* widget, gpointer data);
// Closing the main window asks the quit question instead.
gboolean on_MainWindow_delete_event(GtkWidget* widget, GdkEvent* event, gpointer data);
}
