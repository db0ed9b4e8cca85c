// What the step dialogs and menus say about what is missing: the tooltips of greyed file
// buttons and step actions, and the hint line under the Input box of steps 1 to 3. The
// texts are the rules of step_hints.h.
#include <string>

#include "gui/project/step_objects.h"
#include "gui/project/step_widgets.h"
#include "project/project.h"
#include "project/step_hints.h"

namespace {

const char* const file_buttons[3] = {"datafile", "backfile", "subfile"};
const char* const input_dialogs[3] = {"sqbox", "bqbox", "grbox"};
const char* const step_actions[ncalc] = {"calcra", "calcsq", "calcbq", "calcgr"};

GtkWidget* hint_labels[3]{};
// The tooltips the interface description gives the step actions, shown while usable.
std::string action_tips[ncalc];

void set_tip(GtkWidget* w, const std::string& tip) {
  if (w) gtk_widget_set_tooltip_text(w, tip.empty() ? nullptr : tip.c_str());
}

}  // namespace

void setup_step_guidance() {
  for (int calc = 0; calc < ncalc; ++calc) {
    GObject* action = step_object(step_actions[calc]);
    const char* tip = action && GTK_IS_ACTION(action) ? gtk_action_get_tooltip(GTK_ACTION(action)) : nullptr;
    action_tips[calc] = tip ? tip : "";
  }
  // The hint line goes under the frame with the Input box.
  for (int j = 0; j < 3; ++j) {
    GtkWidget* dialog = step_widget(input_dialogs[j]);
    GtkWidget* box = dialog ? gtk_bin_get_child(GTK_BIN(dialog)) : nullptr;
    if (!box || !GTK_IS_BOX(box)) continue;
    GtkWidget* label = gtk_label_new("");
    gtk_misc_set_alignment(GTK_MISC(label), 0.0, 0.5);
    gtk_misc_set_padding(GTK_MISC(label), 8, 0);
    gtk_box_pack_start(GTK_BOX(box), label, FALSE, FALSE, 0);
    gtk_box_reorder_child(GTK_BOX(box), label, 1);
    hint_labels[j] = label;
    g_signal_connect(label, "destroy", G_CALLBACK(gtk_widget_destroyed), &hint_labels[j]);
  }
}

void refresh_step_guidance() {
  const int p = activep;
  for (int id = 0; id < 3; ++id)
    set_tip(step_widget(file_buttons[id]), greyed_hint(p, greyed_control::data_file, id));
  for (int calc = 0; calc < ncalc; ++calc) {
    GObject* action = step_object(step_actions[calc]);
    if (!action || !GTK_IS_ACTION(action)) continue;
    std::string hint = greyed_hint(p, greyed_control::step_dialog, calc);
    gtk_action_set_tooltip(GTK_ACTION(action), (hint.empty() ? action_tips[calc] : hint).c_str());
  }
  for (int j = 0; j < 3; ++j) {
    if (!hint_labels[j]) continue;
    std::string hint = input_hint(p, j + 1);
    gtk_label_set_text(GTK_LABEL(hint_labels[j]), hint.c_str());
    gtk_widget_set_visible(hint_labels[j], !hint.empty());
  }
  refresh_tool_box_state();
}
