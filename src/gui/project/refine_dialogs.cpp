// The widgets beyond the original step dialogs: the "Optimise below r_min" group of the
// S(q) dialog (with "Use refined density" and the scan over r_min and its plot), and the
// window choice and the coordination numbers on R(r) of the g(r) dialog. Entries follow
// the entry rule: shown as typed, read strictly, and every edit goes through the setters
// that mark the project changed.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gui/project/step_objects.h"
#include "gui/project/step_widgets.h"
#include "plot/scan_plot.h"
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
std::optional<double> read_entry(GtkEntry* entry, const char* field, bool whole,
                                 std::optional<double> stored = std::nullopt) {
  const char* text = gtk_entry_get_text(entry);
  std::optional<double> v;
  if (stored && shows_stored(text, *stored)) return v;
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

// which 0: r_min (0 < r_min < Rmax), 1: the most iterations.
void on_lowr_entry(GtkEntry* entry, gpointer data) {
  static bool busy = false;  // a warning dialog takes the focus: its focus-out is no edit
  if (busy || refreshing || !valid_project(activep) || !lowr_on(activep)) return;
  const int which = GPOINTER_TO_INT(data);
  busy = true;
  const project_options& o = proj[activep].options;
  if (auto v = read_entry(entry, which == 0 ? "r_min" : _("Most iterations"), which == 1,
                          which == 0 ? o.lowr_rmin : o.lowr_iter)) {
    const char* rule = which == 0 ? lowr_rmin_problem(*v, proj[activep].exp_prop[k_rmax]) : nullptr;
    if (rule)
      show_warning(_(rule));
    else
      set_lowr_setting(which, *v);
  }
  busy = false;
  init_lowr_widgets();
}

void on_lowradopt_released(GtkButton*, gpointer) {
  if (refreshing || !valid_project(activep) || !adopt_refined_density()) return;
  entry_show_double("density", proj[activep].exp_prop[k_density]);  // the settings dialog's entry
  init_lowr_widgets();
}

// The rows of the last scan, for the project they were made for.
struct scan_state {
  int project_id = -1;
  std::vector<scan_point> points;
};
scan_state& scan() {
  static scan_state s;
  return s;
}

void on_lowrscan_released(GtkButton*, gpointer) {
  if (refreshing || !valid_project(activep)) return;
  double range[3];
  const char* ids[3] = {"lowrscan1", "lowrscan2", "lowrscanstep"};
  const char* fields[3] = {N_("Scan from"), N_("Scan to"), N_("Scan step")};
  for (int i = 0; i < 3; ++i) {
    GtkEntry* entry = GTK_ENTRY(step_widget(ids[i]));
    std::optional<double> v = read_entry(entry, _(fields[i]), false);
    if (!v) {  // a blank entry is no number either
      if (std::string_view(gtk_entry_get_text(entry)).find_first_not_of(" \t") == std::string_view::npos)
        show_warning(format(_("%s must be a number"), _(fields[i])).c_str());
      return;
    }
    range[i] = *v;
  }
  std::string problem;
  const std::vector<lowr_scan_row> rows = lowr_scan(range[0], range[1], range[2], &problem);
  scan().project_id = proj[activep].id;
  scan().points.clear();
  for (const lowr_scan_row& row : rows) scan().points.push_back({row.rmin, row.rho, row.chi2});
  if (rows.empty()) show_warning(problem.c_str());
  gtk_widget_queue_draw(step_widget("lowrscanplot"));
}

gboolean on_lowrscanplot_expose(GtkWidget* area, GdkEventExpose*, gpointer) {
  cairo_t* cr = gdk_cairo_create(area->window);
  const bool current = valid_project(activep) && scan().project_id == proj[activep].id;
  draw_scan_plot(cr, area->allocation.width, area->allocation.height,
                 current ? scan().points : std::vector<scan_point>{});
  cairo_destroy(cr);
  return TRUE;
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
  view_show("lowrview", lowr_result_text(activep, true).c_str());
  const double refined = refined_density(activep);
  gtk_widget_set_sensitive(step_widget("lowradopt"), refined > 0.0 && refined != r.exp_prop[k_density]);
  if (GtkWidget* plot = step_widget("lowrscanplot")) gtk_widget_queue_draw(plot);
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
  connect_signal("lowradopt", "released", G_CALLBACK(on_lowradopt_released));
  connect_signal("lowrscan", "released", G_CALLBACK(on_lowrscan_released));
  connect_signal("lowrscanplot", "expose-event", G_CALLBACK(on_lowrscanplot_expose));
  connect_signal("windowbox", "changed", G_CALLBACK(on_windowbox_changed));
  connect_signal("coordpair", "changed", G_CALLBACK(on_coordpair_changed));
  connect_entry<on_coord_entry>("coordr1", 0);
  connect_entry<on_coord_entry>("coordr2", 1);
  connect_signal("Calcsq", "released", G_CALLBACK(after_sq), true);
  connect_signal("Calcgr", "released", G_CALLBACK(after_gr), true);
}
