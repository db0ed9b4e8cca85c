// The "Tool boxes" window: one expander per step listing the step's curve buttons, the
// check actions of the steps that follow visok, the menu actions that follow dialok, and
// the curve tables (calc_box) of every project.
#include <algorithm>

#include "project/changes.h"
#include "project/curve.h"
#include "gui/project/step_objects.h"
#include "gui/project/step_widgets.h"
#include "project/hooks.h"
#include "project/project.h"
#include "project/recalc.h"
#include "project/step_hints.h"
#include "project/step_hooks.h"
#include "project/toolbox.h"
#include "gui/base/dialogs.h"
#include "gui/base/placement.h"
#include "gui/base/paths.h"
#include "gui/base/i18n.h"

namespace {

const char* const check_ids[ncalc] = {"racheck", "sqcheck", "bqcheck", "grcheck"};
const char* const action_ids[ncalc] = {"calcra", "calcsq", "calcbq", "calcgr"};
const char* const dialog_ids[ncalc] = {"rabox", "sqbox", "bqbox", "grbox"};

GtkWidget* window = nullptr;
GtkWidget* expanders[ncalc]{};
GtkWidget* labels[ncalc]{};
GtkWidget* fixed[ncalc]{};
GtkWidget* auto_check = nullptr;  // "Recalculate automatically"
// Height of the row of the check under the expanders.
constexpr int check_row = 26;
// Width of the window and of its step labels: the longest label, a step marked out of date
// in the language shown, fits (set by curvetbox).
int box_width = 300;
int label_width() { return box_width - 20; }

int calc_of(gpointer data) {
  int calc = GPOINTER_TO_INT(data);
  return calc >= 0 && calc < ncalc ? calc : -1;
}

// Heights of the expander part; the check row comes on top.
void window_size(int height) {
  gtk_widget_set_size_request(window, box_width, height + check_row);
  gtk_window_resize(GTK_WINDOW(window), box_width, height + check_row);
}

// Closed expander: one label line; the window shrinks back.
void shrink(int calc) {
  gtk_widget_set_size_request(expanders[calc], box_width, 20);
  gtk_widget_set_size_request(labels[calc], label_width(), 20);
  window_size(130);
}

// Sizes around an expander that is about to change state (opening: the others close).
void resize_for(int calc, bool opening) {
  gtk_window_set_resizable(GTK_WINDOW(window), TRUE);
  if (!opening) {
    shrink(calc);
  } else {
    for (int other = 0; other < ncalc; ++other)
      if (other != calc && gtk_expander_get_expanded(GTK_EXPANDER(expanders[other]))) {
        gtk_expander_set_expanded(GTK_EXPANDER(expanders[other]), FALSE);
        shrink(other);
      }
    window_size(210);
    gtk_widget_set_size_request(expanders[calc], box_width, 130);
  }
  gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
}

void open_expander(int calc) {
  resize_for(calc, true);
  gtk_expander_set_expanded(GTK_EXPANDER(expanders[calc]), TRUE);
}

void close_expander(int calc) {
  resize_for(calc, false);
  gtk_expander_set_expanded(GTK_EXPANDER(expanders[calc]), FALSE);
}

bool expanded(int calc) {
  return expanders[calc] && gtk_expander_get_expanded(GTK_EXPANDER(expanders[calc]));
}

void step_checks() {
  for (int calc = 0; calc < ncalc; ++calc)
    show_step_check(calc, valid_project(activep) && proj[activep].visok[calc]);
  if (!window) return;
  if (std::none_of(expanders, expanders + ncalc, [](GtkWidget* e) {
        return gtk_expander_get_expanded(GTK_EXPANDER(e));
      }))
    window_size(130);
  gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
}

void step_actions() {
  for (int calc = 0; calc < ncalc; ++calc)
    object_set_sensitive(step_object(action_ids[calc]),
                         valid_project(activep) && proj[activep].dialok[calc]);
}

// refresh_hooks curve_records_created: one table per step in the step's fixed container,
// then the buttons of the steps whose curve names are set.
void build_curve_tables(int p) {
  if (!valid_project(p)) return;
  for (int calc = 0; calc < ncalc; ++calc) {
    project& r = proj[p];
    if (r.calc_box[calc]) gtk_widget_destroy(GTK_WIDGET(r.calc_box[calc]));
    r.calc_box[calc] = nullptr;
    if (!fixed[calc]) continue;
    GtkWidget* table = gtk_table_new(std::max(r.numc[calc], 1), 1, FALSE);
    gtk_fixed_put(GTK_FIXED(fixed[calc]), table, 0, 0);
    r.calc_box[calc] = table;
    if (p == activep) gtk_widget_show(table);
  }
  for (int calc = 0; calc < ncalc; ++calc)
    if (proj[p].initok[calc] && hooks().curve_names_set) hooks().curve_names_set(p, calc);
}

// Tables whose project is gone are destroyed; those of other projects are hidden.
void sweep_curve_tables() {
  for (int calc = 0; calc < ncalc; ++calc) {
    if (!fixed[calc]) continue;
    GList* children = gtk_container_get_children(GTK_CONTAINER(fixed[calc]));
    for (GList* l = children; l; l = l->next) {
      GtkWidget* child = GTK_WIDGET(l->data);
      bool owned = false;
      for (const project& r : proj)
        if (r.calc_box[calc] == child) owned = true;
      if (!owned)
        gtk_widget_destroy(child);
      else if (!valid_project(activep) || proj[activep].calc_box[calc] != child)
        gtk_widget_hide(child);
    }
    g_list_free(children);
  }
}

void show_action_dialog(GtkAction*, gpointer data) {
  int calc = calc_of(data);
  if (calc < 0) return;
  GtkWidget* dialog = step_widget(dialog_ids[calc]);
  if (dialog && !gtk_widget_get_visible(dialog)) show_near_parent(dialog);
}

void on_auto_toggled(GtkToggleButton* check, gpointer) {
  if (refreshing || !valid_project(activep)) return;
  set_auto_recalc(activep, gtk_toggle_button_get_active(check));
}

// The tooltip of a step's expander and check: what is missing while they are greyed.
void show_step_tip(int calc) {
  std::string hint = greyed_hint(activep, greyed_control::step_curves, calc);
  const char* tip = hint.empty() ? nullptr : hint.c_str();
  if (expanders[calc]) gtk_widget_set_tooltip_text(expanders[calc], tip);
  GObject* check = step_object(check_ids[calc]);
  if (check && GTK_IS_ACTION(check)) gtk_action_set_tooltip(GTK_ACTION(check), tip);
}

}  // namespace

void show_step_check(int calc, bool on) {
  if (calc < 0 || calc >= ncalc) return;
  // The expander first, so that a step switched on opens in the window.
  if (expanders[calc]) gtk_widget_set_sensitive(expanders[calc], on);
  GObject* check = step_object(check_ids[calc]);
  object_set_active(check, on);
  object_set_sensitive(check, on);
  if (!on && expanded(calc)) close_expander(calc);
  show_step_tip(calc);
}

GtkWidget* tool_box_window() { return window; }

GtkWidget* curvetbox() {
  GtkWidget* w = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  window = w;
  gtk_window_set_title(GTK_WINDOW(w), _("Tool boxes"));
  mark_window(w, tool_boxes_mark);
  if (GdkPixbuf* icon = program_icon()) gtk_window_set_icon(GTK_WINDOW(w), icon);
  // The expander's arrow and the step's icon with its margins come before the label.
  for (int calc = 0; calc < ncalc; ++calc) {
    std::string longest = std::string(_(calcname[calc])) + _(" (out of date)");
    PangoLayout* layout = gtk_widget_create_pango_layout(w, longest.c_str());
    int width = 0;
    pango_layout_get_pixel_size(layout, &width, nullptr);
    g_object_unref(layout);
    box_width = std::max(box_width, width + 70);
  }
  gtk_widget_set_size_request(w, box_width, 130 + check_row);
  gtk_window_set_resizable(GTK_WINDOW(w), FALSE);
  g_signal_connect(w, "delete-event", G_CALLBACK(gtk_widget_hide_on_delete), nullptr);
  GtkWidget* box = gtk_vbox_new(FALSE, 0);
  gtk_container_add(GTK_CONTAINER(w), box);
  for (int calc = 0; calc < ncalc; ++calc) {
    GtkWidget* title = gtk_hbox_new(FALSE, 0);
    GdkPixbuf* pixbuf =
        gdk_pixbuf_new_from_file_at_size((calc == 3 ? PACKAGE_GR : PACKAGE_SQ).c_str(), 20, 20, nullptr);
    GtkWidget* image = pixbuf ? gtk_image_new_from_pixbuf(pixbuf) : gtk_image_new();
    if (pixbuf) g_object_unref(pixbuf);
    gtk_widget_set_size_request(image, 20, 20);
    gtk_box_pack_start(GTK_BOX(title), image, FALSE, FALSE, 10);
    GtkWidget* label = gtk_label_new(_(calcname[calc]));
    gtk_widget_set_size_request(label, label_width(), 20);
    gtk_misc_set_alignment(GTK_MISC(label), 0.0, 0.5);
    gtk_box_pack_start(GTK_BOX(title), label, FALSE, FALSE, 0);
    GtkWidget* expander = gtk_expander_new(nullptr);
    gtk_expander_set_label_widget(GTK_EXPANDER(expander), title);
    GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC,
                                   GTK_POLICY_AUTOMATIC);
    GtkWidget* holder = gtk_fixed_new();
    gtk_scrolled_window_add_with_viewport(GTK_SCROLLED_WINDOW(scrolled), holder);
    gtk_container_add(GTK_CONTAINER(expander), scrolled);
    gtk_widget_set_size_request(expander, box_width, 20);
    g_signal_connect(expander, "activate", G_CALLBACK(expanding), GINT_TO_POINTER(calc));
    gtk_widget_set_sensitive(expander, FALSE);
    gtk_box_pack_start(GTK_BOX(box), expander, FALSE, FALSE, 0);
    expanders[calc] = expander;
    labels[calc] = label;
    fixed[calc] = holder;
  }
  auto_check = gtk_check_button_new_with_label(_("Recalculate automatically"));
  gtk_widget_set_tooltip_text(auto_check, _("Every accepted change reruns the steps it puts out of date"));
  gtk_widget_set_sensitive(auto_check, FALSE);
  g_signal_connect(auto_check, "toggled", G_CALLBACK(on_auto_toggled), nullptr);
  gtk_box_pack_end(GTK_BOX(box), auto_check, FALSE, FALSE, 0);
  gtk_widget_show_all(box);
  return w;
}

void expanding(GtkExpander* expander, gpointer data) {
  int calc = calc_of(data);
  if (calc < 0 || !window) return;
  // Runs before the expander changes state.
  resize_for(calc, !gtk_expander_get_expanded(expander));
}

namespace {

// Shown the first time beside the main window, later where the user left it.
void show_tool_boxes() {
  static bool placed = false;
  if (!placed && !gtk_widget_get_visible(window)) place_beside_main_window(window);
  placed = true;
  gtk_widget_show(window);
}

}  // namespace

void on_check_toggled(GObject* check, gpointer data) {
  int calc = calc_of(data);
  if (calc < 0 || !window) return;
  if (!object_active(check)) {
    if (expanded(calc)) close_expander(calc);
    return;
  }
  if (valid_project(activep) && proj[activep].calc_box[calc])
    gtk_widget_show(GTK_WIDGET(proj[activep].calc_box[calc]));
  if (gtk_widget_get_sensitive(expanders[calc]) && !expanded(calc)) open_expander(calc);
  show_tool_boxes();
}

void on_dctb_activate(GtkWidget*, gpointer) {
  if (!window) return;
  if (gtk_widget_get_visible(window))
    gtk_widget_hide(window);
  else
    show_tool_boxes();
}

void turndialog() {
  for (const char* id : dialog_ids)
    if (GtkWidget* dialog = step_widget(id))
      if (gtk_widget_get_visible(dialog)) gtk_widget_hide(dialog);
}

void refresh_step_widgets() {
  sweep_curve_tables();
  if (valid_project(activep) && proj[activep].run)
    for (void* table : proj[activep].calc_box)
      if (table) gtk_widget_show(GTK_WIDGET(table));
  step_actions();
  step_checks();
  turndialog();
  if (valid_project(activep))
    for (int calc = 0; calc < ncalc; ++calc) initcalcs(calc, 1);
  refresh_step_guidance();
}

void refresh_tool_box_state() {
  for (int calc = 0; calc < ncalc; ++calc) {
    if (labels[calc]) {
      std::string text = std::string(_(calcname[calc])) + out_of_date_mark(activep, calc);
      gtk_label_set_text(GTK_LABEL(labels[calc]), text.c_str());
    }
    show_step_tip(calc);
  }
  if (auto_check) {
    refresh_scope scope;
    gtk_widget_set_sensitive(auto_check, valid_project(activep) && proj[activep].run);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(auto_check), auto_recalc_on(activep));
  }
}

GtkWidget* auto_recalc_check() { return auto_check; }

void hide_step_widgets(int p) {
  if (!valid_project(p)) return;
  project& r = proj[p];
  if (r.spec_combo && gtk_widget_get_visible(GTK_WIDGET(r.spec_combo)))
    gtk_widget_hide(GTK_WIDGET(r.spec_combo));
  if (!r.run) return;
  for (int calc = 0; calc < ncalc; ++calc) {
    if (r.calc_box[calc]) gtk_widget_hide(GTK_WIDGET(r.calc_box[calc]));
    if (expanded(calc)) {
      close_expander(calc);
      gtk_widget_set_size_request(expanders[calc], std::max(350, box_width), 20);
    }
  }
}

void release_step_widgets(int p) {
  if (!valid_project(p)) return;
  project& r = proj[p];
  if (r.spec_combo) gtk_widget_destroy(GTK_WIDGET(r.spec_combo));
  r.spec_combo = nullptr;
  for (int calc = 0; calc < ncalc; ++calc) {
    if (!r.calc_box[calc]) continue;
    gtk_widget_destroy(GTK_WIDGET(r.calc_box[calc]));  // takes the curve buttons with it
    r.calc_box[calc] = nullptr;
    for (auto& c : r.curves[calc])
      if (c) c->view_button = nullptr;
  }
  // The shown project's curve lists are gone: its steps no longer offer them.
  if (p == activep)
    for (int calc = 0; calc < ncalc; ++calc) show_step_check(calc, false);
}

void setup_tool_boxes(GtkWidget* main_window) {
  GtkWidget* w = curvetbox();
  if (main_window) gtk_window_set_transient_for(GTK_WINDOW(w), GTK_WINDOW(main_window));
  for (int calc = 0; calc < ncalc; ++calc) {
    if (GObject* check = step_object(check_ids[calc])) {
      g_signal_connect(check, "toggled", G_CALLBACK(on_check_toggled), GINT_TO_POINTER(calc));
      object_set_sensitive(check, false);
    }
    if (GObject* action = step_object(action_ids[calc]))
      g_signal_connect(action, "activate", G_CALLBACK(show_action_dialog), GINT_TO_POINTER(calc));
  }
  step_hooks& h = shooks();
  h.step_check = [](int calc, int on) { show_step_check(calc, on); };
  h.step_checks = step_checks;
  h.step_actions = step_actions;
  h.curve_sensitive = [](int calc, int cid) {
    curve* c = find_curve(activep, calc, cid);
    if (c && c->view_button) gtk_widget_set_sensitive(GTK_WIDGET(c->view_button), TRUE);
  };
  hooks().curve_records_created = build_curve_tables;
}
