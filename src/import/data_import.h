// Reading a data file with format detection: the instrument formats and text files with
// headers that the plain (x, y) reader refuses, through xylib. The first block's first
// two columns become the curve, converted to the program's units (2θ in degrees or Q in
// Å⁻¹) when the header names the unit.
#pragma once

#include <string>
#include <vector>

#include "import/header_units.h"

// Largest file read with format detection (xylib holds it in memory as doubles).
inline constexpr long long import_max_bytes = 256LL << 20;

struct imported_data {
  std::vector<double> x, y;  // the pairs, x in the program's units when `format` >= 0
  int format = -1;           // 0 2θ, 1 Q (the data format codes), -1 unit not recognised
  std::string format_name;   // the detected file format, e.g. "PANalytical XRDML"
  header_units header;       // unit and wavelength found in the header or metadata
  std::string header_text;   // the text they were found in (leading_text and metadata)
  std::string reason;        // why nothing was read; empty on success
};

// Reads `path`. On success x and y hold at least one pair of finite values (the reading
// stops at the first pair that is not); otherwise `reason` says why in a few words.
imported_data import_data_file(const std::string& path);

// The header text of a file's start (bytes): its lines up to the first that begins with
// a number, without lines that are not text. What recognise_header reads, with the
// format's metadata as "key = value" lines and the column names after it.
std::string leading_text(const std::string& bytes);
