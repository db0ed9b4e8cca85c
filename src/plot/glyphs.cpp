#include "plot/glyphs.h"

#include <cmath>
#include <vector>

#include "plot/plot_context.h"

namespace {

constexpr double two_pi = 6.283185307179586;

// The path of shape group 0 square, 1 diamond, 2 circle, 3..6 triangles (pointing right,
// down, left, up), of size s around (x, y).
void glyph_shape(cairo_t* cr, int group, double x, double y, double s) {
  switch (group) {
    case 0:
      cairo_rectangle(cr, x - s / 2, y - s / 2, s, s);
      break;
    case 1:
      draw_poly(cr, x, y, s, 4, 1.0);
      break;
    case 2:
      cairo_new_sub_path(cr);
      cairo_arc(cr, x, y, s, 0.0, two_pi);
      cairo_close_path(cr);
      break;
    default: {
      const double rots[4] = {1.0, 4.0, 2.0, 4.0 / 3.0};
      draw_poly(cr, x, y, s, 3, rots[group - 3]);
    }
  }
}

void cross(cairo_t* cr, double x, double y, double s) {
  cairo_move_to(cr, x - s / 2, y + s / 2);
  cairo_line_to(cr, x + s / 2, y - s / 2);
  cairo_move_to(cr, x - s / 2, y - s / 2);
  cairo_line_to(cr, x + s / 2, y + s / 2);
  cairo_stroke(cr);
}

// Glyphs 2..36: five styles of each shape group.
void shape_glyph(cairo_t* cr, int glyph, double x, double y, const color& col, double s) {
  const int group = (glyph - 2) / 5;
  int style = (glyph - 2) % 5;
  auto outline = [&] { glyph_shape(cr, group, x, y, s); set_color(cr, col); cairo_stroke(cr); };
  auto filled = [&] { glyph_shape(cr, group, x, y, s); set_color(cr, col); cairo_fill(cr); };
  auto quarter = [&] { glyph_shape(cr, group, x, y, s); set_color(cr, col, 0.25); cairo_fill(cr); };
  auto white = [&] { glyph_shape(cr, group, x, y, s); cairo_set_source_rgb(cr, 1, 1, 1); cairo_fill(cr); };
  // Triangles list "outline only" first, the other shapes last.
  if (group >= 3) style = style == 0 ? 4 : style - 1;
  switch (style) {
    case 0: filled(); break;
    case 1: outline(); quarter(); break;
    case 2: outline(); white(); quarter(); break;
    case 3: outline(); white(); break;
    default: outline(); break;
  }
}

}  // namespace

void draw_poly(cairo_t* cr, double cx, double cy, double r, int n, double rot) {
  if (n < 1 || rot == 0.0) return;
  double phi = two_pi / rot;
  cairo_move_to(cr, cx + r * std::cos(phi), cy + r * std::sin(phi));
  for (int k = 1; k <= n; ++k) {
    double a = phi + two_pi * k / n;
    cairo_line_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
  }
  cairo_close_path(cr);
}

void draw_glyph(cairo_t* cr, int glyph, double x, double y, const color& col, double size) {
  if (glyph < 1 || glyph >= nglyph) {
    set_color(cr, col);
    return;
  }
  int nd = cairo_get_dash_count(cr);
  std::vector<double> dashes(static_cast<size_t>(nd));
  double offset = 0.0;
  if (nd > 0) cairo_get_dash(cr, dashes.data(), &offset);
  double width = cairo_get_line_width(cr);
  cairo_set_dash(cr, nullptr, 0, 0.0);
  cairo_set_line_width(cr, 1.0);
  cairo_new_path(cr);
  set_color(cr, col);
  if (glyph == 1)
    cross(cr, x, y, size);
  else
    shape_glyph(cr, glyph, x, y, col, size);
  cairo_set_dash(cr, dashes.data(), nd, offset);
  cairo_set_line_width(cr, width);
  set_color(cr, col);
}
