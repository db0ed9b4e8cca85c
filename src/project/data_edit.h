// Rules of the data table editor: a curve's points as a table of (index, x, y) rows and
// the operations on it. The curve itself changes only when the table is applied.
#pragma once

#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "project/curve.h"

struct data_row {
  int index = 0;  // 1-based, renumbered after every change of the rows
  double x = 0.0, y = 0.0;
  // Standard deviation of y, shown read-only; NaN when the curve has none, for inserted
  // rows and for rows whose values were typed.
  double sigma = std::numeric_limits<double>::quiet_NaN();
};
using data_table = std::vector<data_row>;

// One row per point: index i + 1, x[i], y[i] (and the point's deviation when it has one).
data_table table_of(const curve& c);

// Stores the number in `text` in column 1 (abscissa) or 2 (ordinate) of row `row`.
// Returns 1; text that is not a number is refused with a warning and nothing changes.
int set_cell(data_table& t, int row, int column, std::string_view text);

// Inserts one zero row per selected row, all together before the first selected row
// (after = 0) or after the last one (after = 1); without a selection one row at the start
// or the end. Renumbers and returns the positions of the new rows.
std::vector<int> insert_rows(data_table& t, const std::vector<int>& selected, int after);

// Removes the selected rows and renumbers.
void delete_rows(data_table& t, const std::vector<int>& selected);

// Adds the constant in `text` to every ordinate (op 0) or multiplies every ordinate by it
// (op 1), the deviations by its size. Returns 1; text that is not a number is refused with
// a warning.
int column_operation(data_table& t, int op, std::string_view text);

// The selected rows as text, "%d\t%lf\t%lf\n" each, in table order.
std::string clipboard_text(const data_table& t, const std::vector<int>& selected);

// Whether any row holds a deviation (the editor then shows their column).
bool table_has_sigma(const data_table& t);

// Writes the table into the curve: ndata = rows, x and y column by column. Edited points
// carry no deviations.
void apply_table(curve& c, const data_table& t);
