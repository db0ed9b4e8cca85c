// The Series window (Calculations › "Series…"): the patterns of a series chosen (files, or
// a folder and a pattern), reduced in the background with the active project's settings,
// shown as a waterfall, a trend and a table; a pattern opened as its own project; the
// table, the matrices and the plots exported. The rules and the drawing live below the
// GTK line (series/series_view.h, series/series_order.h, plot/series_plot.h); the code
// here wires the widgets to them.
#pragma once

#include <gtk/gtk.h>

#include "series/series_view.h"

struct series_window_widgets {
  GtkWidget* window = nullptr;
  // The patterns and their series value.
  GtkWidget *add_files = nullptr, *add_folder = nullptr, *pattern = nullptr, *clear = nullptr, *files_label = nullptr;
  GtkWidget *value_source = nullptr, *value_key = nullptr, *value_list = nullptr, *value_list_label = nullptr;
  GtkWidget* order = nullptr;
  // The run.
  GtkWidget *run = nullptr, *cancel = nullptr, *progress = nullptr;
  // The waterfall and the trend.
  GtkWidget *curve = nullptr, *offset = nullptr, *waterfall = nullptr, *waterfall_export = nullptr;
  GtkWidget *column = nullptr, *against = nullptr, *trend = nullptr, *trend_export = nullptr;
  // The table and what is done with it.
  GtkWidget *table = nullptr, *open_pattern = nullptr, *export_table = nullptr, *export_matrices = nullptr;
  GtkWidget* status = nullptr;
};

// Builds the window on first use (transient for the main window) and shows it.
void open_series_window();
// Its widgets; null before it is built.
const series_window_widgets* series_window();
// What it shows.
const series_view& series_window_view();
// A run or the opening of a pattern is under way.
bool series_window_busy();
// The entry shown highlighted (-1: none).
int series_window_highlight();
// Cancels and awaits what runs, destroys the window and removes its scratch folder (when
// the program ends).
void close_series_window();

extern "C" {
// Calculations › "Series…".
void on_series_activate(GtkWidget* item, gpointer data);
}
