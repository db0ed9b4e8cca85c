#include "gui/base/placement.h"

#include <algorithm>
#include <vector>

#include "gui/base/paths.h"

namespace {

// A title bar and thin borders: what a window manager draws, before one can be measured.
constexpr win_frame typical_frame{4, 4, 28, 4};

bool shown(GtkWidget* w) { return w && w->window && gtk_widget_get_visible(w); }

// The windows on the screen that carry the mark (place_curve_window, the tool boxes).
std::vector<GtkWidget*> shown_windows(const char* mark) {
  std::vector<GtkWidget*> out;
  GList* list = gtk_window_list_toplevels();
  for (GList* l = list; l; l = l->next)
    if (shown(GTK_WIDGET(l->data)) && g_object_get_data(G_OBJECT(l->data), mark)) out.push_back(GTK_WIDGET(l->data));
  g_list_free(list);
  return out;
}

// The work area a window manager publishes for the current desktop (_NET_WORKAREA), or
// false without one.
bool published_work_area(GdkScreen* screen, win_rect& out) {
  GdkAtom type;
  gint format = 0, length = 0;
  guchar* data = nullptr;
  const bool got = gdk_property_get(gdk_screen_get_root_window(screen), gdk_atom_intern("_NET_WORKAREA", FALSE),
                                    gdk_atom_intern("CARDINAL", FALSE), 0, 4, FALSE, &type, &format, &length, &data);
  // Format 32 comes as longs on the client side.
  const bool ok = got && data && format == 32 && length >= static_cast<gint>(4 * sizeof(long));
  if (ok) {
    const long* v = reinterpret_cast<const long*>(data);
    out = {static_cast<int>(v[0]), static_cast<int>(v[1]), static_cast<int>(v[2]), static_cast<int>(v[3])};
  }
  g_free(data);
  return ok && out.w > 0 && out.h > 0;
}

}  // namespace

win_rect work_area(GtkWidget* near) {
  if (!near) near = amoq;
  GdkScreen* screen = near ? gtk_widget_get_screen(near) : gdk_screen_get_default();
  const int monitor = shown(near) ? gdk_screen_get_monitor_at_window(screen, near->window) : 0;
  GdkRectangle m;
  gdk_screen_get_monitor_geometry(screen, monitor, &m);
  win_rect area{m.x, m.y, m.width, m.height}, published;
  if (published_work_area(screen, published)) {  // the panels: within this monitor
    const int x0 = std::max(area.x, published.x), y0 = std::max(area.y, published.y);
    const int x1 = std::min(area.x + area.w, published.x + published.w);
    const int y1 = std::min(area.y + area.h, published.y + published.h);
    if (x1 > x0 && y1 > y0) area = {x0, y0, x1 - x0, y1 - y0};
  }
  return area;
}

win_frame window_frame() {
  if (!shown(amoq)) return typical_frame;
  GdkRectangle outer;
  gdk_window_get_frame_extents(amoq->window, &outer);
  int x = 0, y = 0, w = 0, h = 0;
  gdk_window_get_origin(amoq->window, &x, &y);
  gdk_drawable_get_size(amoq->window, &w, &h);
  return {x - outer.x, outer.x + outer.width - x - w, y - outer.y, outer.y + outer.height - y - h};
}

win_rect window_rect(GtkWidget* window) {
  GtkWindow* w = GTK_WINDOW(window);
  const win_frame f = window_frame();
  win_rect r;
  gtk_window_get_position(w, &r.x, &r.y);  // of the frame (north-west gravity)
  r.x += f.left;
  r.y += f.top;
  if (shown(window)) {
    gtk_window_get_size(w, &r.w, &r.h);
  } else {
    GtkRequisition req;
    gtk_widget_size_request(window, &req);
    gtk_window_get_default_size(w, &r.w, &r.h);
    r.w = std::max(r.w, req.width);
    r.h = std::max(r.h, req.height);
  }
  return r;
}

void move_window(GtkWidget* window, const win_rect& r) {
  GtkWindow* w = GTK_WINDOW(window);
  const win_frame f = window_frame();
  gtk_window_set_position(w, GTK_WIN_POS_NONE);
  gtk_window_move(w, r.x - f.left, r.y - f.top);
  if (gtk_window_get_resizable(w)) {
    if (shown(window))
      gtk_window_resize(w, r.w, r.h);
    else
      gtk_window_set_default_size(w, r.w, r.h);
  }
}

void place_main_window(GtkWidget* window) {
  const win_rect area = work_area(window);
  win_rect r = window_rect(window);
  r.x = area.x + (area.w - r.w) / 2;
  r.y = area.y + (area.h - r.h) / 2;
  move_window(window, fit_in_area(r, area, window_frame()));
}

namespace {

// The tool boxes asked for before the main window is on the screen (a project opened from
// the command line) are placed when it appears: its place is known only then.
gboolean place_when_main_window_mapped(GtkWidget* main, GdkEvent*, gpointer tools) {
  g_signal_handlers_disconnect_by_func(main, reinterpret_cast<gpointer>(&place_when_main_window_mapped), tools);
  place_beside_main_window(GTK_WIDGET(tools));
  return FALSE;
}

}  // namespace

void place_beside_main_window(GtkWidget* tools) {
  if (!amoq) return;
  if (!shown(amoq)) {
    g_signal_connect_after(amoq, "map-event", G_CALLBACK(place_when_main_window_mapped), tools);
    return;
  }
  win_rect main = window_rect(amoq), box = window_rect(tools);
  const win_rect before = main;
  side_by_side(main, box, work_area(amoq), window_frame());
  if (!(main == before)) move_window(amoq, main);
  move_window(tools, box);
}

void mark_window(GtkWidget* window, const char* mark) { g_object_set_data(G_OBJECT(window), mark, window); }

void place_curve_window(GtkWidget* window) {
  win_rect area = work_area(amoq);
  const win_frame f = window_frame();
  win_rect first = window_rect(window);
  const std::vector<GtkWidget*> others = shown_windows(cascade_mark);
  const int k = static_cast<int>(others.size()) - (std::count(others.begin(), others.end(), window) ? 1 : 0);
  mark_window(window, cascade_mark);
  if (amoq) {
    const win_rect main = window_rect(amoq);
    first.x = main.x + 30;
    first.y = main.y + 30;
  }
  // The tool boxes stay uncovered when the area beside them holds the window.
  for (GtkWidget* tools : shown_windows(tool_boxes_mark)) {
    const win_rect t = window_rect(tools);
    const int left_part = t.x - f.left - area.x, right_part = area.x + area.w - (t.x + t.w + f.right);
    const int need = first.w + f.left + f.right;
    if (left_part >= need && left_part >= right_part)
      area.w = left_part;
    else if (right_part >= need)
      area = {t.x + t.w + f.right, area.y, right_part, area.h};
  }
  move_window(window, cascade(first, k, area, f));
}
