// The file actions of the main menu: new project, open and save a project or workspace
// file, XML import and export, closing, quitting, and the small window handlers.
#pragma once

#include <gtk/gtk.h>

#include <string>

#include "gui/shell/command_line.h"

// 1 while a Save action may write straight to the project's known file; 0 during Save as.
extern int save;

// Reads (direction 0) project file `file` into the active project or writes (1) project
// position p to it, with the messages of a failure. Returns the file code (0 success).
int open_save(int direction, int p, const char* file);

// Reads project file `file` into a new project named `name` that is not tied to the file
// (a copy: Save asks where to write it) and adds it to the workspace; a failure is shown
// and the new project closed. Returns the file code.
int open_project_copy(const std::string& file, const std::string& name);

// Asks, for every project with unsaved changes, whether to save it before it is closed
// (saving it when told so). False when the user cancelled or a save did not happen.
bool settle_all_unsaved();

// Opens the file named on the command line (after the main window is shown).
void open_command_line_file(const command_line& cl);

// Shows ProjectSettings on notebook page `page` (0 sample, 1 experiment).
void open_settings(int page);

extern "C" {
// User data: the action code (0 open project, 1 save project, 2 open / 3 save workspace).
void on_new_activate(GtkWidget* widget, gpointer data);
void on_open_save_activate(GtkWidget* widget, gpointer code);
void on_save_as_activate(GtkWidget* widget, gpointer code);
// User data: 0 import, 1 export.
void on_amoq_xml_port(GtkWidget* widget, gpointer direction);
// User data: the project position.
void on_close_activate(GtkWidget* widget, gpointer p);
// User data: 1 asks "Close workspace ?" first.
void on_close_workspace(GtkWidget* widget, gpointer ask);
void on_quit_activate(GtkWidget* widget, gpointer data);
void show_Help(GtkWidget* widget, gpointer data);
void on_ProjHelp_activate(GtkWidget* widget, gpointer data);
void on_RunHelp_activate(GtkWidget* widget, gpointer data);
void show_ProjectSettings(GtkWidget* widget, gpointer data);
void hide_ProjectSettings(GtkWidget* widget, gpointer data);
}
