// The workspace tree on the left of the main window, the main view beside it, and the
// operations that switch, refresh and close projects.
#pragma once

#include <gtk/gtk.h>

#include <string>

// Row labels, each padded with blanks to 25 characters: the root, Settings and its two
// children, Calculations and its four children.
extern const char* const items[9];

// Position of the project whose widgets are shown is the model's inactep.

// Fills refresh_hooks update_project, hide_project and project_added.
void install_workspace_hooks();

void create_workspace();
void add_project_to_workspace();
void remove_project_from_workspace(int p);
void activate_project(int p);
void change_project_name(int p);
// The row of project p and, when it is active, the window title: "*" before the name of
// a project with unsaved changes.
void refresh_project_state(int p);
int update_project();
void hide_current_project(int p);
void close_project(int p);
void clean_view();
void add_view(int p);

// The tree view (null before create_workspace) and its store.
GtkTreeView* workspace_view();
// The plain text of the label of the row at `path` ("0", "0:1", "0:1:0" ...), markup
// removed; empty when there is no such row.
std::string workspace_row_text(const char* path);
// Markup of the row at `path` as stored.
std::string workspace_row_markup(const char* path);

// What the main view shows: the logo (no project page) or a project's text view.
bool main_view_shows_logo();

// Row activation of the tree (double click or Enter).
void on_workspace_row_activated(GtkTreeView* view, GtkTreePath* path, GtkTreeViewColumn* column,
                                gpointer data);
