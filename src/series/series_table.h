// The summary files of a series run, all built from one index written as the inputs
// finish, by the run and by the merge of separate runs alike:
//
//   series_inputs.csv  one line per input in input order: its folder (relative to the
//                      run's folder), the curve files this run wrote there, then the
//                      columns of series.csv; what --merge-series reads
//   series.csv         the summary: one row per input, sorted by the series value when
//                      there is one
//   series_<c>.dat     c = sq, qsq, Gr, gr: the abscissa of the first input that has the
//                      curve, then one column per row of series.csv (other grids
//                      interpolated linearly, nan outside an input's range or where it has
//                      no such curve)
//
// Nothing of the whole series is held in memory: the columns go to a scratch file and the
// matrices' lines are assembled from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "series/series.h"

inline constexpr const char* series_index_name = "series_inputs.csv";

// The header of series.csv for a run's settings: with uncertainties asked for
// (summary_sigmas) each value that has a standard deviation is followed by <name>_sigma.
std::vector<std::string> summary_columns(const series_settings& settings, bool with_value);
bool summary_sigmas(const series_settings& settings);
// The column of a coordination number: "coordination_Si-O_1.45-1.8".
std::string coordination_column(const coordination_request& r);

// One line of series_inputs.csv (with its newline).
std::string index_line(const std::string& folder, const std::vector<std::string>& curve_files, const std::string& input,
                       int exit, const series_row& row, bool with_value, bool with_sigma);
std::string index_header(const std::vector<std::string>& columns);

// A value of a matrix as its text, in a slot of fixed size: the length, then the
// characters ("%.10f", or "nan" where there is no value).
inline constexpr std::size_t matrix_cell_bytes = 21;
void matrix_cell(double v, char* cell);
// written_value(v), and matrix_cell of it into cell.
double written_cell(double v, char* cell);

// The curves of the rows: where the builder reads them from.
class column_reader {
 public:
  virtual ~column_reader() = default;
  // Where the n matrix cells of curve `curve` of row `row` are stored already (a file and
  // an offset), for a row on the reference grid; false when they are not.
  virtual bool cells(std::size_t /*row*/, int /*curve*/, std::size_t /*n*/, int& /*fd*/, std::int64_t& /*offset*/) {
    return false;
  }
  // Curve `curve` (series_curve) of row `row` (input order), whose file is `file` in
  // `folder` (relative to the run's folder). False when it cannot be had (a message was
  // added to `messages`).
  virtual bool read(std::size_t row, int curve, const std::string& folder, const std::string& file,
                    std::vector<double>& x, std::vector<double>& y, std::vector<output_piece>& messages) = 0;
};

// The curve files read back: dat, dat4 (first two columns) and agr (its header skipped);
// a field of asterisks reads as NaN.
class file_column_reader : public column_reader {
 public:
  explicit file_column_reader(std::string outdir) : outdir_(std::move(outdir)) {}
  bool read(std::size_t row, int curve, const std::string& folder, const std::string& file, std::vector<double>& x,
            std::vector<double>& y, std::vector<output_piece>& messages) override;

 private:
  std::string outdir_;
};

// Reads outdir/series_inputs.csv and writes series.csv and the matrices beside it.
int build_series_files(const std::string& outdir, column_reader& columns, std::vector<output_piece>& messages);

// The summary of a finished run read back (the Python module's): the fields of each line
// of series.csv, its header first; and series_<c>.dat (c a series_curve): the names of its
// columns (the abscissa's first) and its values line by line, nothing when no input had the
// curve. False, with the reason, when a file cannot be read.
bool read_series_summary(const std::string& outdir, std::vector<std::vector<std::string>>& rows, std::string& error);
bool read_series_matrix(const std::string& outdir, int curve, std::vector<std::string>& names,
                        std::vector<std::vector<double>>& lines, std::string& error);

// CSV: a field quoted when it holds a comma, a quote or blanks at its ends.
std::string csv_field(const std::string& text);
// The fields of one CSV line (no newline inside fields).
std::vector<std::string> csv_fields(const std::string& line);
