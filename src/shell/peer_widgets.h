// The parts of the settings dialog, the step dialogs and the tool box window that the
// shell drives (defined with them in src/project/gtk). peer_widgets.cpp holds weak
// empty stand-ins so that the shell links on its own; the real definitions replace them.
#pragma once

#include <gtk/gtk.h>

void setup_step_widgets(GtkBuilder* builder, GtkWidget* main_window);
void refresh_settings_pages();
void refresh_step_widgets();
void hide_step_widgets(int p);
void release_step_widgets(int p);
void turndialog();
