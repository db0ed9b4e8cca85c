// Shared pieces of the fuzz targets: silent message and numeric receivers, the input
// handed to the readers as a file, and a clean project table between inputs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Installs a presenter and a numeric receiver that discard everything (once).
void fuzz_silence();

// Writes the input to a per-process in-memory file and returns a path naming it; the
// same file is reused by every call.
const std::string& fuzz_input_path(const uint8_t* data, size_t size);

// Releases every project and resets the global table to its start-up state.
void fuzz_reset_projects();

// Once per process: the reader (`refused` tells whether it refused the file at a path)
// refuses a FIFO, /dev/zero and, when max_bytes > 0, a file one byte beyond that bound.
// A reader that blocked on the FIFO would end the run as a timeout.
void fuzz_check_refusals(const std::function<bool(const std::string&)>& refused,
                         size_t max_bytes);

// Aborts with a message: a property every reader must keep was broken.
[[noreturn]] void fuzz_fail(const char* what);
