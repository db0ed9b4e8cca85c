#include "import/header_units.h"

#include <charconv>
#include <cmath>
#include <string>
#include <vector>

// Texts marked for the message catalogue; the layers above translate them.
#ifndef N_
#define N_(text) text
#endif

namespace {

bool is_alnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}
bool is_alpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string_view trim(std::string_view t) {
  const char* blanks = " \t\r\n\v\f";
  size_t b = t.find_first_not_of(blanks);
  if (b == std::string_view::npos) return {};
  return t.substr(b, t.find_last_not_of(blanks) - b + 1);
}

// Lower-case ASCII, with the Greek letters, Å, ° and superscript minus-one spelled out, so
// that "2θ (°)", "Q (Å⁻¹)" and "q_A^-1" meet the same patterns.
std::string normalise(std::string_view line) {
  static const std::pair<std::string_view, std::string_view> spelled[] = {
      {"\xC3\x85", "a"},     {"\xC3\xA5", "a"},      {"\xCE\xB8", "theta"}, {"\xCE\x98", "theta"},
      {"\xCE\xBB", "lambda"}, {"\xCE\xB1", "alpha"}, {"\xC2\xB0", "deg"},   {"\xE2\x81\xBB", "^-"},
      {"\xC2\xB9", "1"}};
  std::string out;
  out.reserve(line.size());
  for (size_t i = 0; i < line.size();) {
    bool replaced = false;
    for (const auto& [from, to] : spelled)
      if (line.substr(i, from.size()) == from) {
        out += to;
        i += from.size();
        replaced = true;
        break;
      }
    if (replaced) continue;
    char c = line[i++];
    out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return out;
}

// First position of `word` in s that starts a word (no letter or digit before it) and,
// unless `prefix`, also ends one (no letter or digit after it); npos when none.
size_t find_word(const std::string& s, std::string_view word, bool prefix = false) {
  for (size_t pos = s.find(word); pos != std::string::npos; pos = s.find(word, pos + 1)) {
    const size_t end = pos + word.size();
    if (pos > 0 && is_alnum(s[pos - 1])) continue;
    if (!prefix && end < s.size() && is_alnum(s[end])) continue;
    return pos;
  }
  return std::string::npos;
}

struct unit_pattern {
  std::string_view word;
  abscissa_unit unit;
  bool prefix;
};

const unit_pattern unit_patterns[] = {
    {"nm^-1", abscissa_unit::q_per_nm, false},
    {"nm-1", abscissa_unit::q_per_nm, false},
    {"nm^{-1}", abscissa_unit::q_per_nm, false},
    {"1/nm", abscissa_unit::q_per_nm, false},
    {"inverse nanomet", abscissa_unit::q_per_nm, true},
    {"a^-1", abscissa_unit::q_per_angstrom, false},
    {"a-1", abscissa_unit::q_per_angstrom, false},
    {"a^{-1}", abscissa_unit::q_per_angstrom, false},
    {"1/a", abscissa_unit::q_per_angstrom, false},
    {"angstrom^-1", abscissa_unit::q_per_angstrom, false},
    {"1/angstrom", abscissa_unit::q_per_angstrom, false},
    {"inverse angstrom", abscissa_unit::q_per_angstrom, true},
    {"2th", abscissa_unit::two_theta_deg, false},
    {"tth", abscissa_unit::two_theta_deg, false},
    {"2theta", abscissa_unit::two_theta_deg, false},
    {"2-theta", abscissa_unit::two_theta_deg, false},
    {"2 theta", abscissa_unit::two_theta_deg, false},
    {"twotheta", abscissa_unit::two_theta_deg, false},
    {"two-theta", abscissa_unit::two_theta_deg, false},
    {"two theta", abscissa_unit::two_theta_deg, false},
};

// The number that starts at s[i], if one does; i is moved past it.
bool read_number(const std::string& s, size_t& i, double& v) {
  size_t b = i;
  if (b < s.size() && s[b] == '+') ++b;
  auto r = std::from_chars(s.data() + b, s.data() + s.size(), v, std::chars_format::general);
  if (r.ec != std::errc() || !std::isfinite(v)) return false;
  i = static_cast<size_t>(r.ptr - s.data());
  return true;
}

// Ångström per unit word; 0 for a word that is not a length unit.
double length_unit(std::string_view w) {
  if (w == "a" || w == "angstrom" || w == "angstroms") return 1.0;
  if (w == "nm") return 10.0;
  if (w == "pm") return 0.01;
  if (w == "m") return 1e10;
  return 0.0;
}

bool is_separator(char c) {
  return c == ' ' || c == '\t' || c == ':' || c == '=' || c == '"' || c == '\'' || c == '<' ||
         c == '>' || c == '(' || c == ')' || c == '[' || c == ']' || c == '{' || c == '}' || c == ',';
}

std::string_view read_word(const std::string& s, size_t& i) {
  size_t b = i;
  while (i < s.size() && is_alpha(s[i])) ++i;
  return std::string_view(s).substr(b, i - b);
}

// The wavelength in Å given after the key ending at `i`: separators, unit words and then a
// number, optionally followed by its unit. 0 when the key is not followed by a value.
double value_after_key(const std::string& s, size_t i) {
  double scale = 0.0, v = 0.0;
  for (;;) {
    while (i < s.size() && is_separator(s[i])) ++i;
    if (i >= s.size()) return 0.0;
    if (read_number(s, i, v)) break;
    std::string_view w = read_word(s, i);
    if (w.empty()) return 0.0;
    if (double u = length_unit(w)) scale = u;
    else if (w != "unit" && w != "in") return 0.0;
  }
  while (i < s.size() && is_separator(s[i])) ++i;
  if (double u = length_unit(read_word(s, i))) scale = u;
  if (scale == 0.0) scale = v < 1e-6 ? 1e10 : 1.0;  // a bare value that small is in metres
  const double angstrom = v * scale;
  return angstrom >= 0.01 && angstrom <= 20.0 ? angstrom : 0.0;
}

double wavelength_of_line(const std::string& s) {
  static const std::string_view keys[] = {"wavelength", "lambda", "wl1",  "wl",
                                          "kalpha1",    "alpha1", "ka1"};
  for (std::string_view key : keys) {
    size_t pos = find_word(s, key);
    if (pos == std::string::npos) continue;
    if (double v = value_after_key(s, pos + key.size())) return v;
  }
  return 0.0;
}

std::vector<std::string_view> split_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    size_t nl = text.find('\n');
    lines.push_back(text.substr(0, nl));
    if (nl == std::string_view::npos) break;
    text.remove_prefix(nl + 1);
  }
  return lines;
}

}  // namespace

abscissa_unit unit_of_line(std::string_view line) {
  const std::string s = normalise(line);
  abscissa_unit unit = abscissa_unit::none;
  size_t first = std::string::npos;
  for (const unit_pattern& p : unit_patterns) {
    size_t pos = find_word(s, p.word, p.prefix);
    if (pos < first) {
      first = pos;
      unit = p.unit;
    }
  }
  // 2θ given in radians ("2th_rad") rather than degrees.
  if (unit == abscissa_unit::two_theta_deg && find_word(s, "deg") == std::string::npos &&
      (find_word(s, "rad") != std::string::npos || find_word(s, "radians") != std::string::npos))
    unit = abscissa_unit::two_theta_rad;
  return unit;
}

header_units recognise_header(std::string_view text) {
  header_units h;
  const std::vector<std::string_view> lines = split_lines(text);
  for (auto it = lines.rbegin(); it != lines.rend() && h.unit == abscissa_unit::none; ++it)
    if ((h.unit = unit_of_line(*it)) != abscissa_unit::none) h.unit_line = trim(*it);
  for (std::string_view line : lines)
    if ((h.wavelength = wavelength_of_line(normalise(line))) > 0.0) {
      h.wavelength_line = trim(line);
      break;
    }
  return h;
}

const char* unit_description(abscissa_unit unit) {
  switch (unit) {
    case abscissa_unit::two_theta_deg: return N_("2θ in degrees");
    case abscissa_unit::two_theta_rad: return N_("2θ in radians, converted to degrees");
    case abscissa_unit::q_per_angstrom: return N_("Q in Å⁻¹");
    case abscissa_unit::q_per_nm: return N_("Q in nm⁻¹, converted to Å⁻¹");
    default: return N_("not recognised");
  }
}
