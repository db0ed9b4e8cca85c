// Pointer read-out and zoom, driven by button, motion, wheel and key events on the
// window's event box (the read-out and zoom rules are the plot tests' business).
#include <gdk/gdkkeysyms.h>

#include "curvewin_fixture.h"

namespace {

class ZoomTest : public CurveWindowTest {
 public:
  int p = 0;
  GtkWidget* events = nullptr;
  double x_min = 0, y_max = 0;  // left and top edges of the frame in pixels

  void SetUp() override {
    CurveWindowTest::SetUp();
    p = add_project("silica");
    put_curve(1, 2, 300, 0.5, 20.5, [](double q) { return 1.0 + 2.0 * std::sin(q) / q; });
    open_window(p, 1, 2, 600, 400);
    GtkWidget* plot = static_cast<GtkWidget*>(c().plot);
    events = gtk_widget_get_parent(plot);
    x_min = c().frame[0] * plot->allocation.width;
    y_max = c().frame[3] * plot->allocation.height;
  }

  curve& c() { return rec(p, 1, 2); }
  // Fixed ranges x 0 .. 20, y -1 .. 3; true when both now lie strictly inside them.
  void set_ranges() {
    c().axmin[0] = 0.0, c().axmax[0] = 20.0, c().axmin[1] = -1.0, c().axmax[1] = 3.0;
    c().autoscale[0] = c().autoscale[1] = 0;
    settle(c());
  }
  bool zoomed_in() { return c().axmin[0] > 0.0 && c().axmax[0] < 20.0 && c().axmin[1] > -1.0 && c().axmax[1] < 3.0; }
  bool whole() { return c().axmin[0] == 0.5 && c().axmax[0] == 20.5; }  // autoscaled

  // An event of `type` at (x, y) delivered to `to` (the event box by default) as the X
  // server would.
  void deliver(GdkEventType type, double x, double y, guint32 time = 0, GtkWidget* to = nullptr) {
    GdkEvent* ev = gdk_event_new(type);
    if (type == GDK_MOTION_NOTIFY)
      ev->motion.x = x, ev->motion.y = y, ev->motion.state = time ? GDK_BUTTON1_MASK : 0;
    else if (type == GDK_SCROLL)
      ev->scroll.direction = GDK_SCROLL_UP, ev->scroll.x = x, ev->scroll.y = y;
    else if (type == GDK_KEY_PRESS)
      ev->key.keyval = GDK_Home;
    else
      ev->button.button = 1, ev->button.x = x, ev->button.y = y, ev->button.time = time;
    if (!to) to = events;

    ev->any.window = GDK_WINDOW(g_object_ref(to->window));
    gtk_widget_event(to, ev);
    gdk_event_free(ev);
  }
  std::string label() { return gtk_label_get_text(GTK_LABEL(c().coord_label)); }
};

}  // namespace

// A drag in the time window zooms in, a quick click says how to zoom; the wheel zooms by
// its step; a double click and Home show the whole curve again.
TEST_F(ZoomTest, DragWheelDoubleClickAndHome) {
  guint32 t = 100000;
  for (guint32 ms : {1000u, 120u}) {
    set_ranges();
    deliver(GDK_BUTTON_PRESS, std::floor(x_min + 100), std::floor(y_max + 250), t);
    deliver(GDK_MOTION_NOTIFY, std::floor(x_min + 300), std::floor(y_max + 80), 1);
    deliver(GDK_BUTTON_RELEASE, std::floor(x_min + 300), std::floor(y_max + 80), t + ms);
    t += 100000;
    EXPECT_EQ(std::tuple(c().zoom_state.pressed, zoomed_in()), std::tuple(0, ms == 1000u)) << ms;  // released; zoomed

  }
  EXPECT_NE(label().find("to zoom"), std::string::npos) << label();
  deliver(GDK_MOTION_NOTIFY, std::floor(x_min) + 137.6, std::floor(y_max) + 91.3);
  EXPECT_EQ(label().rfind("(x= ", 0), 0u) << label();

  set_ranges();
  const double px = std::floor(x_min + 150), py = std::floor(y_max + 60);
  deliver(GDK_SCROLL, px, py);
  settle(c());
  EXPECT_NEAR(c().axmax[0] - c().axmin[0], 20.0 * wheel_step, 1e-9);
  EXPECT_EQ(proj[p].changed, 1);
  deliver(GDK_2BUTTON_PRESS, px, py, 1000);
  deliver(GDK_BUTTON_RELEASE, px, py, 1100);
  settle(c());
  EXPECT_TRUE(whole()) << c().axmin[0] << " " << c().axmax[0];
  EXPECT_EQ(label().find("to zoom"), std::string::npos);
  set_ranges();
  deliver(GDK_KEY_PRESS, 0, 0, 0, GTK_WIDGET(c().window));
  settle(c());
  EXPECT_TRUE(whole());
}
