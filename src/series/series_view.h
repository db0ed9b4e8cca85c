// What the Series window shows of a run, without a widget: the inputs as they finish with
// their summary rows and curves, the order they are shown in (natural file-name order or
// the series value), the table's texts, the summary values a trend can show, and the
// waterfall and trend as the plot library draws them.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "plot/series_plot_input.h"
#include "series/reduce_input.h"
#include "series/series.h"

enum class series_sort { by_name, by_value };

// One value of the summary: its column of series.csv, its label and where it comes from
// (0..7 the values of series_row in the order of series.csv, 8.. the coordination counts).
struct summary_column {
  std::string key, label;
  int index = 0;
};

// An input as the window has it.
struct series_entry {
  std::string input;   // its file
  std::string folder;  // its results, in the run's folder
  int exit = series_ok;
  series_row row;
  std::array<std::vector<double>, nseries_curves> x, y;  // its curves read back (empty: none)
};

// The curves of the waterfall, by series_curve: "S(Q)", "Q[S(Q)-1]", "G(r)", "g(r)".
extern const char* const series_curve_label[nseries_curves];

class series_view {
 public:
  // A new run: its settings (for the coordination columns) and the title of its series
  // value ("" without values).
  void reset(const series_settings& settings, const std::string& value_title);
  // An input delivered by the run (in delivery order), its curves read from its folder
  // under rundir.
  void add(const series_result& result, const std::string& input, const std::string& rundir);

  std::size_t size() const { return entries_.size(); }
  const series_entry& entry(std::size_t k) const { return entries_[k]; }
  bool with_values() const { return !value_title_.empty(); }

  // The entries in the order shown: by file name, or by value (those without one last).
  void set_sort(series_sort sort) { sort_ = sort; }
  series_sort sort() const { return sort_; }
  std::vector<std::size_t> order() const;

  // The table: its column titles, and the texts of an entry's row.
  std::vector<std::string> table_header() const;
  std::vector<std::string> table_row(std::size_t entry) const;

  // Every summary value of the run, and those that at least one entry has.
  const std::vector<summary_column>& columns() const { return columns_; }
  std::vector<summary_column> trend_columns() const;
  static std::optional<double> value_of(const series_row& row, const summary_column& column);

  // Place of an entry along the colour scale: by its value when the run has values (NaN
  // without one), else by its position in the order shown.
  double colour_place(std::size_t entry) const;
  colour_scale scale() const;

  // Curve `curve` of every entry in the order shown, each raised by offset_fraction of the
  // range of all of them above the one before; trace ids are entry numbers.
  waterfall_input waterfall(int curve, double offset_fraction, int highlight_entry) const;
  // Summary value `column` against the series value (entries without one left out) or
  // against the position in the order shown; point ids are entry numbers.
  trend_input trend(const summary_column& column, bool against_value, int highlight_entry) const;

 private:
  std::vector<double> colour_places(const std::vector<std::size_t>& order) const;

  std::vector<series_entry> entries_;
  std::vector<summary_column> columns_;
  std::string value_title_;
  series_sort sort_ = series_sort::by_name;
};
