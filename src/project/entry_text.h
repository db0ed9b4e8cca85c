// The entry rule of every numeric field: a value is shown in a form that reads back to
// the same double, and text is read strictly, so passing through a field never changes
// the stored value and text that is not a number is never taken as 0.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// "%f" when that text reads back to v and is short (what users are used to: "0.709300"),
// otherwise the shortest text that does ("2.4e-07", "1e+300").
std::string entry_text(double v);

// The number in text, blanks around it allowed; nullopt when the text is empty, is not
// entirely one number in the C locale's notation, or is not finite.
std::optional<double> parse_entry(std::string_view text);

// The same for whole numbers (no fraction, no exponent), within int.
std::optional<int> parse_entry_int(std::string_view text);

// parse_entry with the refusal the user sees: nullopt after a warning that names the field
// ("Wavelength (Å): "abc" is not a number").
std::optional<double> read_entry(const char* field, std::string_view text);
