// The four calculation steps as functions of the active project: loading the data files,
// the option switches of the step dialogs, the input checks with their warnings, and the
// runs that gather the arguments, call dr, nm, zd or cd and update the flags. Dialogs
// read their widgets, call these and refresh from the record.
#pragma once

#include <cstddef>
#include <span>
#include <string>

struct read_source;

// Result of a run.
enum step_result {
  step_refused = 0,  // a check failed (its warning was shown); nothing changed
  step_done = 1,     // the routine delivered its results; calcok set
  step_failed = 2,   // the routine refused (its own message, then the two dialogs), or its
                     // result holds NaN or infinity (one message naming the point)
  step_cancelled = 3,  // stopped on request (numeric/cancel.h): the project is as it was
};

// ---- Data files (ids 0..5: raw, background, cell, and the inputs of steps 1..3) ----

// Step and curve that file id is read into.
int file_calc(int id);
int file_curve(int id);

// Loads the file at `path` as data file id of the active project (the part of
// on_datafile_set after the chooser). Returns 1 on success, 0 on failure (message shown,
// the file name unset). The curve records must exist.
int load_data_file(int id, const char* path);

// The fewest points a step input may hold: the routines' grids need a first step.
inline constexpr std::size_t min_points = 2;

// Why points held in memory cannot be a step input, or "" when they can: x, y (and sigma,
// when not empty) of different lengths, fewer than min_points, a value that is not
// finite, an abscissa that does not increase, a negative standard deviation.
std::string points_problem(std::span<const double> x, std::span<const double> y, std::span<const double> sigma);

// Loads n points held in memory as data file id, named `name`, as load_data_file loads a
// file's pairs; sigma (null, or n standard deviations of y) is kept when the uncertainties
// come from the third column. Points with a points_problem are refused with a message,
// like a file the reader cannot use. Returns 1 on success, 0 on failure.
int load_data_points(int id, const char* name, int n, const double* x, const double* y,
                     const double* sigma = nullptr);

// Reads one file into curve (calc, cid) and fills the input line; 1 on success, else the
// message of read_data's code is shown, followed by the file's path (and why), and 0
// returned. A file without a pair at its start may be read with format detection
// (import_fallback.h). The file is read once; `source`, when given, receives its path
// and the size and SHA-256 of the bytes read.
int datafile_set(const char* path, const char* label, int id, int calc, int cid, read_source* source = nullptr);

// 1 when data file id is available: settings applied and the file named or its curve
// holding points.
int test_data(int p, int id);

// Frame of every run: begin_run switches the step's check off, clears calcok until the run
// succeeds and enters the busy state; end_run leaves it and, on success, sets the check
// and calcok (returns step_done), on failure shows "My error message" and "My warning
// message" (returns step_failed). A delivered result that holds NaN or infinity is a
// failure too: its own message names the step, the point and the settings to check.
// A run is cancellable: begin_run clears any request and keeps what the run can change;
// when a stop was requested meanwhile (numeric/cancel.h; the routines stop between their
// iterations), end_run puts it all back and returns step_cancelled, without a message.
void begin_run(int calc);
int end_run(int calc, int ok);

// The line the status bar shows after step calc of project p ran, e.g.
// "S(Q): normalisation constant 0.019770".
std::string step_summary(int p, int calc);
// Hands a line to the status bar (refresh_hooks status_message).
void report_status(const std::string& text);

// ---- Step 0: raw data correction ----

// "formatbox": abscissa of the raw files (0 2theta, 1 Q; -1 none). A change forgets the
// raw file and clears step 0. Returns 1 when something changed.
int set_data_format(int entry);
// "smoothing": smoothing on or off; the intensity is reset either way.
void set_smoothing(int on);
// "backcorr" (k 0) and "subscatt" (k 1): background / substrate-cell subtraction.
void set_file_option(int k, int on);

// Scale factor of the background (k 0) or cell (k 1) intensities, multiplied in before
// the correction; must be > 0. Returns 1 when stored (or unchanged), 0 when refused
// (message shown).
int set_scale(int k, double value);

int test_ra(int p, int report);
int run_ra();

// ---- Step 1: S(q) ----

// "checkcorr": additive correction on/off; the constant is reset to 0.0.
void set_additive_correction(int on);
// "checkham" (m 0) / "checktem" (m 1) / "checkint" (m 2, the integral method) switched on:
// the method and its parameter reset (the other method's parameter unset).
void set_method(int m);

int test_sq(int p, int report);
int run_sq();

// ---- Step 2: bending correction ----

int test_bq(int p, int report);
int run_bq();

// ---- Step 3: G(r), g(r) ----

// Density option of the g(r) dialog: 1 = density from the slope of G(r).
void set_density_mode(int on);
// Window of the transform: 0 exp(-damp Q^2), 1 Lorch; the g(r) step is no longer computed.
void set_window(int window);

int test_gr(int p, int report);
int run_gr();

// ---- Values reported by the routines ----

// Receivers of displaync_ and displaydens_: store exp_prop[k_norm_constant] / exp_prop[k_slope_density] of the
// active project and show them ("%f"; empty for 0.0, resp. a density that is not > 0).
void store_normalisation(double value);
void store_density(double value);

// Installs save_curve, the error presenter and the two receivers above as the numeric
// core's callbacks.
void connect_step_callbacks();
