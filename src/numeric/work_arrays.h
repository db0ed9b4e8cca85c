// Helpers shared by the reduction routines for their work arrays and input grids. Every
// failure is reported the routines' way, in three lines through show_error_, with the
// routine's own "Subroutine: xx " line.
#pragma once

#include <cstddef>
#include <vector>

// Sizes v to count zeros; on exhausted memory (or a count too large to size) reports
// "Impossible to allocate memory", the subroutine line and the table line, returns false.
bool allocate_table(std::vector<double>& v, std::size_t count, const char* subroutine, const char* table);

// A q grid the routines can work on: at least two points and a positive, finite first
// step. Otherwise reports the reason and returns false.
bool check_q_grid(int n, const double* q, const char* subroutine);
