#include "series/series_table.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>

#include "numeric/safe_files.h"
#include "numeric/writedata.h"
#include "project/i18n.h"
#include "project/messages.h"
#include "series/reduce_input.h"

namespace fs = std::filesystem;

namespace {

constexpr double missing = std::numeric_limits<double>::quiet_NaN();
constexpr std::size_t max_curve_file = 256 << 20;

void add_message(std::vector<output_piece>& messages, const std::string& text) {
  messages.push_back({output_piece::err, text.back() == '\n' ? text : text + "\n"});
}

std::string number_text(const std::optional<double>& v) {
  if (!v || !std::isfinite(*v)) return std::string();
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, *v);  // the shortest text that reads back exactly
  return std::string(buf, r.ptr);
}

// Several messages as one cell: each on one line, joined by " | ".
std::string warnings_text(const std::vector<std::string>& warnings) {
  std::string out;
  for (const std::string& w : warnings) {
    std::string line;
    for (char c : w) line += c == '\n' || c == '\r' ? ' ' : c;
    while (!line.empty() && line.back() == ' ') line.pop_back();
    if (line.empty()) continue;
    out += (out.empty() ? "" : " | ") + line;
  }
  return out;
}

// ---- Matrices ------------------------------------------------------------------------------

// A file of doubles in the run's folder, gone once closed.
class scratch_file {
 public:
  explicit scratch_file(const std::string& folder) {
    fd_ = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd_ >= 0) return;
    std::string name = (fs::path(folder) / ".series-scratch-XXXXXX").string();
    fd_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd_ >= 0) ::unlink(name.c_str());
  }
  ~scratch_file() {
    if (fd_ >= 0) ::close(fd_);
  }
  scratch_file(const scratch_file&) = delete;
  scratch_file& operator=(const scratch_file&) = delete;
  bool ok() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  off_t size() const { return size_; }
  bool append(const char* p, std::size_t left) {
    while (left > 0) {
      const ssize_t n = ::pwrite(fd_, p, left, size_);
      if (n <= 0) return false;
      p += n, left -= static_cast<std::size_t>(n), size_ += n;
    }
    return true;
  }

 private:
  int fd_ = -1;
  off_t size_ = 0;
};

// y on the grid xr: linear between the neighbouring points, NaN outside the curve.
std::vector<double> on_grid(const std::vector<double>& x, const std::vector<double>& y, const std::vector<double>& xr) {
  std::vector<double> out(xr.size(), missing);
  std::size_t j = 0;
  for (std::size_t i = 0; i < xr.size(); ++i) {
    const double v = xr[i];
    if (x.empty() || !(v >= x.front() && v <= x.back())) continue;
    while (j + 1 < x.size() && x[j + 1] < v) ++j;
    if (x[j] == v || j + 1 >= x.size()) {
      out[i] = x[j] == v ? y[j] : missing;
      continue;
    }
    const double t = (v - x[j]) / (x[j + 1] - x[j]);
    out[i] = y[j] + t * (y[j + 1] - y[j]);
  }
  return out;
}

bool read_at(int fd, char* out, std::size_t left, off_t at) {
  while (left > 0) {
    const ssize_t n = ::pread(fd, out, left, at);
    if (n <= 0) return false;
    out += n, left -= static_cast<std::size_t>(n), at += n;
  }
  return true;
}

// One row of the index, read back.
struct index_row {
  std::string folder;
  std::vector<std::string> files;  // the curve files the run wrote
  std::string input;
  std::string summary;  // its row of series.csv: the line from the input field on
};

// Position just after the first `count` fields of a CSV line (and their commas).
std::size_t after_fields(const std::string& line, int count) {
  std::size_t i = 0;
  for (bool quoted = false; i < line.size() && count > 0; ++i) {
    if (line[i] == '"')
      quoted = !quoted;
    else if (line[i] == ',' && !quoted)
      --count;
  }
  return i;
}

// series_inputs.csv, with random access to its lines.
class index_file {
 public:
  bool open(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string line;
    if (!std::getline(in, line)) return false;
    header_ = csv_fields(line);
    std::uint64_t at = line.size() + 1;
    while (std::getline(in, line)) {
      starts_.push_back(at);
      at += line.size() + 1;
    }
    starts_.push_back(at);
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    return fd_ >= 0 && header_.size() >= 4 && header_[0] == "folder" && header_[1] == "curves";
  }
  ~index_file() {
    if (fd_ >= 0) ::close(fd_);
  }
  std::size_t rows() const { return starts_.empty() ? 0 : starts_.size() - 1; }
  const std::vector<std::string>& header() const { return header_; }
  std::string line(std::size_t k) const {
    std::string text(starts_[k + 1] - starts_[k] - 1, '\0');
    if (::pread(fd_, text.data(), text.size(), static_cast<off_t>(starts_[k])) != static_cast<ssize_t>(text.size()))
      text.clear();
    return text;
  }
  index_row row(std::size_t k) const {
    const std::string text = line(k);
    const std::vector<std::string> f = csv_fields(text.substr(0, after_fields(text, 3)));
    index_row r;
    r.folder = f.size() > 0 ? f[0] : std::string();
    if (f.size() > 1)
      for (std::size_t i = 0; i < f[1].size();) {
        const std::size_t blank = std::min(f[1].find(' ', i), f[1].size());
        if (blank > i) r.files.push_back(f[1].substr(i, blank - i));
        i = blank + 1;
      }
    r.input = f.size() > 2 ? f[2] : std::string();
    r.summary = text.substr(after_fields(text, 2));
    return r;
  }

 private:
  int fd_ = -1;
  std::vector<std::string> header_;
  std::vector<std::uint64_t> starts_;
};

// The rows in the order of series.csv: by value when there is a value column (rows
// without one last), else in input order.
std::vector<std::size_t> row_order(const index_file& index) {
  std::vector<std::size_t> order(index.rows());
  for (std::size_t k = 0; k < order.size(); ++k) order[k] = k;
  if (index.header().size() < 4 || index.header()[3] != "value") return order;
  std::vector<double> value(order.size(), missing);
  for (std::size_t k = 0; k < order.size(); ++k) {
    const std::vector<std::string> f = csv_fields(index.line(k));
    if (f.size() > 3) std::from_chars(f[3].data(), f[3].data() + f[3].size(), value[k]);
  }
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    if (std::isnan(value[b])) return !std::isnan(value[a]);
    return value[a] < value[b];
  });
  return order;
}

bool has_file(const index_row& r, const std::string& stem, std::string& file) {
  for (const std::string& f : r.files)
    if (fs::path(f).stem() == stem) return file = f, true;
  return false;
}

// series_<stem>.dat from the rows in `order`. Counts the rows interpolated; sets `first`
// to the input whose grid the matrix has. False for a file that could not be written.
bool write_matrix(const std::string& outdir, int curve, const index_file& index, const std::vector<std::size_t>& order,
                  column_reader& columns, std::vector<char>& interpolated, std::string& first,
                  std::vector<output_piece>& messages) {
  const std::string stem = series_curve_stem[curve];
  const std::string target = (fs::path(outdir) / ("series_" + stem + ".dat")).string();
  // The grid: the first row's that has the curve.
  std::vector<double> grid, x, y;
  std::size_t reference = order.size();
  for (std::size_t k = 0; k < order.size() && reference == order.size(); ++k) {
    const index_row r = index.row(order[k]);
    std::string file;
    if (has_file(r, stem, file) && columns.read(order[k], curve, r.folder, file, grid, y, messages)) {
      reference = k;
      first = r.input;
    }
  }
  if (reference == order.size()) {
    std::error_code ec;
    fs::remove(target, ec);  // none of these inputs has the curve: no stale matrix stays
    return true;
  }
  scratch_file scratch(outdir);
  if (!scratch.ok()) {
    add_message(messages, format(tr("Impossible to write data file:\n%s\n"), target.c_str()));
    return false;
  }
  safe_output out;
  if (!out.open(target)) {
    add_message(messages, format(tr("Impossible to write data file:\n%s\n"), out.failure().c_str()));
    return false;
  }
  // Each column's cells: where the worker stored them, or formatted here into the scratch
  // file (another grid, interpolated; a curve read back from its file; no curve: nan).
  const std::size_t ncol = order.size(), n = grid.size();
  struct cells_at {
    int fd;
    std::int64_t offset;
  };
  std::vector<cells_at> sources(ncol);
  std::vector<char> formatted(n * matrix_cell_bytes);
  std::string line = std::string("# ") + (curve <= curve_qsq ? "Q" : "r");
  for (std::size_t k = 0; k < ncol; ++k) {
    const index_row r = index.row(order[k]);
    line += "\t" + r.input;
    std::string file;
    std::vector<double> column(n, missing);
    if (k >= reference && has_file(r, stem, file) && columns.read(order[k], curve, r.folder, file, x, y, messages)) {
      if (x == grid && columns.cells(order[k], curve, n, sources[k].fd, sources[k].offset)) continue;
      if (x == grid) {
        column = y;
      } else {
        column = on_grid(x, y, grid);
        interpolated[order[k]] = 1;
      }
    }
    for (std::size_t i = 0; i < n; ++i) matrix_cell(column[i], formatted.data() + i * matrix_cell_bytes);
    sources[k] = {scratch.fd(), scratch.size()};
    if (!scratch.append(formatted.data(), formatted.size())) {
      add_message(messages, format(tr("Impossible to write data file:\n%s\n"), target.c_str()));
      return false;
    }
  }
  line += "\n";
  if (!out.write(line)) return false;
  // The lines, a block of them at a time: one read per column and block.
  const std::size_t block = std::max<std::size_t>(1, (256u << 10) / matrix_cell_bytes / std::max<std::size_t>(1, ncol));
  std::vector<char> cells, text;
  constexpr std::size_t cell_text = matrix_cell_bytes - 1;
  for (std::size_t i0 = 0; i0 < n; i0 += block) {
    const std::size_t rows = std::min(block, n - i0);
    cells.assign(rows * ncol * matrix_cell_bytes, 0);
    for (std::size_t c = 0; c < ncol; ++c)
      read_at(sources[c].fd, cells.data() + c * rows * matrix_cell_bytes, rows * matrix_cell_bytes,
              static_cast<off_t>(sources[c].offset + static_cast<std::int64_t>(i0 * matrix_cell_bytes)));
    // The block's lines in one buffer. Each cell is copied whole (a copy of fixed size) and
    // the end moved by its length: room for a whole cell beyond the longest line.
    text.resize(rows * (matrix_cell_bytes * (ncol + 1) + 1) + cell_text);
    char* p = text.data();
    for (std::size_t i = 0; i < rows; ++i) {
      char number[matrix_cell_bytes];
      matrix_cell(grid[i0 + i], number);
      std::memcpy(p, number + 1, cell_text);
      p += number[0];
      for (std::size_t c = 0; c < ncol; ++c) {
        const char* cell = cells.data() + (c * rows + i) * matrix_cell_bytes;
        *p++ = ' ';
        std::memcpy(p, cell + 1, cell_text);
        p += std::clamp<int>(cell[0], 0, cell_text);
      }
      *p++ = '\n';
    }
    if (!out.write(text.data(), static_cast<std::size_t>(p - text.data()))) break;
  }
  if (!out.commit()) {
    add_message(messages, format(tr("Impossible to write data file:\n%s\n"), out.failure().c_str()));
    return false;
  }
  return true;
}

}  // namespace

namespace {

// The cell of a text of format_fixed10: "nan" when there is none or it does not fit.
void text_cell(const char* text, int len, char* cell) {
  if (len > 0 && len < static_cast<int>(matrix_cell_bytes)) {
    cell[0] = static_cast<char>(len);
    std::memcpy(cell + 1, text, matrix_cell_bytes - 1);
  } else {
    cell[0] = 3;
    std::memcpy(cell + 1, "nan", 3);
  }
}

}  // namespace

void matrix_cell(double v, char* cell) {
  // The text may be longer than a cell (up to 22 characters below 1e9): formatted aside.
  char text[32] = {};
  text_cell(text, std::isfinite(v) ? format_fixed10(v, text) : 0, cell);
}

double written_cell(double v, char* cell) {
  char text[32] = {};
  int len = 0;
  const double w = written_value(v, text, len);
  text_cell(text, len, cell);
  return w;
}

std::string csv_field(const std::string& text) {
  const bool quote =
      text.find_first_of(",\"") != std::string::npos || (!text.empty() && (text.front() == ' ' || text.back() == ' '));
  if (!quote) return text;
  std::string out = "\"";
  for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

std::vector<std::string> csv_fields(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
      fields.back() += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields.emplace_back();
    } else if (c != '\r' || quoted) {
      fields.back() += c;
    }
  }
  return fields;
}

std::string coordination_column(const coordination_request& r) {
  return format("coordination_%s%g-%g", r.a.empty() ? "" : (r.a + "-" + r.b + "_").c_str(), r.r1, r.r2);
}

bool summary_sigmas(const series_settings& settings) { return settings.errors > 0; }

std::vector<std::string> summary_columns(const series_settings& settings, bool with_value) {
  // With uncertainties asked for, <name>_sigma follows each value that has one.
  const bool sigma = summary_sigmas(settings);
  std::vector<std::string> c{"input"};
  if (with_value) c.push_back("value");
  for (const char* name : {"exit", "normalisation_constant", "density_used", "optimised_density", "low_r_chi2",
                           "sq_first_peak_q", "sq_first_peak", "gr_first_peak_r", "gr_first_peak"}) {
    c.push_back(name);
    const std::string n = name;
    if (sigma && (n == "normalisation_constant" || n == "density_used" || n == "optimised_density"))
      c.push_back(n + "_sigma");
  }
  for (const coordination_request& r : settings.coordination) {
    c.push_back(coordination_column(r));
    if (sigma) c.push_back(coordination_column(r) + "_sigma");
  }
  c.push_back("warnings");
  return c;
}

std::string index_header(const std::vector<std::string>& columns) {
  std::string line = "folder,curves";
  for (const std::string& c : columns) line += "," + csv_field(c);
  return line + "\n";
}

std::string index_line(const std::string& folder, const std::vector<std::string>& curve_files, const std::string& input,
                       int exit, const series_row& row, bool with_value, bool with_sigma) {
  std::string files;
  for (const std::string& f : curve_files) files += (files.empty() ? "" : " ") + f;
  std::string line = csv_field(folder) + "," + csv_field(files) + "," + csv_field(input);
  if (with_value) line += "," + number_text(row.value);
  line += "," + std::to_string(exit);
  const auto sigma = [&](const std::optional<double>& s) { return with_sigma ? "," + number_text(s) : std::string(); };
  line += "," + number_text(row.normalisation_constant) + sigma(row.normalisation_constant_sigma);
  line += "," + number_text(row.density_used) + sigma(row.density_used_sigma);
  line += "," + number_text(row.optimised_density) + sigma(row.optimised_density_sigma);
  for (const auto& v : {row.low_r_chi2, row.sq_first_peak_q, row.sq_first_peak, row.gr_first_peak_r, row.gr_first_peak})
    line += "," + number_text(v);
  for (std::size_t k = 0; k < row.coordination.size(); ++k)
    line += "," + number_text(row.coordination[k]) +
            sigma(k < row.coordination_sigma.size() ? row.coordination_sigma[k] : std::nullopt);
  return line + "," + csv_field(warnings_text(row.warnings)) + "\n";
}

bool file_column_reader::read(std::size_t, int, const std::string& folder, const std::string& file,
                              std::vector<double>& x, std::vector<double>& y, std::vector<output_piece>& messages) {
  const std::string path = (fs::path(outdir_) / folder / file).string();
  std::vector<uint8_t> bytes;
  x.clear();
  y.clear();
  if (const file_problem p = read_input_file(path, max_curve_file, bytes); p != file_problem::none) {
    add_message(messages,
                format(tr("amoq-reduce: %s: the file %s"), path.c_str(), tr(file_problem_text(p, errno).c_str())));
    return false;
  }
  const char* s = reinterpret_cast<const char*>(bytes.data());
  const char* end = s + bytes.size();
  auto field = [&](const char*& p, double& v) {
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    const char* start = p;
    while (p < end && *p != ' ' && *p != '\t' && *p != '\n' && *p != '\r') ++p;
    if (p > start && *start == '*') return v = missing, true;
    return std::from_chars(start, p, v).ptr == p && p > start;
  };
  while (s < end) {
    const char* eol = std::find(s, end, '\n');
    const char* p = s;
    while (p < eol && (*p == ' ' || *p == '\t')) ++p;
    if (p < eol && *p != '@' && *p != '#' && *p != '&' && *p != '\r') {
      double a, b;
      if (!field(p, a) || !field(p, b)) {
        add_message(messages, format(tr("amoq-reduce: %s: not a curve file of amoq-reduce"), path.c_str()));
        return false;
      }
      x.push_back(a);
      y.push_back(b);
    }
    s = eol + (eol < end ? 1 : 0);
  }
  return true;
}

namespace {

// series.csv (to csv_path) and the matrices (into matrix_dir) of the index's rows in
// `order`; an empty path or folder leaves that part out.
int write_summary(const index_file& index, const std::vector<std::size_t>& order, const std::string& csv_path,
                  const std::string& matrix_dir, column_reader& columns, std::vector<output_piece>& messages) {
  int status = series_ok;
  if (!csv_path.empty()) {
    safe_output summary;
    bool ok = summary.open(csv_path);
    std::string header;
    for (std::size_t c = 2; c < index.header().size(); ++c) header += (c > 2 ? "," : "") + csv_field(index.header()[c]);
    ok = ok && summary.write(header + "\n");
    for (std::size_t k = 0; ok && k < order.size(); ++k) {
      const index_row r = index.row(order[k]);
      ok = summary.write(r.summary + "\n");
    }
    if (!ok || !summary.commit()) {
      add_message(messages, format(tr("Impossible to write data file:\n%s\n"), summary.failure().c_str()));
      status = series_file;
    }
  }
  if (matrix_dir.empty()) return status;
  std::vector<char> interpolated(index.rows(), 0);
  std::string grid_of;
  for (int curve = 0; curve < nseries_curves; ++curve) {
    std::string first;
    if (!write_matrix(matrix_dir, curve, index, order, columns, interpolated, first, messages)) status = series_file;
    if (grid_of.empty()) grid_of = first;
  }
  const auto count = static_cast<std::size_t>(std::count(interpolated.begin(), interpolated.end(), 1));
  if (count > 0)
    add_message(messages, format(tr("amoq-reduce: series_*.dat: inputs on another grid than %s interpolated onto it "
                                    "(%zu)"),
                                 grid_of.c_str(), count));
  return status;
}

}  // namespace

int build_series_files(const std::string& outdir, column_reader& columns, std::vector<output_piece>& messages) {
  const std::string index_path = (fs::path(outdir) / series_index_name).string();
  index_file index;
  if (!index.open(index_path)) {
    add_message(messages, format(tr("amoq-reduce: %s cannot be read"), index_path.c_str()));
    return series_file;
  }
  return write_summary(index, row_order(index), (fs::path(outdir) / "series.csv").string(), outdir, columns,
                       messages);
}

int export_series_files(const std::string& rundir, const std::vector<std::size_t>& order, const std::string& csv_path,
                        const std::string& matrix_dir, std::vector<output_piece>& messages) {
  const std::string index_path = (fs::path(rundir) / series_index_name).string();
  index_file index;
  if (!index.open(index_path)) {
    add_message(messages, format(tr("amoq-reduce: %s cannot be read"), index_path.c_str()));
    return series_file;
  }
  for (const std::size_t k : order)
    if (k >= index.rows()) {
      add_message(messages, format(tr("amoq-reduce: %s has no row %zu"), index_path.c_str(), k + 1));
      return series_refused;
    }
  file_column_reader columns(rundir);
  return write_summary(index, order, csv_path, matrix_dir, columns, messages);
}

int merge_series(const std::string& outdir, const std::vector<std::string>& dirs, std::vector<output_piece>& messages) {
  std::error_code ec;
  fs::create_directories(outdir, ec);
  if (ec) {
    add_message(messages,
                format(tr("Impossible to create the folder:\n%s\n%s\n"), outdir.c_str(), ec.message().c_str()));
    return series_file;
  }
  const fs::path base = fs::absolute(outdir).lexically_normal();
  safe_output index;
  if (!index.open((base / series_index_name).string())) {
    add_message(messages, format(tr("Impossible to write data file:\n%s\n"), index.failure().c_str()));
    return series_file;
  }
  std::string header;
  for (const std::string& dir : dirs) {
    const std::string path = (fs::path(dir) / series_index_name).string();
    std::ifstream in(path, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line)) {
      add_message(messages, format(tr("amoq-reduce: --merge-series: %s has no %s: give the folders of runs with "
                                      "several INPUTs or --series"),
                                   dir.c_str(), series_index_name));
      return series_file;
    }
    if (header.empty()) {
      header = line;
      if (!index.write(header + "\n")) break;
    } else if (line != header) {
      add_message(messages, format(tr("amoq-reduce: --merge-series: %s has other columns than %s: the runs must "
                                      "have the same --coordination and series values"),
                                   dir.c_str(), dirs.front().c_str()));
      return series_refused;
    }
    const fs::path from = fs::absolute(dir).lexically_normal();
    while (std::getline(in, line)) {
      const std::size_t cut = after_fields(line, 1);
      const std::vector<std::string> first = csv_fields(line.substr(0, cut > 0 ? cut - 1 : 0));
      const fs::path folder = (from / (first.empty() ? std::string() : first[0])).lexically_normal();
      std::string relative = folder.lexically_relative(base).string();
      if (relative.empty()) relative = folder.string();
      if (!index.write(csv_field(relative) + "," + line.substr(cut) + "\n")) break;
    }
  }
  if (!index.commit()) {
    add_message(messages, format(tr("Impossible to write data file:\n%s\n"), index.failure().c_str()));
    return series_file;
  }
  file_column_reader columns(base.string());
  return build_series_files(base.string(), columns, messages);
}

bool read_series_summary(const std::string& outdir, std::vector<std::vector<std::string>>& rows, std::string& error) {
  const std::string path = (fs::path(outdir) / "series.csv").string();
  std::ifstream in(path);
  rows.clear();
  for (std::string line; in && std::getline(in, line);) rows.push_back(csv_fields(line));
  if (!rows.empty() && !in.bad()) return true;
  error = format(tr("amoq-reduce: %s: the summary cannot be read"), path.c_str());
  return false;
}

bool read_series_matrix(const std::string& outdir, int curve, std::vector<std::string>& names,
                        std::vector<std::vector<double>>& lines, std::string& error) {
  names.clear();
  lines.clear();
  const fs::path path = fs::path(outdir) / ("series_" + std::string(series_curve_stem[curve]) + ".dat");
  std::error_code ec;
  if (!fs::exists(path, ec)) return true;
  std::ifstream in(path);
  std::string line;
  bool ok = std::getline(in, line) && line.rfind("# ", 0) == 0;
  // "# Q\tinput\t...": the names are separated by tabs (an input's name may hold blanks).
  for (std::size_t at = 2; ok;) {
    const std::size_t tab = line.find('\t', at);
    names.push_back(line.substr(at, tab - at));
    if (tab == std::string::npos) break;
    at = tab + 1;
  }
  while (ok && std::getline(in, line)) {
    std::vector<double>& values = lines.emplace_back();
    for (const char *p = line.data(), *end = p + line.size(); ok && p < end;) {
      while (p < end && *p == ' ') ++p;
      if (p == end) break;
      double v = 0.0;
      const auto [next, ec2] = std::from_chars(p, end, v);
      ok = ec2 == std::errc() && (next == end || *next == ' ');
      values.push_back(v);
      p = next;
    }
    ok = ok && values.size() == names.size();
  }
  if (ok && !in.bad()) return true;
  error = format(tr("amoq-reduce: %s: not a matrix of amoq-reduce"), path.string().c_str());
  return false;
}
