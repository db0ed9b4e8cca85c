// The front end: what the model asks of the user interface, as one interface of hooks.
// Each hook is empty until the user interface (or a batch front end) installs it, so
// everything below the GTK line runs without a display. Reading a project, applying
// settings, finishing a step or importing a file ends with "refresh what the user sees"
// through it. The numeric routines' callbacks are a separate seam (numeric/callbacks.h).
#pragma once

#include <functional>
#include <string>

#include "project/step_hooks.h"

struct curve;

// Refresh of the main window, the workspace tree and the curve windows.
struct refresh_hooks {
  // Refresh every widget from the active project (settings pages, tool boxes, title).
  // Returns 1 on success.
  std::function<int()> update_project;
  // Hide the widgets of project position p before another project is shown.
  std::function<void(int p)> hide_project;
  // The active project was read or created and joins the workspace tree.
  std::function<void()> project_added;
  // The curve records of project p were created: build its calculation tables and the
  // view buttons of the steps whose curve names are set.
  std::function<void(int p)> curve_records_created;
  // The curve names of step calc of project p were (re)set: (re)build its view buttons.
  std::function<void(int p, int calc)> curve_names_set;
  // Destroy the plot and window of a curve (the model clears the handles afterwards).
  std::function<void(curve& c)> destroy_curve_window;
  // Set the active and sensitive state of a curve's view button.
  std::function<void(curve& c, int active, int sensitive)> view_button_state;
  // Report the current size of the curve's window: width and full height.
  std::function<void(const curve& c, int& width, int& height)> window_size;
  // The species arrays of project p were rebuilt: rebuild the species selector.
  std::function<void(int p)> species_changed;
  // Project p was edited or saved, or the out-of-date state of its steps changed: its
  // row, the title, its curve windows' titles and the tool box labels follow.
  std::function<void(int p)> project_state_changed;
  // New points were stored into a curve whose window stays open (automatic
  // recalculation): redraw it.
  std::function<void(curve& c)> redraw_curve;
  // A one-line report for the main window's status bar.
  std::function<void(const std::string& text)> status_message;
};

// What an XML project import asks of the settings side after the values are in the
// record: apply the settings when the file says the project was applied, otherwise show
// the settings window so that the user can complete them.
struct xml_import_hooks {
  std::function<void()> apply_project;
  std::function<void()> show_settings;
};

struct front_end {
  refresh_hooks refresh;
  step_hooks steps;  // settings and step dialogs, tool box window
  xml_import_hooks xml_import;
  // A drawing autoscaled axes (1 = x, 2 = y) of curve (rid, cid) of project position p:
  // the curve editor refreshes its axis entries.
  std::function<void(int p, int rid, int cid, int axes)> plot_autoscaled;
};

// The installed interface; the user interface assigns members directly.
front_end& front();
// Replaces the whole interface and returns the previous one (tests restore it).
front_end set_front_end(front_end f);

// Its parts, by the names the callers use: front().refresh and front().steps.
refresh_hooks& hooks();
// Replaces the refresh part and returns the previous one.
refresh_hooks set_hooks(refresh_hooks h);
