// The binary project file (.nap): header, project state, parameters, data file names,
// species table and the curves that hold points, with their display settings. The same
// block, in workspace mode, makes up a workspace file.
//
// Reading never trusts the file: every count and length is checked against what the
// record can hold and against the bytes that remain before anything is allocated. A
// refused read resets the record it was reading into to the defaults of a new project
// (same identifier), so no half-read project can be saved over good data.
#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "files/binary_io.h"

// Result codes, reported as "Error code: %d".
inline constexpr int file_ok = 0;
inline constexpr int file_short = 1;       // a value could not be read or written in full
inline constexpr int file_bad_curve = 5;   // a curve block could not be read
inline constexpr int file_refresh = 6;     // the final refresh failed

// One extra data set as stored in a curve block, waiting for its slot.
struct stored_extra_set {
  int project = 0;  // project position
  int cid = 0, rid = 0;
  double thick = 1.0;
  int dash = 1, glyph = 0, aspect = 0;
  double gsize = 10.0;
  int gfreq = 1;
  color col{};
};

// The extra sets of one curve. In a workspace they can name projects that are read
// later, so they are placed into the slot tables once every project exists.
struct pending_extra_sets {
  int p = 0, rid = 0, cid = 0;
  std::vector<stored_extra_set> sets;
};

struct read_context {
  int mode = 0;    // 0 project file, N (> 0) workspace of N projects
  int offset = 0;  // table position of the workspace's first project
  std::vector<pending_extra_sets>* defer = nullptr;  // null: place extra sets at once
};

// Stream interface: write the block of project position p (mode 0 project file, > 0
// workspace of that many projects), one curve block, read one block into the active
// project, read one curve block (1 success, 0 failure).
int save_project(std::FILE* stream, int p, int mode);
int save_project_curve(std::FILE* stream, int mode, int p, int rid, int cid);
int open_project(std::FILE* stream, int mode);
int open_project_curve(std::FILE* stream, int mode);
// The next n bytes of the stream as a string; nullopt when n < 0 or fewer bytes remain.
std::optional<std::string> read_char(int n, std::FILE* stream);

// Buffer interface, shared with the workspace file. encode_project_file adds the options
// block of a project file; a workspace writes one block after all its projects.
void encode_project(byte_writer& out, int p, int mode);
void encode_project_file(byte_writer& out, int p);
void encode_project_curve(byte_writer& out, int mode, int p, int rid, int cid);
int decode_project(byte_reader& in, const read_context& ctx, int p);
int decode_project_curve(byte_reader& in, const read_context& ctx, int p);
// Puts stored extra sets into the slot tables of their curve; 0 when a set has no slot.
int place_extra_sets(const pending_extra_sets& pending, int mode);

// Largest project or workspace file read (a project of four calculations with every curve
// at a million points takes about 200 MiB); anything larger is refused unread.
inline constexpr std::size_t project_max_bytes = std::size_t{256} << 20;

// File interface. Saving goes through safe_output (numeric/safe_files.h): a temporary
// file beside the target renamed over its name only when every byte is written, so a
// failed save leaves the old file as it was; a directory, device, FIFO or socket, or a
// file the user may not write, is refused with code 1. Reading opens only a regular file
// of at most project_max_bytes; anything else, and a lack of memory, is code 1.
int save_project_file(const std::string& path, int p);
// Reads a project file into the active project.
int open_project_file(const std::string& path);

// Helpers of the file interface.
int write_file_atomically(const std::string& path, const std::vector<uint8_t>& bytes);
bool read_whole_file(const std::string& path, std::vector<uint8_t>& bytes);
// Everything from the stream's position to its end (at most project_max_bytes).
bool read_rest(std::FILE* stream, std::vector<uint8_t>& bytes);
