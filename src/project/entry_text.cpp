#include "project/entry_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "project/messages.h"
#include "project/i18n.h"

namespace {

std::string_view trim(std::string_view t) {
  const char* blanks = " \t\n\r\v\f";
  size_t b = t.find_first_not_of(blanks);
  if (b == std::string_view::npos) return {};
  size_t e = t.find_last_not_of(blanks);
  return t.substr(b, e - b + 1);
}

}  // namespace

std::string entry_text(double v) {
  char buf[400];
  int n = std::snprintf(buf, sizeof buf, "%f", v);
  if (n > 0 && n <= 20) {  // huge values read back too, but as 300 digits
    double back = 0;
    auto r = std::from_chars(buf, buf + n, back);
    if (r.ec == std::errc() && back == v && !(v == 0 && std::signbit(v) != std::signbit(back)))
      return std::string(buf, static_cast<size_t>(n));
  }
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::optional<double> parse_entry(std::string_view text) {
  std::string_view t = trim(text);
  if (t.empty()) return std::nullopt;
  if (t.front() == '+') t.remove_prefix(1);  // from_chars takes no leading plus
  double v = 0;
  auto r = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::general);
  if (r.ec != std::errc() || r.ptr != t.data() + t.size() || !std::isfinite(v))
    return std::nullopt;
  return v;
}

std::optional<int> parse_entry_int(std::string_view text) {
  std::string_view t = trim(text);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  int v = 0;
  auto r = std::from_chars(t.data(), t.data() + t.size(), v);
  if (t.empty() || r.ec != std::errc() || r.ptr != t.data() + t.size()) return std::nullopt;
  return v;
}

std::optional<double> read_entry(const char* field, std::string_view text) {
  std::optional<double> v = parse_entry(text);
  if (!v)
    show_warning(format(tr("%s: \"%.*s\" is not a number\nThe value is left as it was"), field,
                        static_cast<int>(text.size()), text.data())
                     .c_str());
  return v;
}
