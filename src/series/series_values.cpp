// The series value of each input: from its header, or from a list of file names and values.
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>

#include "numeric/safe_files.h"
#include "project/i18n.h"
#include "project/messages.h"
#include "series/series.h"

namespace {

bool same_letters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// A number at the start of s (after blanks): sign, digits, decimals, exponent.
std::optional<double> leading_number(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && is_blank(s[i])) ++i;
  if (i < s.size() && s[i] == '+') ++i;
  double v = 0.0;
  auto [end, ec] = std::from_chars(s.data() + i, s.data() + s.size(), v);
  if (ec != std::errc() || !std::isfinite(v)) return std::nullopt;
  // A unit may follow ("300 K", "300K"), not more digits of something else ("1.2.3").
  if (end < s.data() + s.size() && (*end == '.' || (*end >= '0' && *end <= '9'))) return std::nullopt;
  return v;
}

// The value after `key` at position `at` of line: blanks, '=' or ':', a number.
std::optional<double> value_after(std::string_view line, size_t at) {
  size_t i = at;
  while (i < line.size() && is_blank(line[i])) ++i;
  if (i >= line.size() || (line[i] != '=' && line[i] != ':')) return std::nullopt;
  return leading_number(line.substr(i + 1));
}

std::optional<double> value_in_line(std::string_view line, const std::string& key) {
  // Comment marks and blanks before the first key.
  size_t start = 0;
  while (start < line.size() && (is_blank(line[start]) || std::strchr("#!;%*/", line[start]))) ++start;
  for (size_t i = start; i + key.size() <= line.size(); ++i) {
    const bool word_start = i == start || is_blank(line[i - 1]) || line[i - 1] == ',' || line[i - 1] == ';';
    if (!word_start || !same_letters(line.substr(i, key.size()), key)) continue;
    if (auto v = value_after(line, i + key.size())) return v;
  }
  return std::nullopt;
}

std::string trim(std::string_view s) {
  size_t a = 0, b = s.size();
  while (a < b && is_blank(s[a])) ++a;
  while (b > a && is_blank(s[b - 1])) --b;
  return std::string(s.substr(a, b - a));
}

}  // namespace

std::optional<double> header_value(const std::string& text, const std::string& key) {
  if (key.empty()) return std::nullopt;
  std::string_view all(text);
  while (!all.empty()) {
    const size_t nl = std::min(all.find('\n'), all.size());
    if (auto v = value_in_line(all.substr(0, nl), key)) return v;
    all.remove_prefix(std::min(nl + 1, all.size()));
  }
  return std::nullopt;
}

int read_series_values(const std::string& path, const std::vector<series_input>& inputs, std::vector<double>& values,
                       std::string& error) {
  constexpr size_t max_bytes = 64 << 20;
  std::vector<uint8_t> bytes;
  if (const file_problem problem = read_input_file(path, max_bytes, bytes); problem != file_problem::none) {
    error = format(tr("amoq-reduce: --series-values %s: the file %s"), path.c_str(),
                   tr(file_problem_text(problem, errno).c_str()));
    return series_file;
  }
  std::map<std::string, double> listed;
  std::istringstream in(std::string(bytes.begin(), bytes.end()));
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    const std::string text = trim(line);
    if (text.empty() || text[0] == '#') continue;
    const size_t cut = text.find_last_of(" \t,;");
    std::string name = cut == std::string::npos ? std::string() : trim(text.substr(0, cut));
    while (!name.empty() && (name.back() == ',' || name.back() == ';')) name = trim(name.substr(0, name.size() - 1));
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
    const std::string number_text = text.substr(cut == std::string::npos ? 0 : cut + 1);
    double v = 0.0;
    auto [end, ec] = std::from_chars(number_text.data(), number_text.data() + number_text.size(), v);
    if (name.empty() || ec != std::errc() || end != number_text.data() + number_text.size() || !std::isfinite(v)) {
      error = format(tr("amoq-reduce: --series-values %s: line %d: use NAME VALUE"), path.c_str(), number);
      return series_refused;
    }
    if (!listed.emplace(name, v).second) {
      error = format(tr("amoq-reduce: --series-values %s: %s is listed twice"), path.c_str(), name.c_str());
      return series_refused;
    }
  }
  values.clear();
  for (const series_input& input : inputs) {
    auto it = listed.find(input.path);
    if (it == listed.end()) it = listed.find(std::filesystem::path(input.path).filename().string());
    if (it == listed.end()) {
      error = format(tr("amoq-reduce: --series-values %s: no value for %s"), path.c_str(), input.path.c_str());
      return series_refused;
    }
    values.push_back(it->second);
  }
  return series_ok;
}
