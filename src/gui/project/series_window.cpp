// The Series window: choosing the patterns and their series value, the run in the
// background with its progress and Cancel, and a pattern opened as its own project.
//
// The active project may be unsaved: for each run its settings are written, through the
// project file writer, to a private file in the window's scratch folder, and the workers
// read that file, as amoq-reduce reads the project it is given. The user's own project
// and its file are left as they are, and every number is the one amoq-reduce gives.
#include <cstring>
#include <filesystem>

#include "files/project_file.h"
#include "project/file_names.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/steps.h"
#include "series/series_order.h"
#include "gui/base/chooser.h"
#include "gui/base/dialogs.h"
#include "gui/base/i18n.h"
#include "gui/base/paths.h"
#include "gui/project/series_window_private.h"
#include "gui/shell/file_actions.h"

namespace fs = std::filesystem;

namespace {

enum value_source { no_value, header_value_source, list_value_source };

series_window_state* state = nullptr;

void set_status(series_window_state& s, const std::string& text) {
  gtk_label_set_text(GTK_LABEL(s.w.status), text.c_str());
}

// ---- The patterns -------------------------------------------------------------------------

void show_files(series_window_state& s) {
  const std::string text = s.files.empty() ? std::string(_("No pattern chosen"))
                                           : format(_("Patterns: %zu"), s.files.size());
  gtk_label_set_text(GTK_LABEL(s.w.files_label), text.c_str());
  refresh_controls(s);
}

void add_files(series_window_state& s, const std::vector<std::string>& chosen) {
  s.files.insert(s.files.end(), chosen.begin(), chosen.end());
  sort_naturally(s.files);
  show_files(s);
}

void on_add_files(GtkButton*, gpointer) {
  chooser_request r;
  r.title = _("Choose the patterns of the series");
  r.filters = {{_("All files (*)"), "*"}};
  r.remember_folder = "data";
  add_files(series_state(), choose_files(r));
}

void on_add_folder(GtkButton*, gpointer) {
  series_window_state& s = series_state();
  chooser_request r;
  r.title = _("Choose a folder of patterns");
  r.select_folder = true;
  r.remember_folder = "data";
  const std::string folder = choose_file(r);
  if (folder.empty()) return;
  const std::string pattern = gtk_entry_get_text(GTK_ENTRY(s.w.pattern));
  std::string error;
  const std::vector<std::string> found = files_matching(folder, pattern, error);
  if (!error.empty()) {
    show_error(format(_("Impossible to read the folder:\n%s"), error.c_str()).c_str(), 1);
    return;
  }
  if (found.empty()) {
    show_warning(format(_("No file of %s matches %s"), folder.c_str(), pattern.c_str()).c_str());
    return;
  }
  add_files(s, found);
}

void on_clear(GtkButton*, gpointer) {
  series_state().files.clear();
  show_files(series_state());
}

void on_value_source_changed(GtkComboBox*, gpointer) { refresh_controls(series_state()); }

void on_value_list(GtkButton*, gpointer) {
  series_window_state& s = series_state();
  chooser_request r;
  r.title = _("Choose the list of series values");
  r.filters = {{_("All files (*)"), "*"}};
  r.remember_folder = "data";
  const std::string chosen = choose_file(r);
  if (chosen.empty()) return;
  s.list_file = chosen;
  gtk_label_set_text(GTK_LABEL(s.w.value_list_label), fs::path(chosen).filename().c_str());
}

void on_order_changed(GtkComboBox* combo, gpointer) {
  series_window_state& s = series_state();
  s.view.set_sort(gtk_combo_box_get_active(combo) == 1 ? series_sort::by_value : series_sort::by_name);
  refill_table(s);
  redraw_plots(s);
}

// ---- The run ----------------------------------------------------------------------------------

// Ended jobs are released from the main loop, never inside their own handler.
void release_finished() {
  g_idle_add(
      +[](gpointer) -> gboolean {
        if (state) state->finished.clear();
        return G_SOURCE_REMOVE;
      },
      nullptr);
}

void show_progress(series_window_state& s) {
  const double total = static_cast<double>(s.job ? s.job->total() : 1);
  const std::size_t done = s.job ? s.job->delivered() : 0;
  gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(s.w.progress), total > 0 ? done / total : 0.0);
  const std::string text = format("%zu / %zu", done, s.job ? s.job->total() : 0);
  gtk_progress_bar_set_text(GTK_PROGRESS_BAR(s.w.progress), text.c_str());
}

void take_results(std::vector<series_result>& results) {
  series_window_state& s = series_state();
  for (const series_result& r : results) {
    const auto& inputs = s.job->request().inputs;
    s.view.add(r, r.index < inputs.size() ? inputs[r.index].path : std::string(), s.outdir);
  }
  show_progress(s);
  schedule_refresh(s);
}

void run_done(int, const std::vector<output_piece>& messages) {
  series_window_state& s = series_state();
  show_progress(s);
  std::size_t reduced = 0;
  for (std::size_t k = 0; k < s.view.size(); ++k) reduced += s.view.entry(k).exit == series_ok;
  const std::size_t total = s.job->total();
  std::string text = s.job->cancelled() ? format(_("Cancelled: %zu of %zu patterns reduced"), reduced, total)
                                        : format(_("%zu of %zu patterns reduced"), reduced, total);
  if (reduced > 0) text += ". " + std::string(_("Click a curve, a dot or a row to mark its pattern; double-click it "
                                                 "to open the pattern as a project."));
  if (const std::string notes = messages_text(messages); !notes.empty()) text += "\n" + notes.substr(0, notes.find('\n'));
  set_status(s, text);
  s.done = true;
  s.finished.push_back(std::move(s.job));
  release_finished();
  refresh_controls(s);
  refresh_views(s);
}

// The series value asked for: the header key or the values of the list; false (with the
// message shown) when it is incomplete.
bool take_series_value(series_window_state& s, series_request& r, std::string& title) {
  const int source = gtk_combo_box_get_active(GTK_COMBO_BOX(s.w.value_source));
  if (source == header_value_source) {
    std::string key = gtk_entry_get_text(GTK_ENTRY(s.w.value_key));
    while (!key.empty() && key.back() == ' ') key.pop_back();
    while (!key.empty() && key.front() == ' ') key.erase(0, 1);
    if (key.empty()) {
      show_warning(_("Type the key of the series value in the files' headers (for example Temperature)"));
      return false;
    }
    r.value_key = title = key;
  } else if (source == list_value_source) {
    if (s.list_file.empty()) {
      show_warning(_("Choose the list file of the series values"));
      return false;
    }
    std::string error;
    if (read_series_values(s.list_file, r.inputs, r.values, error) != series_ok) {
      // The reason without the batch tool's name and option in front.
      for (const char* prefix : {"amoq-reduce: ", "--series-values "})
        if (error.rfind(prefix, 0) == 0) error.erase(0, std::strlen(prefix));
      show_warning(error.c_str());
      return false;
    }
    title = _("Series value");
  }
  return true;
}

bool make_scratch(series_window_state& s) {
  if (!s.scratch.empty()) return true;
  GError* err = nullptr;
  gchar* dir = g_dir_make_tmp("amoq-series-XXXXXX", &err);
  if (!dir) {
    show_error(format(_("Impossible to create the folder:\n%s\n%s\n"), "amoq-series", err ? err->message : "").c_str(),
               1);
    if (err) g_error_free(err);
    return false;
  }
  s.scratch = dir;
  g_free(dir);
  return true;
}

void on_run(GtkButton*, gpointer) {
  series_window_state& s = series_state();
  if (s.job) return;
  if (s.files.empty()) return show_warning(_("Choose the patterns of the series first"));
  if (!valid_project(activep)) return show_warning(_("Open or create a project first: its settings reduce the series"));
  if (!proj[activep].run) return show_warning(_("Apply the settings of the active project first: they reduce the series"));
  series_request r;
  for (const std::string& f : s.files) r.inputs.push_back(series_input(f));
  std::string title;
  if (!take_series_value(s, r, title) || !make_scratch(s)) return;
  // The previous run's results give way to this one's.
  std::error_code ec;
  if (!s.outdir.empty()) fs::remove_all(s.outdir, ec);
  const std::string n = std::to_string(++s.runs);
  s.outdir = (fs::path(s.scratch) / ("run-" + n)).string();
  s.snapshot = (fs::path(s.scratch) / ("settings-" + n + ".nap")).string();
  if (const int code = save_project_file(s.snapshot, activep); code != 0) {
    show_error(format(_("Impossible to save project file:\n%s\nError code: %d\n"), s.snapshot.c_str(), code).c_str(), 1);
    return;
  }
  r.settings.project = s.snapshot;
  r.settings.quiet = true;
  r.outdir = s.outdir;
  r.series = true;
  r.scratch = true;
  s.settings = r.settings;
  s.view.reset(r.settings, title);
  s.done = false;
  s.highlight = -1;
  reset_table(s);
  s.job = std::make_unique<series_job>(take_results, run_done);
  std::string error;
  if (!s.job->start(std::move(r), error)) {
    s.job.reset();
    show_error(format(_("Impossible to start the series:\n%s"), error.c_str()).c_str(), 1);
    refresh_controls(s);
    return;
  }
  set_status(s, format(_("Reducing %zu patterns with the settings of %s"), s.files.size(), proj[activep].name.c_str()));
  show_progress(s);
  refresh_controls(s);
  redraw_plots(s);
}

void on_cancel(GtkButton*, gpointer) {
  series_window_state& s = series_state();
  if (!s.job) return;
  s.job->cancel();
  set_status(s, _("Cancelling: the patterns being reduced finish first"));
}

gboolean on_delete(GtkWidget* window, GdkEvent*, gpointer) {
  // Closing stops the run; the window and its results stay for the next opening.
  if (series_state().job) series_state().job->cancel();
  gtk_widget_hide(window);
  return TRUE;
}

// ---- Opening a pattern --------------------------------------------------------------------------

void opening_done(series_job* job, const std::string& nap, const std::string& name,
                  const std::vector<std::string>& warnings) {
  series_window_state& s = series_state();
  for (auto it = s.openings.begin(); it != s.openings.end(); ++it)
    if (it->get() == job) {
      s.finished.push_back(std::move(*it));
      s.openings.erase(it);
      break;
    }
  release_finished();
  refresh_controls(s);
  std::error_code ec;
  if (!fs::is_regular_file(nap, ec)) {
    std::string why;
    for (const std::string& w : warnings) why += w + (w.empty() || w.back() != '\n' ? "\n" : "");
    show_warning(format(_("The pattern %s could not be reduced:\n%s"), name.c_str(), why.c_str()).c_str());
    return;
  }
  if (open_project_copy(nap, name) == 0) set_status(s, format(_("%s opened as a new project"), name.c_str()));
}

// ---- Building ------------------------------------------------------------------------------------

GtkWidget* labelled(GtkWidget* box, const char* text) {
  GtkWidget* label = gtk_label_new(text);
  gtk_box_pack_start(GTK_BOX(box), label, FALSE, FALSE, 0);
  return label;
}

GtkWidget* packed(GtkWidget* box, GtkWidget* child, bool expand = false) {
  gtk_box_pack_start(GTK_BOX(box), child, expand, expand, 0);
  return child;
}

GtkWidget* button(GtkWidget* box, const char* text, GCallback handler) {
  GtkWidget* b = gtk_button_new_with_mnemonic(text);
  g_signal_connect(b, "clicked", handler, nullptr);
  return packed(box, b);
}

GtkWidget* text_combo(std::initializer_list<const char*> entries, int active) {
  GtkWidget* combo = gtk_combo_box_new_text();
  for (const char* e : entries) gtk_combo_box_append_text(GTK_COMBO_BOX(combo), e);
  gtk_combo_box_set_active(GTK_COMBO_BOX(combo), active);
  return combo;
}

GtkWidget* build_files_row(series_window_state& s) {
  GtkWidget* row = gtk_hbox_new(FALSE, 6);
  s.w.add_files = button(row, _("_Files…"), G_CALLBACK(on_add_files));
  s.w.add_folder = button(row, _("F_older…"), G_CALLBACK(on_add_folder));
  labelled(row, _("Pattern"));
  s.w.pattern = packed(row, gtk_entry_new());
  gtk_entry_set_text(GTK_ENTRY(s.w.pattern), "*.dat");
  gtk_entry_set_width_chars(GTK_ENTRY(s.w.pattern), 12);
  gtk_widget_set_tooltip_text(s.w.pattern, _("The files of the folder that are taken, for example *.dat or run_*.xy"));
  s.w.clear = button(row, _("_Clear"), G_CALLBACK(on_clear));
  s.w.files_label = packed(row, gtk_label_new(""));
  return row;
}

GtkWidget* build_value_row(series_window_state& s) {
  GtkWidget* row = gtk_hbox_new(FALSE, 6);
  s.w.value_source = packed(row, text_combo({_("No series value"), _("Series value from each file's header"),
                                             _("Series values from a list file")},
                                            no_value));
  g_signal_connect(s.w.value_source, "changed", G_CALLBACK(on_value_source_changed), nullptr);
  labelled(row, _("Key"));
  s.w.value_key = packed(row, gtk_entry_new());
  gtk_entry_set_width_chars(GTK_ENTRY(s.w.value_key), 14);
  gtk_widget_set_tooltip_text(s.w.value_key,
                              _("The name before the value in each file's header, for example Temperature"));
  s.w.value_list = button(row, _("_List file…"), G_CALLBACK(on_value_list));
  gtk_widget_set_tooltip_text(s.w.value_list, _("A text file of lines: file name, then its value"));
  s.w.value_list_label = packed(row, gtk_label_new(""));
  labelled(row, _("Order"));
  s.w.order = packed(row, text_combo({_("By file name"), _("By series value")}, 0));
  g_signal_connect(s.w.order, "changed", G_CALLBACK(on_order_changed), nullptr);
  return row;
}

GtkWidget* build_run_row(series_window_state& s) {
  GtkWidget* row = gtk_hbox_new(FALSE, 6);
  s.w.run = button(row, _("_Run"), G_CALLBACK(on_run));
  gtk_button_set_image(GTK_BUTTON(s.w.run), gtk_image_new_from_stock(GTK_STOCK_EXECUTE, GTK_ICON_SIZE_BUTTON));
  s.w.cancel = packed(row, gtk_button_new_from_stock(GTK_STOCK_CANCEL));
  g_signal_connect(s.w.cancel, "clicked", G_CALLBACK(on_cancel), nullptr);
  s.w.progress = packed(row, gtk_progress_bar_new(), true);
  return row;
}

void build_window(series_window_state& s) {
  s.w.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(s.w.window), _("Series"));
  if (GdkPixbuf* icon = program_icon()) gtk_window_set_icon(GTK_WINDOW(s.w.window), icon);
  if (amoq) gtk_window_set_transient_for(GTK_WINDOW(s.w.window), GTK_WINDOW(amoq));
  gtk_window_set_default_size(GTK_WINDOW(s.w.window), 1180, 860);
  g_signal_connect(s.w.window, "delete-event", G_CALLBACK(on_delete), nullptr);

  GtkWidget* box = gtk_vbox_new(FALSE, 6);
  gtk_container_set_border_width(GTK_CONTAINER(box), 6);
  gtk_container_add(GTK_CONTAINER(s.w.window), box);
  packed(box, build_files_row(s));
  packed(box, build_value_row(s));
  packed(box, build_run_row(s));
  GtkWidget* plots = gtk_hpaned_new();
  gtk_paned_pack1(GTK_PANED(plots), build_waterfall_view(s), TRUE, FALSE);
  gtk_paned_pack2(GTK_PANED(plots), build_trend_view(s), FALSE, FALSE);  // the waterfall takes what is gained
  gtk_paned_set_position(GTK_PANED(plots), 680);
  GtkWidget* split = gtk_vpaned_new();
  gtk_paned_pack1(GTK_PANED(split), plots, TRUE, FALSE);
  gtk_paned_pack2(GTK_PANED(split), build_table_view(s), TRUE, FALSE);
  gtk_paned_set_position(GTK_PANED(split), 540);
  packed(box, split, true);
  s.w.status = packed(box, gtk_label_new(""));
  gtk_misc_set_alignment(GTK_MISC(s.w.status), 0.0, 0.5);
  gtk_label_set_selectable(GTK_LABEL(s.w.status), TRUE);
  show_files(s);
  s.view.reset(series_settings{}, "");
  reset_table(s);
  gtk_widget_show_all(box);
}

}  // namespace

series_window_state& series_state() {
  if (!state) state = new series_window_state;
  return *state;
}

void open_entry_as_project(series_window_state& s, int k) {
  if (k < 0 || static_cast<std::size_t>(k) >= s.view.size() || s.snapshot.empty()) return;
  const series_entry& e = s.view.entry(static_cast<std::size_t>(k));
  std::string name = fs::path(e.input).stem().string();
  if (name.empty()) name = "pattern";
  const std::string dir = (fs::path(s.scratch) / ("open-" + std::to_string(++s.opened))).string();
  const std::string nap = (fs::path(dir) / (safe_file_name(name) + ".nap")).string();
  series_request r;
  r.settings = s.settings;
  r.settings.save_project = nap;
  r.inputs = {series_input(e.input)};
  r.outdir = dir;
  r.workers = 1;
  r.scratch = true;
  auto self = std::make_shared<series_job*>(nullptr);
  auto warnings = std::make_shared<std::vector<std::string>>();
  auto job = std::make_unique<series_job>(
      [warnings](std::vector<series_result>& results) {
        for (const series_result& res : results) *warnings = res.row.warnings;
      },
      [self, warnings, nap, name](int, const std::vector<output_piece>&) { opening_done(*self, nap, name, *warnings); });
  *self = job.get();
  std::string error;
  if (!job->start(std::move(r), error)) {
    show_error(format(_("Impossible to start the series:\n%s"), error.c_str()).c_str(), 1);
    return;
  }
  s.openings.push_back(std::move(job));
  set_status(s, format(_("Opening %s as a new project…"), name.c_str()));
  refresh_controls(s);
}

void open_series_window() {
  series_window_state& s = series_state();
  if (!s.w.window) build_window(s);
  refresh_controls(s);
  gtk_window_present(GTK_WINDOW(s.w.window));
}

const series_window_widgets* series_window() { return state && state->w.window ? &state->w : nullptr; }
const series_view& series_window_view() { return series_state().view; }
bool series_window_busy() { return state && (state->job || !state->openings.empty()); }
int series_window_highlight() { return state ? state->highlight : -1; }

void close_series_window() {
  if (!state) return;
  series_window_state* s = state;
  state = nullptr;  // handlers still queued find no window
  if (s->refresh) g_source_remove(s->refresh);
  if (s->job) s->job->cancel();
  for (auto& j : s->openings) j->cancel();
  s->job.reset();  // each awaits its running inputs
  s->openings.clear();
  s->finished.clear();
  if (s->w.window) gtk_widget_destroy(s->w.window);
  std::error_code ec;
  if (!s->scratch.empty()) fs::remove_all(s->scratch, ec);
  delete s;
}

extern "C" void on_series_activate(GtkWidget*, gpointer) { open_series_window(); }
