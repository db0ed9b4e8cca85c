// What the step dialogs and tool boxes say about controls that cannot be used yet: the
// tooltip of a greyed control, and the one-line hint of a step whose input is still an
// unloaded file while the step before has a result to offer.
#pragma once

#include <string>

enum class greyed_control {
  step_dialog,      // the menu action opening the dialog of step calc
  data_file,        // the raw data, background and cell file buttons (calc = file id 0..2)
  step_curves,      // the check button and tool box expander of step calc
};

// Why `what` is greyed for project position p, or "" when it can be used.
std::string greyed_hint(int p, greyed_control what, int calc);

// The hint line of the dialog of step n (1..3), or "" when none is needed.
std::string input_hint(int p, int n);
