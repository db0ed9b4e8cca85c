// The editors of a curve: the curve editor dialog ("Edit curve": graph, data style,
// axes and the data sets drawn over the curve) and the data table editor.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <optional>
#include <string>

#include "project/curve.h"

// Opens the curve editor of the curve named by triple (project identifier, rid, cid),
// modal over its window. Every accepted value is stored at once and the window redrawn.
// Returns the dialog; it is destroyed by "gtk-close".
GtkWidget* edit_curve(GtkWidget* item, const curve_id* triple);
// The open curve editor, null when none.
GtkWidget* curve_editor();

// Opens the table editor of curve (rid, cid) of the project with identifier pid, or
// raises the one already open for that curve. Returns its window.
GtkWidget* edit_data(int pid, int rid, int cid);
// The menu of the table editor in `window` over the rows selected now, unshown (tests
// activate its items); null when the window is no table editor.
GtkWidget* data_editor_menu(GtkWidget* window);

// Asks for the constant of a column operation: the text typed, nullopt unless OK. The
// program runs a modal dialog; tests install a scripted answer.
using constant_prompt =
    std::function<std::optional<std::string>(const char* title, const char* label)>;
constant_prompt set_constant_prompt(constant_prompt f);
