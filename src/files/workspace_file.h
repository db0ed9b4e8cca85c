// The workspace file (.naw): a header, the project count N, the abscissa choice of every
// project and the N project blocks in workspace mode.
#pragma once

#include <cstdio>
#include <string>

#include "files/binary_io.h"

// Result code when the project count is below 1.
inline constexpr int workspace_empty = -1;

// direction 0 reads, 1 writes. Returns 0, 1 (a value could not be read or written in
// full), -1 (project count below 1) or the first code of a project block (1, 5, 6).
//
// Reading appends the workspace's projects to the table. A project whose block fails is
// closed again (the projects read before it stay). Extra data sets may show projects
// that come later in the file, so they are placed once every block is read; a set of a
// project that could not be read is dropped. The projects join the workspace tree
// (project_added hook) after that, in position order.
int open_save_workspace(std::FILE* stream, int direction);

// Buffer interface.
int encode_workspace(byte_writer& out);
int decode_workspace(byte_reader& in);

// File interface, with the checks and bounds of the project file interface
// (files/project_file.h): a failed save leaves the old file untouched.
int save_workspace_file(const std::string& path);
int open_workspace_file(const std::string& path);
