#include "project/curve.h"

#include <algorithm>

#include "numeric/callbacks.h"
#include "project/hooks.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/recalc.h"
#include "project/uncertainty.h"

int curve_points(const curve& c) {
  if (c.ndata <= 0) return 0;
  size_t held = std::min(c.data[0].size(), c.data[1].size());
  return static_cast<int>(std::min(static_cast<size_t>(c.ndata), held));
}

curve* find_curve(int p, int calc, int cid) {
  if (!valid_project(p) || calc < 0 || calc >= ncalc) return nullptr;
  auto& list = proj[p].curves[calc];
  if (cid < 0 || cid >= static_cast<int>(list.size())) return nullptr;
  return list[cid].get();
}

namespace {

// Releases the points. The count goes with them, so no reader of ndata ever indexes data
// that are gone.
void free_data(curve& c) {
  c.ndata = 0;
  c.data[0] = std::vector<double>();
  c.data[1] = std::vector<double>();
  c.sigma = std::vector<double>();
  c.cov.reset();
}

}  // namespace

void initcurve_record(curve& c, double min, double max) {
  free_data(c);
  c.cfile.reset();
  c.cmin[0] = min;
  c.cmax[0] = max;
  c.wsize[0] = 840;
  c.wsize[1] = 600;
  c.backc = color_white;
  c.draw_target = 0;
  c.aspect = 0;
  c.realloc_extras = 1;
  c.x_axis_defaut_title = c.y_axis_defaut_title = 1;
  c.x_axis_title_pos[0] = -20;
  c.x_axis_title_pos[1] = 45;
  c.y_axis_title_pos[0] = 90;
  c.y_axis_title_pos[1] = -50;
  c.x_axis_title_font = c.y_axis_title_font = "Sans 12";
  for (int a = 0; a < 2; ++a) {
    c.scale[a] = 0;
    c.autoscale[a] = 1;
    c.grid[a] = 0;
    c.show_axis[a] = 1;
    c.ticks_io[a] = 0;
    c.ticks_pos[a] = 0;
    c.majt_size[a] = 10;
    c.mint_size[a] = 5;
    c.labels_pos[a] = 0;
    c.labels_digit[a] = 1;
    c.labels_font[a] = "Sans 12";
    c.labels_angle[a] = 0.0;
  }
  c.labels_shift_x[0] = 10;
  c.labels_shift_x[1] = 50;
  c.labels_shift_y[0] = 20;
  c.labels_shift_y[1] = 10;
  c.show_legend = 0;
  c.legend_pos[0] = 0.65;
  c.legend_pos[1] = 0.15;
  c.legend_font = "Sans 10";
  c.legend_color = color_black;
  c.show_legend_box = 0;
  c.legend_box_dash = 1;
  c.legend_box = color_black;
  c.legend_box_thickness = 1.0;
  c.show_title = 0;
  c.default_title = 1;
  c.title_pos[0] = 0.4;
  c.title_pos[1] = 0.05;
  c.title_font = "Sans Bold 12";
  c.title_color = color_black;
  c.show_frame = 1;
  c.frame_type = 2;
  c.frame_dash = 1;
  c.frame_thickness = 1.0;
  c.frame_color = color_black;
  std::copy(default_frame, default_frame + 4, c.frame);
  c.datac = color_red;
  c.thickness = 1.0;
  c.dash = 1;
  c.glyph = 0;
  c.gsize = 5.0;
  c.gfreq = 1;
  c.extras_shown = 0;
  c.keep_display = 0;
}

void initcurve(int p, int rid, int cid) {
  curve* c = find_curve(p, rid, cid);
  if (c) initcurve_record(*c, proj[p].min[rid], proj[p].max[rid]);
}

void save_curve(int n, const double* x, const double* y, int rid, int cid) {
  if (!store_curve(activep, n, x, y, rid, cid) || n <= 0 || !x || !y) return;
  auto [lo, hi] = std::minmax_element(x, x + n);
  proj[activep].min[rid] = *lo;
  proj[activep].max[rid] = *hi;
}

bool store_curve(int p, int n, const double* x, const double* y, int rid, int cid) {
  curve* c = find_curve(p, rid, cid);
  if (!c) return false;
  // An automatic rerun keeps the window open; it is redrawn with the new points.
  const bool keep_window = c->window && auto_recalculating() && n > 0 && x && y;
  if (c->window && !keep_window) {
    if (hooks().destroy_curve_window) hooks().destroy_curve_window(*c);
    c->plot = nullptr;
    c->window = nullptr;
    c->keep_display = 1;  // the user's display settings outlive the window
  }
  free_data(*c);
  if (n <= 0 || !x || !y) {
    c->ndata = 0;
    if (hooks().view_button_state) hooks().view_button_state(*c, 0, 0);
    return true;
  }
  c->ndata = n;
  c->data[0].assign(x, x + n);
  c->data[1].assign(y, y + n);
  if (keep_window) {
    if (hooks().redraw_curve) hooks().redraw_curve(*c);
  } else if (hooks().view_button_state) {
    hooks().view_button_state(*c, 0, 1);
  }
  return true;
}

void erase_curves(int p, int rid) {
  if (!valid_project(p) || rid < 0 || rid >= ncalc) return;
  for (auto& c : proj[p].curves[rid])
    if (c) free_data(*c);
}

int proj_by_id(int pid) {
  int found = 0;
  for (int i = 0; i < nprojects; ++i)
    if (proj[i].id == pid) found = i;
  return found;
}

void connect_numeric_callbacks() {
  numeric_receiver r = set_numeric_receiver({});
  r.save_curve = [](int n, const double* x, const double* y, int calc, int cid) {
    save_curve(n, x, y, calc, cid);
  };
  r.show_error = [](const char* a, const char* b, const char* c) { show_numeric_error(a, b, c); };
  r.save_sigma = [](int n, const double* sigma, int calc, int cid) {
    store_curve_sigma(activep, calc, cid, std::vector<double>(sigma, sigma + n));
  };
  set_numeric_receiver(std::move(r));
}

std::string default_axis_title(int p, int rid, int axis, int cid) {
  if (axis == 1) {
    const curve* c = find_curve(p, rid, cid);
    return c ? c->name : std::string();
  }
  switch (rid) {
    case 0:
      if (valid_project(p) && cid < proj[p].numc[0] - 1 && proj[p].params[k_abscissa] == 0)
        return "2θ [deg]";
      return "q [Å-1]";
    case 3:
      return cid == 0 ? "q [Å-1]" : "r [Å]";
    default:
      return "q [Å-1]";
  }
}
