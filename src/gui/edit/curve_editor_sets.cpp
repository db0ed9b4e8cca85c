// The "Add data set" tab: the open projects, their four steps and, under each step, the
// curves that can be drawn over the edited curve, with a toggle that draws or removes one.
#include "gui/edit/curve_editor_private.h"
#include "project/project.h"
#include "gui/base/i18n.h"

namespace {

enum { col_name, col_drawn, col_slot, col_toggle };

// Draws or removes the set of the row at `path`; rows of projects and steps do nothing.
void selecurve(const char* path) {
  curve_editor_state& s = editor();
  GtkTreeIter iter;
  if (!s.sets || !gtk_tree_model_get_iter_from_string(GTK_TREE_MODEL(s.sets), &iter, path)) return;
  int slot = -1;
  gtk_tree_model_get(GTK_TREE_MODEL(s.sets), &iter, col_slot, &slot, -1);
  curve_edit e = editor_target();
  if (slot < 0 || !flip_extra_set(e, slot)) return;
  s.set = e.set;
  fill_proj_model();
  prepbox();
  load_controls();
  redraw_edited();
}

void on_set_toggled(GtkCellRendererToggle*, gchar* path, gpointer) { selecurve(path); }

void on_row_activated(GtkTreeView*, GtkTreePath* path, GtkTreeViewColumn*, gpointer) {
  gchar* text = gtk_tree_path_to_string(path);
  selecurve(text);
  g_free(text);
}

gboolean refresh_toggle(GtkTreeModel* model, GtkTreePath*, GtkTreeIter* iter, gpointer c) {
  int slot = -1;
  gtk_tree_model_get(model, iter, col_slot, &slot, -1);
  const curve& host = *static_cast<const curve*>(c);
  if (slot >= 0 && slot < static_cast<int>(host.extrasets.size()))
    gtk_tree_store_set(GTK_TREE_STORE(model), iter, col_drawn, host.extrasets[slot][0] == 1, -1);
  return FALSE;
}

}  // namespace

void fill_proj_model() {
  curve_editor_state& s = editor();
  const curve* c = edited_curve(editor_target());
  if (s.sets && c)
    gtk_tree_model_foreach(GTK_TREE_MODEL(s.sets), refresh_toggle, const_cast<curve*>(c));
}

void create_projects_tree(GtkWidget* notebook) {
  curve_editor_state& s = editor();
  GtkWidget* box = page(notebook, _("Add data set"));
  row(box, {text_label(_("Select data sets to add to the active curve"))});
  gtk_box_pack_start(GTK_BOX(box), gtk_hseparator_new(), FALSE, FALSE, 4);

  s.sets = gtk_tree_store_new(4, G_TYPE_STRING, G_TYPE_BOOLEAN, G_TYPE_INT, G_TYPE_BOOLEAN);
  std::vector<extra_choice> choices = extra_choices(editor_target());
  for (int q = 0; q < nprojects; ++q) {
    GtkTreeIter project_row, step_row, curve_row;
    gtk_tree_store_append(s.sets, &project_row, nullptr);
    gtk_tree_store_set(s.sets, &project_row, col_name, proj[q].name.c_str(), col_slot, -1,
                       col_toggle, FALSE, -1);
    for (int r = 0; r < ncalc; ++r) {
      gtk_tree_store_append(s.sets, &step_row, &project_row);
      gtk_tree_store_set(s.sets, &step_row, col_name, _(calcname[r]), col_slot, -1, col_toggle,
                         FALSE, -1);
      for (const extra_choice& x : choices) {
        if (x.project != q || x.rid != r) continue;
        gtk_tree_store_append(s.sets, &curve_row, &step_row);
        gtk_tree_store_set(s.sets, &curve_row, col_name, x.name.c_str(), col_drawn, x.drawn,
                           col_slot, x.slot, col_toggle, TRUE, -1);
      }
    }
  }

  GtkWidget* view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(s.sets));
  g_object_unref(s.sets);  // the view holds it
  GtkCellRenderer* text = gtk_cell_renderer_text_new();
  GtkTreeViewColumn* column = gtk_tree_view_column_new_with_attributes(
      _("Add extra plots: "), text, "text", col_name, nullptr);
  gtk_tree_view_append_column(GTK_TREE_VIEW(view), column);
  GtkCellRenderer* toggle = gtk_cell_renderer_toggle_new();
  gtk_tree_view_append_column(GTK_TREE_VIEW(view),
                              gtk_tree_view_column_new_with_attributes(
                                  "", toggle, "active", col_drawn, "visible", col_toggle, nullptr));
  g_signal_connect(toggle, "toggled", G_CALLBACK(on_set_toggled), nullptr);
  g_signal_connect(view, "row-activated", G_CALLBACK(on_row_activated), nullptr);
  gtk_tree_view_expand_all(GTK_TREE_VIEW(view));

  GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC,
                                 GTK_POLICY_AUTOMATIC);
  gtk_widget_set_size_request(scrolled, 400, 425);
  gtk_container_add(GTK_CONTAINER(scrolled), view);
  gtk_box_pack_start(GTK_BOX(box), scrolled, TRUE, TRUE, 0);
}
