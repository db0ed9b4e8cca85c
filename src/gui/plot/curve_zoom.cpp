// Pointer read-out and zoom by dragging in the curve window. A button-1 drag inside the
// frame draws a rubber band over a snapshot of the plot; its release changes the axis
// ranges when the drag lasted between 0.5 s and 50 s and ended inside the frame.
#include <cairo.h>
#include <gdk/gdk.h>
#include <gdk/gdkkeysyms.h>

#include <cmath>

#include "gui/plot/curve_window.h"
#include "plot/zoom_rules.h"
#include "project/changes.h"
#include "gui/plot/curve_window_private.h"
#include "plot/plot_input.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/toolbox.h"
#include "gui/base/i18n.h"

namespace {

// Snapshot of the plot taken at a button-1 press, repainted under the rubber band.
struct zoom_snapshot {
  const curve_id* owner = nullptr;
  GdkPixbuf* pix = nullptr;
  cairo_t* rec = nullptr;
};
zoom_snapshot snap;
// The curve whose double click autoscaled it: the release that follows is no zoom.
const curve_id* double_clicked = nullptr;

void set_label(const curve& c, const std::string& text) {
  if (c.coord_label) gtk_label_set_text(GTK_LABEL(c.coord_label), text.c_str());
}

struct drag_style {
  double r, g, b;
  const char* text;
  double dx, dy;  // text position relative to the press point
};

drag_style style_of(bool right, bool down) {
  if (right && down) return {1, 0, 1, N_("zoom: in (x) / out (y)"), -100, -4};
  if (right) return {1, 0, 0, N_("zoom: in (x) / in (y)"), -100, 8};
  if (down) return {0, 1, 0, N_("zoom: out (x) / out (y)"), 2, -4};
  return {0, 0, 1, N_("zoom: out (x) / in (y)"), 2, 8};
}

void draw_rubber_band(const zoom_state_t& zs, int px, int py) {
  cairo_t* cr = snap.rec;
  gdk_cairo_set_source_pixbuf(cr, snap.pix, 0, 0);
  cairo_paint(cr);
  drag_style s = style_of(px >= zs.x0, py >= zs.y0);
  double w = px - zs.x0, h = py - zs.y0;
  cairo_rectangle(cr, zs.x0, zs.y0, w, h);
  cairo_set_source_rgba(cr, s.r, s.g, s.b, 0.05);
  cairo_fill_preserve(cr);
  cairo_set_source_rgba(cr, s.r, s.g, s.b, 1.0);
  cairo_set_line_width(cr, 1.0);
  cairo_stroke(cr);
  if (std::fabs(w) > 10 && std::fabs(h) > 5) {
    cairo_move_to(cr, zs.x0 + s.dx, zs.y0 + s.dy);
    cairo_show_text(cr, _(s.text));
    cairo_new_path(cr);
  }
  cairo_surface_flush(cairo_get_target(cr));
}

// The axis map of the curve's window as it is drawn now.
axis_map window_map(curve& c, int p, const curve_id* ids) {
  int w = 0, h = 0;
  plot_size(c, w, h);
  return preplot(resolve_plot_input(c, c, p, ids->rid, ids->cid), w, h);
}

}  // namespace

void release_zoom_snapshot(const curve_id* triple) {
  if (triple && snap.owner != triple) return;
  if (snap.rec) cairo_destroy(snap.rec);
  if (snap.pix) g_object_unref(snap.pix);
  snap = zoom_snapshot{};
}

gboolean on_motion_notify_event(GtkWidget*, GdkEventMotion* event, zoom_state_t* zs) {
  if (!zs || !zs->ids) return TRUE;
  int p = proj_by_id(zs->ids->pid);
  curve* c = find_curve(p, zs->ids->rid, zs->ids->cid);
  if (!c) return TRUE;
  axis_map m = window_map(*c, p, zs->ids);
  bool dragging = zs->pressed && (event->state & GDK_BUTTON1_MASK) && snap.rec &&
                  snap.owner == zs->ids;
  if (!dragging) {
    set_label(*c, pointer_text(m, *c, event->x, event->y));
    return TRUE;
  }
  if (!m.inside(event->x, event->y)) {
    set_label(*c, _("(Not in plot)"));
    return TRUE;
  }
  draw_rubber_band(*zs, static_cast<int>(event->x), static_cast<int>(event->y));
  set_label(*c, pointer_text(m, *c, event->x, event->y));
  return TRUE;
}

gboolean on_button_event(GtkWidget* widget, GdkEventButton* event, zoom_state_t* zs) {
  if (!zs || !zs->ids) return FALSE;
  const curve_id* ids = zs->ids;
  int p = proj_by_id(ids->pid);
  curve* c = find_curve(p, ids->rid, ids->cid);
  if (!c) return FALSE;
  if (event->type == GDK_BUTTON_PRESS && event->button == 3) {
    cpopmenu(widget, event, zs);
    return FALSE;
  }
  if (event->button != 1) return FALSE;
  if (event->type == GDK_2BUTTON_PRESS) {
    double_clicked = ids;
    zs->pressed = 0;
    autoscale(widget, ids);
    return FALSE;
  }
  int w = 0, h = 0;
  plot_size(*c, w, h);
  axis_map m = preplot(resolve_plot_input(*c, *c, p, ids->rid, ids->cid), w, h);
  if (event->type == GDK_BUTTON_PRESS) {
    release_zoom_snapshot(nullptr);
    GtkWidget* plot = static_cast<GtkWidget*>(c->plot);
    if (plot && plot->window && w > 0 && h > 0) {
      snap.owner = ids;
      snap.pix = gdk_pixbuf_get_from_drawable(nullptr, plot->window, nullptr, 0, 0, 0, 0, w, h);
      if (snap.pix) snap.rec = gdk_cairo_create(plot->window);
    }
    if (m.inside(event->x, event->y)) {
      zs->x0 = static_cast<int>(event->x);
      zs->y0 = static_cast<int>(event->y);
      zs->time0 = static_cast<int>(event->time);
      zs->pressed = 1;
    }
    return FALSE;
  }
  if (event->type != GDK_BUTTON_RELEASE) return FALSE;
  int was_pressed = zs->pressed;
  zs->pressed = 0;
  // Unsigned difference: correct across the wrap of the server's millisecond clock.
  guint32 etime = event->time - static_cast<guint32>(zs->time0);
  int x1 = static_cast<int>(event->x), y1 = static_cast<int>(event->y);
  drag_result verdict = judge_drag(was_pressed, m.inside(event->x, event->y), x1 - zs->x0,
                                   y1 - zs->y0, etime);
  if (double_clicked == ids) {
    double_clicked = nullptr;
  } else if (verdict == drag_result::zoom) {
    zoom_axes(*c, m, zs->x0, zs->y0, x1, y1);
    mark_project_changed(p);
  } else {
    set_label(*c, _(drag_hint(verdict)));
  }
  release_zoom_snapshot(nullptr);
  update_curve(p, ids->rid, ids->cid);
  return FALSE;
}

gboolean on_scroll_event(GtkWidget*, GdkEventScroll* event, zoom_state_t* zs) {
  if (!zs || !zs->ids) return FALSE;
  if (event->direction != GDK_SCROLL_UP && event->direction != GDK_SCROLL_DOWN) return FALSE;
  const curve_id* ids = zs->ids;
  int p = proj_by_id(ids->pid);
  curve* c = find_curve(p, ids->rid, ids->cid);
  if (!c) return FALSE;
  axis_map m = window_map(*c, p, ids);
  double factor = event->direction == GDK_SCROLL_UP ? wheel_step : 1.0 / wheel_step;
  wheel_zoom(*c, m, event->x, event->y, factor);
  mark_project_changed(p);
  update_curve(p, ids->rid, ids->cid);
  return TRUE;
}

gboolean on_curve_key_press(GtkWidget* widget, GdkEventKey* event, zoom_state_t* zs) {
  if (!zs || !zs->ids || (event->keyval != GDK_Home && event->keyval != GDK_KP_Home)) return FALSE;
  autoscale(widget, zs->ids);
  return TRUE;
}
