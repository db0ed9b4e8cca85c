// Loading a data file that the plain (x, y) reader refused: the user is asked once per
// project and session whether such files are read with format detection; an imported
// file is delivered to the curve store as the reader delivers its pairs.
#pragma once

#include <string>
#include <string_view>

// The message of a refused load: the reader's line, then the file and the reason.
void report_load_error(const char* first_line, const char* path, const std::string& reason);

// Data file id at `path` (its bytes, read once) into curve (calc, cid) of the active
// project, after read_data found no pair at its start. Shows the refusal and the question
// the first time; with detection chosen, imports the file: the abscissa converted to the
// program's units, the raw data's format taken from a recognised unit, a wavelength in the
// file offered (project without one) or reported (more than 0.1 % off), one information
// message on what was read — with the blocks joined and any gap between them — and a
// warning naming the blocks left out. Returns the number of pairs delivered, 0 when none (messages shown).
int load_refused_file(const char* path, std::string_view bytes, int id, int calc, int cid);

// The header text of the last file imported with format detection (its leading text
// lines and the format's metadata as "key = value" lines), empty after
// forget_import_header() until the next import.
const std::string& last_import_header();
void forget_import_header();
