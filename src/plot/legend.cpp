#include <algorithm>
#include <string>

#include "plot/axes.h"
#include "plot/draw.h"
#include "plot/frame.h"
#include "plot/plot_context.h"
#include "plot/style_sample.h"
#include "project/project.h"

namespace {

struct entry_size {
  double w = 0.0, h = 0.0;
};

// One legend entry at (lx, ly): a line sample with a glyph at each end, then the text
// "project - curve".
entry_size legend_entry(plot_context& pc, double lx, double ly, const plot_set& set) {
  cairo_t* cr = pc.cr;
  draw_line_sample(cr, lx - 5, lx + 20, ly, set.style);
  const std::string& project_name = valid_project(set.project) ? proj[set.project].name : std::string();
  const std::string text = project_name + " - " + set.points->name;
  pango_layout_set_text(pc.layout, text.c_str(), static_cast<int>(text.size()));
  int w = 0, h = 0;
  pango_layout_get_size(pc.layout, &w, &h);
  entry_size size{static_cast<double>(w) / PANGO_SCALE, static_cast<double>(h) / PANGO_SCALE};
  set_color(cr, pc.c->legend_color);
  cairo_move_to(cr, lx + 35, ly - size.h / 2);
  pango_cairo_show_layout(cr, pc.layout);
  cairo_new_path(cr);
  return size;
}

}  // namespace

legend_box_rect show_legend(plot_context& pc) {
  const curve& c = *pc.c;
  const double W = pc.m.resol[0], H = pc.m.resol[1];
  const double lx = W * c.legend_pos[0], top = H * c.legend_pos[1];
  double ly = top;
  set_layout_font(pc, c.legend_font);

  entry_size first = legend_entry(pc, lx, ly, pc.in->own);
  entry_size last = first;
  double w_max = first.w;
  for (const plot_set& set : pc.in->extras) {
    if (!set.styled) continue;
    ly += last.h * 4.0 / 3.0;
    last = legend_entry(pc, lx, ly, set);
    w_max = std::max(w_max, last.w);
  }

  legend_box_rect box{lx - 25, top - first.h, w_max + 80, (ly - top) + first.h + last.h};
  if (c.show_legend_box && c.legend_box_dash != 0) {
    cairo_t* cr = pc.cr;
    prep_frame(cr, c.legend_box_dash, c.legend_box_thickness, c.legend_box);
    cairo_new_path(cr);
    cairo_rectangle(cr, box.x, box.y, box.width, box.height);
    cairo_stroke(cr);
  }
  return box;
}
