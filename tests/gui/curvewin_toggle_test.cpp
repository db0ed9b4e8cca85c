// The tool box's view button opens the curve window the first time and reuses it.
#include "curvewin_fixture.h"
#include "shell/curve_buttons.h"

TEST_F(CurveWindowTest, ViewButtonCreatesTheWindowOnceAndReusesIt) {
  int p = add_project("glass");
  put_curve(1, 2, 80, 0.5, 20.0, [](double q) { return 1 + std::sin(q) / q; });
  GtkWidget* table = gtk_table_new(3, 1, FALSE);
  g_object_ref_sink(table);
  proj[p].calc_box[1] = table;
  add_curve_buttons(p, 1);
  curve& c = rec(p, 1, 2);
  GtkWidget* button = static_cast<GtkWidget*>(c.view_button);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(c.window, nullptr);

  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(button), TRUE);
  settle();
  GtkWidget* win = static_cast<GtkWidget*>(c.window);
  ASSERT_NE(win, nullptr);
  EXPECT_TRUE(GTK_WIDGET_VISIBLE(win));
  EXPECT_NE(c.plot, nullptr);
  EXPECT_EQ(c.zoom_state.ids, ids(p, 1, 2));

  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(button), FALSE);
  pump();
  EXPECT_FALSE(GTK_WIDGET_VISIBLE(win));
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(button), TRUE);
  settle();
  EXPECT_EQ(c.window, win);
  EXPECT_TRUE(GTK_WIDGET_VISIBLE(win));

  destroy_curve_windows(p);
  EXPECT_EQ(c.window, nullptr);
  proj[p].calc_box[1] = nullptr;
  gtk_widget_destroy(table);
  g_object_unref(table);
  EXPECT_EQ(c.view_button, nullptr);
}
