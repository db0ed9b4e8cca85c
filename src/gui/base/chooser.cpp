#include "gui/base/chooser.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "gui/base/paths.h"
#include "project/messages.h"
#include "gui/base/i18n.h"

namespace {

chooser_function& installed() {
  static chooser_function f;
  return f;
}

std::string run_dialog(const chooser_request& r) {
  const GtkFileChooserAction action = r.save            ? GTK_FILE_CHOOSER_ACTION_SAVE
                                      : r.select_folder ? GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER
                                                        : GTK_FILE_CHOOSER_ACTION_OPEN;
  GtkWidget* dialog = gtk_file_chooser_dialog_new(
      r.title.c_str(), nullptr, action,
      GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL, r.accept.c_str(), GTK_RESPONSE_ACCEPT, nullptr);
  GtkFileChooser* fc = GTK_FILE_CHOOSER(dialog);
  if (amoq) gtk_window_set_transient_for(GTK_WINDOW(dialog), GTK_WINDOW(amoq));
  if (GdkPixbuf* icon = program_icon()) gtk_window_set_icon(GTK_WINDOW(dialog), icon);
  gtk_file_chooser_set_do_overwrite_confirmation(fc, r.confirm_overwrite);
  gtk_file_chooser_set_select_multiple(fc, r.multiple && !r.save);
  for (const auto& [name, pattern] : r.filters) {
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, name.c_str());
    for (size_t b = 0; b <= pattern.size();) {
      size_t e = std::min(pattern.find(';', b), pattern.size());
      gtk_file_filter_add_pattern(filter, pattern.substr(b, e - b).c_str());
      b = e + 1;
    }
    gtk_file_chooser_add_filter(fc, filter);
  }
  // An empty folder is the current one: without a folder the chooser would open on
  // "Recently used", where a typed path does nothing.
  if (r.set_folder || r.preset_file.empty()) {
    gchar* here = g_get_current_dir();
    gtk_file_chooser_set_current_folder(fc, r.folder.empty() ? here : r.folder.c_str());
    g_free(here);
  }
  if (!r.preset_file.empty()) gtk_file_chooser_set_filename(fc, r.preset_file.c_str());
  if (!r.proposed_name.empty()) gtk_file_chooser_set_current_name(fc, r.proposed_name.c_str());
  std::string chosen;
  if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
    if (r.multiple) {
      GSList* names = gtk_file_chooser_get_filenames(fc);
      for (GSList* l = names; l; l = l->next) {
        chosen += (chosen.empty() ? "" : "\n") + std::string(static_cast<const char*>(l->data));
        g_free(l->data);
      }
      g_slist_free(names);
    } else if (gchar* name = gtk_file_chooser_get_filename(fc)) {
      chosen = name;
      g_free(name);
    }
    if (r.chosen_filter) {
      GSList* filters = gtk_file_chooser_list_filters(fc);
      int index = g_slist_index(filters, gtk_file_chooser_get_filter(fc));
      g_slist_free(filters);
      *r.chosen_filter = index < 0 ? 0 : index;
    }
  }
  gtk_widget_destroy(dialog);
  return chosen;
}

}  // namespace

chooser_function set_file_chooser(chooser_function f) {
  chooser_function previous = std::move(installed());
  installed() = std::move(f);
  return previous;
}

std::string choose_file(const chooser_request& request) {
  static std::map<std::string, std::string> last_folder;
  chooser_request r = request;
  const auto last = last_folder.find(r.remember_folder);
  if (!r.remember_folder.empty() && !r.set_folder && last != last_folder.end()) {
    r.set_folder = true;
    r.folder = last->second;
  }
  std::string chosen = installed() ? installed()(r) : run_dialog(r);
  if (!chosen.empty() && !r.remember_folder.empty()) {
    const std::string first = chosen.substr(0, chosen.find('\n'));
    last_folder[r.remember_folder] = r.select_folder ? first : std::filesystem::path(first).parent_path().string();
  }
  return chosen;
}

std::vector<std::string> choose_files(chooser_request request) {
  request.multiple = true;
  const std::string chosen = choose_file(request);
  std::vector<std::string> files;
  for (std::size_t b = 0; b < chosen.size();) {
    const std::size_t e = std::min(chosen.find('\n', b), chosen.size());
    if (e > b) files.push_back(chosen.substr(b, e - b));
    b = e + 1;
  }
  return files;
}

std::string complete_save_name(const std::string& chosen, const std::string& completed) {
  if (completed == chosen || !g_file_test(completed.c_str(), G_FILE_TEST_EXISTS)) return completed;
  gchar* base = g_path_get_basename(completed.c_str());
  std::string text = format(_("A file named \"%s\" already exists.\nDo you want to replace it ?"), base);
  g_free(base);
  return ask_question(_("Replace file ?"), text.c_str()) ? completed : std::string();
}
