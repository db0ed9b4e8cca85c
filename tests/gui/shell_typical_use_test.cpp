// The typical use through the main window: a new project, the settings dialog and Apply,
// the raw data chosen in the scripted chooser, the four steps, the information pages, and
// the results following a new setting.

#include "project/entry_text.h"
#include "project/info_pages.h"
#include "gui/project/step_widgets.h"
#include "gui/shell/info_view.h"
#include "shell_fixture.h"

namespace {

class ShellTypicalUse : public ShellTest {
 public:
  // The hint line under the Input box of a step dialog ("" while hidden).
  std::string hint_line(const char* dialog) {
    GtkWidget* box = gtk_bin_get_child(GTK_BIN(widget(dialog)));
    GList* children = gtk_container_get_children(GTK_CONTAINER(box));
    GtkWidget* label = GTK_WIDGET(g_list_nth_data(children, 1));
    g_list_free(children);
    if (!GTK_IS_LABEL(label) || !gtk_widget_get_visible(label)) return "";
    return gtk_label_get_text(GTK_LABEL(label));
  }
};

TEST_F(ShellTypicalUse, NewProjectToPairDistributionThroughTheWindow) {
  menu("gtk-new");
  ASSERT_EQ(nprojects, 1);
  EXPECT_TRUE(gtk_widget_is_sensitive(GTK_WIDGET(workspace_view())) && !sensitive("calcra"));

  gtk_action_activate(GTK_ACTION(gui_object("ssettings")));
  pump();
  EXPECT_TRUE(gtk_widget_get_visible(widget("ProjectSettings")));
  type_sio2_settings();
  ASSERT_TRUE(texts("warning").empty()) << texts("warning")[0];
  EXPECT_TRUE(!gtk_widget_get_visible(widget("ProjectSettings")) && sensitive("calcra"));

  // Greyed controls say what they wait for.
  auto tip = [this](const char* id) {
    gchar* t = gtk_widget_get_tooltip_text(widget(id));
    std::string s = t ? t : "";
    g_free(t);
    return s;
  };
  EXPECT_TRUE(!sensitive("datafile") && tip("datafile") == "Choose the abscissa of the data files first");
  choose("formatbox", 0);
  EXPECT_EQ(tip("datafile"), "");
  answers = {example("sio2_raw.dat")};
  press("datafile");
  EXPECT_EQ(text("datalab"), "sio2_raw.dat");
  tick("backcorr", true);
  answers = {example("sio2_background.dat")};
  press("backfile");
  EXPECT_EQ(text("backlab"), "sio2_background.dat");
  press("Calcra");
  ASSERT_EQ(proj[0].calcok[calc_ra], 1) << (texts("warning").empty() ? "" : texts("warning")[0]);
  // The S(q) dialog points at its Input box, which still says "File".
  EXPECT_EQ(hint_line("sqbox"), "Choose \"Data correction\" as Input to use its result");
  choose("combocor", 1);
  EXPECT_EQ(hint_line("sqbox"), "");
  choose("bdbox", 1);
  tick("checkham", true);
  type("ham", "8");
  tick("lowrcheck", true);  // optimised below 1.4 A with the density refined
  type("lowrmin", "1.4");
  tick("lowrdens", true);
  press("Calcsq");
  ASSERT_EQ(proj[0].calcok[calc_sq], 1);
  EXPECT_EQ(status(), format("S(Q): normalisation constant %f", proj[0].exp_prop[k_norm_constant]));
  EXPECT_EQ(text("lowrview").rfind("α ", 0), 0u) << text("lowrview");
  // "Use refined density" makes the refined density the sample's, shown in the settings;
  // a scan over r_min needs its three numbers.
  ASSERT_TRUE(sensitive("lowradopt"));
  press("lowradopt");
  EXPECT_TRUE(text("density") == entry_text(proj[0].options.lowr_rho) && !sensitive("lowradopt")) << text("density");
  for (auto [id, value] : {std::pair{"lowrscan1", "0.9"}, {"lowrscan2", "1.2"}, {"lowrscanstep", ""}}) type(id, value);
  press("lowrscan");
  EXPECT_EQ(texts("warning"), std::vector<std::string>{"Scan step must be a number"});
  clear_messages();
  choose("combobq", 1);
  type("bcpv", "14");  // at 12 the slope of G(r) below 1 Å is flat within the noise
  press("Calcbq");
  ASSERT_EQ(proj[0].calcok[calc_bq], 1);
  choose("combogr", 1);
  for (auto [id, value] : {std::pair{"rmax", "10"}, {"deltar", "0.01"}, {"df", "0.006"}}) type(id, value);
  tick("checkndr", true);
  type("coordr1", "1.45");  // the Si-O coordination number counted on R(r)
  type("coordr2", "1.8");
  choose("coordpair", 2);
  press("Calcgr");
  ASSERT_EQ(proj[0].calcok[calc_gr], 1);
  EXPECT_NE(text("coordview").find("Si-O"), std::string::npos) << text("coordview");
  // The information page of the S(q) row shows the refinement.
  activate_row("0:0:1:1");
  EXPECT_NE(view_text(0).find("density refined"), std::string::npos) << view_text(0);
  EXPECT_TRUE(texts("error").empty()) << texts("error")[0];
  // Results follow the settings: out of date without automatic recalculation; with it the
  // chain reruns at once into the open window.
  curve& gr = *proj[0].curves[3][1];
  view(gr);
  auto title_of = [&] { return std::string(gtk_window_get_title(GTK_WINDOW(gr.window))); };
  EXPECT_EQ(title_of(), "Project N° 0 - G(r)");
  type("wavel", "0.56");
  gtk_button_clicked(GTK_BUTTON(widget("SettingsApply")));
  pump();
  EXPECT_EQ(title_of(), "Project N° 0 - G(r) (out of date)");
  GtkWidget* window = static_cast<GtkWidget*>(gr.window);
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(auto_recalc_check()), TRUE);
  pump();
  EXPECT_EQ(title_of(), "Project N° 0 - G(r)");
  const std::vector<double> before = gr.data[1];
  type("wavel", "0.7093");
  EXPECT_TRUE(gr.window == window && gtk_widget_get_visible(window));

  EXPECT_NE(gr.data[1], before);
  EXPECT_EQ(status().rfind("G(r): 1000 points", 0), 0u) << status();
}

}  // namespace
