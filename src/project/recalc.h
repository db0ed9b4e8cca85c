// Automatic recalculation: with the project's "Recalculate automatically" option on,
// every accepted change reruns the steps whose results it put out of date, in chain
// order, so the open curve windows follow the settings as they are typed.
#pragma once

// The project option; switching it on reruns what is out of date at once.
bool auto_recalc_on(int p);
void set_auto_recalc(int p, bool on);

// Runs, in chain order, every out-of-date step of the active project whose inputs pass
// their checks (silently: a step that cannot run stays out of date, and so do the steps
// it feeds). Curve windows stay open and are redrawn with the new points; no busy popup
// is shown. Returns the number of steps run.
int recalculate();

// True while recalculate runs.
bool auto_recalculating();
