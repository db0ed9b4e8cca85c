#include "project/entry_text.h"

#include <charconv>
#include <cmath>

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
  const float f = static_cast<float>(v);
  if (std::isfinite(v) && static_cast<double>(f) == v) {
    auto r = std::to_chars(buf, buf + sizeof buf, f);
    return std::string(buf, r.ptr);
  }
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  std::string shortest(buf, r.ptr);
  // Digits beyond the 15th are rounding noise of a computed value (0.1 + 0.2): a person
  // never typed them.
  size_t digits = 0;
  for (char ch : shortest.substr(0, shortest.find_first_of("eE"))) digits += ch >= '0' && ch <= '9';
  if (digits <= 15) return shortest;
  r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
  return std::string(buf, r.ptr);
}

bool shows_stored(std::string_view text, double stored) { return trim(text) == entry_text(stored); }

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
