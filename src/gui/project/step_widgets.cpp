#include "gui/project/step_widgets.h"

#include "gui/project/step_objects.h"
#include "project/steps.h"

void setup_step_widgets(GtkBuilder* builder, GtkWidget* main_window) {
  set_step_builder(builder);
  connect_step_callbacks();
  setup_settings_dialog();
  setup_step_dialogs();
  setup_refine_widgets();
  setup_option_widgets();
  setup_tool_boxes(main_window);
  setup_busy_state(main_window);
  setup_step_guidance();
}
