// Writer of curve data files: two columns (format 0), four columns x, y, 0.0, 1.0
// (format 1), or a Grace project file (format 2: header commands, then two columns).
//
// Files are written through safe_output (numeric/safe_files.h): beside the target under a
// temporary name, renamed over it only when every byte has been written, so a failed save
// leaves an existing file untouched; a link at the name is replaced, never followed, and a
// directory, device, FIFO, socket or a file the user may not write is refused.
// Every function that writes returns 1 on success and 0 when the file cannot be created
// or a write fails (or the arguments are invalid: negative n, missing arrays, format
// outside 0..2).
#pragma once

#include <string>

// Writes one data set as a complete file. xlog, ylog: logarithmic axes (1); bar: bars
// (non-zero) or lines. With sigma (n standard deviations of y) each data line ends in a
// sigma column: the third for format 0 and 2, the fifth (after 0.0 and 1.0) for format 1;
// a Grace set is then of type "xydy" ("bardy" for bars).
int save_to_file(int filename_length, const char* filename, int n, const double* x,
                 const double* y, int xlog, int ylog, int bar, int calc, int curve, int format,
                 const double* sigma = nullptr);

// Starts a file for several data sets (a curve and its extra sets) and writes its header.
// A file still open from an earlier prep_file is closed first with close_data_file().
int prep_file(int filename_length, const char* filename, int format, int xlog, int ylog,
              int calc, int curve);

// Appends data set number `set` (0 the curve itself, 1, 2, ... the extra sets) to the file
// started by prep_file, followed by one empty line; the set numbered nsets - 1 closes the
// file. Returns 0 without writing when no file is open.
int append_to_file(int n, const double* x, const double* y, int bar, int calc, int curve,
                   int format, int set, int nsets, const double* sigma = nullptr);

// Closes the file started by prep_file, keeping the sets written so far (the file is
// complete up to the last appended set). Returns 1 when there was nothing to close.
int close_data_file();

// Grace axis legends: the x legend is 65 characters, its last non-blank one the '"' that
// closes the quote opened on the label line; the y legend is 35 characters, the text in
// double quotes ("" for a curve without a name; R(r), curve 4 of step 3, is "R(r)"). For
// a format other than 2 both are all blanks.
std::string xlegend(int calc, int curve, int format);
std::string ylegend(int calc, int curve, int format);

// The integer as decimal digits without blanks.
std::string charint(int value);

// One data line without its newline: x and y as "%20.10f" separated by 3 blanks, and for
// format 1 "   0.0   1.0" after them. A value that field cannot hold (too wide, or shown
// as zero without being zero) is written in exponent notation in the same 20 characters;
// one that is not finite as 20 asterisks.
std::string data_line(double x, double y, int format);
// The same line followed by 3 blanks and sigma in the same field.
std::string data_line(double x, double y, double sigma, int format);

// "%.10f" of v (the fields' digits without their padding) into out, which holds at least
// 32 bytes; returns its length, or 0 when |v| >= 1e9 or v is not finite.
int format_fixed10(double v, char* out);

// written_value(v), with format_fixed10 of that value into text (at least 32 bytes) and its
// length (0 as there) in length: one conversion serves both when the field is fixed-point.
double written_value(double v, char* text, int& length);

// The value a reader gets back from the field written for v: v rounded to ten decimals
// (the nearest double to the decimal written) or, where the field is in exponent
// notation, to the digits it holds; NaN where the field is asterisks (v not finite).
double written_value(double v);
