// The instrument-file reader proper: the bytes of a file handed to xylib, with its format
// detected from the content or, failing that, from the extension of `name`. This is code
// we did not write reading untrusted files, so it runs only in the reader process
// (tools/amoq-import.cpp); the program talks to that process (import/data_import.h).
#pragma once

#include <string>
#include <string_view>

#include "import/import_reply.h"

// What xylib reads from the file: the format, the metadata and each block's first two
// columns as they stand (no pair checked); or `refused` with the library's reason.
import_reply read_instrument_file(const std::string& name, std::string_view bytes);
