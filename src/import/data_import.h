// Reading a data file with format detection: the instrument formats and text files with
// headers that the plain (x, y) reader refuses, through xylib. xylib runs in a reader
// process of its own (the program amoq-import, import/child_process.h) with limits on
// memory, stack, time and output: a file that crashes it, loops it or floods its output
// is refused with the reason, and the program goes on. The first block's first two
// columns become the curve — with the blocks that continue its abscissa joined to it —
// converted to the program's units (2θ in degrees or Q in Å⁻¹) when the header names the
// unit.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "import/child_process.h"
#include "import/header_units.h"

// Largest file read with format detection (xylib holds it in memory as doubles).
inline constexpr long long import_max_bytes = 256LL << 20;

// A block of the file that holds pairs: its number (from 1), name, abscissa range and
// whether its pairs are in the curve.
struct import_block {
  int number = 0;
  std::string name;
  double first = 0.0, last = 0.0;
  int points = 0;
  bool used = false;
};

struct imported_data {
  std::vector<double> x, y;  // the pairs, x in the program's units when `format` >= 0
  int format = -1;           // 0 2θ, 1 Q (the data format codes), -1 unit not recognised
  std::string format_name;   // the detected file format, e.g. "PANalytical XRDML"
  header_units header;       // unit and wavelength found in the header or metadata
  std::string header_text;   // the text they were found in (leading_text and metadata)
  std::string reason;        // why nothing was read; empty on success
  // With more than one block: every block that holds pairs. The used ones continue one
  // increasing abscissa from the first block on and make up the curve; the others
  // overlap it or come in another order and are left out.
  std::vector<import_block> blocks;
};

// Reads the bytes of a file (its name gives the extension the format may be told by). On
// success x and y hold at least one pair of finite values (each block is read up to its
// first pair that is not); otherwise `reason` says why in a few words.
imported_data import_data_bytes(const std::string& name, std::string_view bytes);

// What the reader process answered (import/import_reply.h) for a file of these bytes,
// made into the curve: the reply decoded within its bounds, the blocks joined, the unit
// and wavelength recognised.
imported_data import_from_reply(std::string_view answer, std::string_view bytes);

// The file at `path` read once (at most import_max_bytes) and imported.
imported_data import_data_file(const std::string& path);

// The header text of a file's start (bytes): its lines up to the first that begins with
// a number, without lines that are not text. What recognise_header reads, with the
// format's metadata as "key = value" lines and the column names after it.
std::string leading_text(std::string_view bytes);

// The reader program and its arguments: by default amoq-import beside this program (or,
// in the build tree, in tools/). Tests put other programs in its place.
void set_instrument_reader(std::vector<std::string> argv);
std::vector<std::string> instrument_reader();
// The limits a file of `size` bytes is read with.
child_limits instrument_reader_limits(std::size_t size);
void set_instrument_reader_limits(const child_limits* limits);  // nullptr: the defaults
