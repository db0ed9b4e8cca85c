// The save file chooser of the exports, through the program's chooser seam.
#include "gui/plot/curve_window_private.h"
#include "gui/base/chooser.h"
#include "project/file_names.h"

std::string choose_save_file(const char* title,
                             std::vector<std::pair<std::string, std::string>> filters,
                             const std::string& current_name, const std::string& current_file,
                             int p, int& filter) {
  chooser_request r;
  r.title = title;
  r.save = true;
  r.accept = "gtk-save";
  r.filters = std::move(filters);
  r.confirm_overwrite = true;
  if (current_file.empty()) {
    r.set_folder = true;
    r.folder = project_folder(p);
    r.proposed_name = current_name;
  } else {
    r.preset_file = current_file;
  }
  filter = 0;
  r.chosen_filter = &filter;
  return choose_file(r);
}
