// amoq: start-up of the program.
#include <gtk/gtk.h>
#include <libintl.h>

#include "shell/command_line.h"
#include "shell/paths.h"

int main(int argc, char** argv) {
  set_package_paths(find_install_dir());
  bindtextdomain("tessal", PACKAGE_LOCALE_DIR.c_str());
  bind_textdomain_codeset("tessal", "UTF-8");
  textdomain("tessal");

  command_line cl = parse_command_line(argc, argv);
  if (cl.help) {
    printhelp();
    return 0;
  }
  if (cl.version) {
    printversion();
    return 0;
  }
  // Numbers in files, entries and labels use "." whatever the user's locale.
  gtk_disable_setlocale();
  gtk_init(&argc, &argv);
  GtkBuilder* builder = gtk_builder_new();
  GError* err = nullptr;
  if (!gtk_builder_add_from_file(builder, PACKAGE_XML_FILE.c_str(), &err)) g_error("%s", err->message);
  GtkWidget* w = GTK_WIDGET(gtk_builder_get_object(builder, "MainWindow"));
  g_signal_connect(w, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  gtk_widget_show_all(w);
  gtk_main();
  return 0;
}
