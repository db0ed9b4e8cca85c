// The optional block of project and workspace files, after the options block, that holds
// the standard deviations of the curves (when uncertainties were propagated), so that a
// project reopens with the uncertainties of its results:
//
//   text  "%amoq sigma v-1\n"            counted string, as the file headers
//   i32   N                               entries
//   N ×   i32 project (0-based within the file), i32 calc, i32 curve, i32 n, n × f64 sigma
//
// Written only for curves that hold deviations, and no block at all when none does, so a
// file without uncertainties is saved byte for byte as before. Earlier versions stop
// reading after the options block and open such files as before.
#pragma once

#include "files/binary_io.h"

// Writes the block for the projects at table positions first .. first+count-1.
void encode_curve_sigmas(byte_writer& out, int first, int count);
// Reads the block when the bytes at the cursor start with it, into the projects at
// positions first .. first+count-1. A damaged block (an entry naming no curve, a count
// other than the curve's points, bytes missing) stores nothing and returns file_short with
// the reason in project_read_problem(); file_ok otherwise.
int decode_curve_sigmas(byte_reader& in, int first, int count);
