#include "gui/base/dialogs.h"

#include <algorithm>

#include "project/messages.h"
#include "gui/base/paths.h"
#include "gui/base/placement.h"
#include "gui/base/i18n.h"

namespace {

void run_message(GtkMessageType type, const char* title, const std::string& text, bool markup) {
  GtkWidget* d = markup ? gtk_message_dialog_new_with_markup(nullptr, GTK_DIALOG_MODAL, type,
                                                             GTK_BUTTONS_OK, nullptr)
                        : gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, type, GTK_BUTTONS_OK,
                                                 nullptr);
  // The text is set apart from the format so that "%" in messages is shown as it is.
  if (markup)
    gtk_message_dialog_set_markup(GTK_MESSAGE_DIALOG(d), text.c_str());
  else
    g_object_set(d, "text", text.c_str(), nullptr);
  gtk_window_set_title(GTK_WINDOW(d), title);
  if (GdkPixbuf* icon = program_icon()) gtk_window_set_icon(GTK_WINDOW(d), icon);
  gtk_dialog_run(GTK_DIALOG(d));
  gtk_widget_destroy(d);
}

int run_question(const std::string& title, const std::string& text) {
  GtkWidget* d = gtk_message_dialog_new(GTK_WINDOW(amoq), GtkDialogFlags(GTK_DIALOG_DESTROY_WITH_PARENT),
                                        GTK_MESSAGE_QUESTION, GTK_BUTTONS_YES_NO, nullptr);
  g_object_set(d, "text", text.c_str(), nullptr);
  gtk_window_set_title(GTK_WINDOW(d), title.c_str());
  if (GdkPixbuf* icon = program_icon()) gtk_window_set_icon(GTK_WINDOW(d), icon);
  int answer = gtk_dialog_run(GTK_DIALOG(d)) == GTK_RESPONSE_YES;
  gtk_widget_destroy(d);
  return answer;
}

int run_save_question(const std::string& text) {
  GtkWidget* d = gtk_message_dialog_new(GTK_WINDOW(amoq), GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
                                        GTK_MESSAGE_WARNING, GTK_BUTTONS_NONE, nullptr);
  g_object_set(d, "text", text.c_str(), nullptr);
  gtk_dialog_add_buttons(GTK_DIALOG(d), _("Close _without saving"), GTK_RESPONSE_REJECT,
                         GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL, GTK_STOCK_SAVE,
                         GTK_RESPONSE_ACCEPT, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(d), GTK_RESPONSE_ACCEPT);
  gtk_window_set_title(GTK_WINDOW(d), _("Unsaved changes"));
  if (GdkPixbuf* icon = program_icon()) gtk_window_set_icon(GTK_WINDOW(d), icon);
  int response = gtk_dialog_run(GTK_DIALOG(d));
  gtk_widget_destroy(d);
  if (response == GTK_RESPONSE_ACCEPT) return answer_save;
  if (response == GTK_RESPONSE_REJECT) return answer_discard;
  return answer_cancel;
}

std::optional<std::string> run_name_dialog(const std::string& current) {
  GtkWidget* d = gtk_dialog_new_with_buttons(_("Project name"), GTK_WINDOW(amoq), GTK_DIALOG_MODAL,
                                             GTK_STOCK_OK, GTK_RESPONSE_OK, GTK_STOCK_CANCEL,
                                             GTK_RESPONSE_CANCEL, nullptr);
  frame_dialog(d);
  GtkWidget* area = gtk_dialog_get_content_area(GTK_DIALOG(d));
  gtk_box_set_spacing(GTK_BOX(area), 15);
  GtkWidget* entry = gtk_entry_new();
  gtk_widget_set_size_request(entry, 200, -1);
  gtk_entry_set_alignment(GTK_ENTRY(entry), 1.0);
  gtk_entry_set_text(GTK_ENTRY(entry), current.c_str());
  gtk_box_pack_start(GTK_BOX(area), entry, FALSE, FALSE, 0);
  gtk_widget_show_all(d);
  std::optional<std::string> out;
  if (gtk_dialog_run(GTK_DIALOG(d)) == GTK_RESPONSE_OK) out = gtk_entry_get_text(GTK_ENTRY(entry));
  gtk_widget_destroy(d);
  return out;
}

text_prompt& name_prompt() {
  static text_prompt f;
  return f;
}

}  // namespace

void install_dialog_presenter() {
  message_presenter p;
  p.info = [](const std::string& t) { run_message(GTK_MESSAGE_INFO, _("Information"), t, true); };
  p.warning = [](const std::string& t) { run_message(GTK_MESSAGE_WARNING, _("Warning"), t, false); };
  p.error = [](const std::string& t) {
    g_log(nullptr, G_LOG_LEVEL_WARNING, "%s", t.c_str());
    run_message(GTK_MESSAGE_ERROR, _("Error"), t, false);
  };
  p.question = run_question;
  p.save_changes = run_save_question;
  set_message_presenter(std::move(p));
}

void show_near_parent(GtkWidget* dialog, GtkWidget* parent) {
  if (!dialog || !GTK_IS_WINDOW(dialog)) return;
  if (!parent) parent = amoq;
  GtkWindow* w = GTK_WINDOW(dialog);
  if (parent && GTK_IS_WINDOW(parent) && gtk_widget_get_visible(parent)) {
    gtk_window_set_transient_for(w, GTK_WINDOW(parent));
    move_window(dialog, near_parent(window_rect(dialog), window_rect(parent), work_area(parent), window_frame()));
  }
  gtk_widget_show(dialog);
  gtk_window_present(w);
}

GtkWidget* frame_dialog(GtkWidget* d) {
  gtk_container_set_border_width(GTK_CONTAINER(d), 5);
  gtk_window_set_resizable(GTK_WINDOW(d), FALSE);
  gtk_dialog_set_has_separator(GTK_DIALOG(d), FALSE);
  if (GdkPixbuf* icon = program_icon()) gtk_window_set_icon(GTK_WINDOW(d), icon);
  return d;
}

GtkWidget* dialogmodal(GtkWidget* parent, const char* title) {
  GtkWidget* d = gtk_dialog_new_with_buttons(
      title, parent ? GTK_WINDOW(parent) : nullptr,
      GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT), GTK_STOCK_CLOSE,
      GTK_RESPONSE_CLOSE, GTK_STOCK_OK, GTK_RESPONSE_OK, nullptr);
  frame_dialog(d);
  return d;
}

text_prompt set_name_prompt(text_prompt f) {
  text_prompt previous = std::move(name_prompt());
  name_prompt() = std::move(f);
  return previous;
}

std::optional<std::string> cask(const std::string& current) {
  if (name_prompt()) return name_prompt()(current);
  return run_name_dialog(current);
}
