#include "shell/peer_widgets.h"

__attribute__((weak)) void setup_step_widgets(GtkBuilder*, GtkWidget*) {}
__attribute__((weak)) void refresh_settings_pages() {}
__attribute__((weak)) void refresh_step_widgets() {}
__attribute__((weak)) void hide_step_widgets(int) {}
__attribute__((weak)) void release_step_widgets(int) {}
__attribute__((weak)) void turndialog() {}
