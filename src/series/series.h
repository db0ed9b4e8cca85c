// A series: many inputs reduced with one project's settings, each into its own folder,
// by worker processes, with a summary row per input and the matrices of the series.
//
// The model's state is global (the active project, the numeric callbacks, the transform's
// work space), so each worker is a process forked from the caller: it reads the project
// once per input exactly as a single run does, keeps its FFT plans and buffers from one
// input to the next, and leaves the caller's own projects untouched. Whatever the number
// of workers, every file and every message is the one a single worker gives.
//
// A run is driven without blocking: start() forks the workers, descriptor() becomes
// readable when something arrived (for a main loop's watch, or poll(-1)), poll() hands
// over the finished inputs in input order, cancel() starts no further input (those
// running finish, so every folder is complete), finish() writes the summary files and
// makes everything durable.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "series/reduce_settings.h"

struct project_snapshot;

// --coordination: a range of R(r) and, when given, the pair by element symbols.
struct coordination_request {
  std::string a, b;
  double r1 = 0.0, r2 = 0.0;
};

// --optimise-scan: r_min from r1 to r2 in steps.
struct scan_request {
  double r1 = 0.0, r2 = 0.0, step = 0.0;
  bool asked = false;
};

// One input: a data file, or points held in memory (the Python module's arrays), with
// the standard deviations of y when given.
struct series_input {
  std::string path;                 // the file; for points, the name in the summary and folder
  std::vector<double> x, y, sigma;  // the points, when in_memory; sigma empty or one per point
  bool in_memory = false;

  series_input() = default;
  series_input(std::string file) : path(std::move(file)) {}  // NOLINT: a file name is an input
  static series_input points(std::string name, std::vector<double> x, std::vector<double> y,
                             std::vector<double> sigma = {}) {
    series_input in(std::move(name));
    in.x = std::move(x), in.y = std::move(y), in.sigma = std::move(sigma), in.in_memory = true;
    return in;
  }
};

// One project's settings: what amoq-reduce's options say.
struct series_settings {
  std::string project;  // .nap or .apf
  // The project as already read (the Python module's Project, or an empty one): a run
  // starts from it instead of reading `project`, which then only names it in the record.
  std::shared_ptr<const project_snapshot> opened;
  std::vector<setting> sets;       // applied in order before "Apply"
  int from = -1, to = 3;           // steps run; from -1: the first with data (0 with an input)
  int bending = -1;                // -1 when a bending point is set, 0 never, 1 always
  std::optional<double> optimise;  // r_min of the low-r optimisation
  bool optimise_density = false;
  bool adopt_density = false;  // the refined density becomes the sample's
  scan_request scan;
  std::vector<coordination_request> coordination;
  series_input background, cell;  // data loaded with their subtraction switched on
  int errors = -1;  // uncertainties: -1 the project's own mode, else errors_none/_counts/_column
  int format = 0;                // curve files: 0 dat, 1 dat4, 2 agr
  std::string plot;              // images beside them: "png", "pdf", "svg" or none
  std::string save_project;      // also save the project there (in each input's folder)
  bool echo = false;             // the raw data correction's parameters on stderr
  bool quiet = false;            // messages only of an input that fails, no values
};

// Draws curve (calc, cid) of the active project as an image of the given format.
using series_image_drawer = std::function<bool(const std::string& format, const std::string& path, int calc, int cid)>;

struct series_request {
  series_settings settings;
  std::vector<series_input> inputs;  // none: the project's own data
  std::string outdir = ".";
  // Each input in outdir/<its name>/ and the summary files in outdir: always with several
  // inputs, with one input when set (a part of a series run on a cluster).
  bool series = false;
  // The series value of each input: from its header (key), or given (one per input).
  std::string value_key;
  std::vector<double> values;
  int workers = 0;                 // 0: the processors available
  series_image_drawer draw_image;  // needed for settings.plot
  // outdir is scratch that a window reads and removes when it closes: nothing is flushed
  // to disk, and finish() commits series_inputs.csv only (export_series_files writes the
  // summary and the matrices on request, in the order the window shows).
  bool scratch = false;
};

// What an input's reduction printed, in order: standard output, standard error, and the
// moments standard output is flushed (so a front end replays them as one run prints).
struct output_piece {
  enum kind_t : unsigned char { out, err, flush } kind;
  std::string text;
};

// One row of the summary: the values an input's reduction reported; unset where a value
// does not apply (the step did not run, no optimisation, ...).
struct series_row {
  std::optional<double> value;  // the series value
  // density_used: the density of g(r), typed, from the slope of G(r) or refined
  std::optional<double> normalisation_constant, density_used, optimised_density, low_r_chi2;
  std::optional<double> sq_first_peak_q, sq_first_peak, gr_first_peak_r, gr_first_peak;
  std::vector<std::optional<double>> coordination;  // one per request: the count on R(r)
  // Their standard deviations, where uncertainties were propagated.
  std::optional<double> normalisation_constant_sigma, density_used_sigma, optimised_density_sigma;
  std::vector<std::optional<double>> coordination_sigma;
  std::vector<std::string> warnings;                // every message of the reduction
};

struct series_result {
  std::size_t index = 0;  // position among the request's inputs
  int exit = 0;           // as amoq-reduce's: 0 done, 1 refused or failed, 2 a file problem
  std::string folder;     // its results, relative to outdir ("" for outdir itself)
  std::vector<output_piece> output;
  series_row row;
};

// Exit statuses, as amoq-reduce returns them.
enum series_status { series_ok = 0, series_refused = 1, series_file = 2 };

// The folders of several inputs: each input's file name without its extension ("input"
// where that names no folder of its own), -2, -3, ... appended to a name already taken.
std::vector<std::string> input_folders(const std::vector<series_input>& inputs);

class series_run {
 public:
  series_run();
  ~series_run();  // an unfinished run is cancelled and its running inputs awaited
  series_run(const series_run&) = delete;
  series_run& operator=(const series_run&) = delete;

  // Forks the workers and starts the first inputs. False, with the reason, when the
  // request cannot run (workers cannot be made, a scratch file cannot be created).
  bool start(series_request request, std::string& error);

  // Readable when results arrived or a worker ended: watch it, then call poll(..., 0).
  int descriptor() const;

  // Handles what arrived, waiting at most timeout_ms (-1: until something does), and
  // appends the finished inputs, in input order, to `out`. False once there is nothing
  // more to come (every input delivered, or every started one after cancel()).
  bool poll(std::vector<series_result>& out, int timeout_ms);

  // No further input is started; those running finish and are delivered.
  void cancel();

  const series_request& request() const;
  std::size_t total() const;      // inputs of the request (1 without inputs)
  std::size_t delivered() const;  // handed over by poll()

  // Once poll() returned false: the summary files (series layout), and the durability of
  // every file written. Messages on stderr's side go to `messages`; returns a status.
  int finish(std::vector<output_piece>& messages);

 private:
  struct state;
  std::unique_ptr<state> s_;
};

// Joins the summaries of separate series runs (their outdirs, in order) into outdir, as
// one run over all their inputs would write them. Returns a status; messages as above.
int merge_series(const std::string& outdir, const std::vector<std::string>& dirs, std::vector<output_piece>& messages);

// Writes the summary (to csv_path) and the matrices (series_<c>.dat in matrix_dir) of a
// finished run in rundir, its rows in `order`: positions in its series_inputs.csv (the
// inputs as delivered). An empty csv_path or matrix_dir leaves that part out. Returns a
// status; messages as above.
int export_series_files(const std::string& rundir, const std::vector<std::size_t>& order, const std::string& csv_path,
                        const std::string& matrix_dir, std::vector<output_piece>& messages);

// The value of `key` in header text (lines separated by '\n'): the first line where the
// key, matched without regard to case at the start of the line (after comment marks
// # ! ; % * / and blanks) or after a blank, ',' or ';', is followed by '=' or ':' and a
// number; a unit after the number is ignored.
std::optional<double> header_value(const std::string& text, const std::string& key);

// The values of --series-values: a text file of lines "NAME VALUE" (NAME may hold blanks;
// VALUE after the last blank, tab, ',' or ';'), '#' lines and blank lines skipped. NAME
// matches an input given as NAME, else one whose file name is NAME. Returns series_ok,
// series_refused (an input without a value, a name listed twice, a value that is no
// number) or series_file (the file cannot be read), with the reason in `error`.
int read_series_values(const std::string& path, const std::vector<series_input>& inputs, std::vector<double>& values,
                       std::string& error);
