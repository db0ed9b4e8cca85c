// Dash patterns of data and frame lines, and dashed data lines whose pattern runs on
// along the data.
#pragma once

#include <cairo.h>

#include <vector>

#include "plot/axis_map.h"

inline constexpr int ndash = 11;

// A dash pattern: lengths in pixels, applied with offset 0 (an odd count repeats with on
// and off swapped). Indexes outside 0..10 give the empty pattern (solid).
struct dash_pattern {
  const double* lengths = nullptr;
  int count = 0;
};
dash_pattern selectdash(int index);
// A pattern draws a solid line when none of its "off" lengths is positive.
bool is_solid(const dash_pattern& d);
// Applies pattern `index` to the context. Patterns without gaps are set as a solid line,
// which looks the same and strokes faster; pattern 0 (all lengths zero, which cairo
// refuses) is applied as solid too.
void apply_dash(cairo_t* cr, int index);

// A dash pattern walked along a path: element k with `rem` pixels left of it.
struct dash_walker {
  double len[2 * 3] = {};
  int count = 0;
  double period = 0.0;
  int k = 0;
  double rem = 0.0;
  explicit dash_walker(const dash_pattern& d);
  void restart() { k = 0, rem = len[0]; }
  bool on() const { return k % 2 == 0; }
  void next() { k = (k + 1) % count, rem = len[k]; }
  // Moves the phase on by d pixels without drawing.
  void skip(double d);
};

// Dash runs: a pixel column that the line crosses back and forth many times is filled by
// dashes from side to side whatever their phase, so such a run of points is drawn as its
// solid extent while the pattern phase moves on by the length it skipped. band[i] = 1 when
// segment i lies in such a run; runs holds the first and last point of each.
void find_dash_runs(const double* px, const double* py, int n, double period,
                    std::vector<char>& band, std::vector<int>& runs);

// A dashed line whose pattern runs on along the data, dense runs (find_dash_runs) drawn
// solid. Only segments i with wanted[i] (all when wanted is null) are added to the path;
// the others still move the pattern on.
void path_dashed(cairo_t* cr, const axis_map& m, const double* px, const double* py, int n,
                 const dash_pattern& d, const std::vector<char>& band,
                 const std::vector<int>& runs, const char* wanted);
