#include "gui/shell/workspace_tree.h"

#include <algorithm>

#include <string>

#include "project/changes.h"
#include "project/curve.h"
#include "gui/plot/curve_window.h"
#include "gui/project/step_widgets.h"
#include "project/hooks.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/step_hooks.h"
#include "project/toolbox.h"
#include "gui/base/dialogs.h"
#include "gui/shell/info_view.h"
#include "gui/shell/main_window.h"
#include "gui/base/glib_ptr.h"
#include "gui/base/paths.h"
#include "gui/base/i18n.h"

const char* const items[9] = {
    N_("Workspace                "), N_("Settings                 "), N_("Sample description       "),
    N_("Experiment description   "), N_("Calculations             "), N_("Data correction          "),
    N_("S(q)                     "), N_("S(q) - bending correction"), N_("g(r)/G(r)                ")};

namespace {

enum { col_icon = 0, col_text = 1, col_unused = 2 };

glib_object<GtkTreeStore> owned_store;
GtkTreeStore* store = nullptr;  // owned_store.get()
GtkWidget* tree = nullptr;
GtkWidget* main_event = nullptr;  // event box of the main view
bool logo_shown = true;
// The highlighted sub-row and its plain label.
row_reference_ptr highlighted;
std::string highlighted_label;

GdkPixbuf* icon_pro = nullptr;
GdkPixbuf* icon_set = nullptr;
GdkPixbuf* icon_run = nullptr;
GdkPixbuf* icon_sq = nullptr;
GdkPixbuf* icon_gr = nullptr;

GdkPixbuf* scaled(const std::string& path, int size) {
  glib_object<GdkPixbuf> p(load_pixbuf(path));
  if (!p) return nullptr;
  return gdk_pixbuf_scale_simple(p.get(), size, size, GDK_INTERP_BILINEAR);
}

void load_icons() {
  if (icon_pro || icon_set) return;
  icon_pro = scaled(PACKAGE_PRO, 16);
  icon_set = scaled(PACKAGE_SET, 16);
  icon_run = scaled(PACKAGE_RUN, 16);
  icon_sq = scaled(PACKAGE_SQ, 16);
  icon_gr = scaled(PACKAGE_GR, 16);
}

GdkPixbuf* small_program_icon() {
  static GdkPixbuf* icon = nullptr;
  if (!icon && program_icon()) icon = gdk_pixbuf_scale_simple(program_icon(), 16, 16, GDK_INTERP_BILINEAR);
  return icon;
}

std::string escaped(const std::string& s) { return text_of(glib_string(g_markup_escape_text(s.c_str(), -1))); }

std::string project_markup(int p) {
  std::string name = escaped(shown_name(p));
  return p == activep ? "<b>" + name + "</b>" : name;
}

// The markup of a row's label.
std::string row_text(GtkTreeIter* it) {
  gchar* label = nullptr;
  gtk_tree_model_get(GTK_TREE_MODEL(store), it, col_text, &label, -1);
  return text_of(glib_string(label));
}

void set_row(GtkTreeIter* it, GdkPixbuf* icon, const std::string& markup) {
  gtk_tree_store_set(store, it, col_icon, icon, col_text, markup.c_str(), col_unused, 0, -1);
}

void append_branch(int p) {
  GtkTreeIter root, prow, settings, calcs, child;
  if (!gtk_tree_model_get_iter_first(GTK_TREE_MODEL(store), &root)) return;
  gtk_tree_store_append(store, &prow, &root);
  set_row(&prow, small_program_icon(), project_markup(p));
  gtk_tree_store_append(store, &settings, &prow);
  set_row(&settings, icon_pro, _(items[1]));
  for (int i = 2; i <= 3; ++i) {
    gtk_tree_store_append(store, &child, &settings);
    set_row(&child, icon_set, _(items[i]));
  }
  gtk_tree_store_append(store, &calcs, &prow);
  set_row(&calcs, icon_run, _(items[4]));
  for (int calc = 0; calc < ncalc; ++calc) {
    gtk_tree_store_append(store, &child, &calcs);
    set_row(&child, calc == 3 ? icon_gr : icon_sq, _(items[5 + calc]));
  }
}

bool project_iter(int p, GtkTreeIter* it) {
  GtkTreeIter root;
  if (!store || !gtk_tree_model_get_iter_first(GTK_TREE_MODEL(store), &root)) return false;
  return gtk_tree_model_iter_nth_child(GTK_TREE_MODEL(store), it, &root, p);
}

void refresh_project_row(int p) {
  GtkTreeIter it;
  if (valid_project(p) && project_iter(p, &it)) set_row(&it, small_program_icon(), project_markup(p));
}

void forget_highlight() {
  highlighted.reset();
  highlighted_label.clear();
}

void set_tree_sensitive() {
  if (tree) gtk_widget_set_sensitive(tree, nprojects > 0);
}

// The tree's pane widens to the longest row (a project named with its file, a French
// label), up to half of the main window.
void fit_tree_pane() {
  GtkWidget* paned = gui_widget("MainPaned");
  if (!tree || !paned || !GTK_IS_PANED(paned) || !amoq) return;
  GtkRequisition req;
  gtk_widget_size_request(tree, &req);
  int width = 0, height = 0;
  gtk_window_get_size(GTK_WINDOW(amoq), &width, &height);
  const int wanted = std::min(req.width + 24, width / 2);  // the scroll bar beside the rows
  if (wanted > gtk_paned_get_position(GTK_PANED(paned))) gtk_paned_set_position(GTK_PANED(paned), wanted);
}

int project_of_path(GtkTreePath* path) {
  int depth = gtk_tree_path_get_depth(path);
  if (depth < 2) return activep;
  return gtk_tree_path_get_indices(path)[1];
}

gboolean on_tree_button_press(GtkWidget* widget, GdkEventButton* event, gpointer) {
  if (event->type != GDK_BUTTON_PRESS || event->button != 3) return FALSE;
  GtkTreePath* at = nullptr;
  int p = activep;
  if (gtk_tree_view_get_path_at_pos(GTK_TREE_VIEW(widget), static_cast<gint>(event->x),
                                    static_cast<gint>(event->y), &at, nullptr, nullptr, nullptr)) {
    tree_path_ptr path(at);
    p = gtk_tree_path_get_depth(path.get()) < 2 ? -1 : project_of_path(path.get());
  }
  popup(projmenu(1, p), event);
  return TRUE;
}

gboolean on_view_button(GtkWidget*, GdkEventButton* event, gpointer) {
  if (event->type != GDK_BUTTON_PRESS || event->button != 3) return FALSE;
  popup(projmenu(1, -1), event);
  return TRUE;
}

gboolean on_view_popup_menu(GtkWidget*, gpointer) {
  popup(projmenu(1, -1), nullptr);
  return TRUE;
}

GtkWidget* main_view() { return gui_widget("MainView"); }

// The record of project p loses its view when the main view is rebuilt.
void forget_views() {
  for (auto& r : proj) r.view = nullptr;
}

}  // namespace

GtkTreeView* workspace_view() { return tree ? GTK_TREE_VIEW(tree) : nullptr; }

void create_workspace() {
  load_icons();
  GtkWidget* container = gui_widget("workspace");
  if (tree) {
    gtk_widget_destroy(tree);
    tree = nullptr;
  }
  owned_store.reset(gtk_tree_store_new(3, GDK_TYPE_PIXBUF, G_TYPE_STRING, G_TYPE_INT));
  store = owned_store.get();
  GtkTreeIter root;
  gtk_tree_store_append(store, &root, nullptr);
  set_row(&root, small_program_icon(), _(items[0]));
  for (int p = 0; p < nprojects; ++p) append_branch(p);

  tree = gtk_tree_view_new_with_model(GTK_TREE_MODEL(store));
  GtkTreeViewColumn* column = gtk_tree_view_column_new();
  GtkCellRenderer* icon = gtk_cell_renderer_pixbuf_new();
  gtk_tree_view_column_pack_start(column, icon, FALSE);
  gtk_tree_view_column_add_attribute(column, icon, "pixbuf", col_icon);
  GtkCellRenderer* text = gtk_cell_renderer_text_new();
  gtk_tree_view_column_pack_start(column, text, TRUE);
  gtk_tree_view_column_add_attribute(column, text, "markup", col_text);
  gtk_tree_view_append_column(GTK_TREE_VIEW(tree), column);
  gtk_tree_view_set_headers_visible(GTK_TREE_VIEW(tree), FALSE);
  gtk_tree_selection_set_mode(gtk_tree_view_get_selection(GTK_TREE_VIEW(tree)), GTK_SELECTION_SINGLE);
  g_signal_connect(tree, "destroy", G_CALLBACK(gtk_widget_destroyed), &tree);
  g_signal_connect(tree, "row-activated", G_CALLBACK(on_workspace_row_activated), nullptr);
  g_signal_connect(tree, "button-press-event", G_CALLBACK(on_tree_button_press), nullptr);
  gtk_tree_view_expand_all(GTK_TREE_VIEW(tree));
  if (container) gtk_container_add(GTK_CONTAINER(container), tree);
  forget_highlight();
  gtk_widget_show(tree);
  set_tree_sensitive();
}

void add_project_to_workspace() {
  if (!tree || nprojects <= 1 || !valid_project(activep)) {
    create_workspace();
  } else {
    // Positions above the new branch keep their rows; the active one is the last.
    for (int p = 0; p < nprojects; ++p) refresh_project_row(p);
    GtkTreeIter root;
    int rows = 0;
    if (gtk_tree_model_get_iter_first(GTK_TREE_MODEL(store), &root))
      rows = gtk_tree_model_iter_n_children(GTK_TREE_MODEL(store), &root);
    for (int p = rows; p < nprojects; ++p) append_branch(p);
    gtk_tree_view_expand_all(GTK_TREE_VIEW(tree));
  }
  set_tree_sensitive();
  fit_tree_pane();
}

void remove_project_from_workspace(int p) {
  GtkTreeIter it;
  if (project_iter(p, &it)) {
    if (highlighted) {
      tree_path_ptr hp(gtk_tree_row_reference_get_path(highlighted.get()));
      if (!hp || (gtk_tree_path_get_depth(hp.get()) >= 2 && gtk_tree_path_get_indices(hp.get())[1] == p))
        forget_highlight();
    }
    gtk_tree_store_remove(store, &it);
  }
  if (tree && nprojects <= 1) gtk_widget_set_sensitive(tree, FALSE);
}

void activate_project(int p) {
  if (!valid_project(p)) return;
  active_project_changed(p);
}

void change_project_name(int p) {
  if (!valid_project(p)) return;
  std::optional<std::string> name = cask(proj[p].name);
  if (!name) return;
  proj[p].name = *name;
  refresh_project_row(p);
  mark_project_changed(p);
}

void refresh_project_state(int p) {
  refresh_project_row(p);
  fit_tree_pane();
  if (p == activep && amoq) {
    std::string title = format("AMOQ-Gtk - %s", shown_name(activep).c_str());
    gtk_window_set_title(GTK_WINDOW(amoq), title.c_str());
  }
}

int update_project() {
  refresh_settings_pages();
  // Exactly the active project's row is bold.
  for (int q = 0; q < nprojects; ++q) refresh_project_row(q);
  if (!valid_project(activep)) return 1;
  refresh_step_widgets();
  refresh_project_state(activep);
  return 1;
}

void hide_current_project(int p) {
  if (!valid_project(p)) return;
  hide_step_widgets(p);
  if (proj[p].view) clean_view();
}

void clean_view() {
  GtkWidget* view = main_view();
  if (main_event) gtk_widget_destroy(main_event);
  forget_views();
  main_event = gtk_event_box_new();
  GtkWidget* logo = gtk_image_new_from_file(PACKAGE_LOGO.c_str());
  gtk_container_add(GTK_CONTAINER(main_event), logo);
  gtk_widget_set_can_focus(main_event, TRUE);
  g_signal_connect(main_event, "button_press_event", G_CALLBACK(on_view_button), nullptr);
  g_signal_connect(main_event, "button_release_event", G_CALLBACK(on_view_button), nullptr);
  g_signal_connect(main_event, "popup-menu", G_CALLBACK(on_view_popup_menu), nullptr);
  g_signal_connect(main_event, "destroy", G_CALLBACK(gtk_widget_destroyed), &main_event);
  if (view) gtk_box_pack_start(GTK_BOX(view), main_event, TRUE, TRUE, 0);
  gtk_widget_show_all(main_event);
  logo_shown = true;
}

void add_view(int p) {
  if (!valid_project(p)) return;
  if (!main_event) clean_view();
  if (GtkWidget* child = gtk_bin_get_child(GTK_BIN(main_event))) gtk_widget_destroy(child);
  forget_views();
  GtkObject* h = gtk_adjustment_new(0, 0, 100, 1, 10, 10);
  GtkObject* v = gtk_adjustment_new(0, 0, 100, 1, 10, 10);
  GtkWidget* scrolled = gtk_scrolled_window_new(GTK_ADJUSTMENT(h), GTK_ADJUSTMENT(v));
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC, GTK_POLICY_AUTOMATIC);
  GtkWidget* text = gtk_text_view_new();
  gtk_text_view_set_editable(GTK_TEXT_VIEW(text), FALSE);
  gtk_container_add(GTK_CONTAINER(scrolled), text);
  gtk_container_add(GTK_CONTAINER(main_event), scrolled);
  gtk_widget_show_all(scrolled);
  proj[p].view = text;
  logo_shown = false;
}

bool main_view_shows_logo() { return logo_shown; }

void close_project(int p) {
  if (!valid_project(p)) return;
  if (nprojects > 1 && p == activep) activate_project(p == nprojects - 1 ? 0 : nprojects - 1);
  hide_current_project(p);
  remove_project_from_workspace(p);
  project& r = proj[p];
  if (r.run) {
    for (int calc = 0; calc < ncalc; ++calc) {
      if (shooks().hide_curves) shooks().hide_curves(p, calc);
      erase_curves(p, calc);
    }
  }
  // The record goes: so do the windows of its curves and its widgets.
  for (auto& list : r.curves)
    for (auto& c : list)
      if (c && c->window) {
        if (hooks().destroy_curve_window) hooks().destroy_curve_window(*c);
        c->window = nullptr;
        c->plot = nullptr;
      }
  release_step_widgets(p);
  if (nprojects == 1) {
    for (int calc = 0; calc < ncalc; ++calc) {
      r.visok[calc] = 0;
      r.dialok[calc] = 0;
    }
    if (shooks().step_actions) shooks().step_actions();
    turndialog();
    close_project_record(p);
    activep = -1;
    inactep = -1;
    clean_view();
    refresh_settings_pages();
    setup_compute();
    if (amoq) gtk_window_set_title(GTK_WINDOW(amoq), "AMOQ-Gtk");
    newspace = 1;
    set_tree_sensitive();
    return;
  }
  if (r.view) clean_view();
  close_project_record(p);
  // Rows of the projects behind p moved up one position; their labels stay right.
  active_project_changed(nprojects - 1);
  // Data sets of the closed project leave every window that showed them, at once.
  redraw_curve_windows();
}

void on_workspace_row_activated(GtkTreeView*, GtkTreePath* path, GtkTreeViewColumn*, gpointer) {
  int depth = gtk_tree_path_get_depth(path);
  if (depth == 2) {
    int p = gtk_tree_path_get_indices(path)[1];
    if (p != activep) activate_project(p);
    return;
  }
  GtkTreeIter it;
  if (!gtk_tree_model_get_iter(GTK_TREE_MODEL(store), &it, path)) return;
  if (highlighted) {
    tree_path_ptr hp(gtk_tree_row_reference_get_path(highlighted.get()));
    GtkTreeIter hit;
    if (hp && gtk_tree_model_get_iter(GTK_TREE_MODEL(store), &hit, hp.get()))
      gtk_tree_store_set(store, &hit, col_text, highlighted_label.c_str(), -1);
    forget_highlight();
  }
  highlighted_label = row_text(&it);
  highlighted.reset(gtk_tree_row_reference_new(GTK_TREE_MODEL(store), path));
  std::string bold = "<b>" + highlighted_label + "</b>";
  gtk_tree_store_set(store, &it, col_text, bold.c_str(), -1);
  clean_view();
  for (int page = 0; page < 9; ++page)
    if (highlighted_label == _(items[page])) {
      int q = project_of_path(path);
      if (valid_project(q)) workinfo(q, page);
      break;
    }
}

std::string workspace_row_markup(const char* path) {
  GtkTreeIter it;
  if (!store || !gtk_tree_model_get_iter_from_string(GTK_TREE_MODEL(store), &it, path)) return {};
  return row_text(&it);
}

std::string workspace_row_text(const char* path) {
  std::string markup = workspace_row_markup(path);
  gchar* text = nullptr;
  if (!pango_parse_markup(markup.c_str(), -1, 0, nullptr, &text, nullptr, nullptr)) return markup;
  return text_of(glib_string(text));
}

void install_workspace_hooks() {
  hooks().update_project = update_project;
  hooks().hide_project = hide_current_project;
  hooks().project_added = add_project_to_workspace;
}
