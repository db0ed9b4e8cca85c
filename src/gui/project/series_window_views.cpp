// The views of the Series window: the waterfall and the trend (drawn by the plot library
// on every expose, a click highlighting a pattern and a double click opening it), the
// table, and the exports of the table, the matrices and the plots.
#include <filesystem>

#include "plot/render.h"
#include "plot/series_plot.h"
#include "project/messages.h"
#include "project/steps.h"
#include "gui/base/chooser.h"
#include "gui/base/dialogs.h"
#include "gui/base/i18n.h"
#include "gui/plot/image_export.h"
#include "gui/project/series_window_private.h"

namespace fs = std::filesystem;

namespace {

constexpr double default_offset = 0.15;  // of the largest curve's range, per pattern
bool selecting = false;                   // the table's selection is being set from here

waterfall_input current_waterfall(const series_window_state& s) {
  const int curve = std::max(0, gtk_combo_box_get_active(GTK_COMBO_BOX(s.w.curve)));
  return s.view.waterfall(curve, gtk_range_get_value(GTK_RANGE(s.w.offset)), s.highlight);
}

trend_input current_trend(const series_window_state& s) {
  const int k = gtk_combo_box_get_active(GTK_COMBO_BOX(s.w.column));
  if (k < 0 || static_cast<std::size_t>(k) >= s.trend_columns.size()) {
    trend_input empty;
    empty.hint = s.view.size() ? _("No value to show") : _("Choose the patterns and press Run");
    return empty;
  }
  const bool against_value = gtk_combo_box_get_active(GTK_COMBO_BOX(s.w.against)) == 0;
  return s.view.trend(s.trend_columns[static_cast<std::size_t>(k)], against_value, s.highlight);
}

void area_size(GtkWidget* area, int& w, int& h) {
  GtkAllocation a;
  gtk_widget_get_allocation(area, &a);
  w = a.width, h = a.height;
}

gboolean on_waterfall_expose(GtkWidget* area, GdkEventExpose*, gpointer) {
  int w, h;
  area_size(area, w, h);
  cairo_t* cr = gdk_cairo_create(gtk_widget_get_window(area));
  draw_waterfall(cr, w, h, 1.0, current_waterfall(series_state()));
  cairo_destroy(cr);
  return TRUE;
}

gboolean on_trend_expose(GtkWidget* area, GdkEventExpose*, gpointer) {
  int w, h;
  area_size(area, w, h);
  cairo_t* cr = gdk_cairo_create(gtk_widget_get_window(area));
  draw_trend(cr, w, h, 1.0, current_trend(series_state()));
  cairo_destroy(cr);
  return TRUE;
}

// A click highlights the pattern under the pointer, a double click opens it.
void picked(series_window_state& s, GdkEventButton* event, int entry) {
  if (entry < 0) return;
  if (event->type == GDK_2BUTTON_PRESS)
    open_entry_as_project(s, entry);
  else if (event->type == GDK_BUTTON_PRESS)
    highlight_entry(s, entry);
}

gboolean on_waterfall_press(GtkWidget* area, GdkEventButton* event, gpointer) {
  if (event->button != 1) return FALSE;
  series_window_state& s = series_state();
  int w, h;
  area_size(area, w, h);
  const waterfall_input in = current_waterfall(s);
  const int k = pick_waterfall(in, w, h, event->x, event->y);
  picked(s, event, k < 0 ? -1 : static_cast<int>(in.traces[static_cast<std::size_t>(k)].id));
  return TRUE;
}

gboolean on_trend_press(GtkWidget* area, GdkEventButton* event, gpointer) {
  if (event->button != 1) return FALSE;
  series_window_state& s = series_state();
  int w, h;
  area_size(area, w, h);
  const trend_input in = current_trend(s);
  const int k = pick_trend(in, w, h, event->x, event->y);
  picked(s, event, k < 0 ? -1 : static_cast<int>(in.points[static_cast<std::size_t>(k)].id));
  return TRUE;
}

void on_plot_choice_changed(GtkWidget*, gpointer) { redraw_plots(series_state()); }

void export_plot(bool waterfall) {
  series_window_state& s = series_state();
  image_request r;
  area_size(waterfall ? s.w.waterfall : s.w.trend, r.width, r.height);
  r.name = waterfall ? "series_waterfall" : "series_trend";
  r.parent = s.w.window;
  r.write = [waterfall](int target, const std::string& path, int w, int h, double alpha) {
    const series_window_state& now = series_state();
    if (waterfall) {
      const waterfall_input in = current_waterfall(now);
      return export_drawing(target, path.c_str(), w, h, alpha,
                            [&in](cairo_t* cr, int dw, int dh, double a) { return draw_waterfall(cr, dw, dh, a, in); });
    }
    const trend_input in = current_trend(now);
    return export_drawing(target, path.c_str(), w, h, alpha,
                          [&in](cairo_t* cr, int dw, int dh, double a) { return draw_trend(cr, dw, dh, a, in); });
  };
  open_image_export(std::move(r));
}

void on_waterfall_export(GtkButton*, gpointer) { export_plot(true); }
void on_trend_export(GtkButton*, gpointer) { export_plot(false); }

GtkWidget* plot_area(GCallback expose, GCallback press) {
  GtkWidget* area = gtk_drawing_area_new();
  gtk_widget_set_size_request(area, 320, 240);
  gtk_widget_add_events(area, GDK_BUTTON_PRESS_MASK);
  g_signal_connect(area, "expose-event", expose, nullptr);
  g_signal_connect(area, "button-press-event", press, nullptr);
  return area;
}

GtkWidget* packed(GtkWidget* box, GtkWidget* child, bool expand = false) {
  gtk_box_pack_start(GTK_BOX(box), child, expand, expand, 0);
  return child;
}

GtkWidget* export_button(GtkWidget* box, const char* text, GCallback handler) {
  GtkWidget* b = gtk_button_new_with_mnemonic(text);
  g_signal_connect(b, "clicked", handler, nullptr);
  gtk_box_pack_end(GTK_BOX(box), b, FALSE, FALSE, 0);
  return b;
}

// ---- The table ------------------------------------------------------------------------------------

int entry_column(GtkTreeModel* model) { return gtk_tree_model_get_n_columns(model) - 1; }

void on_selection_changed(GtkTreeSelection* selection, gpointer) {
  if (selecting) return;
  GtkTreeModel* model = nullptr;
  GtkTreeIter it;
  if (!gtk_tree_selection_get_selected(selection, &model, &it)) return;
  int entry = -1;
  gtk_tree_model_get(model, &it, entry_column(model), &entry, -1);
  highlight_entry(series_state(), entry);
}

void on_row_activated(GtkTreeView* view, GtkTreePath* path, GtkTreeViewColumn*, gpointer) {
  GtkTreeModel* model = gtk_tree_view_get_model(view);
  GtkTreeIter it;
  if (!gtk_tree_model_get_iter(model, &it, path)) return;
  int entry = -1;
  gtk_tree_model_get(model, &it, entry_column(model), &entry, -1);
  open_entry_as_project(series_state(), entry);
}

void on_open_pattern(GtkButton*, gpointer) {
  series_window_state& s = series_state();
  open_entry_as_project(s, s.highlight);
}

// The row of the highlighted entry selected and brought into view.
void select_highlighted(series_window_state& s) {
  GtkTreeView* view = GTK_TREE_VIEW(s.w.table);
  GtkTreeModel* model = gtk_tree_view_get_model(view);
  GtkTreeSelection* selection = gtk_tree_view_get_selection(view);
  selecting = true;
  gtk_tree_selection_unselect_all(selection);
  GtkTreeIter it;
  for (bool ok = model && gtk_tree_model_get_iter_first(model, &it); ok; ok = gtk_tree_model_iter_next(model, &it)) {
    int entry = -1;
    gtk_tree_model_get(model, &it, entry_column(model), &entry, -1);
    if (entry != s.highlight) continue;
    gtk_tree_selection_select_iter(selection, &it);
    GtkTreePath* path = gtk_tree_model_get_path(model, &it);
    if (gtk_widget_get_realized(s.w.table)) gtk_tree_view_scroll_to_cell(view, path, nullptr, FALSE, 0, 0);
    gtk_tree_path_free(path);
    break;
  }
  selecting = false;
}

}  // namespace

GtkWidget* build_waterfall_view(series_window_state& s) {
  GtkWidget* box = gtk_vbox_new(FALSE, 4);
  GtkWidget* row = packed(box, gtk_hbox_new(FALSE, 6));
  packed(row, gtk_label_new(_("Curve")));
  s.w.curve = packed(row, gtk_combo_box_new_text());
  for (const char* label : series_curve_label) gtk_combo_box_append_text(GTK_COMBO_BOX(s.w.curve), label);
  gtk_combo_box_set_active(GTK_COMBO_BOX(s.w.curve), curve_sq);
  g_signal_connect(s.w.curve, "changed", G_CALLBACK(on_plot_choice_changed), nullptr);
  packed(row, gtk_label_new(_("Offset")));
  s.w.offset = packed(row, gtk_hscale_new_with_range(0.0, 1.0, 0.01), true);
  gtk_range_set_value(GTK_RANGE(s.w.offset), default_offset);
  gtk_scale_set_value_pos(GTK_SCALE(s.w.offset), GTK_POS_LEFT);
  gtk_widget_set_tooltip_text(s.w.offset, _("How far each pattern is raised above the one before, as a fraction of "
                                            "the largest range of a curve"));
  g_signal_connect(s.w.offset, "value-changed", G_CALLBACK(on_plot_choice_changed), nullptr);
  s.w.waterfall_export = export_button(row, _("Export _image…"), G_CALLBACK(on_waterfall_export));
  s.w.waterfall = packed(box, plot_area(G_CALLBACK(on_waterfall_expose), G_CALLBACK(on_waterfall_press)), true);
  return box;
}

GtkWidget* build_trend_view(series_window_state& s) {
  GtkWidget* box = gtk_vbox_new(FALSE, 4);
  GtkWidget* row = packed(box, gtk_hbox_new(FALSE, 6));
  packed(row, gtk_label_new(_("Trend")));
  s.w.column = packed(row, gtk_combo_box_new_text());
  g_signal_connect(s.w.column, "changed", G_CALLBACK(on_plot_choice_changed), nullptr);
  s.w.against = packed(row, gtk_combo_box_new_text());
  gtk_combo_box_append_text(GTK_COMBO_BOX(s.w.against), _("against the value"));
  gtk_combo_box_append_text(GTK_COMBO_BOX(s.w.against), _("against the position"));
  gtk_combo_box_set_active(GTK_COMBO_BOX(s.w.against), 0);
  g_signal_connect(s.w.against, "changed", G_CALLBACK(on_plot_choice_changed), nullptr);
  s.w.trend_export = export_button(row, _("Export i_mage…"), G_CALLBACK(on_trend_export));
  s.w.trend = packed(box, plot_area(G_CALLBACK(on_trend_expose), G_CALLBACK(on_trend_press)), true);
  return box;
}

GtkWidget* build_table_view(series_window_state& s) {
  GtkWidget* box = gtk_vbox_new(FALSE, 4);
  GtkWidget* scrolled = packed(box, gtk_scrolled_window_new(nullptr, nullptr), true);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC, GTK_POLICY_AUTOMATIC);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scrolled), GTK_SHADOW_IN);
  s.w.table = gtk_tree_view_new();
  gtk_container_add(GTK_CONTAINER(scrolled), s.w.table);
  g_signal_connect(gtk_tree_view_get_selection(GTK_TREE_VIEW(s.w.table)), "changed", G_CALLBACK(on_selection_changed),
                   nullptr);
  g_signal_connect(s.w.table, "row-activated", G_CALLBACK(on_row_activated), nullptr);
  GtkWidget* row = packed(box, gtk_hbox_new(FALSE, 6));
  s.w.open_pattern = packed(row, gtk_button_new_with_mnemonic(_("_Open as project")));
  g_signal_connect(s.w.open_pattern, "clicked", G_CALLBACK(on_open_pattern), nullptr);
  s.w.export_matrices = export_button(row, _("Export _matrices…"), G_CALLBACK(on_export_matrices));
  s.w.export_table = export_button(row, _("Export _table…"), G_CALLBACK(on_export_table));
  return box;
}

void reset_table(series_window_state& s) {
  GtkTreeView* view = GTK_TREE_VIEW(s.w.table);
  while (GtkTreeViewColumn* c = gtk_tree_view_get_column(view, 0)) gtk_tree_view_remove_column(view, c);
  const std::vector<std::string> header = s.view.table_header();
  std::vector<GType> types(header.size(), G_TYPE_STRING);
  types.push_back(G_TYPE_INT);  // the entry
  GtkListStore* store = gtk_list_store_newv(static_cast<gint>(types.size()), types.data());
  gtk_tree_view_set_model(view, GTK_TREE_MODEL(store));
  g_object_unref(store);
  for (std::size_t k = 0; k < header.size(); ++k) {
    GtkCellRenderer* cell = gtk_cell_renderer_text_new();
    const bool number = k > 0 && k + 1 < header.size() && header[k] != _("Status");
    if (number) g_object_set(cell, "xalign", 1.0, nullptr);
    GtkTreeViewColumn* c = gtk_tree_view_column_new_with_attributes(header[k].c_str(), cell, "text",
                                                                    static_cast<gint>(k), nullptr);
    gtk_tree_view_column_set_resizable(c, TRUE);
    gtk_tree_view_append_column(view, c);
  }
  refresh_trend_columns(s);
  refill_table(s);
  redraw_plots(s);
}

void refill_table(series_window_state& s) {
  GtkListStore* store = GTK_LIST_STORE(gtk_tree_view_get_model(GTK_TREE_VIEW(s.w.table)));
  selecting = true;
  gtk_list_store_clear(store);
  selecting = false;
  const int last = entry_column(GTK_TREE_MODEL(store));
  for (std::size_t k : s.view.order()) {
    const std::vector<std::string> row = s.view.table_row(k);
    GtkTreeIter it;
    gtk_list_store_append(store, &it);
    for (std::size_t c = 0; c < row.size() && static_cast<int>(c) < last; ++c)
      gtk_list_store_set(store, &it, static_cast<gint>(c), row[c].c_str(), -1);
    gtk_list_store_set(store, &it, last, static_cast<gint>(k), -1);
  }
  select_highlighted(s);
}

void refresh_trend_columns(series_window_state& s) {
  std::vector<summary_column> now = s.view.trend_columns();
  auto keys = [](const std::vector<summary_column>& c) {
    std::vector<std::string> k;
    for (const summary_column& x : c) k.push_back(x.key);
    return k;
  };
  if (keys(now) == keys(s.trend_columns) && !now.empty()) return;
  const int was = gtk_combo_box_get_active(GTK_COMBO_BOX(s.w.column));
  const std::string chosen = was >= 0 && static_cast<std::size_t>(was) < s.trend_columns.size()
                                 ? s.trend_columns[static_cast<std::size_t>(was)].key
                                 : std::string();
  s.trend_columns = std::move(now);
  GtkListStore* model = GTK_LIST_STORE(gtk_combo_box_get_model(GTK_COMBO_BOX(s.w.column)));
  g_signal_handlers_block_by_func(s.w.column, reinterpret_cast<gpointer>(on_plot_choice_changed), nullptr);
  gtk_list_store_clear(model);
  int active = s.trend_columns.empty() ? -1 : 0;
  for (std::size_t k = 0; k < s.trend_columns.size(); ++k) {
    gtk_combo_box_append_text(GTK_COMBO_BOX(s.w.column), s.trend_columns[k].label.c_str());
    if (s.trend_columns[k].key == chosen) active = static_cast<int>(k);
  }
  gtk_combo_box_set_active(GTK_COMBO_BOX(s.w.column), active);
  g_signal_handlers_unblock_by_func(s.w.column, reinterpret_cast<gpointer>(on_plot_choice_changed), nullptr);
}

void redraw_plots(series_window_state& s) {
  gtk_widget_queue_draw(s.w.waterfall);
  gtk_widget_queue_draw(s.w.trend);
}

void refresh_views(series_window_state& s) {
  if (s.refresh) g_source_remove(s.refresh), s.refresh = 0;
  refresh_trend_columns(s);
  refill_table(s);
  redraw_plots(s);
}

void schedule_refresh(series_window_state& s) {
  if (s.refresh) return;
  s.refresh = g_timeout_add(
      150,
      +[](gpointer) -> gboolean {
        series_window_state& now = series_state();
        now.refresh = 0;
        refresh_views(now);
        return G_SOURCE_REMOVE;
      },
      nullptr);
}

void highlight_entry(series_window_state& s, int k) {
  s.highlight = k >= 0 && static_cast<std::size_t>(k) < s.view.size() ? k : -1;
  select_highlighted(s);
  redraw_plots(s);
  refresh_controls(s);
  if (s.highlight >= 0) {
    const series_entry& e = s.view.entry(static_cast<std::size_t>(s.highlight));
    std::string text = e.input;
    if (e.row.value) text += format("  (%g)", *e.row.value);
    gtk_label_set_text(GTK_LABEL(s.w.status), text.c_str());
  }
}

void refresh_controls(series_window_state& s) {
  const series_window_widgets& w = s.w;
  if (!w.window) return;
  const bool running = s.job != nullptr;
  const int source = gtk_combo_box_get_active(GTK_COMBO_BOX(w.value_source));
  for (GtkWidget* x : {w.add_files, w.add_folder, w.pattern, w.clear, w.value_source}) gtk_widget_set_sensitive(x, !running);
  gtk_widget_set_sensitive(w.value_key, !running && source == 1);
  gtk_widget_set_sensitive(w.value_list, !running && source == 2);
  gtk_widget_set_sensitive(w.run, !running && !s.files.empty());
  gtk_widget_set_sensitive(w.cancel, running && !s.job->cancelled());
  const bool results = s.view.size() > 0;
  gtk_widget_set_sensitive(w.export_table, s.done && results && !running);
  gtk_widget_set_sensitive(w.export_matrices, s.done && results && !running);
  gtk_widget_set_sensitive(w.waterfall_export, results);
  gtk_widget_set_sensitive(w.trend_export, results);
  gtk_widget_set_sensitive(w.open_pattern, s.highlight >= 0);
}

// The engine's messages without the batch tool's name in front.
std::string messages_text(const std::vector<output_piece>& messages) {
  std::string text;
  for (const output_piece& m : messages) {
    std::string t = m.text;
    if (t.rfind("amoq-reduce: ", 0) == 0) t.erase(0, 13);
    text += t;
  }
  return text;
}

void on_export_table(GtkButton*, gpointer) {
  series_window_state& s = series_state();
  chooser_request r;
  r.title = _("Export the series table");
  r.save = true;
  r.accept = GTK_STOCK_SAVE;
  r.filters = {{_("CSV file (*.csv)"), "*.csv"}};
  r.confirm_overwrite = true;
  r.proposed_name = "series.csv";
  std::string path = choose_file(r);
  if (!path.empty()) path = complete_save_name(path, path.size() > 4 && path.ends_with(".csv") ? path : path + ".csv");
  if (path.empty()) return;
  std::vector<output_piece> messages;
  if (export_series_files(s.outdir, s.view.order(), path, "", messages) != series_ok) {
    show_error(messages_text(messages).c_str(), 1);
    return;
  }
  report_status(format(_("Saved %s"), path.c_str()));
  gtk_label_set_text(GTK_LABEL(s.w.status), format(_("Saved %s"), path.c_str()).c_str());
}

void on_export_matrices(GtkButton*, gpointer) {
  series_window_state& s = series_state();
  chooser_request r;
  r.title = _("Export the series matrices into a folder");
  r.select_folder = true;
  r.accept = GTK_STOCK_SAVE;
  const std::string folder = choose_file(r);
  if (folder.empty()) return;
  bool present = false;
  for (const char* stem : series_curve_stem) {
    std::error_code ec;
    present = present || fs::exists(fs::path(folder) / (std::string("series_") + stem + ".dat"), ec);
  }
  if (present && !ask_question(_("Replace files ?"),
                               format(_("The folder %s already holds series matrices (series_*.dat).\nDo you want to "
                                        "replace them ?"),
                                      folder.c_str())
                                   .c_str()))
    return;
  std::vector<output_piece> messages;
  const int status = export_series_files(s.outdir, s.view.order(), "", folder, messages);
  const std::string notes = messages_text(messages);
  if (status != series_ok) {
    show_error(notes.c_str(), 1);
    return;
  }
  report_status(format(_("Saved the matrices in %s"), folder.c_str()));
  gtk_label_set_text(GTK_LABEL(s.w.status), (format(_("Saved the matrices in %s"), folder.c_str()) + "\n" + notes).c_str());
}
