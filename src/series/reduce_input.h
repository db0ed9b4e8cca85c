// The reduction of one input with a project's settings: read the project, apply the
// settings as "Apply" does, load the input, run the steps, write the results and the
// record, and report what a single amoq-reduce run prints. Runs inside a worker, where
// it owns the model's global state.
#pragma once

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
};

struct input_job {
  const series_input* input = nullptr;  // nullptr: the project's own data
  std::string dir;                      // where the results go
  bool own_folder = false;              // dir is the input's folder inside the output folder
  std::string save_path;                // --save-project there, or none
  bool columns = false;                 // also the curves of the matrices
};

struct input_outcome {
  int exit = series_ok;
  std::vector<output_piece> output;
  series_row row;
  std::vector<curve_column> columns;
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
  std::vector<project> table;
  int nprojects = 0, activep = -1, projid = -1, activer = 0, activec = 0, inactep = -1, newspace = 1;
  std::vector<int> psize, pparamstmp;
};

// Installs the message presenter and the numeric receivers of a worker: every message
// goes to the outcome of the input being reduced.
void install_worker_receivers();

// Reduces one input; `prepared` is empty for the first input of a request and filled by it.
input_outcome reduce_input(const series_request& request, const input_job& job, prepared_project& prepared);
