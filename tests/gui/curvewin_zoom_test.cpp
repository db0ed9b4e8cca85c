// Pointer read-out and zoom by dragging, driven by button and motion events on the
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
  // Fixed ranges: x 0 .. 20, y -1 .. 3.
  void set_ranges() {
    c().axmin[0] = 0.0;
    c().axmax[0] = 20.0;
    c().axmin[1] = -1.0;
    c().axmax[1] = 3.0;
    c().autoscale[0] = c().autoscale[1] = 0;
    settle(c());
  }

  // Delivers an event to `to` (the event box by default) as the X server would.
  void deliver(GdkEvent* ev, GtkWidget* to = nullptr) {
    if (!to) to = events;
    ev->any.window = GDK_WINDOW(g_object_ref(to->window));
    gtk_widget_event(to, ev);
    gdk_event_free(ev);
  }
  void button(GdkEventType type, int b, double x, double y, guint32 time) {
    GdkEvent* ev = gdk_event_new(type);
    ev->button.button = b;
    ev->button.x = x;
    ev->button.y = y;
    ev->button.time = time;
    deliver(ev);
  }
  void motion(double x, double y, guint state) {
    GdkEvent* ev = gdk_event_new(GDK_MOTION_NOTIFY);
    ev->motion.x = x;
    ev->motion.y = y;
    ev->motion.state = state;
    deliver(ev);
  }
  std::string label() { return gtk_label_get_text(GTK_LABEL(c().coord_label)); }
};

}  // namespace

// A drag in the time window zooms in: the new ranges lie inside the old; a click does not.
TEST_F(ZoomTest, DragZoomsAndTheReadOutFollowsThePointer) {
  guint32 t = 100000;
  for (guint32 ms : {1000u, 120u}) {
    set_ranges();
    double px0 = std::floor(x_min + 100), py0 = std::floor(y_max + 250);
    double px1 = std::floor(x_min + 300), py1 = std::floor(y_max + 80);
    button(GDK_BUTTON_PRESS, 1, px0, py0, t);
    motion(px1, py1, GDK_BUTTON1_MASK);
    button(GDK_BUTTON_RELEASE, 1, px1, py1, t + ms);
    t += 100000;
    EXPECT_EQ(c().zoom_state.pressed, 0);
    const bool zoomed = ms == 1000u;
    EXPECT_EQ(c().axmin[0] > 0.0 && c().axmax[0] < 20.0, zoomed) << ms;
    EXPECT_EQ(c().axmin[1] > -1.0 && c().axmax[1] < 3.0, zoomed) << ms;
    if (!zoomed) {  // a release that does not zoom says how to zoom in the pointer label
      EXPECT_NE(label().find("to zoom"), std::string::npos) << label();
    }
  }
  set_ranges();
  motion(std::floor(x_min) + 137.6, std::floor(y_max) + 91.3, 0);
  EXPECT_EQ(label().rfind("(x= ", 0), 0u) << label();
  motion(x_min - 5, y_max + 50, 0);
  EXPECT_EQ(label(), "Not in plot");
}

TEST_F(ZoomTest, WheelZoomsAboutThePointerDoubleClickAndHomeShowTheWholeCurve) {
  set_ranges();
  const double px = std::floor(x_min + 150), py = std::floor(y_max + 60);
  GdkEvent* ev = gdk_event_new(GDK_SCROLL);
  ev->scroll.direction = GDK_SCROLL_UP;
  ev->scroll.x = px;
  ev->scroll.y = py;
  deliver(ev);
  settle(c());
  // Both ranges shrink by the wheel step (about the pointer: the plot tests' business).
  EXPECT_NEAR(c().axmax[0] - c().axmin[0], 20.0 * wheel_step, 1e-9);
  EXPECT_NEAR(c().axmax[1] - c().axmin[1], 4.0 * wheel_step, 1e-9);
  EXPECT_EQ(proj[p].changed, 1);

  // Back to the autoscaled view: the data run from 0.5 to 20.5.
  auto whole = [&] { return c().axmin[0] == 0.5 && c().axmax[0] == 20.5; };
  button(GDK_2BUTTON_PRESS, 1, px, py, 1000);
  button(GDK_BUTTON_RELEASE, 1, px, py, 1100);
  settle(c());
  EXPECT_TRUE(whole()) << c().axmin[0] << " " << c().axmax[0];
  EXPECT_EQ(label().find("to zoom"), std::string::npos);
  set_ranges();
  ev = gdk_event_new(GDK_KEY_PRESS);
  ev->key.keyval = GDK_Home;
  deliver(ev, GTK_WIDGET(c().window));
  settle(c());
  EXPECT_TRUE(whole());
}
