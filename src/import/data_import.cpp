#include "import/data_import.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string_view>

#include <xylib/xylib.h>

// Texts marked for the message catalogue; the layers above translate them.
#ifndef N_
#define N_(text) text
#endif

namespace {

// Bytes of the file's start searched for header lines.
constexpr size_t header_bytes = 64 * 1024;

bool starts_number(std::string_view line) {
  size_t i = line.find_first_not_of(" \t");
  if (i == std::string_view::npos) return false;
  if (line[i] == '+' || line[i] == '-') ++i;
  if (i < line.size() && line[i] == '.') ++i;
  return i < line.size() && line[i] >= '0' && line[i] <= '9';
}

// A line of text: no control characters but tab and carriage return (binary headers are
// left out).
bool is_text(std::string_view line) {
  for (char c : line) {
    auto u = static_cast<unsigned char>(c);
    if (u < 0x20 && u != '\t' && u != '\r') return false;
  }
  return true;
}

std::string read_head(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string head(header_bytes, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<size_t>(in.gcount()));
  return head;
}

void append_metadata(std::string& text, const xylib::MetaData& meta) {
  for (size_t i = 0; i < meta.size(); ++i) {
    const std::string& key = meta.get_key(i);
    text += key + " = " + meta.get(key) + "\n";
  }
}

// Converts the abscissas to the program's units; the data format they then are in.
int convert_abscissa(abscissa_unit unit, std::vector<double>& x) {
  switch (unit) {
    case abscissa_unit::two_theta_deg: return 0;
    case abscissa_unit::two_theta_rad:
      for (double& v : x) v *= 180.0 / M_PI;
      return 0;
    case abscissa_unit::q_per_angstrom: return 1;
    case abscissa_unit::q_per_nm:
      for (double& v : x) v /= 10.0;
      return 1;
    default: return -1;
  }
}

// The first block's first two columns, up to the first pair that is not finite.
bool take_columns(const xylib::DataSet& ds, imported_data& d) {
  if (ds.get_block_count() < 1) {
    d.reason = N_("no data in the file");
    return false;
  }
  const xylib::Block& b = *ds.get_block(0);
  if (b.get_column_count() < 2) {
    d.reason = N_("fewer than two columns of data");
    return false;
  }
  const int n = b.get_point_count();
  if (n <= 0) {
    d.reason = N_("no data lines");
    return false;
  }
  const xylib::Column& cx = b.get_column(1);
  const xylib::Column& cy = b.get_column(2);
  d.x.reserve(static_cast<size_t>(n));
  d.y.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    double x = cx.get_value(i), y = cy.get_value(i);
    if (!std::isfinite(x) || !std::isfinite(y)) break;
    d.x.push_back(x);
    d.y.push_back(y);
  }
  if (d.x.empty()) {
    d.reason = N_("no finite data");
    return false;
  }
  return true;
}

bool names_extension(const char* extensions, const std::string& ext) {
  std::string_view list = extensions ? extensions : "";
  while (!list.empty()) {
    size_t end = std::min(list.find(' '), list.size());
    if (list.substr(0, end) == ext) return true;
    list.remove_prefix(std::min(end + 1, list.size()));
  }
  return false;
}

// `path` read as format fi into a data set owned here (xylib's own loader loses the data
// set when the format's reader throws).
std::unique_ptr<xylib::DataSet> load_as(const xylib::FormatInfo* fi, const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!fi || !in) throw xylib::RunTimeError("the file cannot be read");
  std::unique_ptr<xylib::DataSet> ds(fi->ctor());
  ds->load_data(in, path.c_str());
  return ds;
}

// The file with its format detected from the content; when that fails, with each format
// its extension names. Throws what the content detection threw when nothing reads it.
std::unique_ptr<xylib::DataSet> load(const std::string& path) {
  std::exception_ptr first;
  try {
    std::ifstream in(path, std::ios::binary);
    return load_as(xylib::guess_filetype(path, in, nullptr), path);
  } catch (const std::exception&) {
    first = std::current_exception();
  }
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (!ext.empty()) ext.erase(0, 1);
  // The C list of formats holds the library's FormatInfo records.
  for (int i = 0; const xylibFormat* f = xylib_get_format(i); ++i) {
    if (ext.empty() || !names_extension(f->exts, ext)) continue;
    try {
      return load_as(static_cast<const xylib::FormatInfo*>(f), path);
    } catch (const std::exception&) {
    }
  }
  std::rethrow_exception(first);
}

}  // namespace

std::string leading_text(const std::string& bytes) {
  std::string text;
  for (size_t pos = 0; pos < bytes.size();) {
    size_t nl = bytes.find('\n', pos);
    size_t end = nl == std::string::npos ? bytes.size() : nl;
    std::string_view line(bytes.data() + pos, end - pos);
    if (starts_number(line)) break;
    if (is_text(line)) {
      text += line;
      text += '\n';
    }
    pos = end + 1;
  }
  return text;
}

imported_data import_data_file(const std::string& path) {
  namespace fs = std::filesystem;
  imported_data d;
  std::error_code ec;
  const fs::file_status st = fs::status(fs::path(path), ec);
  if (!fs::exists(st)) {
    d.reason = N_("file does not exist");
    return d;
  }
  if (!fs::is_regular_file(st)) {
    d.reason = N_("not a regular file");
    return d;
  }
  const auto size = fs::file_size(fs::path(path), ec);
  if (ec) {
    d.reason = N_("the file cannot be read");
    return d;
  }
  if (size == 0) {
    d.reason = N_("the file is empty");
    return d;
  }
  if (size > static_cast<uintmax_t>(import_max_bytes)) {
    d.reason = N_("the file is larger than 256 MiB");
    return d;
  }
  // xylib reports a file it cannot read by exceptions; none leaves this function.
  try {
    std::unique_ptr<xylib::DataSet> ds = load(path);
    if (!ds) {
      d.reason = N_("unknown format");
      return d;
    }
    d.format_name = ds->fi && ds->fi->desc ? ds->fi->desc : "";
    if (!take_columns(*ds, d)) return d;
    std::string text = leading_text(read_head(path));
    append_metadata(text, ds->meta);
    const xylib::Block& b = *ds->get_block(0);
    append_metadata(text, b.meta);
    // The abscissa's column name last: the unit is taken from the last line naming one.
    text += b.get_column(1).get_name() + "\n";
    d.header = recognise_header(text);
    d.header_text = std::move(text);
  } catch (const std::exception& e) {
    d = imported_data{};
    d.reason = std::string("unknown format or no data (") + e.what() + ")";
    return d;
  } catch (...) {
    d = imported_data{};
    d.reason = N_("unknown format or no data");
    return d;
  }
  d.format = convert_abscissa(d.header.unit, d.x);
  return d;
}
