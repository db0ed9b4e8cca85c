#include "series/series_order.h"

#include <fnmatch.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numeric>

namespace fs = std::filesystem;

namespace {

bool digit(char c) { return c >= '0' && c <= '9'; }
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string file_name(const std::string& path) { return fs::path(path).filename().string(); }

}  // namespace

int natural_compare(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (digit(a[i]) && digit(b[j])) {
      // The numbers without their leading zeros: the longer is larger, else digit by digit.
      std::size_t i0 = i, j0 = j;
      while (i0 < a.size() && a[i0] == '0') ++i0;
      while (j0 < b.size() && b[j0] == '0') ++j0;
      std::size_t i1 = i0, j1 = j0;
      while (i1 < a.size() && digit(a[i1])) ++i1;
      while (j1 < b.size() && digit(b[j1])) ++j1;
      if (i1 - i0 != j1 - j0) return i1 - i0 < j1 - j0 ? -1 : 1;
      if (const int c = a.substr(i0, i1 - i0).compare(b.substr(j0, j1 - j0)); c != 0) return c < 0 ? -1 : 1;
      i = i1, j = j1;
      continue;
    }
    const char x = lower(a[i]), y = lower(b[j]);
    if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
    ++i, ++j;
  }
  if (i < a.size() || j < b.size()) return i < a.size() ? 1 : -1;
  const int c = a.compare(b);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

void sort_naturally(std::vector<std::string>& paths) {
  std::sort(paths.begin(), paths.end(), [](const std::string& a, const std::string& b) {
    const int c = natural_compare(file_name(a), file_name(b));
    return c != 0 ? c < 0 : natural_compare(a, b) < 0;
  });
  paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
}

std::vector<std::string> files_matching(const std::string& folder, const std::string& patterns, std::string& error) {
  std::vector<std::string> wanted;
  for (std::size_t b = 0; b < patterns.size();) {
    const std::size_t e = std::min(patterns.find_first_of("; \t", b), patterns.size());
    if (e > b) wanted.push_back(patterns.substr(b, e - b));
    b = e + 1;
  }
  if (wanted.empty()) wanted.push_back("*");
  std::vector<std::string> files;
  std::error_code ec;
  fs::directory_iterator it(folder.empty() ? "." : folder, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code kind;
    if (!it->is_regular_file(kind)) continue;
    const std::string name = it->path().filename().string();
    const bool match = std::any_of(wanted.begin(), wanted.end(), [&](const std::string& p) {
      return ::fnmatch(p.c_str(), name.c_str(), FNM_PERIOD) == 0;
    });
    if (match) files.push_back(it->path().string());
  }
  if (ec) {
    error = folder + ": " + ec.message();
    return {};
  }
  sort_naturally(files);
  return files;
}

std::vector<std::size_t> order_by_value(const std::vector<std::optional<double>>& values) {
  std::vector<std::size_t> order(values.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  auto key = [&](std::size_t k) { return values[k] && !std::isnan(*values[k]); };
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    if (!key(b)) return key(a);
    return key(a) && *values[a] < *values[b];
  });
  return order;
}
