// Curve windows under Xvfb: projects with curves that hold points, the window hooks
// installed, messages recorded and the save chooser answered from a script.
#pragma once

#include "support/test.h"

#include "project/allocextra.h"
#include "gui/plot/curve_window.h"
#include "gui_fixture.h"
#include "project/calc_records.h"
#include "project/toolbox.h"

class CurveWindowTest : public GuiTest {
 public:
  void SetUp() override {
    GuiTest::SetUp();
    install_curve_window_hooks();
  }

  void TearDown() override {
    for (int p = 0; p < nprojects; ++p) destroy_curve_windows(p);
    pump();
    while (nprojects > 0) close_project_record(0);
    GuiTest::TearDown();
  }

  // A new active project on the Q abscissa with curve records; returns its position.
  int add_project(const std::string& name) {
    init_project();
    int p = activep;
    proj[p].name = name, proj[p].params[k_abscissa] = 1;
    create_curve_records(p);
    init_curve_names(p, 0, 0);
    return p;
  }

  // Stores n points y = f(x) on x in [x0, x1] as curve (rid, cid) of the active project.
  template <class F>
  void put_curve(int rid, int cid, int n, double x0, double x1, F f) {
    std::vector<double> x(n), y(n);
    for (int i = 0; i < n; ++i) x[i] = x0 + (x1 - x0) * i / (n - 1), y[i] = f(x[i]);
    save_curve(n, x.data(), y.data(), rid, cid);
  }

  curve& rec(int p, int rid, int cid) { return *find_curve(p, rid, cid); }
  curve_id* ids(int p, int rid, int cid) { return &proj[p].curve_ids[rid][cid]; }

  // Creates, shows and draws the window of a curve at a plot size of w x h.
  GtkWidget* open_window(int p, int rid, int cid, int w = 600, int h = 400) {
    curve& c = rec(p, rid, cid);
    c.wsize[0] = w, c.wsize[1] = h;
    GtkWidget* win = create_curve(ids(p, rid, cid));
    gtk_widget_show_all(win);
    // Other test programs share the X server and their windows may cover this one. A
    // redirected drawing area keeps its own pixels, which is what the tests read back.
    GtkWidget* plot = static_cast<GtkWidget*>(c.plot);
    if (gdk_display_supports_composite(gdk_display_get_default()))
      gdk_window_set_composited(plot->window, TRUE);
    settle(c);
    return win;
  }

  // Redraws the plot of c and waits until its expose has run: what the pixels, the window
  // size and the ranges of the tests follow from. A deadline keeps a lost expose from
  // hanging the run (the test then fails on what it reads).
  static void settle(const curve& c) {
    GtkWidget* plot = static_cast<GtkWidget*>(c.plot);
    ASSERT_NE(plot, nullptr);
    int exposed = 0;
    gulong id = g_signal_connect(plot, "event-after", G_CALLBACK(+[](GtkWidget*, GdkEvent* e, gpointer n) {
                                   if (e->type == GDK_EXPOSE) ++*static_cast<int*>(n);
                                 }),
                                 &exposed);
    gtk_widget_queue_draw(plot);
    guint tick = g_timeout_add(20, +[](gpointer) -> gboolean { return TRUE; }, nullptr);  // wakes the loop
    const gint64 deadline = g_get_monotonic_time() + 10 * G_USEC_PER_SEC;
    while (exposed == 0 && g_get_monotonic_time() < deadline) g_main_context_iteration(nullptr, TRUE);
    g_source_remove(tick);
    g_signal_handler_disconnect(plot, id);
    gdk_flush();
    pump();
  }
};

// Pixels of the plot of curve c inside the frame, away from its edges, ticks and labels,
// whose RGB bytes satisfy `pick`.
template <class Pick>
long frame_pixels(const curve& c, Pick pick) {
  GtkWidget* plot = static_cast<GtkWidget*>(c.plot);
  int w = plot->allocation.width, h = plot->allocation.height;
  int x0 = static_cast<int>(c.frame[0] * w) + 15, y0 = static_cast<int>(c.frame[3] * h) + 15;
  int x1 = static_cast<int>(c.frame[1] * w) - 15, y1 = static_cast<int>(c.frame[2] * h) - 15;
  GdkPixbuf* pb = gdk_pixbuf_get_from_drawable(nullptr, plot->window, nullptr, x0, y0, 0, 0, x1 - x0, y1 - y0);

  long n = 0;
  int stride = gdk_pixbuf_get_rowstride(pb), ch = gdk_pixbuf_get_n_channels(pb);
  for (int y = 0; y < y1 - y0; ++y)
    for (int x = 0; x < x1 - x0; ++x) n += pick(gdk_pixbuf_get_pixels(pb) + y * stride + x * ch);
  g_object_unref(pb);
  return n;
}
