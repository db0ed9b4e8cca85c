// The widgets beyond the original step dialogs: the "Optimise below r_min" group of the
// S(q) dialog, and the window choice and the coordination numbers on R(r) of the g(r)
// dialog. Entries follow the entry rule: shown as typed, read strictly, and every edit goes
// through the setters that mark the project changed.
#include <optional>
#include <string>
#include <string_view>

#include "gui/project/step_objects.h"
#include "gui/project/step_widgets.h"
#include "project/entry_text.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/rdf.h"
#include "project/sq_refine.h"
#include "project/steps.h"
#include "gui/base/i18n.h"

namespace {

// The number in an entry, or nullopt after a warning naming the field (blank, or the
// stored value as shown: nothing).
std::optional<double> read_entry(GtkEntry* entry, const char* field, bool whole, double stored) {
  const char* text = gtk_entry_get_text(entry);
  std::optional<double> v;
  if (shows_stored(text, stored)) return v;
  if (whole) {
    if (auto i = parse_entry_int(text)) v = *i;
  } else {
    v = parse_entry(text);
  }
  if (!v && std::string_view(text).find_first_not_of(" \t") != std::string_view::npos)
    show_warning(format(_("%s must be a number"), field).c_str());
  return v;
}

std::string value_text(double v) { return v == not_set ? std::string() : entry_text(v); }

void show_coordination() { view_show("coordview", coordination_text(activep).c_str()); }

// ---- S(q): the optimisation group ----

void on_lowrcheck_toggled(GtkToggleButton* toggle, gpointer) {
  if (refreshing || !valid_project(activep)) return;
  set_lowr(gtk_toggle_button_get_active(toggle));
  init_lowr_widgets();
  entry_show("lowrmin", "");  // to be entered, as a method's parameter
}

// which 0: r_min, 1: iterations.
void on_lowr_entry(GtkEntry* entry, gpointer data) {
  static bool busy = false;  // a warning dialog takes the focus: its focus-out is no edit
  if (busy || refreshing || !valid_project(activep) || !lowr_on(activep)) return;
  const int which = GPOINTER_TO_INT(data);
  busy = true;
  const project_options& o = proj[activep].options;
  if (auto v = read_entry(entry, which == 0 ? "r_min" : _("Iterations"), which == 1,
                          which == 0 ? o.lowr_rmin : o.lowr_iter))
    set_lowr_setting(which, *v);
  busy = false;
  init_lowr_widgets();
}

void on_lowrdens_toggled(GtkToggleButton* toggle, gpointer) {
  if (refreshing || !valid_project(activep)) return;
  set_lowr_setting(2, gtk_toggle_button_get_active(toggle) ? 1.0 : 0.0);
}

// ---- g(r): window and coordination ----

void on_windowbox_changed(GtkComboBox* combo, gpointer) {
  if (refreshing || !valid_project(activep)) return;
  set_window(gtk_combo_box_get_active(combo));
  gtk_widget_set_sensitive(step_widget("df"), proj[activep].options.window != 1);
}

// which 0: r1, 1: r2.
void on_coord_entry(GtkEntry* entry, gpointer data) {
  static bool busy = false;
  if (busy || refreshing || !valid_project(activep)) return;
  busy = true;
  const int which = GPOINTER_TO_INT(data);
  const project_options& o = proj[activep].options;
  if (auto v = read_entry(entry, which == 0 ? "r₁" : "r₂", false, which == 0 ? o.coord_r1 : o.coord_r2))
    set_coordination(which, *v);
  busy = false;
  init_rdf_widgets();
}

// Entry 0 "Total", then the ordered pairs A-B of the species.
void on_coordpair_changed(GtkComboBox* combo, gpointer) {
  if (refreshing || !valid_project(activep)) return;
  set_coordination(2, gtk_combo_box_get_active(combo) - 1);
  show_coordination();
}

void fill_pairs(const project& r) {
  GtkWidget* combo = step_widget("coordpair");
  if (!combo || !GTK_IS_COMBO_BOX(combo)) return;
  GtkListStore* store = GTK_LIST_STORE(gtk_combo_box_get_model(GTK_COMBO_BOX(combo)));
  gtk_list_store_clear(store);
  auto add = [&](const std::string& text) {
    GtkTreeIter it;
    gtk_list_store_append(store, &it);
    gtk_list_store_set(store, &it, 0, text.c_str(), -1);
  };
  add(_("Total"));
  for (int a = 0; a < r.nspec; ++a)
    for (int b = 0; b < r.nspec; ++b) add(pair_name(activep, a, b));
  const int a = static_cast<int>(r.options.coord_a), b = static_cast<int>(r.options.coord_b);
  const bool pair = a >= 0 && b >= 0 && a < r.nspec && b < r.nspec;
  gtk_combo_box_set_active(GTK_COMBO_BOX(combo), pair ? 1 + a * r.nspec + b : 0);
}

void after_sq(GtkButton*, gpointer) { init_lowr_widgets(); }
void after_gr(GtkButton*, gpointer) { show_coordination(); }

// Leaving an entry edits as "activate" does.
template <void (*edit)(GtkEntry*, gpointer)>
gboolean on_focus_out(GtkEntry* entry, GdkEventFocus*, gpointer data) {
  edit(entry, data);
  return FALSE;
}

template <void (*edit)(GtkEntry*, gpointer)>
void connect_entry(const char* id, int which) {
  if (GtkWidget* e = step_widget(id)) {
    g_signal_connect(e, "activate", G_CALLBACK(edit), GINT_TO_POINTER(which));
    g_signal_connect(e, "focus-out-event", G_CALLBACK(on_focus_out<edit>), GINT_TO_POINTER(which));
  }
}

void connect_signal(const char* id, const char* signal, GCallback handler, bool after = false) {
  if (GtkWidget* w = step_widget(id)) {
    if (after)
      g_signal_connect_after(w, signal, handler, nullptr);
    else
      g_signal_connect(w, signal, handler, nullptr);
  }
}

}  // namespace

void init_lowr_widgets() {
  if (!valid_project(activep)) return;
  refresh_scope scope;
  const project& r = proj[activep];
  const bool on = lowr_on(activep);
  object_set_active(step_object("lowrcheck"), on);
  const char* ids[3] = {"lowrmin", "lowriter", "lowrdens"};
  for (const char* id : ids) gtk_widget_set_sensitive(step_widget(id), on);
  entry_show("lowrmin", on && r.options.lowr_rmin > 0.0 ? value_text(r.options.lowr_rmin).c_str() : "");
  entry_show("lowriter", format("%d", static_cast<int>(r.options.lowr_iter)).c_str());
  object_set_active(step_object("lowrdens"), r.options.lowr_density == 1.0);
  view_show("lowrview", lowr_result_text(activep).c_str());
}

void init_rdf_widgets() {
  if (!valid_project(activep)) return;
  refresh_scope scope;
  const project& r = proj[activep];
  combo_show("windowbox", r.options.window == 1 ? 1 : 0);
  gtk_widget_set_sensitive(step_widget("df"), r.options.window != 1);
  entry_show("coordr1", value_text(r.options.coord_r1).c_str());
  entry_show("coordr2", value_text(r.options.coord_r2).c_str());
  fill_pairs(r);
  show_coordination();
}

void setup_refine_widgets() {
  connect_signal("lowrcheck", "toggled", G_CALLBACK(on_lowrcheck_toggled));
  connect_signal("lowrdens", "toggled", G_CALLBACK(on_lowrdens_toggled));
  connect_entry<on_lowr_entry>("lowrmin", 0);
  connect_entry<on_lowr_entry>("lowriter", 1);
  connect_signal("windowbox", "changed", G_CALLBACK(on_windowbox_changed));
  connect_signal("coordpair", "changed", G_CALLBACK(on_coordpair_changed));
  connect_entry<on_coord_entry>("coordr1", 0);
  connect_entry<on_coord_entry>("coordr2", 1);
  connect_signal("Calcsq", "released", G_CALLBACK(after_sq), true);
  connect_signal("Calcgr", "released", G_CALLBACK(after_gr), true);
}
