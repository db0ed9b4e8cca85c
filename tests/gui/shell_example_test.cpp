// The bundled SiO2 example opened as on the command line, the four steps run from their
// buttons, the information pages read and the S(Q) and G(r) windows opened. With
// AMOQ_SCREENSHOT=<file.png> in the environment the main window and the tool boxes are
// saved as a picture afterwards, with AMOQ_SCREENSHOT_CURVES=<file.png> the two plots.
#include <cstdlib>
#include <string>

#include "gui/shell/info_view.h"
#include "shell_fixture.h"

namespace {

// The screen area of the windows, as the user sees them.
void save_screenshot(const char* path) {
  for (int i = 0; i < 20; ++i) {
    pump();
    g_usleep(20000);
  }
  GdkWindow* root = gdk_get_default_root_window();
  int w = 0, h = 0;
  gdk_drawable_get_size(root, &w, &h);
  GdkPixbuf* shot = gdk_pixbuf_get_from_drawable(nullptr, root, nullptr, 0, 0, 0, 0, w, h);
  ASSERT_NE(shot, nullptr);
  EXPECT_TRUE(gdk_pixbuf_save(shot, path, "png", nullptr, nullptr));
  g_object_unref(shot);
}

GtkWidget* toplevel(const char* title) {
  GtkWidget* found = nullptr;
  GList* all = gtk_window_list_toplevels();
  for (GList* l = all; l; l = l->next) {
    const char* t = gtk_window_get_title(GTK_WINDOW(l->data));
    if (t && std::string(t) == title) found = GTK_WIDGET(l->data);
  }
  g_list_free(all);
  return found;
}

TEST_F(ShellTest, ExampleRunsItsFourStepsFromTheWindow) {
  std::string nap = example("sio2.nap");
  const char* argv[] = {"amoq", nap.c_str()};
  open_command_line_file(parse_command_line(2, argv));
  ASSERT_EQ(nprojects, 1);
  ASSERT_TRUE(texts("error").empty()) << texts("error")[0];
  // The file keeps no step sources: each step after the first takes its input from the
  // step before once the user chooses so in its source box.
  const char* const buttons[ncalc] = {"Calcra", "Calcsq", "Calcbq", "Calcgr"};
  const char* const sources[ncalc] = {nullptr, "combocor", "combobq", "combogr"};
  for (int calc = 0; calc < ncalc; ++calc) {
    if (sources[calc]) choose(sources[calc], 1);
    if (calc == 2) type("bcpv", "12");  // the example leaves the bending point unset
    if (calc == 1) {  // S(Q) optimised below 1.4 A with the density refined
      tick("lowrcheck", true);
      type("lowrmin", "1.4");
      tick("lowrdens", true);
    }
    if (calc == 3) {  // the Si-O coordination number counted on R(r)
      type("coordr1", "1.45");
      type("coordr2", "1.8");
      choose("coordpair", 2);
    }
    EXPECT_TRUE(sensitive(buttons[calc])) << buttons[calc];
    press(buttons[calc]);
  }
  for (int calc = 0; calc < ncalc; ++calc) EXPECT_EQ(proj[0].calcok[calc], 1) << calc;
  EXPECT_TRUE(texts("warning").empty()) << texts("warning")[0];

  activate_row("0:0:1:1");
  std::string page = view_text(0);
  EXPECT_NE(page.find("Estimated normalization constant: "), std::string::npos) << page;
  EXPECT_NE(page.find("high angle method"), std::string::npos);
  EXPECT_NE(page.find("density refined"), std::string::npos);
  EXPECT_EQ(text("lowrview").rfind("α 0.0200", 0), 0u) << text("lowrview");
  EXPECT_EQ(text("coordview").rfind("N ", 0), 0u);
  EXPECT_NE(text("coordview").find("Si-O"), std::string::npos);
  EXPECT_GT(proj[0].curves[3][cid_rdf]->ndata, 0);

  if (const char* shot = std::getenv("AMOQ_SCREENSHOT")) {
    gtk_window_move(GTK_WINDOW(amoq), 330, 20);
    gtk_window_resize(GTK_WINDOW(amoq), 940, 600);
    if (GtkWidget* boxes = toplevel("Tool boxes")) {
      gtk_window_move(GTK_WINDOW(boxes), 10, 20);
      gtk_widget_show(boxes);
    }
    gtk_widget_show(widget("sqbox"));
    gtk_window_move(GTK_WINDOW(widget("sqbox")), 330, 400);
    gtk_widget_show(widget("grbox"));
    gtk_window_move(GTK_WINDOW(widget("grbox")), 840, 300);
    save_screenshot(shot);
  }

  // The S(Q) and G(r) windows open from their view buttons in the tool boxes.
  curve* plots[2] = {proj[0].curves[1][2].get(), proj[0].curves[3][1].get()};
  for (curve* c : plots) {
    ASSERT_NE(c->view_button, nullptr);
    ASSERT_TRUE(gtk_widget_is_sensitive(GTK_WIDGET(c->view_button)));
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(c->view_button), TRUE);
    pump();
    ASSERT_NE(c->window, nullptr);
    EXPECT_TRUE(gtk_widget_get_visible(GTK_WIDGET(c->window)));
  }
  if (const char* shot = std::getenv("AMOQ_SCREENSHOT_CURVES")) {
    gtk_widget_hide(amoq);
    gtk_widget_hide(widget("sqbox"));
    for (int k = 0; k < 2; ++k) {
      gtk_window_resize(GTK_WINDOW(plots[k]->window), 630, 480);
      gtk_window_move(GTK_WINDOW(plots[k]->window), 5 + 640 * k, 20);
    }
    save_screenshot(shot);
  }
}

}  // namespace
