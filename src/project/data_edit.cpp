#include "project/data_edit.h"

#include <algorithm>
#include <cmath>

#include "project/entry_text.h"
#include "project/messages.h"
#include "project/i18n.h"

namespace {

void renumber(data_table& t) {
  for (size_t i = 0; i < t.size(); ++i) t[i].index = static_cast<int>(i) + 1;
}

// Selected rows that exist, ascending, each once.
std::vector<int> rows_in(const data_table& t, std::vector<int> rows) {
  std::erase_if(rows, [&](int r) { return r < 0 || r >= static_cast<int>(t.size()); });
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

int refuse(const char* field, std::string_view text) {
  show_warning(format(tr("%s: \"%.*s\" is not a number"), tr(field), static_cast<int>(text.size()),
                      text.data()).c_str());
  return 0;
}

}  // namespace

data_table table_of(const curve& c) {
  size_t n = std::min({static_cast<size_t>(std::max(c.ndata, 0)), c.data[0].size(),
                       c.data[1].size()});
  data_table t(n);
  const bool sigma = c.sigma.size() == n;
  for (size_t i = 0; i < n; ++i)
    t[i] = {static_cast<int>(i) + 1, c.data[0][i], c.data[1][i],
            sigma ? c.sigma[i] : std::numeric_limits<double>::quiet_NaN()};
  return t;
}

int set_cell(data_table& t, int row, int column, std::string_view text) {
  if (row < 0 || row >= static_cast<int>(t.size()) || column < 1 || column > 2) return 0;
  double& cell = column == 1 ? t[row].x : t[row].y;
  if (shows_stored(text, cell)) return 1;  // left as shown: nothing changes
  auto v = parse_entry(text);
  if (!v) return refuse(column == 1 ? N_("Abscissa") : N_("Ordinate"), text);
  cell = *v;
  t[row].sigma = std::numeric_limits<double>::quiet_NaN();  // a typed value is not measured
  return 1;
}

std::vector<int> insert_rows(data_table& t, const std::vector<int>& selected, int after) {
  std::vector<int> rows = rows_in(t, selected);
  size_t count = rows.empty() ? 1 : rows.size();
  int at = rows.empty() ? (after ? static_cast<int>(t.size()) : 0)
                        : (after ? rows.back() + 1 : rows.front());
  t.insert(t.begin() + at, count, data_row{});
  renumber(t);
  std::vector<int> added(count);
  for (size_t k = 0; k < count; ++k) added[k] = at + static_cast<int>(k);
  return added;
}

void delete_rows(data_table& t, const std::vector<int>& selected) {
  std::vector<int> rows = rows_in(t, selected);
  for (auto r = rows.rbegin(); r != rows.rend(); ++r) t.erase(t.begin() + *r);
  renumber(t);
}

int column_operation(data_table& t, int op, std::string_view text) {
  auto v = parse_entry(text);
  if (!v) return refuse(N_("Constant"), text);
  for (data_row& r : t) {
    r.y = op == 0 ? r.y + *v : r.y * *v;
    if (op == 1) r.sigma *= std::fabs(*v);  // shown for the scaled values until applied
  }
  return 1;
}

std::string clipboard_text(const data_table& t, const std::vector<int>& selected) {
  std::string out;
  for (int r : rows_in(t, selected)) out += format("%d\t%lf\t%lf\n", t[r].index, t[r].x, t[r].y);
  return out;
}

bool table_has_sigma(const data_table& t) {
  return std::any_of(t.begin(), t.end(), [](const data_row& r) { return std::isfinite(r.sigma); });
}

void apply_table(curve& c, const data_table& t) {
  // Edited points have no uncertainties: the steps derive them, the table only shows them.
  c.sigma.clear();
  c.cov.reset();
  c.ndata = static_cast<int>(t.size());
  c.data[0].resize(t.size());
  c.data[1].resize(t.size());
  for (size_t i = 0; i < t.size(); ++i) {
    c.data[0][i] = t[i].x;
    c.data[1][i] = t[i].y;
  }
}
