// The entry rule of every numeric field: a value is shown as a person would type it, text
// is read strictly, and leaving a field whose text still shows the stored value stores
// nothing, so passing through a field never changes the value and text that is not a
// number is never taken as 0.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// A value that single precision holds exactly (one read from an XML project, 0.77f) in the
// shortest text that reads back to it in single precision ("0.77", "1e-06"); any other
// value in the shortest text that reads back to it, rounded to 15 significant digits
// when it needs more ("0.072" for 0.07200000000000001, "0.333333333333333").
std::string entry_text(double v);

// True when `text` (blanks around it aside) is what entry_text shows for `stored`: the
// user left the value as it was shown, and nothing is to be stored.
bool shows_stored(std::string_view text, double stored);

// The number in text, blanks around it allowed; nullopt when the text is empty, is not
// entirely one number in the C locale's notation, or is not finite.
std::optional<double> parse_entry(std::string_view text);

// The same for whole numbers (no fraction, no exponent), within int.
std::optional<int> parse_entry_int(std::string_view text);

// parse_entry with the refusal the user sees: nullopt after a warning that names the field
// ("Wavelength (Å): "abc" is not a number").
std::optional<double> read_entry(const char* field, std::string_view text);
