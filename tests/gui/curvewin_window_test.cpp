// The curve window: built once and reused, redrawn completely on every expose, hidden by
// its close box and by stale results, destroyed when new data arrive.

#include "plot/render.h"
#include "curvewin_fixture.h"
#include "gui/shell/curve_buttons.h"

namespace {

// Pixels of the drawing area as the screen shows them, RGB.
GdkPixbuf* grab(const curve& c, int w, int h) {
  GtkWidget* plot = static_cast<GtkWidget*>(c.plot);
  return gdk_pixbuf_get_from_drawable(nullptr, plot->window, nullptr, 0, 0, 0, 0, w, h);
}

struct rgb { int r, g, b; };
rgb pixel(GdkPixbuf* pb, int x, int y) {
  const guchar* p = gdk_pixbuf_get_pixels(pb) + y * gdk_pixbuf_get_rowstride(pb) + x * gdk_pixbuf_get_n_channels(pb);
  return {p[0], p[1], p[2]};
}
rgb pixel(cairo_surface_t* s, int x, int y) {
  const unsigned char* row = cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s);
  uint32_t v = reinterpret_cast<const uint32_t*>(row)[x];
  return {static_cast<int>((v >> 16) & 255), static_cast<int>((v >> 8) & 255), static_cast<int>(v & 255)};
}

}  // namespace

TEST_F(CurveWindowTest, ExposeDrawsTheWholePlotAsTheOffscreenDrawingDoes) {
  int p = add_project("glass");
  put_curve(1, 2, 200, 0.5, 20.0, [](double q) { return 1.0 + std::sin(q) / q; });
  curve& c = rec(p, 1, 2);
  c.backc = color{0, 0, 0, 65535};  // blue: any unpainted pixel stands out
  GtkWidget* win = open_window(p, 1, 2, 500, 360);
  GtkWidget* plot = static_cast<GtkWidget*>(c.plot);
  int w = plot->allocation.width, h = plot->allocation.height;
  // Cover with garbage, then let an expose repaint it.
  cairo_t* cr = gdk_cairo_create(plot->window);
  cairo_set_source_rgb(cr, 0, 1, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  settle(c);
  GdkPixbuf* shown = grab(c, w, h);
  ASSERT_NE(shown, nullptr);

  cairo_surface_t* ref = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  cr = cairo_create(ref);
  ASSERT_EQ(render_curve(cr, w, h, 1.0, p, 1, 2), 1);
  cairo_destroy(cr);
  cairo_surface_flush(ref);
  long differ = 0, green = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      rgb a = pixel(shown, x, y), b = pixel(ref, x, y);
      if (a.r == 0 && a.g == 255 && a.b == 0) ++green;
      if (std::abs(a.r - b.r) > 24 || std::abs(a.g - b.g) > 24 || std::abs(a.b - b.b) > 24) ++differ;
    }
  EXPECT_EQ(green, 0);
  // Text may be rasterised with other font options on the screen; the rest is identical.
  EXPECT_LT(differ, w * h / 100) << differ << " of " << w * h << " pixels differ";
  g_object_unref(shown);
  cairo_surface_destroy(ref);
  // The window's size was recorded: width and plot height (window height - 27).
  int ww = 0, wh = 0;
  gtk_window_get_size(GTK_WINDOW(win), &ww, &wh);
  EXPECT_EQ(std::tuple(c.wsize[0], c.wsize[1]), std::tuple(ww, wh - curve_window_bar));
}

TEST_F(CurveWindowTest, ViewButtonShowsTheWindowCloseBoxAndStaleResultsHideItNewDataDestroyIt) {
  int p = add_project("glass");
  put_curve(3, 1, 50, 0.1, 10.0, [](double r) { return std::sin(3 * r); });
  curve& c = rec(p, 3, 1);
  // The tool box's view button creates the window the first time.
  GtkWidget* table = gtk_table_new(3, 1, FALSE);
  g_object_ref_sink(table);
  proj[p].calc_box[3] = table;
  add_curve_buttons(p, 3);
  GtkWidget* button = static_cast<GtkWidget*>(c.view_button);
  ASSERT_TRUE(button && !c.window);
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(button), TRUE);
  settle(c);
  GtkWidget* win = static_cast<GtkWidget*>(c.window);
  ASSERT_TRUE(win && GTK_WIDGET_VISIBLE(win));
  EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(win)), "glass - G(r)");

  // The close box hides and unticks; the window and its widgets stay for the next showing.
  GdkEvent* del = gdk_event_new(GDK_DELETE);
  del->any.window = GDK_WINDOW(g_object_ref(win->window));
  gtk_main_do_event(del);
  gdk_event_free(del);
  pump();
  EXPECT_FALSE(GTK_WIDGET_VISIBLE(win) || gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button)));
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(button), TRUE);
  settle(c);
  EXPECT_TRUE(c.window == win && GTK_WIDGET_VISIBLE(win));
  // Stale results: the hook hides the window itself (the button's handler blocked) and
  // unticks the button.
  g_signal_handlers_block_by_func(button, reinterpret_cast<gpointer>(on_viewcurve_toggled), ids(p, 3, 1));
  shooks().hide_curves(p, 3);
  g_signal_handlers_unblock_by_func(button, reinterpret_cast<gpointer>(on_viewcurve_toggled), ids(p, 3, 1));
  pump();
  EXPECT_FALSE(GTK_WIDGET_VISIBLE(win) || gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button)) ||
               GTK_WIDGET_SENSITIVE(button));

  // New data destroy the window; the view button becomes inactive and sensitive.
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(button), TRUE);
  settle(c);
  g_object_ref(win);
  put_curve(3, 1, 60, 0.1, 10.0, [](double r) { return std::cos(r); });
  EXPECT_TRUE(c.window == nullptr && c.plot == nullptr &&
              (GTK_OBJECT_FLAGS(win) & GTK_IN_DESTRUCTION || !GTK_WIDGET_VISIBLE(win)));

  EXPECT_TRUE(!gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button)) && GTK_WIDGET_SENSITIVE(button));
  g_object_unref(win);

  // An empty result: inactive and insensitive.
  save_curve(0, nullptr, nullptr, 3, 1);
  EXPECT_FALSE(GTK_WIDGET_SENSITIVE(button));

  destroy_curve_windows(p);
  proj[p].calc_box[3] = nullptr;
  gtk_widget_destroy(table);
  g_object_unref(table);
  EXPECT_EQ(c.view_button, nullptr);
}
