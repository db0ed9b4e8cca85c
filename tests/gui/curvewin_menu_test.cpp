// The curve window's context menu: the data-set menus across open projects, overlaying
// and removing a curve of another project, its entries, autoscale and close.

#include "curvewin_fixture.h"

namespace {

GtkWidget* submenu(GtkWidget* menu, const char* label) {
  GtkWidget* item = find_labelled(menu, label);
  return item ? gtk_menu_item_get_submenu(GTK_MENU_ITEM(item)) : nullptr;
}

// Pixels of the plot close to black (the default colour of an overlaid set).
long dark_pixels(const curve& c) {
  return frame_pixels(c, [](const guchar* p) { return p[0] < 100 && p[1] < 100 && p[2] < 100; });
}

}  // namespace

TEST_F(CurveWindowTest, OverlayACurveOfAnotherOpenProjectAndRemoveIt) {
  int a = add_project("alpha");
  put_curve(1, 1, 100, 0.5, 20.5, [](double q) { return std::sin(q); });
  put_curve(1, 2, 100, 0.5, 20.5, [](double q) { return 1 + std::sin(q) / q; });
  int b = add_project("beta");
  put_curve(1, 2, 100, 0.5, 20.5, [](double q) { return 1 + 0.5 * std::cos(q); });
  activep = a;
  curve& host = rec(a, 1, 2);
  open_window(a, 1, 2);
  long dark_before = dark_pixels(host);

  GtkWidget* menu = build_cpopmenu(ids(a, 1, 2));
  GtkWidget* add = submenu(menu, "_Add data set");
  ASSERT_NE(add, nullptr);
  // Projects, then calculations, then the curves with points; never the host itself.
  EXPECT_EQ(item_labels(add), (std::vector<std::string>{"alpha", "beta"}));
  EXPECT_EQ(item_labels(submenu(submenu(add, "alpha"), "S(q)")), std::vector<std::string>{"Q[S(Q)-1]"});
  GtkWidget* beta_sq = submenu(submenu(add, "beta"), "S(q)");
  ASSERT_NE(beta_sq, nullptr);
  gtk_menu_item_activate(GTK_MENU_ITEM(find_labelled(beta_sq, "S(Q)")));
  gtk_widget_destroy(menu);
  settle(host);

  EXPECT_EQ(host.extras_shown, 1);
  int drawn = -1;
  for (int k = 0; k < host.extras; ++k)
    if (host.extrasets[k][0]) drawn = k;
  ASSERT_GE(drawn, 0);
  EXPECT_EQ(host.extrasets[drawn], (std::array<int, 4>{1, b, 1, 2}));
  // The overlay is drawn (in black, the default colour of a new set).
  EXPECT_GT(dark_pixels(host), dark_before + 100);

  // It is now offered for removal, and no longer for adding.
  menu = build_cpopmenu(ids(a, 1, 2));
  EXPECT_EQ(submenu(submenu(submenu(menu, "_Add data set"), "beta"), "S(q)"), nullptr);
  GtkWidget* remove = submenu(submenu(submenu(menu, "_Remove data set"), "beta"), "S(q)");
  ASSERT_NE(remove, nullptr);
  gtk_menu_item_activate(GTK_MENU_ITEM(find_labelled(remove, "S(Q)")));
  gtk_widget_destroy(menu);
  settle(host);
  EXPECT_EQ(std::tuple(host.extras_shown, host.extrasets[drawn][0]), std::tuple(0, 0));

  // The entries; nothing drawn, nothing to remove. Autoscale shows the data range (the
  // rule is the plot tests' business), "_Close" hides the window.
  menu = build_cpopmenu(ids(a, 1, 2));
  EXPECT_EQ(item_labels(menu), (std::vector<std::string>{"Save _data", "_Export image", "E_dit curve", "_Edit data",
                                                         "_Add data set", "_Remove data set", "_Autoscale", "_Close"}));
  EXPECT_FALSE(GTK_WIDGET_SENSITIVE(find_labelled(menu, "_Remove data set")));
  host.axmin[0] = 5, host.axmax[0] = 6;
  gtk_menu_item_activate(GTK_MENU_ITEM(find_labelled(menu, "_Autoscale")));
  settle(host);
  EXPECT_EQ(std::tuple(host.axmin[0], host.axmax[0]), std::tuple(0.5, 20.5));
  gtk_menu_item_activate(GTK_MENU_ITEM(find_labelled(menu, "_Close")));
  gtk_widget_destroy(menu);
  pump();
  EXPECT_FALSE(GTK_WIDGET_VISIBLE(static_cast<GtkWidget*>(host.window)));
}

