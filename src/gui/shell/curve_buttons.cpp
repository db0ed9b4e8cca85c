#include "gui/shell/curve_buttons.h"

#include "gui/plot/curve_window.h"
#include "project/hooks.h"
#include "project/project.h"
#include "project/toolbox.h"

void add_curve_buttons(int p, int rid) {
  if (!valid_project(p) || rid < 0 || rid >= ncalc) return;
  project& r = proj[p];
  GtkWidget* table = static_cast<GtkWidget*>(r.calc_box[rid]);
  if (!table || !GTK_IS_TABLE(table)) return;
  int n = static_cast<int>(r.curves[rid].size());
  for (int cid = 0; cid < n; ++cid) {
    curve& c = *r.curves[rid][cid];
    if (c.view_button) gtk_widget_destroy(static_cast<GtkWidget*>(c.view_button));
    GtkWidget* button = gtk_check_button_new_with_label(c.name.c_str());
    c.view_button = button;
    // The record forgets the button when the table (and with it the button) goes.
    g_signal_connect(button, "destroy", G_CALLBACK(gtk_widget_destroyed), &c.view_button);
    gtk_widget_set_sensitive(button, curve_points(c) > 0);
    gtk_table_attach(GTK_TABLE(table), button, 0, 1, cid, cid + 1, GTK_FILL, GTK_FILL, 0, 0);
    g_signal_connect(button, "toggled", G_CALLBACK(on_viewcurve_toggled), &r.curve_ids[rid][cid]);
    gtk_widget_show(button);
  }
}

void addcurwidgets(int rid, int) {
  activer = rid;
  add_curve_buttons(activep, rid);
}

void install_curve_button_hooks() { hooks().curve_names_set = add_curve_buttons; }

extern "C" void on_viewcurve_toggled(GtkToggleButton* button, gpointer data) {
  auto* triple = static_cast<curve_id*>(data);
  curve* c = find_curve(proj_by_id(triple->pid), triple->rid, triple->cid);
  if (!c) return;
  if (gtk_toggle_button_get_active(button)) {
    if (!c->window) c->window = create_curve(triple);
    if (c->window) gtk_widget_show_all(static_cast<GtkWidget*>(c->window));
  } else if (c->window) {
    gtk_widget_hide(static_cast<GtkWidget*>(c->window));
  }
}
