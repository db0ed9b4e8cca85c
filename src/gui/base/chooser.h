// File-chooser seam: every file chooser of the program goes through choose_file. The
// program runs a modal GtkFileChooserDialog; tests install a function that answers with
// a scripted path (or an empty string for Cancel) and never block.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

struct chooser_request {
  std::string title;
  bool save = false;            // save mode (else open)
  std::string accept = "gtk-open";  // stock id of the accept button
  // (name, patterns) pairs, in the order shown; several patterns separated by ';'.
  std::vector<std::pair<std::string, std::string>> filters;
  bool confirm_overwrite = false;
  bool set_folder = false;      // set the current folder to `folder` ("" = the toolkit's)
  std::string folder;
  std::string preset_file;      // preselect this file (save mode)
  std::string proposed_name;    // proposed name in the name entry (save mode)
  // When set, receives the index of the filter selected at acceptance (the data export
  // takes its format from it).
  int* chosen_filter = nullptr;
  // When set (and no folder is imposed), the chooser opens in the folder of the last file
  // chosen with the same key in this session ("data": the data files).
  std::string remember_folder;
  bool select_folder = false;  // a folder is chosen, not a file
  bool multiple = false;       // several files at once (choose_files)
};

using chooser_function = std::function<std::string(const chooser_request&)>;

// Installs a chooser and returns the previous one; an empty function restores the dialog.
chooser_function set_file_chooser(chooser_function f);

// The chosen path, or an empty string when the user cancelled.
std::string choose_file(const chooser_request& request);
// The files chosen in an open chooser that takes several at once (none: cancelled). An
// installed chooser answers with the paths separated by newlines.
std::vector<std::string> choose_files(chooser_request request);

// The name a save chooser returned, completed with the extension of its format:
// `completed` when it is the chosen file or no file of that name exists, or when the
// user agrees to replace the existing one; "" when the user declines.
std::string complete_save_name(const std::string& chosen, const std::string& completed);
