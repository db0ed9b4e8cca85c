// Shared between the source files of the Series window; not for other modules.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gui/project/series_job.h"
#include "gui/project/series_window.h"

struct series_window_state {
  series_window_widgets w;
  std::vector<std::string> files;  // the patterns chosen, in natural order
  std::string list_file;           // the list of series values
  series_view view;
  std::unique_ptr<series_job> job;                     // the series run
  std::vector<std::unique_ptr<series_job>> openings;   // patterns being opened as projects
  std::vector<std::unique_ptr<series_job>> finished;   // ended jobs, released when idle
  std::string scratch;   // the window's scratch folder (removed when the program ends)
  std::string outdir;    // the results of the last run, under scratch
  std::string snapshot;  // the project file of its settings
  series_settings settings;
  bool done = false;     // the last run ended: its table and matrices can be exported
  int runs = 0, opened = 0;
  int highlight = -1;    // entry
  std::vector<summary_column> trend_columns;  // offered by the column combo
  guint refresh = 0;     // a refresh of the table and plots is due
};

series_window_state& series_state();

// ---- series_window_views.cpp ----
// Widgets of the views: the waterfall and trend areas with their controls, the table.
GtkWidget* build_waterfall_view(series_window_state& s);
GtkWidget* build_trend_view(series_window_state& s);
GtkWidget* build_table_view(series_window_state& s);
// The table rebuilt for a new run (its columns), and refilled in the order shown.
void reset_table(series_window_state& s);
void refill_table(series_window_state& s);
// The trend's column choices follow the values the run has given.
void refresh_trend_columns(series_window_state& s);
void redraw_plots(series_window_state& s);
// Table, plots and trend choices: at once, or soon (coalesced while results arrive).
void refresh_views(series_window_state& s);
void schedule_refresh(series_window_state& s);
// Highlights entry k (-1: none) in the table and the plots.
void highlight_entry(series_window_state& s, int k);
// Sensitivity of the controls from the state.
void refresh_controls(series_window_state& s);
void on_export_table(GtkButton* button, gpointer data);
void on_export_matrices(GtkButton* button, gpointer data);
// The engine's messages as one text, without the batch tool's name in front.
std::string messages_text(const std::vector<output_piece>& messages);

// ---- series_window.cpp ----
// Reduces entry k again, alone, into a project file and opens that as a new project.
void open_entry_as_project(series_window_state& s, int k);
