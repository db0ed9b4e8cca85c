// Reader of (x, y) data files: plain text, two numbers per record in free format.
#pragma once

#include <cstddef>
#include <cstdio>

// Reads the pairs of the file named by the first filename_length characters of filename
// (not terminated) and delivers them with save_curve_(n, x, y, calc, curve).
// Result: n > 0 pairs read and delivered; -3 no such file, or it is no regular file
// (directory, FIFO, device), cannot be opened or holds more than data_max_bytes:
// input_file_problem() tells which;
// -2 the file holds no line; -1 no pair could be read from its start (a header line,
// blank lines only, binary data); 0 the arrays could not be allocated (reported with
// show_error_). Nothing is delivered unless the result is positive.
int read_data(int calc, int curve, const char* filename, int filename_length);

// read_data, and the third column: when every pair has a third number on the line of its
// second (after blanks, tabs or a comma), finite and >= 0, those numbers are the standard
// deviations of y and are delivered with save_sigma_(n, sigma, calc, curve) after the
// points. Otherwise the file reads exactly as with read_data and no deviations are
// delivered.
int read_data_sigma(int calc, int curve, const char* filename, int filename_length);

// Largest data file read (the whole file is held in memory while it is read, and hashed).
inline constexpr std::size_t data_max_bytes = std::size_t{256} << 20;

// The same readings on the bytes of a file already read (data_max_bytes at most), with
// the third column when with_sigma: -2 for no bytes, -1 no pair at the start, 0 no memory,
// else the pairs delivered.
int read_data_bytes(int calc, int curve, const char* data, std::size_t size, bool with_sigma = false);

// Rewinds `unit` and counts its lines: every line counts, blank ones and a last line
// without a newline included. The file is left at its end. A read error ends the count.
long long is_length(std::FILE* unit);

namespace readfiles_detail {
// read_data and read_data_bytes with an upper bound on the elements of each array; a file
// with more pairs than that is refused like one whose arrays cannot be allocated.
int read_data_bounded(int calc, int curve, const char* filename, int filename_length,
                      long long max_elements, bool with_sigma = false);
int read_bytes_bounded(int calc, int curve, const char* data, std::size_t size, long long max_elements,
                       bool with_sigma = false);

// Parses one free-format number token: optional sign, digits with an optional decimal
// point, optional exponent with E, e, D or d. Only finite values are accepted; a value
// below the smallest subnormal reads as a signed zero. Returns false for anything else.
bool parse_number(const char* s, std::size_t len, double& value);
}  // namespace readfiles_detail
