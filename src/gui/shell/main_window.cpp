#include "gui/shell/main_window.h"

#include <string>

#include "gui/plot/curve_window.h"
#include "gui/project/series_window.h"
#include "gui/project/step_widgets.h"
#include "files/xml_project.h"
#include "project/hooks.h"
#include "project/settings.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/step_hooks.h"
#include "gui/shell/curve_buttons.h"
#include "gui/base/dialogs.h"
#include "gui/base/placement.h"
#include "gui/shell/quit_about.h"
#include "gui/shell/file_actions.h"
#include "gui/base/paths.h"
#include "gui/shell/workspace_tree.h"
#include "gui/base/i18n.h"

int quit_requested = 0;

namespace {

// Main-menu entries that a running calculation makes insensitive.
GtkWidget* kept_items[7]{};

GtkWidget* image_item(const char* label, GtkWidget* image) {
  GtkWidget* item = gtk_image_menu_item_new_with_mnemonic(label);
  if (image) gtk_image_menu_item_set_image(GTK_IMAGE_MENU_ITEM(item), image);
  return item;
}

GtkWidget* stock_image(const char* stock) {
  return gtk_image_new_from_stock(stock, GTK_ICON_SIZE_MENU);
}

GtkWidget* icon_image() {
  GdkPixbuf* icon = program_icon();
  if (!icon) return nullptr;
  GdkPixbuf* small = gdk_pixbuf_scale_simple(icon, 16, 16, GDK_INTERP_BILINEAR);
  GtkWidget* image = gtk_image_new_from_pixbuf(small);
  g_object_unref(small);
  return image;
}

GtkWidget* title_item(const char* text) {
  GtkWidget* item = image_item("", icon_image());
  GtkWidget* label = gtk_bin_get_child(GTK_BIN(item));
  gtk_label_set_text(GTK_LABEL(label), text);
  return item;
}

void append(GtkWidget* menu, GtkWidget* item) { gtk_menu_shell_append(GTK_MENU_SHELL(menu), item); }
void separator(GtkWidget* menu) { append(menu, gtk_separator_menu_item_new()); }

template <typename F>
GtkWidget* action_item(GtkWidget* menu, GtkWidget* item, F* handler, int data) {
  g_signal_connect(item, "activate", G_CALLBACK(handler), GINT_TO_POINTER(data));
  append(menu, item);
  return item;
}

// Handlers of the context-menu entries that act on a project position.
void on_make_active(GtkWidget*, gpointer p) { activate_project(GPOINTER_TO_INT(p)); }
void on_edit_name(GtkWidget*, gpointer p) { change_project_name(GPOINTER_TO_INT(p)); }
void on_close_active(GtkWidget* w, gpointer) { on_close_activate(w, GINT_TO_POINTER(activep)); }
void on_ask_close_workspace(GtkWidget* w, gpointer) { on_close_workspace(w, GINT_TO_POINTER(1)); }
void on_open_settings(GtkAction*, gpointer page) { open_settings(GPOINTER_TO_INT(page)); }

// Menu items of the description follow their actions (label, sensitivity, activation).
void relate_menu_items(GtkAccelGroup* accel) {
  const char* const actions[] = {"ssettings", "esettings", "calcra", "calcsq", "calcbq",
                                 "calcgr", "racheck", "sqcheck", "bqcheck", "grcheck"};
  for (const char* id : actions) {
    GObject* action = gui_object(id);
    if (!action || !GTK_IS_ACTION(action)) continue;
    gtk_action_set_accel_group(GTK_ACTION(action), accel);
    std::string item_id = std::string("m_") + id;
    if (GObject* item = gui_object(item_id.c_str())) {
      gtk_activatable_set_related_action(GTK_ACTIVATABLE(item), GTK_ACTION(action));
      gtk_activatable_set_use_action_appearance(GTK_ACTIVATABLE(item), TRUE);
    }
  }
}

// The status bar's report line: each report replaces the previous one.
void show_status(const std::string& text) {
  GtkWidget* bar = gui_widget("Mainstatusbar");
  if (!bar || !GTK_IS_STATUSBAR(bar)) return;
  guint context = gtk_statusbar_get_context_id(GTK_STATUSBAR(bar), "report");
  gtk_statusbar_pop(GTK_STATUSBAR(bar), context);
  gtk_statusbar_push(GTK_STATUSBAR(bar), context, text.c_str());
}

// A project was edited or saved, or its results went out of date or were recomputed.
void show_project_state(int p) {
  refresh_project_state(p);
  retitle_curve_windows(p);
  if (p == activep) refresh_step_guidance();
}

void set_icon(const char* id) {
  GtkWidget* w = gui_widget(id);
  if (w && GTK_IS_WINDOW(w) && program_icon()) gtk_window_set_icon(GTK_WINDOW(w), program_icon());
}

}  // namespace

GObject* gui_object(const char* id) { return BuilderGtk ? gtk_builder_get_object(BuilderGtk, id) : nullptr; }

GtkWidget* gui_widget(const char* id) {
  GObject* o = gui_object(id);
  return o && GTK_IS_WIDGET(o) ? GTK_WIDGET(o) : nullptr;
}

GtkWidget* projmenu(int store, int p) {
  GtkWidget* menu = gtk_menu_new();
  append(menu, title_item(_("Workspace")));
  separator(menu);
  action_item(menu, image_item(_("_Open workspace"), stock_image(GTK_STOCK_OPEN)), on_open_save_activate, 2);
  action_item(menu, image_item(_("_Save workspace"), stock_image(GTK_STOCK_SAVE)), on_open_save_activate, 3);
  action_item(menu, image_item(_("_Save workspace as"), stock_image(GTK_STOCK_SAVE)), on_save_as_activate, 3);
  action_item(menu, image_item(_("_Close workspace"), stock_image(GTK_STOCK_CLOSE)), on_ask_close_workspace, 1);
  separator(menu);
  GtkWidget* kept[7]{};
  if (p < 0) {
    append(menu, title_item(_("Project(s)")));
    separator(menu);
    kept[0] = action_item(menu, gtk_image_menu_item_new_from_stock(GTK_STOCK_NEW, nullptr), on_new_activate, 0);
    kept[1] = action_item(menu, gtk_image_menu_item_new_from_stock(GTK_STOCK_OPEN, nullptr), on_open_save_activate, 0);
    kept[2] = action_item(menu, gtk_image_menu_item_new_from_stock(GTK_STOCK_SAVE, nullptr), on_open_save_activate, 1);
    kept[3] = action_item(menu, gtk_image_menu_item_new_from_stock(GTK_STOCK_SAVE_AS, nullptr), on_save_as_activate, 1);
    kept[4] = action_item(menu, gtk_image_menu_item_new_from_stock(GTK_STOCK_CLOSE, nullptr), on_close_active, 0);
  } else {
    append(menu, title_item(valid_project(p) ? proj[p].name.c_str() : ""));
    separator(menu);
    if (p != activep)
      action_item(menu, image_item(_("_Make active"), stock_image(GTK_STOCK_YES)), on_make_active, p);
    action_item(menu, image_item(_("_Edit name"), stock_image(GTK_STOCK_EDIT)), on_edit_name, p);
    action_item(menu, gtk_image_menu_item_new_from_stock(GTK_STOCK_SAVE, nullptr), on_open_save_activate, 1);
    action_item(menu, gtk_image_menu_item_new_from_stock(GTK_STOCK_SAVE_AS, nullptr), on_save_as_activate, 1);
    action_item(menu, gtk_image_menu_item_new_from_stock(GTK_STOCK_CLOSE, nullptr), on_close_activate, p);
  }
  separator(menu);
  for (int direction = 0; direction < 2; ++direction) {
    GtkWidget* item = image_item(direction == 0 ? _("_Import") : _("_Export"), stock_image(GTK_STOCK_CONVERT));
    GtkWidget* sub = gtk_menu_new();
    GtkWidget* image = gtk_image_new_from_file(PACKAGE_AMOQ.c_str());
    action_item(sub, image_item(_("AMOQ XML Project File '*.apf'"), image), on_amoq_xml_port, direction);
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), sub);
    append(menu, item);
    kept[5 + direction] = item;
  }
  separator(menu);
  action_item(menu, gtk_image_menu_item_new_from_stock(GTK_STOCK_QUIT, nullptr), show_question, 0);
  if (store == 0)
    for (int i = 0; i < 7; ++i) {
      kept_items[i] = kept[i];
      if (kept[i]) g_signal_connect(kept[i], "destroy", G_CALLBACK(gtk_widget_destroyed), &kept_items[i]);
    }
  gtk_widget_show_all(menu);
  return menu;
}

void set_file_menu_sensitive(bool on) {
  // The four project entries New, Open, Save and Save as.
  for (int i = 0; i < 4; ++i)
    if (kept_items[i]) gtk_widget_set_sensitive(kept_items[i], on);
}

void popup(GtkWidget* menu, GdkEventButton* event) {
  gtk_menu_popup(GTK_MENU(menu), nullptr, nullptr, nullptr, nullptr, event ? event->button : 0,
                 event ? event->time : gtk_get_current_event_time());
}

void assign_widgets() {
  program_icon();
  for (const char* id : {"MainWindow", "ProjectSettings", "Help", "rabox", "sqbox", "bqbox", "grbox"})
    set_icon(id);

  // Main menu: the file menu under "_Experiment & Sample", first in the menu bar.
  GtkWidget* menu = projmenu(0, -1);
  GtkWidget* top = gtk_menu_item_new_with_mnemonic(_("_Experiment & Sample"));
  gtk_menu_item_set_submenu(GTK_MENU_ITEM(top), menu);
  gtk_widget_show(top);
  if (GtkWidget* bar = gui_widget("MainMenuBar")) gtk_menu_shell_prepend(GTK_MENU_SHELL(bar), top);

  GtkAccelGroup* accel = gtk_accel_group_new();
  if (amoq) gtk_window_add_accel_group(GTK_WINDOW(amoq), accel);
  relate_menu_items(accel);
  if (GObject* a = gui_object("ssettings")) g_signal_connect(a, "activate", G_CALLBACK(on_open_settings), GINT_TO_POINTER(0));
  if (GObject* a = gui_object("esettings")) g_signal_connect(a, "activate", G_CALLBACK(on_open_settings), GINT_TO_POINTER(1));

  install_workspace_hooks();
  install_curve_window_hooks();
  install_curve_button_hooks();
  setup_step_widgets(BuilderGtk, amoq);
  hooks().status_message = show_status;
  hooks().project_state_changed = show_project_state;
  // While a step runs the project entries of the main menu are insensitive too.
  auto busy = shooks().busy;
  shooks().busy = [busy](int post, int calc, double opacity, const std::string& text) {
    if (busy) busy(post, calc, opacity, text);
    set_file_menu_sensitive(post == 1);
  };

  // An imported description that says it was applied is applied again; otherwise the
  // settings window opens so that the user can complete it.
  front().xml_import.apply_project = [] { apply_project(); };
  front().xml_import.show_settings = [] { open_settings(0); };

  clean_view();
  create_workspace();
  refresh_settings_pages();
}

void setup_compute() {
  for (const char* id : {"calcra", "calcsq", "calcbq", "calcgr"}) {
    GObject* o = gui_object(id);
    if (o && GTK_IS_ACTION(o)) gtk_action_set_sensitive(GTK_ACTION(o), FALSE);
    else if (o && GTK_IS_WIDGET(o)) gtk_widget_set_sensitive(GTK_WIDGET(o), FALSE);
  }
}

GtkWidget* create_window() {
  BuilderGtk = gtk_builder_new();
  if (!BuilderGtk) {
    show_error(_("Impossible to create a GtkBuilder"), 0);
    quit_gtk();
    return nullptr;
  }
  GError* err = nullptr;
  if (!gtk_builder_add_from_file(BuilderGtk, PACKAGE_XML_FILE.c_str(), &err))
    g_error("%s", err ? err->message : PACKAGE_XML_FILE.c_str());
  amoq = gui_widget("MainWindow");
  assign_widgets();
  return amoq;
}

GtkWidget* start_main_window() {
  GtkWidget* w = create_window();
  if (!w) return nullptr;
  gtk_window_set_title(GTK_WINDOW(w), "AMOQ-GTK+");
  setup_compute();
  gtk_builder_connect_signals(BuilderGtk, nullptr);
  place_main_window(w);
  gtk_widget_show(w);
  return w;
}

void quit_gtk() {
  close_series_window();
  on_close_workspace(nullptr, GINT_TO_POINTER(0));
  quit_requested = 1;
  if (gtk_main_level() > 0) gtk_main_quit();
}
