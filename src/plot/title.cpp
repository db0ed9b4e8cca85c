#include <string>

#include "plot/axes.h"
#include "plot/frame.h"
#include "plot/plot_context.h"

void show_title(plot_context& pc) {
  const curve& c = *pc.c;
  cairo_t* cr = pc.cr;
  set_color(cr, c.title_color);
  set_layout_font(pc, c.title_font);
  pango_layout_set_text(pc.layout, c.title.c_str(), static_cast<int>(c.title.size()));
  cairo_new_path(cr);
  cairo_move_to(cr, pc.m.resol[0] * c.title_pos[0], pc.m.resol[1] * c.title_pos[1]);
  pango_cairo_show_layout(cr, pc.layout);
  cairo_new_path(cr);
}
