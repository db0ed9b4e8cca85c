// The reduction of one input with a project's settings: read the project, apply the
// settings as "Apply" does, load the input, run the steps, write the results and the
// record, and report what a single amoq-reduce run prints. Runs inside a worker, where
// it owns the model's global state.
#pragma once

#include <limits>
#include <string>
#include <vector>

#include "files/reduction_record.h"
#include "project/project.h"
#include "series/series.h"

// The curves the series matrices are made of, in the order of their files.
enum series_curve { curve_sq, curve_qsq, curve_Gr, curve_gr, nseries_curves };
// "sq", "qsq", "Gr", "gr": the stems of their result files and of series_<stem>.dat.
extern const char* const series_curve_stem[nseries_curves];

// A result curve as its file reads back (written_value of each point).
struct curve_column {
  int curve = 0;     // series_curve
  std::string file;  // its file name in the input's folder
  std::vector<double> x, y;
  std::vector<char> cells;  // matrix_cell of each y
};

struct input_job {
  const series_input* input = nullptr;  // nullptr: the project's own data
  std::string dir;                      // where the results go
  bool own_folder = false;              // dir is the input's folder inside the output folder
  std::string save_path;                // --save-project there, or none
  bool columns = false;                 // also the curves of the matrices
  bool in_memory = false;               // nothing written: the curves into the outcome
};

// A result curve as the step left it, with its standard deviations when it has them.
struct result_curve {
  std::string name;  // the stem of its file: "corrected", "qsq", "sq", "qsq_bent", "Gr", "gr", "rdf"
  std::vector<double> x, y, sigma;
};

// A coordination number counted, with its standard deviation (NaN without uncertainties).
struct counted_coordination {
  record_coordination count;
  double sigma = std::numeric_limits<double>::quiet_NaN();
};

struct input_outcome {
  int exit = series_ok;
  std::vector<output_piece> output;
  series_row row;
  std::vector<curve_column> columns;
  // In memory: the result curves in the order the steps made them, the coordination
  // numbers, and the standard deviations of the normalisation constant and of the density
  // of g(r) where they were computed (NaN otherwise).
  std::vector<result_curve> curves;
  std::vector<counted_coordination> coordination;
  double normalisation_sigma = std::numeric_limits<double>::quiet_NaN();
  double density_sigma = std::numeric_limits<double>::quiet_NaN();
};

// What the inputs of one request share, kept by the worker: the project as prepared for
// the first input (read, settings applied, background and cell loaded, each file described
// by the bytes read) with the messages that gave. The inputs after the first start from a
// copy of it instead of reading the project again.
struct prepared_project {
  bool done = false;
  int status = series_ok;
  double autorecalc = 0.0;
  std::vector<std::string> messages;
  project_snapshot state;
  series_settings settings;  // in the caller's process: the settings it was prepared with
};

// Installs the message presenter and the numeric receivers of a worker: every message
// goes to the outcome of the input being reduced.
void install_worker_receivers();

// Reduces one input; `prepared` is empty for the first input of a request and filled by it.
input_outcome reduce_input(const series_request& request, const input_job& job, prepared_project& prepared);

// ---- In the caller's process (the Python module) ----
// The model's state is global: the caller serialises these calls. Each installs the
// worker's receivers for its duration and puts the caller's back; every message goes into
// `messages` or the outcome's row.

// Reads a project file (.nap or .apf), or makes an empty project for an empty path, into
// `opened`. Returns a series_status.
int open_project(const std::string& path, project_snapshot& opened, std::vector<std::string>& messages);

// Applies settings.sets to the project as a run does before "Apply" (the project itself
// is not changed). series_refused with the messages of the setting refused.
int check_settings(const series_settings& settings, std::vector<std::string>& messages);

// Saves the project with settings.sets applied: an XML project file for a name ending in
// .apf, a project file otherwise.
int save_project(const series_settings& settings, const std::string& path, std::vector<std::string>& messages);

// Reduces one input (nullptr: the project's own data) with nothing written: its curves,
// values and messages in the outcome. `prepared` is reused while the settings that
// prepare the project stay the same.
input_outcome reduce_in_memory(const series_settings& settings, const series_input* input,
                               prepared_project& prepared);
