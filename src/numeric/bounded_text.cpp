#include "numeric/bounded_text.h"

namespace {

// Length of the valid UTF-8 character at text[i] (RFC 3629: no overlong forms, no
// surrogates, nothing above U+10FFFF), or 0.
std::size_t utf8_length(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char c = byte(i);
  if (c < 0x80) return 1;
  std::size_t n = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
  if (n == 0 || i + n > text.size()) return 0;
  for (std::size_t k = 1; k < n; ++k)
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
  const unsigned char c1 = byte(i + 1);
  if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F) || (c == 0xF0 && c1 < 0x90) || (c == 0xF4 && c1 > 0x8F))
    return 0;
  return n;
}

}  // namespace

std::string bounded_text(std::string_view text, std::size_t max_bytes) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t n = utf8_length(text, i);
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const bool control = n == 1 && ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7F);
    const std::size_t shown = n == 0 || control ? 1 : n;
    if (out.size() + shown > max_bytes) return out + "…";
    if (n == 0 || control)
      out += '?';
    else
      out.append(text.substr(i, n));
    i += n == 0 ? 1 : n;
  }
  return out;
}
