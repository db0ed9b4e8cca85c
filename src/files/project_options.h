// The optional trailing block of project and workspace files that holds the settings
// added after the original record (project_options). Only values that differ from their
// default are written, and no block at all when none does, so a project without such
// settings is saved byte for byte as before; older readers stop before the block.
//
//   text  "%amoq options v-1\n"          counted string, as the file headers
//   i32   N                               entries
//   N ×   i32 project (0-based within the file), text key, f64 value
//
// Unknown keys are skipped (a newer version's settings), so files stay readable both ways.
// The key "out_of_date" holds the steps whose results no longer follow the settings (bit
// calc of the value), written for projects that have any.
#pragma once

#include "files/binary_io.h"

// Writes the block for the projects at table positions first .. first+count-1.
void encode_project_options(byte_writer& out, int first, int count);
// Reads the block when the bytes at the cursor start with it, into the projects at
// positions first .. first+count-1; anything else after the data is left alone, as
// before. An r_min outside 0 < r_min < Rmax is shown in a warning and left to be entered
// again (0.0). Returns file_ok (0) or file_short (1) for a damaged block.
int decode_project_options(byte_reader& in, int first, int count);
