// The widget side of the project settings dialog, the four step dialogs and the "Tool
// boxes" window. The handlers read their widgets, call the rules of settings.h, steps.h
// and toolbox.h, and refresh the widgets from the active project; they neither compute
// nor validate on their own.
#pragma once

#include <gtk/gtk.h>

#include <functional>

// ---- Set-up and refresh, called by the shell ----

// Takes the loaded description, builds the tool box window (transient for `main_window`),
// connects the handlers that the code connects (settings entries and combo boxes, species
// selector, Apply, the step source combo boxes, file buttons, method and file toggles,
// the calculation actions and their toggle actions) and installs the widget hooks of
// step_hooks.h plus refresh_hooks species_changed and curve_records_created.
void setup_step_widgets(GtkBuilder* builder, GtkWidget* main_window);

// Settings pages from the active project (steps 1 and 2 of update_project); with no
// project open the entries, combo boxes and labels are emptied and made insensitive.
void refresh_settings_pages();

// Tool boxes and step dialogs from the active project (steps 3 and 5 of update_project):
// its curve tables shown, then turnactions, turnchecks, turndialog and the four
// initcalcs(calc, 1).
void refresh_step_widgets();

// The widget part of hiding project position p before another one is shown: its species
// selector and curve tables hidden, open expanders closed.
void hide_step_widgets(int p);

// Destroys the species selector and the curve tables (with their buttons) of project
// position p; call before its record is removed.
void release_step_widgets(int p);

// What the dialogs and tool boxes say about the active project's state: tooltips of
// greyed controls, the Input hint lines, the tool box labels marked " (out of date)" and
// the "Recalculate automatically" check.
void refresh_step_guidance();

// ---- Settings dialog ----

void set_prop(GtkEntry* entry, gpointer prop);
gboolean to_set_prop(GtkEntry* entry, GdkEventFocus* event, gpointer prop);
void propbox_changed(GtkComboBox* combo, gpointer box);
void on_species_get(GtkComboBox* combo, gpointer data);
void show_spec_info(int s);
void update_sp(int s);
void update_rx(int s);
void update_experiment(int p);
void on_apply_clicked(GtkButton* button, gpointer data);

// ---- Step dialogs ----

void init_ra(int loaded);
void init_sq(int loaded);
void init_bq(int loaded);
void init_gr(int loaded);
void on_datafile_set(GtkButton* button, gpointer id);
void on_setfile_toggled(GtkToggleButton* toggle, gpointer k);
void on_checktam_toggled(GtkToggleButton* toggle, gpointer m);
void on_set_use_calc(GtkComboBox* combo, gpointer j);

// ---- Tool box window ----

GtkWidget* curvetbox();
GtkWidget* tool_box_window();  // the window built at set-up, null before
GtkWidget* auto_recalc_check();  // its "Recalculate automatically" check button
void expanding(GtkExpander* expander, gpointer calc);
void on_check_toggled(GObject* check, gpointer calc);
void turndialog();
GtkWidget* show_popup(const char* text, GtkWidget* parent);
// A step is computing: its popup (with the Cancel button named "busycancel") is shown.
bool busy_running();
GtkWidget* busy_popup();
// Runs `work` (a computation that polls numeric/cancel.h) so that, should it take more
// than a moment, the busy popup with its Cancel button appears meanwhile. False when it was
// cancelled.
bool run_cancellable(const char* text, const std::function<void()>& work);

// Handlers the interface description connects by name.
extern "C" {
void on_Correctdata_released(GtkButton* button, gpointer data);
void on_Calcsq_released(GtkButton* button, gpointer data);
void on_Calcbq_released(GtkButton* button, gpointer data);
void on_Calcgr_released(GtkButton* button, gpointer data);
void on_checkcorr_toggled(GtkToggleButton* toggle, gpointer data);
void on_checkndr_toggled(GtkToggleButton* toggle, gpointer data);
void on_smoothing_toggled(GtkToggleButton* toggle, gpointer data);
void on_formatbox_changed(GtkComboBox* combo, gpointer data);
void on_dctb_activate(GtkWidget* item, gpointer data);
}
