// The order of a series' files: natural file-name order (run2 before run10), the files of
// a folder that match a pattern, and the order of the series values.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Negative, zero or positive as a sorts before, with or after b: runs of digits compare
// as the numbers they write (leading zeros aside), letters without regard to case; names
// that tie so compare byte by byte.
int natural_compare(std::string_view a, std::string_view b);

// Paths in natural order of their file names (then of the whole paths), each path once.
void sort_naturally(std::vector<std::string>& paths);

// The regular files of `folder` (not its subfolders) whose names match one of the shell
// patterns in `patterns` (* ? [...], several separated by ';' or blanks; none: "*"), in
// natural order; names starting with '.' only when a pattern does. Empty with the reason
// in `error` when the folder cannot be read.
std::vector<std::string> files_matching(const std::string& folder, const std::string& patterns, std::string& error);

// Positions 0..n-1 by ascending value, those without a value last; ties keep their order.
std::vector<std::size_t> order_by_value(const std::vector<std::optional<double>>& values);
