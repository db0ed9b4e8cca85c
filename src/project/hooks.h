// Refresh hooks: what the model asks of the user interface. Each is empty until the
// shell installs it, so everything below the GTK line runs without a display.
#pragma once

#include <functional>
#include <string>

struct curve;

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

// The installed hooks; the shell assigns members directly.
refresh_hooks& hooks();

// Replaces all hooks and returns the previous set (tests restore it).
refresh_hooks set_hooks(refresh_hooks h);
