// Texts taken from a file or from a library, made fit for a message: valid UTF-8 and a few
// hundred characters at most, so that a 50 MB line in a data file cannot become a 50 MB
// error message or dialog.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr std::size_t message_text_bytes = 300;

// `text` with every byte that is not part of a valid UTF-8 character (and every control
// character but newline and tab) shown as '?', cut after at most max_bytes bytes at a
// character boundary with "…" after the cut.
std::string bounded_text(std::string_view text, std::size_t max_bytes = message_text_bytes);
