// Widget hooks of the settings rules and the calculation steps: what the rules ask of the
// settings dialog, the step dialogs and the tool box window. They are the steps part of
// the front-end interface (project/hooks.h); each is empty until the user interface
// installs it, so the rules run without a display (tests, amoq-reduce).
#pragma once

#include <functional>
#include <string>

struct step_hooks {
  // Settings dialog: show notebook page (0 sample, 1 experiment) after a failed check.
  std::function<void(int page)> settings_page;
  // Settings dialog: hide the "ProjectSettings" window (after "Apply").
  std::function<void()> settings_hide;
  // Settings dialog: rewrite the species and experiment entries from the active project
  // (a value was set by a rule, not typed).
  std::function<void()> settings_refresh;
  // Hide the windows of every curve of step calc of project position p.
  std::function<void(int p, int calc)> hide_curves;
  // Make the view button of curve (calc, cid) of the active project sensitive.
  std::function<void(int calc, int cid)> curve_sensitive;
  // Refresh the dialog of step calc from the active project (init_ra .. init_gr).
  std::function<void(int calc, int loaded)> init_step;
  // turncheck: set the step's check button and expander (both follow `on`).
  std::function<void(int calc, int on)> step_check;
  // turnchecks: the four check buttons and expanders from visok.
  std::function<void()> step_checks;
  // turnactions: each step's menu action sensitive exactly when dialok is 1.
  std::function<void()> step_actions;
  // Input line li (file id 0..5): name label text and points label markup.
  std::function<void(int li, const std::string& name, const std::string& points)> input_line;
  // Show (1) or hide (0) the file button of input line li.
  std::function<void(int li, int shown)> file_button;
  // Busy state around a numeric routine: post 0 enter, 1 leave; text of the popup.
  std::function<void(int post, int calc, double opacity, const std::string& text)> busy;
  // Text of the "ncview" (normalisation constant) and "grview" (slope density) views.
  std::function<void(const std::string& text)> nc_view;
  std::function<void(const std::string& text)> dens_view;
};

// The steps part of the installed front end (front().steps); the user interface assigns
// members directly.
step_hooks& shooks();

// Replaces the steps part and returns the previous one.
step_hooks set_step_hooks(step_hooks h);
