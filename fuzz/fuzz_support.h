// Shared pieces of the fuzz targets: silent message and numeric receivers, the input
// handed to the readers as a file, and a clean project table between inputs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Installs a presenter and a numeric receiver that discard everything (once).
void fuzz_silence();

// Writes the input to a per-process in-memory file and returns a path naming it; the
// same file is reused by every call.
const std::string& fuzz_input_path(const uint8_t* data, size_t size);

// Releases every project and resets the global table to its start-up state.
void fuzz_reset_projects();

// Aborts with a message: a property every reader must keep was broken.
[[noreturn]] void fuzz_fail(const char* what);
