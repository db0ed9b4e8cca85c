// The curve window: construction, the expose handler that redraws the whole plot, hiding
// and redrawing, and the refresh hooks the model calls.
#include "gui/plot/curve_window.h"

#include <cairo.h>

#include "project/allocextra.h"
#include "project/changes.h"
#include "gui/plot/curve_window_private.h"
#include "gui/edit/curve_editor.h"
#include "plot/render.h"
#include "project/hooks.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/step_hooks.h"
#include "project/toolbox.h"
#include "gui/base/paths.h"
#include "gui/base/placement.h"
#include "gui/base/i18n.h"

namespace {

gboolean to_show(GtkWidget* widget, GdkEventExpose*, gpointer triple) {
  show_curve(widget, static_cast<const curve_id*>(triple));
  return TRUE;
}

gboolean to_hide_curve(GtkWidget* widget, GdkEvent*, gpointer triple) {
  hide_curve(widget, static_cast<const curve_id*>(triple));
  return TRUE;  // the window stays, hidden
}

void on_window_destroy(GtkWidget*, gpointer triple) {
  release_zoom_snapshot(static_cast<const curve_id*>(triple));
}

void on_curve_menu_select(GtkMenuItem*, gpointer bands) {
  refresh_uncertainties_item(GTK_WIDGET(bands),
                             static_cast<const curve_id*>(g_object_get_data(G_OBJECT(bands), "amoq-triple")));
}

GtkWidget* submenu_of(GtkWidget* bar, const char* mnemonic) {
  GtkWidget* top = gtk_menu_item_new_with_mnemonic(mnemonic);
  GtkWidget* menu = gtk_menu_new();
  gtk_menu_item_set_submenu(GTK_MENU_ITEM(top), menu);
  gtk_menu_shell_append(GTK_MENU_SHELL(bar), top);
  return menu;
}

}  // namespace

void on_curve_close_activate(GtkMenuItem* item, gpointer triple) {
  hide_curve(GTK_WIDGET(item), static_cast<const curve_id*>(triple));
}
void on_curve_save_data_activate(GtkMenuItem* item, gpointer triple) {
  write_curve(GTK_WIDGET(item), static_cast<const curve_id*>(triple));
}
void on_curve_export_image_activate(GtkMenuItem* item, gpointer triple) {
  save_image(GTK_WIDGET(item), static_cast<const curve_id*>(triple));
}
void on_curve_edit_activate(GtkMenuItem* item, gpointer triple) {
  edit_curve(GTK_WIDGET(item), static_cast<const curve_id*>(triple));
}

GtkWidget* image_menu_item(const char* mnemonic, const char* stock, const std::string& file) {
  GtkWidget* item = gtk_image_menu_item_new_with_mnemonic(mnemonic);
  GtkWidget* image = stock ? gtk_image_new_from_stock(stock, GTK_ICON_SIZE_MENU)
                           : gtk_image_new_from_file(file.c_str());
  gtk_image_menu_item_set_image(GTK_IMAGE_MENU_ITEM(item), image);
  return item;
}

std::string curve_window_title(int p, int rid, int cid) {
  const curve* c = find_curve(p, rid, cid);
  if (!c) return {};
  return format("%s - %s%s", display_name(p).c_str(), c->name.c_str(), out_of_date_mark(p, rid));
}

void retitle_curve_windows(int p) {
  if (!valid_project(p)) return;
  for (int rid = 0; rid < ncalc; ++rid)
    for (int cid = 0; cid < static_cast<int>(proj[p].curves[rid].size()); ++cid)
      if (GtkWidget* w = static_cast<GtkWidget*>(proj[p].curves[rid][cid]->window))
        gtk_window_set_title(GTK_WINDOW(w), curve_window_title(p, rid, cid).c_str());
}

void redraw_curve_windows() {
  for (auto& r : proj)
    for (auto& list : r.curves)
      for (auto& c : list)
        if (c->plot) gtk_widget_queue_draw(static_cast<GtkWidget*>(c->plot));
}

GtkWidget* create_cwin(int p, int rid, int cid) {
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), curve_window_title(p, rid, cid).c_str());
  if (GdkPixbuf* icon = program_icon()) gtk_window_set_icon(GTK_WINDOW(window), icon);
  gtk_window_set_resizable(GTK_WINDOW(window), TRUE);
  gtk_window_add_accel_group(GTK_WINDOW(window), gtk_accel_group_new());
  return window;
}

GtkWidget* create_curve(curve_id* triple) {
  int p = proj_by_id(triple->pid);
  curve* c = find_curve(p, triple->rid, triple->cid);
  if (!c) return nullptr;
  activec = triple->cid;
  activer = triple->rid;
  GtkWidget* window = create_cwin(p, triple->rid, triple->cid);
  gtk_window_set_default_size(GTK_WINDOW(window), 840, 677);
  gtk_window_resize(GTK_WINDOW(window), c->wsize[0] > 0 ? c->wsize[0] : 840,
                    (c->wsize[1] > 0 ? c->wsize[1] : 600) + curve_window_bar);

  GtkWidget* vbox = gtk_vbox_new(FALSE, 0);
  gtk_container_add(GTK_CONTAINER(window), vbox);
  GtkWidget* hbox = gtk_hbox_new(FALSE, 0);
  gtk_box_pack_start(GTK_BOX(vbox), hbox, FALSE, FALSE, 0);
  GtkWidget* bar = gtk_menu_bar_new();
  gtk_box_pack_start(GTK_BOX(hbox), bar, TRUE, TRUE, 0);
  GtkWidget* label = gtk_label_new(" ");
  gtk_misc_set_alignment(GTK_MISC(label), 1.0, 0.5);
  // A fixed width, so that no read-out or hint makes the window wider than asked.
  gtk_label_set_width_chars(GTK_LABEL(label), 32);
  gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
  gtk_box_pack_start(GTK_BOX(hbox), label, FALSE, FALSE, 0);

  GtkWidget* data_menu = submenu_of(bar, _("_Data"));
  GtkWidget* item = image_menu_item(_("_Save data"), GTK_STOCK_SAVE_AS);
  g_signal_connect(item, "activate", G_CALLBACK(on_curve_save_data_activate), triple);
  gtk_menu_shell_append(GTK_MENU_SHELL(data_menu), item);
  GtkWidget* separator = gtk_separator_menu_item_new();
  gtk_widget_set_sensitive(separator, FALSE);
  gtk_menu_shell_append(GTK_MENU_SHELL(data_menu), separator);
  item = image_menu_item(_("_Close"), GTK_STOCK_CLOSE);
  g_signal_connect(item, "activate", G_CALLBACK(on_curve_close_activate), triple);
  gtk_menu_shell_append(GTK_MENU_SHELL(data_menu), item);

  GtkWidget* curve_menu = submenu_of(bar, _("_Curve"));
  item = image_menu_item(_("E_dit curve"), nullptr, PACKAGE_EDIT);
  g_signal_connect(item, "activate", G_CALLBACK(on_curve_edit_activate), triple);
  gtk_menu_shell_append(GTK_MENU_SHELL(curve_menu), item);
  item = image_menu_item(_("_Export image"), nullptr, PACKAGE_PNG);
  g_signal_connect(item, "activate", G_CALLBACK(on_curve_export_image_activate), triple);
  gtk_menu_shell_append(GTK_MENU_SHELL(curve_menu), item);
  // The bands' toggle follows the points the plot holds each time the menu opens.
  GtkWidget* bands = uncertainties_item(triple);
  gtk_widget_set_no_show_all(bands, TRUE);
  gtk_menu_shell_append(GTK_MENU_SHELL(curve_menu), bands);
  g_signal_connect(gtk_menu_get_attach_widget(GTK_MENU(curve_menu)), "select",
                   G_CALLBACK(on_curve_menu_select), bands);

  GtkWidget* events = gtk_event_box_new();
  gtk_widget_add_events(events, GDK_POINTER_MOTION_MASK | GDK_BUTTON_PRESS_MASK |
                                    GDK_BUTTON_RELEASE_MASK | GDK_SCROLL_MASK | GDK_KEY_PRESS_MASK);
  GTK_WIDGET_SET_FLAGS(events, GTK_CAN_FOCUS);  // "popup-menu" needs the focus
  gtk_box_pack_start(GTK_BOX(vbox), events, TRUE, TRUE, 0);
  GtkWidget* plot = gtk_drawing_area_new();
  gtk_widget_set_double_buffered(plot, TRUE);
  gtk_container_add(GTK_CONTAINER(events), plot);

  c->window = window;
  c->plot = plot;
  c->coord_label = label;
  allocextra(0, p, triple->rid, triple->cid);
  c->zoom_state.ids = triple;

  g_signal_connect(plot, "expose_event", G_CALLBACK(to_show), triple);
  g_signal_connect(window, "delete_event", G_CALLBACK(to_hide_curve), triple);
  g_signal_connect(window, "destroy", G_CALLBACK(on_window_destroy), triple);
  g_signal_connect(events, "motion_notify_event", G_CALLBACK(on_motion_notify_event),
                   &c->zoom_state);
  g_signal_connect(events, "button_press_event", G_CALLBACK(on_button_event), &c->zoom_state);
  g_signal_connect(events, "button_release_event", G_CALLBACK(on_button_event),
                   &c->zoom_state);
  g_signal_connect(events, "popup-menu", G_CALLBACK(view_cpopup), &c->zoom_state);
  g_signal_connect(events, "scroll-event", G_CALLBACK(on_scroll_event), &c->zoom_state);
  g_signal_connect(window, "key-press-event", G_CALLBACK(on_curve_key_press), &c->zoom_state);
  place_curve_window(window);
  return window;
}

void plot_size(const curve& c, int& w, int& h) {
  GtkWidget* plot = static_cast<GtkWidget*>(c.plot);
  w = c.wsize[0];
  h = c.wsize[1];
  if (plot && GTK_WIDGET_REALIZED(plot)) {
    w = plot->allocation.width;
    h = plot->allocation.height;
  }
}

void show_curve(GtkWidget* widget, const curve_id* triple) {
  int p = proj_by_id(triple->pid);
  curve* c = find_curve(p, triple->rid, triple->cid);
  if (!c) return;
  activec = triple->cid;
  activer = triple->rid;
  allocextra(0, p, triple->rid, triple->cid);
  int target = c->draw_target;
  c->draw_target = 0;
  if (target >= 1 && target <= 3) {
    const image_export_state& s = image_export();
    // PDF pages have no transparency option: always opaque.
    last_export_ok = export_curve_image(target, s.img_file.c_str(), s.resol[0], s.resol[1],
                                        target == 2 ? 1.0 : s.alpha, p, triple->rid,
                                        triple->cid);
    return;
  }
  if (!widget || !widget->window) return;
  GtkWidget* top = gtk_widget_get_toplevel(widget);
  if (top && GTK_WIDGET_TOPLEVEL(top)) {
    c->wsize[0] = top->allocation.width;
    c->wsize[1] = top->allocation.height - curve_window_bar;
  }
  // The plot fills the drawing area as it really is, so the picture, the read-out and
  // the zoom share one geometry whatever height the menu bar takes.
  int w = widget->allocation.width, h = widget->allocation.height;
  cairo_t* cr = gdk_cairo_create(widget->window);
  render_curve(cr, w, h, 1.0, p, triple->rid, triple->cid);
  cairo_destroy(cr);
}

void hide_curve(GtkWidget*, const curve_id* triple) {
  int p = proj_by_id(triple->pid);
  curve* c = find_curve(p, triple->rid, triple->cid);
  if (!c) return;
  if (c->view_button) gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(c->view_button), FALSE);
  if (c->window) gtk_widget_hide(static_cast<GtkWidget*>(c->window));
}

void update_curve(int p, int rid, int cid) {
  curve* c = find_curve(p, rid, cid);
  if (c && c->plot) gtk_widget_queue_draw(static_cast<GtkWidget*>(c->plot));
}

void hide_curves(int p, int rid) {
  if (!valid_project(p) || rid < 0 || rid >= ncalc) return;
  for (auto& c : proj[p].curves[rid]) {
    if (!c) continue;
    if (c->view_button) {
      gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(c->view_button), FALSE);
      gtk_widget_set_sensitive(static_cast<GtkWidget*>(c->view_button), FALSE);
    }
    if (c->window && GTK_WIDGET_VISIBLE(static_cast<GtkWidget*>(c->window)))
      gtk_widget_hide(static_cast<GtkWidget*>(c->window));
  }
}

namespace {

void destroy_window_of(curve& c) {
  if (c.window) gtk_widget_destroy(static_cast<GtkWidget*>(c.window));
  c.window = nullptr;
  c.plot = nullptr;
  c.coord_label = nullptr;
}

}  // namespace

void destroy_curve_windows(int p) {
  if (!valid_project(p)) return;
  for (auto& list : proj[p].curves)
    for (auto& c : list)
      if (c) destroy_window_of(*c);
}

void install_curve_window_hooks() {
  hooks().destroy_curve_window = destroy_window_of;
  hooks().view_button_state = [](curve& c, int active, int sensitive) {
    if (!c.view_button) return;
    GtkWidget* button = static_cast<GtkWidget*>(c.view_button);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(button), active);
    gtk_widget_set_sensitive(button, sensitive);
  };
  hooks().redraw_curve = [](curve& c) {
    if (c.plot) gtk_widget_queue_draw(static_cast<GtkWidget*>(c.plot));
  };
  hooks().window_size = [](const curve& c, int& width, int& height) {
    if (!c.window) return;
    gtk_window_get_size(GTK_WINDOW(c.window), &width, &height);
  };
  shooks().hide_curves = hide_curves;
}
