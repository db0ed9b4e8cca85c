// The optional trailing block of project and workspace files that holds the settings
// added after the original record (project_options). Only values that differ from their
// default are written, and no block at all when none does, so a project without such
// settings is saved byte for byte as before; older readers stop before the block.
//
//   text  "%amoq options v-1\n"          counted string, as the file headers
//   i32   N                               entries
//   N ×   i32 project (0-based within the file), text key, f64 value
//
// Unknown keys are skipped (a newer version's settings), so files stay readable both ways;
// a known key whose value lies outside its setting's range refuses the project.
// The key "out_of_date" holds the steps whose results no longer follow the settings (bit
// calc of the value), written for projects that have any.
#pragma once

#include <string>

#include "files/binary_io.h"

struct setting_rule;

// Writes the block for the projects at table positions first .. first+count-1.
void encode_project_options(byte_writer& out, int first, int count);
// Reads the block when the bytes at the cursor start with it, into the projects at
// positions first .. first+count-1; anything else after the data is left alone, as
// before. Every value must lie in the range of its setting (project/setting_table.h).
// Returns file_ok (0), or file_short (1) for a damaged block (nothing stored, *refused
// -1) or a value out of range (*refused: the first project, 0-based, that holds one; the
// projects before it get their values, none from it on; project_read_problem() names the
// key and the value). An r_min within its range but outside 0 < r_min < Rmax is shown in
// a warning and left to be entered again (0.0).
int decode_project_options(byte_reader& in, int first, int count, int* refused = nullptr);

// Why the last read of a project or workspace file was refused when a value in it was out
// of range ("bkgscale = -1 is out of range: ..."), empty otherwise; its readers clear it.
const std::string& project_read_problem();
void clear_project_read_problem();
// Sets the problem to a text of its own (a damaged block).
void set_project_read_problem_text(const std::string& text);
// Names the key and value of `rule` (and the project, from 0, when >= 0) as the problem.
void set_project_read_problem(const setting_rule& rule, double value, int project);
