// Context menu of the curve window and its data-set menus: curves of every open project
// that can be drawn over the curve, grouped by project and calculation.
#include <memory>
#include <vector>

#include "project/changes.h"
#include "project/allocextra.h"
#include "gui/plot/curve_window.h"
#include "gui/plot/curve_window_private.h"
#include "gui/edit/curve_editor.h"
#include "project/curve_edit.h"
#include "project/project.h"
#include "project/toolbox.h"
#include "plot/plot_input.h"
#include "gui/base/paths.h"
#include "gui/base/i18n.h"

namespace {

// Callback data of a data-set menu item: the host curve and the slot. The host travels
// with the item, so a redraw of another window between popup and click (which moves
// activer/activec) cannot redirect the choice to another curve.
struct set_ref {
  int p, rid, cid, slot;
};

bool slot_has_points(const curve& host, int k) {
  const auto& s = host.extrasets[k];
  const curve* c = find_curve(s[1], s[2], s[3]);
  return c && curve_points(*c) > 0;
}

bool is_host(int p, int rid, int cid, const curve& host, int k) {
  const auto& s = host.extrasets[k];
  return s[1] == p && s[2] == rid && s[3] == cid;
}

// Mode 0 remove: drawn slots; 1 add: undrawn slots; 2 edit data: the host and the drawn
// slots. Slots whose curve has no points are never offered, nor the host for 0 and 1.
bool eligible(int p, int rid, int cid, const curve& host, int k, int mode) {
  bool self = is_host(p, rid, cid, host, k);
  bool drawn = host.extrasets[k][0] != 0;
  if (mode == 2) return self || (drawn && slot_has_points(host, k));
  if (self || !slot_has_points(host, k)) return false;
  return mode == 1 ? !drawn : drawn;
}

int slot_count(const curve& c) {
  return std::min<int>(c.extras, static_cast<int>(c.extrasets.size()));
}

void on_set_activate(GtkMenuItem*, gpointer data) {
  const set_ref* r = static_cast<const set_ref*>(data);
  action_set_to_plot(r->p, r->rid, r->cid, r->slot);
}

// "_Edit data": the table editor of the curve in the slot (the host's own slot included).
void on_edit_set_activate(GtkMenuItem*, gpointer data) {
  const set_ref* r = static_cast<const set_ref*>(data);
  const curve* host = find_curve(r->p, r->rid, r->cid);
  if (!host || r->slot >= slot_count(*host)) return;
  const auto& s = host->extrasets[r->slot];
  if (valid_project(s[1])) edit_data(proj[s[1]].id, s[2], s[3]);
}

void on_autoscale_activate(GtkMenuItem* item, gpointer triple) {
  autoscale(GTK_WIDGET(item), static_cast<const curve_id*>(triple));
}

GtkWidget* labelled_submenu(GtkWidget* parent, const char* text) {
  GtkWidget* item = gtk_menu_item_new_with_label(text);
  GtkWidget* menu = gtk_menu_new();
  gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), menu);
  gtk_menu_shell_append(GTK_MENU_SHELL(parent), item);
  return menu;
}

void append(GtkWidget* menu, GtkWidget* item) {
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
}

gboolean destroy_later(gpointer menu) {
  gtk_widget_destroy(GTK_WIDGET(menu));
  return FALSE;
}

// The menu goes once it is closed; after the activated item has run, hence the idle.
void on_menu_deactivate(GtkMenuShell* menu, gpointer) { g_idle_add(destroy_later, menu); }

}  // namespace

int eligible_sets(int p, int rid, int cid, int mode) {
  const curve* host = find_curve(p, rid, cid);
  if (!host) return 0;
  int n = 0;
  for (int k = 0; k < slot_count(*host); ++k) n += eligible(p, rid, cid, *host, k, mode);
  return n;
}

GtkWidget* create_setmenu(int p, int rid, int cid, int mode, int) {
  GtkWidget* menu = gtk_menu_new();
  const curve* host = find_curve(p, rid, cid);
  if (!host) return menu;
  // Submenus per project position and, inside, per calculation, made on first use.
  struct level {
    int q, r;
    GtkWidget* menu;
  };
  std::vector<level> projects, calcs;
  auto find_level = [](std::vector<level>& list, int q, int r) -> GtkWidget* {
    for (const auto& l : list)
      if (l.q == q && l.r == r) return l.menu;
    return nullptr;
  };
  for (int k = 0; k < slot_count(*host); ++k) {
    if (!eligible(p, rid, cid, *host, k, mode)) continue;
    int q = host->extrasets[k][1], r = host->extrasets[k][2], cc = host->extrasets[k][3];
    const curve* set = find_curve(q, r, cc);
    if (!set || r < 0 || r >= ncalc) continue;
    GtkWidget* pm = find_level(projects, q, -1);
    if (!pm) {
      pm = labelled_submenu(menu, proj[q].name.c_str());
      projects.push_back({q, -1, pm});
    }
    GtkWidget* cm = find_level(calcs, q, r);
    if (!cm) {
      cm = labelled_submenu(pm, _(calcname[r]));
      calcs.push_back({q, r, cm});
    }
    GtkWidget* item = gtk_menu_item_new_with_label(set->name.c_str());
    auto* ref = new set_ref{p, rid, cid, k};
    g_object_set_data_full(G_OBJECT(item), "amoq-set", ref,
                           [](gpointer d) { delete static_cast<set_ref*>(d); });
    g_signal_connect(item, "activate",
                     mode == 2 ? G_CALLBACK(on_edit_set_activate) : G_CALLBACK(on_set_activate), ref);
    append(cm, item);
  }
  gtk_widget_show_all(menu);
  return menu;
}

void action_set_to_plot(int p, int rid, int cid, int slot) {
  curve* c = find_curve(p, rid, cid);
  if (!c || !flip_extra_set(*c, slot)) return;
  mark_project_changed(p);
  update_curve(p, rid, cid);
}

void show_uncertainties(const curve_id* triple, bool on) {
  int p = proj_by_id(triple->pid);
  curve* c = find_curve(p, triple->rid, triple->cid);
  if (!c || c->show_sigma == (on ? 1 : 0)) return;
  c->show_sigma = on ? 1 : 0;
  update_curve(p, triple->rid, triple->cid);
}

void on_show_uncertainties_toggled(GtkCheckMenuItem* item, gpointer triple) {
  show_uncertainties(static_cast<const curve_id*>(triple), gtk_check_menu_item_get_active(item));
}

GtkWidget* uncertainties_item(const curve_id* triple) {
  GtkWidget* item = gtk_check_menu_item_new_with_mnemonic(_("Show _uncertainties"));
  g_object_set_data(G_OBJECT(item), "amoq-triple", const_cast<curve_id*>(triple));
  refresh_uncertainties_item(item, triple);
  g_signal_connect(item, "toggled", G_CALLBACK(on_show_uncertainties_toggled), const_cast<curve_id*>(triple));
  return item;
}

void refresh_uncertainties_item(GtkWidget* item, const curve_id* triple) {
  int p = proj_by_id(triple->pid);
  const curve* c = find_curve(p, triple->rid, triple->cid);
  // Shown only while a drawn set carries deviations: without them the menu is as before.
  if (!c || !plot_carries_sigma(p, triple->rid, triple->cid)) {
    gtk_widget_hide(item);
    return;
  }
  g_signal_handlers_block_matched(item, G_SIGNAL_MATCH_FUNC, 0, 0, nullptr,
                                  reinterpret_cast<gpointer>(on_show_uncertainties_toggled), nullptr);
  gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(item), c->show_sigma != 0);
  g_signal_handlers_unblock_matched(item, G_SIGNAL_MATCH_FUNC, 0, 0, nullptr,
                                    reinterpret_cast<gpointer>(on_show_uncertainties_toggled), nullptr);
  gtk_widget_show(item);
}

void autoscale(GtkWidget*, const curve_id* triple) {
  int p = proj_by_id(triple->pid);
  curve* c = find_curve(p, triple->rid, triple->cid);
  if (!c) return;
  c->autoscale[0] = c->autoscale[1] = 1;
  mark_project_changed(p);
  update_curve(p, triple->rid, triple->cid);
}

GtkWidget* build_cpopmenu(const curve_id* triple) {
  int p = proj_by_id(triple->pid);
  int rid = triple->rid, cid = triple->cid;
  curve* c = find_curve(p, rid, cid);
  if (!c) return nullptr;
  activec = cid;
  activer = rid;
  allocextra(0, p, rid, cid);
  gpointer data = const_cast<curve_id*>(triple);
  GtkWidget* menu = gtk_menu_new();

  GtkWidget* item = image_menu_item(_("Save _data"), GTK_STOCK_SAVE_AS);
  g_signal_connect(item, "activate", G_CALLBACK(on_curve_save_data_activate), data);
  append(menu, item);
  item = image_menu_item(_("_Export image"), nullptr, PACKAGE_PNG);
  g_signal_connect(item, "activate", G_CALLBACK(on_curve_export_image_activate), data);
  append(menu, item);
  append(menu, gtk_separator_menu_item_new());

  item = image_menu_item(_("E_dit curve"), nullptr, PACKAGE_EDIT);
  g_signal_connect(item, "activate", G_CALLBACK(on_curve_edit_activate), data);
  append(menu, item);
  item = image_menu_item(_("_Edit data"), GTK_STOCK_EDIT);
  gtk_menu_item_set_submenu(GTK_MENU_ITEM(item),
                            create_setmenu(p, rid, cid, 2, c->extras_shown + 1));
  gtk_widget_set_sensitive(item, eligible_sets(p, rid, cid, 2) > 0);
  append(menu, item);
  append(menu, gtk_separator_menu_item_new());

  int addable = eligible_sets(p, rid, cid, 1);
  item = image_menu_item(_("_Add data set"), GTK_STOCK_ADD);
  gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), create_setmenu(p, rid, cid, 1, addable));
  gtk_widget_set_sensitive(item, addable > 0);
  append(menu, item);
  item = image_menu_item(_("_Remove data set"), GTK_STOCK_REMOVE);
  gtk_menu_item_set_submenu(GTK_MENU_ITEM(item),
                            create_setmenu(p, rid, cid, 0, c->extras_shown));
  gtk_widget_set_sensitive(item, c->extras_shown > 0);
  append(menu, item);
  append(menu, gtk_separator_menu_item_new());

  item = image_menu_item(_("_Autoscale"), GTK_STOCK_HOME);
  g_signal_connect(item, "activate", G_CALLBACK(on_autoscale_activate), data);
  append(menu, item);
  // Offered only while a drawn set carries deviations: without them the menu is as before.
  if (plot_carries_sigma(p, rid, cid)) append(menu, uncertainties_item(triple));
  append(menu, gtk_separator_menu_item_new());
  item = image_menu_item(_("_Close"), GTK_STOCK_CLOSE);
  g_signal_connect(item, "activate", G_CALLBACK(on_curve_close_activate), data);
  append(menu, item);
  gtk_widget_show_all(menu);
  return menu;
}

gboolean cpopmenu(GtkWidget*, GdkEventButton* event, zoom_state_t* zs) {
  if (!zs || !zs->ids) return FALSE;
  GtkWidget* menu = build_cpopmenu(zs->ids);
  if (!menu) return FALSE;
  g_signal_connect(menu, "deactivate", G_CALLBACK(on_menu_deactivate), nullptr);
  gtk_menu_popup(GTK_MENU(menu), nullptr, nullptr, nullptr, nullptr, event ? event->button : 0,
                 event ? event->time : gtk_get_current_event_time());
  return TRUE;
}

gboolean view_cpopup(GtkWidget* widget, zoom_state_t* zs) {
  cpopmenu(widget, nullptr, zs);
  return TRUE;
}
