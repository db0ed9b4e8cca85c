// The typical use of the program through the main window: a new project, the settings
// dialog and Apply, the raw data chosen in the scripted chooser, the four steps, and the
// information pages with the normalisation constant and the density.

#include "project/info_pages.h"
#include "gui/shell/info_view.h"
#include "shell_fixture.h"

namespace {

class ShellTypicalUse : public ShellTest {
 public:
  GtkComboBox* species_combo() {
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget("BoxFixed")));
    GtkComboBox* c = children ? GTK_COMBO_BOX(children->data) : nullptr;
    g_list_free(children);
    return c;
  }
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
  EXPECT_TRUE(gtk_widget_is_sensitive(GTK_WIDGET(workspace_view())));
  EXPECT_FALSE(sensitive("calcra"));

  // Sample and experiment of the bundled SiO2 example, typed into the settings dialog.
  gtk_action_activate(GTK_ACTION(gui_object("ssettings")));
  pump();
  EXPECT_TRUE(gtk_widget_get_visible(widget("ProjectSettings")));
  type("species", "2");
  ASSERT_NE(species_combo(), nullptr);
  for (int sp = 0; sp < 2; ++sp) {
    gtk_combo_box_set_active(species_combo(), sp);
    for (int k = 0; k < 4; ++k) type(sio2_species_ids[k], sio2_species[sp][k]);
  }
  EXPECT_EQ(text("Elt"), proj[0].spec_symbol[1]);
  for (auto [id, value] : sio2_experiment) type(id, value);
  choose("geombox", 1);
  choose("monobox", 0);
  choose("comptonbox", 0);
  gtk_button_clicked(GTK_BUTTON(widget("SettingsApply")));
  pump();
  ASSERT_TRUE(texts("warning").empty()) << texts("warning")[0];
  EXPECT_FALSE(gtk_widget_get_visible(widget("ProjectSettings")));
  EXPECT_TRUE(sensitive("calcra"));
  EXPECT_EQ(proj[0].run, 1);

  // Greyed controls say what they wait for.
  auto tip = [this](const char* id) {
    gchar* t = gtk_widget_get_tooltip_text(widget(id));
    std::string s = t ? t : "";
    g_free(t);
    return s;
  };
  EXPECT_FALSE(sensitive("datafile"));
  EXPECT_EQ(tip("datafile"), "Choose the abscissa of the data files first");

  // Step 0: abscissa 2theta, raw data and background chosen in the file chooser.
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

  // Step 1 takes the corrected data; high-angle normalisation up to 8 A^-1.
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
  EXPECT_GT(proj[0].exp_prop[k_norm_constant], 0.0);
  EXPECT_EQ(status(), format("S(Q): normalisation constant %f", proj[0].exp_prop[k_norm_constant]));
  EXPECT_EQ(text("lowrview").rfind("α ", 0), 0u) << text("lowrview");

  // Step 2, then step 3 from the bending correction with the slope density.
  choose("combobq", 1);
  type("bcpv", "14");  // at 12 the slope of G(r) below 1 Å is flat within the noise
  press("Calcbq");
  ASSERT_EQ(proj[0].calcok[calc_bq], 1);
  choose("combogr", 1);
  type("rmax", "10");
  type("deltar", "0.01");
  type("df", "0.006");
  tick("checkndr", true);
  type("coordr1", "1.45");  // the Si-O coordination number counted on R(r)
  type("coordr2", "1.8");
  choose("coordpair", 2);
  press("Calcgr");
  ASSERT_EQ(proj[0].calcok[calc_gr], 1);
  EXPECT_GT(proj[0].exp_prop[k_slope_density], 0.0);
  EXPECT_GT(proj[0].curves[3][3]->ndata, 0);
  EXPECT_GT(proj[0].curves[3][cid_rdf]->ndata, 0);
  EXPECT_NE(text("coordview").find("Si-O"), std::string::npos) << text("coordview");
  EXPECT_NE(text("coordview").find("\nfit r0 1."), std::string::npos) << text("coordview");

  // The information pages of the S(q) and g(r) rows show the refinement and the density.
  activate_row("0:0:1:1");
  EXPECT_NE(view_text(0).find("density refined"), std::string::npos) << view_text(0);
  activate_row("0:0:1:3");
  EXPECT_FALSE(main_view_shows_logo());
  EXPECT_NE(view_text(0).find(format("Estimated number density after G(r) slope:\t\t%lf\t",
                                     proj[0].exp_prop[k_slope_density])),
            std::string::npos)
      << view_text(0);
  EXPECT_TRUE(texts("error").empty()) << texts("error")[0];
}

}  // namespace
