// The data table editor: a window per curve with its points as an editable table, a
// menu of row and column operations (rules in project/data_edit.h), and apply/cancel.
// The table is the editor's own copy; the curve changes only on apply.
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "gui/base/dialogs.h"
#include "gui/base/placement.h"
#include "gui/base/paths.h"
#include "gui/edit/curve_editor.h"
#include "gui/plot/curve_window.h"
#include "project/changes.h"
#include "project/data_edit.h"
#include "project/entry_text.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/toolbox.h"
#include "gui/base/i18n.h"

namespace {

enum { col_index, col_x, col_y, col_sigma };

struct table_editor {
  curve_id id;
  GtkWidget* window = nullptr;
  GtkWidget* view = nullptr;
  GtkListStore* store = nullptr;
  data_table table;
  std::vector<int> selection;  // the rows selected when the menu was opened
};

// One editor per curve; several curves may have theirs open at once.
std::vector<std::unique_ptr<table_editor>> editors;

// Position of the project with identifier pid, -1 once it is closed.
int position_of(int pid) {
  for (int i = 0; i < nprojects; ++i)
    if (proj[i].id == pid) return i;
  return -1;
}

constant_prompt& prompt() {
  static constant_prompt f;
  return f;
}

std::optional<std::string> run_constant_dialog(GtkWidget* parent, const char* title,
                                               const char* text) {
  GtkWidget* d = dialogmodal(parent, title);
  GtkWidget* box = gtk_hbox_new(FALSE, 5);
  GtkWidget* l = gtk_label_new(text);
  gtk_label_set_line_wrap(GTK_LABEL(l), TRUE);  // the longer text takes two lines
  gtk_widget_set_size_request(l, 200, -1);
  GtkWidget* entry = gtk_entry_new();
  gtk_widget_set_size_request(entry, 100, -1);
  gtk_entry_set_alignment(GTK_ENTRY(entry), 1.0);
  gtk_entry_set_text(GTK_ENTRY(entry), entry_text(1.0).c_str());
  gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
  gtk_dialog_set_default_response(GTK_DIALOG(d), GTK_RESPONSE_OK);
  gtk_box_pack_start(GTK_BOX(box), l, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), entry, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(d))), box, FALSE, FALSE, 0);
  gtk_widget_show_all(d);
  std::optional<std::string> out;
  if (gtk_dialog_run(GTK_DIALOG(d)) == GTK_RESPONSE_OK) out = gtk_entry_get_text(GTK_ENTRY(entry));
  gtk_widget_destroy(d);
  return out;
}

void fill_data_model(table_editor& ed) {
  GtkTreeView* view = GTK_TREE_VIEW(ed.view);
  g_object_ref(ed.store);
  gtk_tree_view_set_model(view, nullptr);  // no redraw per row
  gtk_list_store_clear(ed.store);
  GtkTreeIter iter;
  for (const data_row& r : ed.table) {
    gtk_list_store_append(ed.store, &iter);
    gtk_list_store_set(ed.store, &iter, col_index, r.index, col_x, r.x, col_y, r.y, col_sigma, r.sigma, -1);
  }
  gtk_tree_view_set_model(view, GTK_TREE_MODEL(ed.store));
  g_object_unref(ed.store);
}

std::vector<int> selected_rows(table_editor& ed) {
  std::vector<int> rows;
  GtkTreeSelection* sel = gtk_tree_view_get_selection(GTK_TREE_VIEW(ed.view));
  GList* paths = gtk_tree_selection_get_selected_rows(sel, nullptr);
  for (GList* l = paths; l; l = l->next) {
    rows.push_back(gtk_tree_path_get_indices(static_cast<GtkTreePath*>(l->data))[0]);
    gtk_tree_path_free(static_cast<GtkTreePath*>(l->data));
  }
  g_list_free(paths);
  return rows;
}

void select_rows(table_editor& ed, const std::vector<int>& rows) {
  GtkTreeSelection* sel = gtk_tree_view_get_selection(GTK_TREE_VIEW(ed.view));
  gtk_tree_selection_unselect_all(sel);
  for (int r : rows) {
    GtkTreePath* path = gtk_tree_path_new_from_indices(r, -1);
    gtk_tree_selection_select_path(sel, path);
    if (r == rows.front()) gtk_tree_view_scroll_to_cell(GTK_TREE_VIEW(ed.view), path, nullptr, FALSE, 0, 0);
    gtk_tree_path_free(path);
  }
}

// Values are shown by the entry rule (entry_text), as the settings entries show them.
void show_value(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter,
                gpointer column) {
  double v = 0;
  gtk_tree_model_get(model, iter, GPOINTER_TO_INT(column), &v, -1);
  g_object_set(cell, "text", entry_text(v).c_str(), nullptr);
}

// A deviation, or nothing for a row without one.
void show_sigma(GtkTreeViewColumn*, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter, gpointer) {
  double v = 0;
  gtk_tree_model_get(model, iter, col_sigma, &v, -1);
  g_object_set(cell, "text", std::isfinite(v) ? entry_text(v).c_str() : "", nullptr);
}

void edit_cell(GtkCellRendererText* cell, gchar* path, gchar* text, gpointer data) {
  table_editor& ed = *static_cast<table_editor*>(data);
  int column = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(cell), "amoq-column"));
  GtkTreeIter iter;
  if (!gtk_tree_model_get_iter_from_string(GTK_TREE_MODEL(ed.store), &iter, path)) return;
  GtkTreePath* p = gtk_tree_model_get_path(GTK_TREE_MODEL(ed.store), &iter);
  int row = gtk_tree_path_get_indices(p)[0];
  gtk_tree_path_free(p);
  if (!set_cell(ed.table, row, column, text)) return;
  const data_row& r = ed.table[row];
  gtk_list_store_set(ed.store, &iter, column, column == col_x ? r.x : r.y, col_sigma, r.sigma, -1);
}

// ---- The menu

void copy_content(GtkMenuItem*, gpointer data) {
  table_editor& ed = *static_cast<table_editor*>(data);
  std::string text = clipboard_text(ed.table, ed.selection);
  GtkClipboard* clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
  gtk_clipboard_set_text(clipboard, text.c_str(), static_cast<int>(text.size()));
  gtk_clipboard_store(clipboard);  // outlives the program
}

void insert_cell(table_editor& ed, int after) {
  std::vector<int> added = insert_rows(ed.table, ed.selection, after);
  fill_data_model(ed);
  select_rows(ed, added);
}
void insert_before(GtkMenuItem*, gpointer data) { insert_cell(*static_cast<table_editor*>(data), 0); }
void insert_after(GtkMenuItem*, gpointer data) { insert_cell(*static_cast<table_editor*>(data), 1); }

void delete_cell(GtkMenuItem*, gpointer data) {
  table_editor& ed = *static_cast<table_editor*>(data);
  delete_rows(ed.table, ed.selection);
  fill_data_model(ed);
}

void column_constant(table_editor& ed, int op) {
  const char* title = op == 0 ? _("Add constant to column") : _("Mulitply column by constant");
  const char* text = op == 0 ? _("Add constant to last column") : _("Multiply last column by constant");
  std::optional<std::string> typed =
      prompt() ? prompt()(title, text) : run_constant_dialog(ed.window, title, text);
  if (typed && column_operation(ed.table, op, *typed)) fill_data_model(ed);
}
void add_to_column(GtkMenuItem*, gpointer data) { column_constant(*static_cast<table_editor*>(data), 0); }
void multiply_column(GtkMenuItem*, gpointer data) { column_constant(*static_cast<table_editor*>(data), 1); }

GtkWidget* menu_item(GtkWidget* menu, GtkWidget* item, GCallback action, table_editor* ed) {
  if (action) g_signal_connect(item, "activate", action, ed);
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
  return item;
}

GtkWidget* heading(GtkWidget* menu, const char* text) {
  GtkWidget* item = gtk_menu_item_new_with_label(text);
  gtk_widget_set_sensitive(item, FALSE);
  return menu_item(menu, item, nullptr, nullptr);
}

void separator(GtkWidget* menu) { menu_item(menu, gtk_separator_menu_item_new(), nullptr, nullptr); }

gboolean destroy_later(gpointer menu) {
  gtk_widget_destroy(GTK_WIDGET(menu));
  return FALSE;
}
void on_menu_deactivate(GtkMenuShell* menu, gpointer) { g_idle_add(destroy_later, menu); }

GtkWidget* build_tabmenu(table_editor& ed) {
  ed.selection = selected_rows(ed);
  GtkWidget* menu = gtk_menu_new();
  heading(menu, _("Cell based operations"));
  separator(menu);
  menu_item(menu, image_menu_item(_("_Copy selected row(s)"), GTK_STOCK_COPY), G_CALLBACK(copy_content), &ed);
  GtkWidget* insert = menu_item(menu, image_menu_item(_("_Insert row(s)"), GTK_STOCK_ADD), nullptr, &ed);
  GtkWidget* where = gtk_menu_new();
  menu_item(where, image_menu_item(_("Before"), GTK_STOCK_ADD), G_CALLBACK(insert_before), &ed);
  menu_item(where, image_menu_item(_("After"), GTK_STOCK_ADD), G_CALLBACK(insert_after), &ed);
  gtk_menu_item_set_submenu(GTK_MENU_ITEM(insert), where);
  menu_item(menu, image_menu_item(_("_Delete row(s)"), GTK_STOCK_DELETE), G_CALLBACK(delete_cell), &ed);
  separator(menu);
  heading(menu, _("Column based operations"));
  separator(menu);
  menu_item(menu, image_menu_item(_("_Add constant to last column"), nullptr, PACKAGE_P),
            G_CALLBACK(add_to_column), &ed);
  menu_item(menu, image_menu_item(_("_Multiply last column by constant"), nullptr, PACKAGE_M),
            G_CALLBACK(multiply_column), &ed);
  gtk_widget_show_all(menu);
  g_signal_connect(menu, "deactivate", G_CALLBACK(on_menu_deactivate), nullptr);
  return menu;
}

void view_tabpopup_at(table_editor& ed, GdkEventButton* event) {
  gtk_menu_popup(GTK_MENU(build_tabmenu(ed)), nullptr, nullptr, nullptr, nullptr,
                 event ? event->button : 0, event ? event->time : gtk_get_current_event_time());
}

// Button 3 opens the menu over the rows selected now (the click does not change them).
gboolean on_data_event(GtkWidget*, GdkEventButton* event, gpointer data) {
  if (event->type != GDK_BUTTON_PRESS || event->button != 3) return FALSE;
  view_tabpopup_at(*static_cast<table_editor*>(data), event);
  return TRUE;
}

gboolean view_tabpopup(GtkWidget*, gpointer data) {
  view_tabpopup_at(*static_cast<table_editor*>(data), nullptr);
  return TRUE;
}

// ---- Apply and cancel

void close_editor(table_editor& ed) { gtk_widget_destroy(ed.window); }

// The window of the curve and of every curve that draws it over itself are redrawn.
void redraw_users(int p, int rid, int cid) {
  update_curve(p, rid, cid);
  for (int q = 0; q < nprojects; ++q)
    for (int r = 0; r < ncalc; ++r)
      for (size_t k = 0; k < proj[q].curves[r].size(); ++k) {
        const curve* c = proj[q].curves[r][k].get();
        if (!c || !c->plot) continue;
        for (const auto& s : c->extrasets)
          if (s[0] == 1 && s[1] == p && s[2] == rid && s[3] == cid)
            update_curve(q, r, static_cast<int>(k));
      }
}

void validate_changes(GtkWidget*, gpointer data) {
  table_editor& ed = *static_cast<table_editor*>(data);
  int p = position_of(ed.id.pid);
  curve_id id = ed.id;
  if (curve* c = p >= 0 ? find_curve(p, id.rid, id.cid) : nullptr) apply_table(*c, ed.table);
  close_editor(ed);
  if (p < 0) return;
  mark_project_changed(p);
  redraw_users(p, id.rid, id.cid);
}

void cancel_but(GtkWidget*, gpointer data) { close_editor(*static_cast<table_editor*>(data)); }
gboolean cancel_win(GtkWidget*, GdkEvent*, gpointer data) {
  close_editor(*static_cast<table_editor*>(data));
  return TRUE;
}

void on_editor_destroy(GtkWidget*, gpointer data) {
  std::erase_if(editors, [&](const auto& e) { return e.get() == data; });
}

GtkTreeViewColumn* add_column(GtkWidget* view, const char* title, int column, table_editor* ed) {
  GtkCellRenderer* cell = gtk_cell_renderer_text_new();
  GtkTreeViewColumn* col = gtk_tree_view_column_new();
  gtk_tree_view_column_set_title(col, title);
  gtk_tree_view_column_pack_start(col, cell, TRUE);
  gtk_tree_view_column_set_resizable(col, TRUE);
  gtk_tree_view_column_set_alignment(col, 0.5);
  if (column == col_index) {
    gtk_tree_view_column_add_attribute(col, cell, "text", col_index);
  } else if (column == col_sigma) {
    // Derived by the steps from the measurement: shown, not typed.
    gtk_tree_view_column_set_cell_data_func(col, cell, show_sigma, nullptr, nullptr);
    g_object_set(cell, "xalign", 0.5, "foreground", "dim grey", nullptr);
    gtk_tree_view_column_set_min_width(col, 100);
  } else {
    gtk_tree_view_column_set_cell_data_func(col, cell, show_value, GINT_TO_POINTER(column), nullptr);
    g_object_set(cell, "editable", TRUE, "xalign", 0.5, nullptr);
    gtk_tree_view_column_set_min_width(col, 100);
    g_object_set_data(G_OBJECT(cell), "amoq-column", GINT_TO_POINTER(column));
    g_signal_connect(cell, "edited", G_CALLBACK(edit_cell), ed);
  }
  gtk_tree_view_append_column(GTK_TREE_VIEW(view), col);
  return col;
}

GtkWidget* setview(table_editor& ed, int p, const curve& c) {
  ed.store = gtk_list_store_new(4, G_TYPE_INT, G_TYPE_DOUBLE, G_TYPE_DOUBLE, G_TYPE_DOUBLE);
  ed.view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(ed.store));
  g_object_unref(ed.store);  // the view holds it
  GtkTreeView* view = GTK_TREE_VIEW(ed.view);
  gtk_tree_view_set_rules_hint(view, TRUE);
  gtk_tree_selection_set_mode(gtk_tree_view_get_selection(view), GTK_SELECTION_MULTIPLE);
  add_column(ed.view, " ", col_index, &ed);
  add_column(ed.view, c.x_axis_title.c_str(), col_x, &ed);
  std::string title = format("%s\n%s", proj[p].name.c_str(), c.name.c_str());
  add_column(ed.view, title.c_str(), col_y, &ed);
  if (table_has_sigma(ed.table)) add_column(ed.view, "σ", col_sigma, &ed);
  fill_data_model(ed);
  g_signal_connect(ed.view, "button_press_event", G_CALLBACK(on_data_event), &ed);
  g_signal_connect(ed.view, "popup-menu", G_CALLBACK(view_tabpopup), &ed);
  return ed.view;
}

GtkWidget* stock_button(GtkWidget* box, const char* stock, GCallback action, table_editor* ed) {
  GtkWidget* b = gtk_button_new_from_stock(stock);
  g_signal_connect(b, "activate", action, ed);
  g_signal_connect(b, "released", action, ed);
  gtk_box_pack_start(GTK_BOX(box), b, TRUE, TRUE, 0);
  return b;
}

}  // namespace

constant_prompt set_constant_prompt(constant_prompt f) {
  constant_prompt previous = std::move(prompt());
  prompt() = std::move(f);
  return previous;
}

GtkWidget* data_editor_menu(GtkWidget* window) {
  for (const auto& e : editors)
    if (e->window == window) return build_tabmenu(*e);
  return nullptr;
}

GtkWidget* edit_data(int pid, int rid, int cid) {
  for (const auto& e : editors)
    if (e->id.pid == pid && e->id.rid == rid && e->id.cid == cid) {
      gtk_window_present(GTK_WINDOW(e->window));
      return e->window;
    }
  int p = position_of(pid);
  const curve* c = p >= 0 ? find_curve(p, rid, cid) : nullptr;
  if (!c) return nullptr;
  editors.push_back(std::make_unique<table_editor>());
  table_editor& ed = *editors.back();
  ed.id = {pid, rid, cid};
  ed.table = table_of(*c);
  ed.window = create_cwin(p, rid, cid);
  // Room for the deviations' column when there is one.
  gtk_window_set_default_size(GTK_WINDOW(ed.window), table_has_sigma(ed.table) ? 560 : 300, 600);
  GtkWidget* vbox = gtk_vbox_new(FALSE, 0);
  gtk_container_add(GTK_CONTAINER(ed.window), vbox);
  GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC,
                                 GTK_POLICY_AUTOMATIC);
  // 570 pixels of rows, less where the work area is lower (the buttons stay on the screen).
  GtkWidget* parent = static_cast<GtkWidget*>(c->window);
  const win_rect area = work_area(parent);
  const win_frame frame = window_frame();
  gtk_widget_set_size_request(scrolled, -1, std::min(570, area.h - frame.top - frame.bottom - 40));
  gtk_container_add(GTK_CONTAINER(scrolled), setview(ed, p, *c));
  gtk_box_pack_start(GTK_BOX(vbox), scrolled, TRUE, TRUE, 0);
  GtkWidget* buttons = gtk_hbox_new(TRUE, 0);
  gtk_widget_set_size_request(buttons, -1, 40);
  stock_button(buttons, GTK_STOCK_CANCEL, G_CALLBACK(cancel_but), &ed);
  stock_button(buttons, GTK_STOCK_APPLY, G_CALLBACK(validate_changes), &ed);
  gtk_box_pack_start(GTK_BOX(vbox), buttons, FALSE, FALSE, 0);
  g_signal_connect(ed.window, "delete_event", G_CALLBACK(cancel_win), &ed);
  g_signal_connect(ed.window, "destroy", G_CALLBACK(on_editor_destroy), &ed);
  mark_window(ed.window, cascade_mark);
  if (parent && gtk_widget_get_visible(parent))
    move_window(ed.window, near_parent(window_rect(ed.window), window_rect(parent), area, frame));
  gtk_widget_show_all(ed.window);
  return ed.window;
}
