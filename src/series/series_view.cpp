#include "series/series_view.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numeric>

#include "project/i18n.h"
#include "project/messages.h"
#include "series/series_order.h"
#include "series/series_table.h"

namespace fs = std::filesystem;

const char* const series_curve_label[nseries_curves] = {"S(Q)", "Q[S(Q)-1]", "G(r)", "g(r)"};

namespace {

// The values of series_row in the order of series.csv, with their labels.
struct fixed_column {
  const char* key;
  const char* label;
  std::optional<double> series_row::*member;
};
const fixed_column fixed_columns[] = {
    {"normalisation_constant", N_("Normalisation constant"), &series_row::normalisation_constant},
    {"density_used", N_("Density used"), &series_row::density_used},
    {"optimised_density", N_("Optimised density"), &series_row::optimised_density},
    {"low_r_chi2", N_("Low-r χ²"), &series_row::low_r_chi2},
    {"sq_first_peak_q", N_("S(Q) first peak: Q"), &series_row::sq_first_peak_q},
    {"sq_first_peak", N_("S(Q) first peak: height"), &series_row::sq_first_peak},
    {"gr_first_peak_r", N_("g(r) first peak: r"), &series_row::gr_first_peak_r},
    {"gr_first_peak", N_("g(r) first peak: height"), &series_row::gr_first_peak},
};
constexpr int nfixed = static_cast<int>(std::size(fixed_columns));

const char* const status_text[] = {N_("done"), N_("refused"), N_("file problem")};

std::string number(const std::optional<double>& v) {
  return v && std::isfinite(*v) ? format("%.6g", *v) : std::string();
}

std::string file_name(const std::string& path) { return fs::path(path).filename().string(); }

// One line per message, joined.
std::string warnings_line(const std::vector<std::string>& warnings) {
  std::string out;
  for (const std::string& w : warnings) {
    std::string line;
    for (char c : w) line += c == '\n' || c == '\r' ? ' ' : c;
    while (!line.empty() && line.back() == ' ') line.pop_back();
    if (!line.empty()) out += (out.empty() ? "" : " | ") + line;
  }
  return out;
}

}  // namespace

void series_view::reset(const series_settings& settings, const std::string& value_title) {
  entries_.clear();
  columns_.clear();
  value_title_ = value_title;
  for (int k = 0; k < nfixed; ++k) columns_.push_back({fixed_columns[k].key, tr(fixed_columns[k].label), k});
  // The coordination columns keep the names series.csv gives them.
  for (std::size_t c = 0; c < settings.coordination.size(); ++c) {
    const coordination_request& r = settings.coordination[c];
    const std::string key = coordination_column(r);
    const std::string what = r.a.empty() ? format("%g-%g Å", r.r1, r.r2) : format("%s-%s %g-%g Å", r.a.c_str(), r.b.c_str(), r.r1, r.r2);
    columns_.push_back({key, format(tr("Coordination %s"), what.c_str()), nfixed + static_cast<int>(c)});
  }
}

void series_view::add(const series_result& result, const std::string& input, const std::string& rundir) {
  series_entry e;
  e.input = input;
  e.folder = result.folder;
  e.exit = result.exit;
  e.row = result.row;
  file_column_reader reader(rundir);
  std::vector<output_piece> ignored;
  for (int c = 0; c < nseries_curves; ++c) {
    const std::string file = std::string(series_curve_stem[c]) + ".dat";
    std::error_code ec;
    if (!fs::is_regular_file(fs::path(rundir) / e.folder / file, ec)) continue;
    auto& x = e.x[static_cast<std::size_t>(c)];
    auto& y = e.y[static_cast<std::size_t>(c)];
    if (!reader.read(entries_.size(), c, e.folder, file, x, y, ignored)) x.clear(), y.clear();
  }
  entries_.push_back(std::move(e));
}

std::vector<std::size_t> series_view::order() const {
  std::vector<std::string> names;
  for (const series_entry& e : entries_) names.push_back(file_name(e.input));
  std::vector<std::size_t> by_name(entries_.size());
  std::iota(by_name.begin(), by_name.end(), std::size_t{0});
  std::stable_sort(by_name.begin(), by_name.end(), [&](std::size_t a, std::size_t b) {
    const int c = natural_compare(names[a], names[b]);
    return c != 0 ? c < 0 : natural_compare(entries_[a].input, entries_[b].input) < 0;
  });
  if (sort_ != series_sort::by_value || !with_values()) return by_name;
  std::vector<std::optional<double>> values;
  for (std::size_t k : by_name) values.push_back(entries_[k].row.value);
  std::vector<std::size_t> order;
  for (std::size_t k : order_by_value(values)) order.push_back(by_name[k]);
  return order;
}

std::vector<std::string> series_view::table_header() const {
  std::vector<std::string> h{tr("Input")};
  if (with_values()) h.push_back(value_title_);
  h.push_back(tr("Status"));
  for (const summary_column& c : columns_) h.push_back(c.label);
  h.push_back(tr("Messages"));
  return h;
}

std::vector<std::string> series_view::table_row(std::size_t entry) const {
  const series_entry& e = entries_[entry];
  std::vector<std::string> r{file_name(e.input)};
  if (with_values()) r.push_back(number(e.row.value));
  r.push_back(e.exit >= 0 && e.exit <= 2 ? tr(status_text[e.exit]) : std::to_string(e.exit));
  for (const summary_column& c : columns_) r.push_back(number(value_of(e.row, c)));
  r.push_back(warnings_line(e.row.warnings));
  return r;
}

std::optional<double> series_view::value_of(const series_row& row, const summary_column& column) {
  if (column.index < 0) return std::nullopt;
  if (column.index < nfixed) return row.*(fixed_columns[column.index].member);
  const std::size_t c = static_cast<std::size_t>(column.index - nfixed);
  return c < row.coordination.size() ? row.coordination[c] : std::nullopt;
}

std::vector<summary_column> series_view::trend_columns() const {
  std::vector<summary_column> out;
  for (const summary_column& c : columns_)
    if (std::any_of(entries_.begin(), entries_.end(), [&](const series_entry& e) {
          const auto v = value_of(e.row, c);
          return v && std::isfinite(*v);
        }))
      out.push_back(c);
  return out;
}

colour_scale series_view::scale() const {
  colour_scale s;
  s.shown = !entries_.empty();
  if (with_values()) {
    double lo = INFINITY, hi = -INFINITY;
    for (const series_entry& e : entries_)
      if (e.row.value && std::isfinite(*e.row.value)) lo = std::min(lo, *e.row.value), hi = std::max(hi, *e.row.value);
    if (lo <= hi) {
      s.lo = lo, s.hi = hi;
      s.title = value_title_;
      return s;
    }
  }
  s.lo = 1.0;
  s.hi = static_cast<double>(std::max<std::size_t>(entries_.size(), 1));
  s.title = tr("Position in the series");
  s.integral = true;
  return s;
}

std::vector<double> series_view::colour_places(const std::vector<std::size_t>& order) const {
  const colour_scale s = scale();
  std::vector<double> t(entries_.size(), NAN);
  if (s.integral) {
    for (std::size_t pos = 0; pos < order.size(); ++pos)
      t[order[pos]] = order.size() > 1 ? static_cast<double>(pos) / static_cast<double>(order.size() - 1) : 0.5;
    return t;
  }
  for (std::size_t k = 0; k < entries_.size(); ++k) {
    const auto& v = entries_[k].row.value;
    if (v && std::isfinite(*v)) t[k] = s.hi > s.lo ? (*v - s.lo) / (s.hi - s.lo) : 0.5;
  }
  return t;
}

double series_view::colour_place(std::size_t entry) const { return colour_places(order())[entry]; }

waterfall_input series_view::waterfall(int curve, double offset_fraction, int highlight_entry) const {
  waterfall_input w;
  if (curve < 0 || curve >= nseries_curves) return w;
  const auto c = static_cast<std::size_t>(curve);
  w.x_title = curve <= curve_qsq ? "q [Å-1]" : "r [Å]";
  w.y_title = series_curve_label[c];
  w.scale = scale();
  w.hint = entries_.empty() ? tr("Choose the patterns and press Run") : tr("No pattern has this curve");
  double span = 0.0;
  const std::vector<std::size_t> o = order();
  const std::vector<double> places = colour_places(o);
  for (std::size_t k : o) {
    const series_entry& e = entries_[k];
    if (e.x[c].empty()) continue;
    double lo = INFINITY, hi = -INFINITY;
    for (double v : e.y[c])
      if (std::isfinite(v)) lo = std::min(lo, v), hi = std::max(hi, v);
    if (lo <= hi) span = std::max(span, hi - lo);
    if (static_cast<int>(k) == highlight_entry) w.highlight = static_cast<int>(w.traces.size());
    w.traces.push_back({e.x[c], e.y[c], places[k], k});
  }
  w.offset = std::max(offset_fraction, 0.0) * span;
  return w;
}

trend_input series_view::trend(const summary_column& column, bool against_value, int highlight_entry) const {
  trend_input t;
  const bool by_value = against_value && with_values();
  t.x_title = by_value ? value_title_ : tr("Position in the series");
  t.x_integral = !by_value;
  t.y_title = column.label;
  t.hint = tr("No value to show");
  const std::vector<std::size_t> o = order();
  const std::vector<double> places = colour_places(o);
  for (std::size_t pos = 0; pos < o.size(); ++pos) {
    const series_entry& e = entries_[o[pos]];
    const auto y = value_of(e.row, column);
    const std::optional<double> x = by_value ? e.row.value : std::optional<double>(static_cast<double>(pos + 1));
    if (!y || !x || !std::isfinite(*y) || !std::isfinite(*x)) continue;
    t.points.push_back({*x, *y, places[o[pos]], o[pos]});
  }
  std::stable_sort(t.points.begin(), t.points.end(), [](const trend_point& a, const trend_point& b) { return a.x < b.x; });
  for (std::size_t i = 0; i < t.points.size(); ++i)
    if (static_cast<int>(t.points[i].id) == highlight_entry) t.highlight = static_cast<int>(i);
  return t;
}
