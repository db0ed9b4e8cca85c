// Shared between the source files of the curve windows; not for other modules.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <utility>
#include <vector>

#include "project/curve.h"
#include "gui/plot/curve_window.h"

// Frees the rubber-band snapshot when it belongs to this curve (or any, for null).
void release_zoom_snapshot(const curve_id* triple);

// Image export choices: format (-1 none, 0 PNG, 1 PDF, 2 SVG), background opacity for
// PNG and SVG, image size in pixels (points for PDF and SVG), chosen file name.
struct image_export_state {
  int forme = -1;
  double alpha = 1.0;
  int resol[2]{};
  std::string img_file;
};
image_export_state& image_export();
// Result of the last image written by show_curve (1 written, 0 failed).
inline int last_export_ok = 0;

// Runs a save file chooser (overwrite confirmation on) through the program's chooser
// seam, with (name, pattern) filters in order; starts on `current_file` when it is set,
// otherwise in the folder of project position p (the current folder when it has none)
// on `current_name`. Returns the chosen path, empty when cancelled; `filter` receives
// the index of the filter chosen.
std::string choose_save_file(const char* title,
                             std::vector<std::pair<std::string, std::string>> filters,
                             const std::string& current_name, const std::string& current_file,
                             int p, int& filter);
