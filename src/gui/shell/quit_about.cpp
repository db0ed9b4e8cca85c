// The quit question and the about box of the main window.
#include "gui/shell/quit_about.h"

#include "gui/base/paths.h"
#include "gui/project/step_widgets.h"
#include "gui/shell/file_actions.h"
#include "gui/shell/main_window.h"
#include "project/changes.h"
#include "project/messages.h"
#include "version.h"
#include "gui/base/i18n.h"

extern "C" void show_question(GtkWidget*, gpointer) {
  // With unsaved work the save question replaces the quit question.
  bool quit = unsaved_projects().empty()
                  ? ask_question(_("Leaving AmoqGTK"), _("Are you sure you want to quit ?")) != 0
                  : settle_all_unsaved();
  if (quit) {
    on_quit_activate(nullptr, nullptr);
  } else if (amoq) {
    gtk_widget_show_all(amoq);
  }
}

extern "C" gboolean on_MainWindow_delete_event(GtkWidget*, GdkEvent*, gpointer) {
  // While a step computes, its popup offers Cancel; the window stays until it has ended.
  if (busy_running()) return TRUE;
  show_question(nullptr, nullptr);
  return TRUE;  // the window stays unless the question ended the program
}

extern "C" void create_aboutdialog(GtkWidget*, gpointer) {
  GtkWidget* d = gtk_about_dialog_new();
  GtkAboutDialog* about = GTK_ABOUT_DIALOG(d);
  if (GdkPixbuf* icon = program_icon()) gtk_window_set_icon(GTK_WINDOW(d), icon);
  if (GdkPixbuf* logo = load_pixbuf(PACKAGE_LOGO)) {
    gtk_about_dialog_set_logo(about, logo);
    g_object_unref(logo);
  }
  gtk_about_dialog_set_program_name(about, "AMOQ");
  gtk_about_dialog_set_version(about, amoq_version);
  gtk_about_dialog_set_comments(
      about,
      _("AMOQ, a program for analysis of X-ray diffraction data\nfrom amorphous materials for "
        "personal computers"));
  gtk_dialog_run(GTK_DIALOG(d));
  gtk_widget_destroy(d);
}
