// amoq: start-up. Paths and message catalogue first, then the command line (help and
// version need no display), then the toolkit with the C locale kept, the main window and
// the file named on the command line, then the main loop.
#include <gtk/gtk.h>

#include "project/steps.h"
#include "gui/shell/command_line.h"
#include "gui/base/dialogs.h"
#include "gui/base/i18n.h"
#include "gui/shell/file_actions.h"
#include "gui/shell/main_window.h"
#include "gui/base/paths.h"

int main(int argc, char** argv) {
  set_package_paths(find_install_dir());
  setup_messages(PACKAGE_LOCALE_DIR.c_str());

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
  install_dialog_presenter();
  connect_step_callbacks();
  if (!start_main_window()) return 0;
  open_command_line_file(cl);
  if (!quit_requested) gtk_main();
  return 0;
}
