// The widgets of the physics refinements (physics_options.h): the monochromator angle,
// the polarisation fraction and the incoherent scattering functions on the experiment
// page, the abscissa range of the raw data, Q_min of S(q) and Q_max of g(r). An empty
// entry means "unset". Also the source of the uncertainties in the data correction dialog
// (uncertainty.h): none, counting statistics or the files' third column.
#include <iterator>

#include "gui/project/step_objects.h"
#include "project/entry_text.h"
#include "project/physics_options.h"
#include "project/project.h"
#include "project/uncertainty.h"

namespace {

struct option_entry {
  const char* id;
  int option;
};
const option_entry option_entries[] = {
    {"monoangle", opt_monoangle}, {"polfraction", opt_polfraction}, {"ttmin", opt_ttmin},
    {"ttmax", opt_ttmax},         {"qmin", opt_qmin},               {"qmax", opt_qmax}};

void show_option(const option_entry& e) {
  double v = physics_option(activep, e.option);
  entry_show(e.id, v == not_set ? "" : entry_text(v).c_str());
}

void on_option_entry(GtkEntry* entry, gpointer data) {
  // A message dialog takes the focus from the entry; its focus-out must not edit again.
  static bool busy = false;
  if (busy || refreshing || !valid_project(activep)) return;
  const option_entry& e = option_entries[GPOINTER_TO_INT(data)];
  busy = true;
  set_physics_option_text(e.option, gtk_entry_get_text(entry));
  show_option(e);
  busy = false;
}

gboolean on_option_focus_out(GtkEntry* entry, GdkEventFocus*, gpointer data) {
  on_option_entry(entry, data);
  return FALSE;
}

void on_incoherent_changed(GtkComboBox* combo, gpointer) {
  int active = gtk_combo_box_get_active(combo);
  if (refreshing || !valid_project(activep) || active < 0) return;
  set_physics_option(opt_incoherent, active);
}

// A new source drops every deviation held and puts every step out of date.
void on_errors_changed(GtkComboBox* combo, gpointer) {
  int active = gtk_combo_box_get_active(combo);
  if (refreshing || !valid_project(activep) || active < 0) return;
  set_uncertainty_mode(active);
}

}  // namespace

void refresh_option_widgets() {
  refresh_scope scope;
  const bool open = valid_project(activep);
  for (const option_entry& e : option_entries) {
    if (open)
      show_option(e);
    else
      entry_show(e.id, "");
    bool sensitive = open;
    // The polarisation refinements belong to their beam: in-house or synchrotron.
    if (open && e.option == opt_monoangle) sensitive = proj[activep].exp_prop[k_polarisation] == 1.0;
    if (open && e.option == opt_polfraction) sensitive = proj[activep].exp_prop[k_polarisation] == 2.0;
    gtk_widget_set_sensitive(step_widget(e.id), sensitive);
  }
  combo_show("incoherentbox", open && physics_option(activep, opt_incoherent) == 1.0 ? 1 : 0);
  gtk_widget_set_sensitive(step_widget("incoherentbox"), open);
  combo_show("errorsbox", open ? uncertainty_mode(activep) : errors_none);
  gtk_widget_set_sensitive(step_widget("errorsbox"), open);
}

void setup_option_widgets() {
  for (int k = 0; k < static_cast<int>(std::size(option_entries)); ++k) {
    GtkWidget* entry = step_widget(option_entries[k].id);
    if (!entry) continue;
    g_signal_connect(entry, "activate", G_CALLBACK(on_option_entry), GINT_TO_POINTER(k));
    g_signal_connect(entry, "focus-out-event", G_CALLBACK(on_option_focus_out), GINT_TO_POINTER(k));
  }
  if (GtkWidget* combo = step_widget("incoherentbox"))
    g_signal_connect(combo, "changed", G_CALLBACK(on_incoherent_changed), nullptr);
  if (GtkWidget* combo = step_widget("errorsbox"))
    g_signal_connect(combo, "changed", G_CALLBACK(on_errors_changed), nullptr);
}
