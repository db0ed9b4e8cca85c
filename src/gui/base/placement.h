// Where windows open on the screen: the work area of the monitor (less the panels the
// window manager reserves), the frame it draws around windows, and the rules of
// project/window_rules.h applied to real windows.
#pragma once

#include <gtk/gtk.h>

#include "project/window_rules.h"

// The work area of the monitor that holds `near` (the main window when null).
win_rect work_area(GtkWidget* near = nullptr);
// The frame the window manager draws, measured on the main window once it is shown; a
// title bar and thin borders before that; none without a window manager.
win_frame window_frame();
// The inside of a window: where it is, or will be shown, and its size (default size or
// what its contents ask for, whichever is larger).
win_rect window_rect(GtkWidget* window);
// Moves the inside of the window to r, resizing it when it is resizable.
void move_window(GtkWidget* window, const win_rect& r);

// The main window at start: centred in the work area, sized down to it.
void place_main_window(GtkWidget* window);
// Marks of the windows the placement looks for: curve windows and data tables, which
// cascade, and the tool boxes, which they leave uncovered.
inline constexpr const char* cascade_mark = "amoq-cascade";
inline constexpr const char* tool_boxes_mark = "amoq-tool-boxes";
void mark_window(GtkWidget* window, const char* mark);

// The tool boxes beside the main window (which may move over to make room).
void place_beside_main_window(GtkWidget* tools);
// A new curve (or data table) window: the next place of the cascade that starts at the
// main window's top-left corner, beside the tool boxes when the area leaves room.
void place_curve_window(GtkWidget* window);
