// The settings dialog as the user meets it: range messages of the entries, the warnings
// of "Apply" with the page they turn to, the species selector, and the refresh from the
// record when the active project changes.
#include <functional>

#include "numeric/elements.h"
#include "project/xray_tables.h"
#include "steps_fixture.h"

namespace {

class SettingsDialogTest : public StepWidgetsTest {};

TEST_F(SettingsDialogTest, EntriesRejectOutOfRangeValuesAndShowTheStoredOneAgain) {
  init_project();
  EXPECT_FALSE(sensitive("Z"));  // no species yet
  type("species", "2");
  species_select(0);
  for (auto [id, value] : {std::pair{"Z", "14"}, {"conc", "0.5"}, {"fp", "1.5"}, {"fpp", "-2"}})
    type(id, value);
  struct edit {
    const char* id;
    const char* typed;
    const char* info;   // expected message, "" for none
    const char* shown;  // entry text afterwards
    const char* refused = "";  // the warning of text that is not a number
  };
  const std::string nan = "\" is not a number\nThe value is left as it was";
  const std::string wavel_abc = "Wavelength (Å): \"abc" + nan, conc_ratio = "Concentration: \"2/3" + nan;
  const edit edits[] = {
      {"species", "0", "Number of species must be between 1 and 10", "2"},
      {"species", "11", "Number of species must be between 1 and 10", "2"},
      {"species", "2", "", "2"},  // the current count keeps the species data
      {"Z", "99", "Atomic number must be between 1 and 98", "14"},
      {"conc", "0", "Species concentration must be > 0.0", "0.500000"},
      {"conc", "2/3", "", "0.500000", conc_ratio.c_str()},
      {"fp", "-150", "Abs(f') must be =< 100.0", "1.500000"},
      {"fp", "-100", "", "-100.000000"},
      {"fpp", "100.5", "Abs(f'') must be =< 100.0", "-2.000000"},
      {"Z", "26.7", "", "26"},  // stored truncated
      {"wavel", "abc", "", "", wavel_abc.c_str()},
      // Small and large values are shown so that they read back: leaving them is no edit.
      {"ddt", "2.4e-7", "", "2.4e-07"},
      {"ddt", "2.4e-07", "", "2.4e-07"},
      {"deltar", " 1e-12 ", "", "1e-12"},
      {"wavel", "0.7093", "", "0.709300"},
      {"density", "1e300", "", "1e+300"},
  };
  for (const edit& e : edits) {
    SCOPED_TRACE(std::string(e.id) + " <- " + e.typed);
    messages->messages.clear();
    type(e.id, e.typed);
    EXPECT_EQ(messages->texts("info"), *e.info ? std::vector<std::string>{e.info} : std::vector<std::string>{});
    EXPECT_EQ(warnings(), *e.refused ? std::vector<std::string>{e.refused} : std::vector<std::string>{});
    EXPECT_EQ(text(e.id), e.shown);
  }
  EXPECT_EQ(record().exp_prop[4], 2.4e-7);
  EXPECT_EQ(record().exp_prop[10], 1e-12);
  EXPECT_EQ(record().exp_prop[3], 1e300);
  EXPECT_EQ(record().spec_prop[2][0], -100.0);
  EXPECT_EQ(text("Elt"), std::string(atsym_of(26)));
  EXPECT_EQ(text("Eltname"), std::string(element_of(26)));
  const char* labels[11] = {"a1", "a2", "a3", "a4", "a5", "b1", "b2", "b3", "b4", "b5", "c"};
  for (int j = 0; j < 11; ++j) EXPECT_EQ(text(labels[j]), format("%lf", rx_coefficient(j, 26))) << j;
  species_select(1);
  EXPECT_EQ(text("Z"), "");  // the second species has no element yet
  EXPECT_EQ(text("Elt"), "");
  // A new count discards every species and leaves one selector in its container.
  type("species", "3");
  for (int s = 0; s < 3; ++s) EXPECT_EQ(record().spec_prop[0][s], 0.0);
  GList* children = gtk_container_get_children(GTK_CONTAINER(widget("BoxFixed")));
  EXPECT_EQ(g_list_length(children), 1u);
  g_list_free(children);
  // Leaving an empty entry is no edit: "not set" stays.
  GdkEvent* event = gdk_event_new(GDK_FOCUS_CHANGE);
  gboolean handled = TRUE;
  g_signal_emit_by_name(widget("tem"), "focus-out-event", event, &handled);
  gdk_event_free(event);
  EXPECT_FALSE(handled);  // the focus change proceeds
  EXPECT_EQ(record().exp_prop[7], not_set);
}

TEST_F(SettingsDialogTest, ElementChooserTablesPresetsAndMuT) {
  new_sio2_project();  // Si and O at 0.7093 Å, f' and f'' typed
  species_select(1);
  type("Z", " silicon ");  // by name, and by symbol through the chooser
  EXPECT_EQ(text("Z"), "14");
  choose("elementbox", 7);
  EXPECT_EQ(text("Eltname"), std::string(element_of(8)));
  choose("wavelbox", 2);  // Mo Kα
  EXPECT_EQ(text("wavel"), "0.710747");
  EXPECT_EQ(text("fp"), "0.010600");  // typed: kept
  gtk_button_clicked(GTK_BUTTON(widget("fptables")));
  EXPECT_EQ(text("fp"), format("%f", tabulated_anomalous(8, 0.710747)->fp));
  type("mutthick", "1");
  type("mutdens", "2.2");
  gtk_button_clicked(GTK_BUTTON(widget("mutcalc")));
  EXPECT_EQ(text("abss"), format("%f", record().exp_prop[1]));
  EXPECT_GT(record().exp_prop[1], 0.5);
  type("wavel", "1.540593");
  EXPECT_EQ(combo("wavelbox"), 1);  // Cu Kα1
  type("bkgscale", "0.5");
  EXPECT_EQ(record().options.bkgscale, 0.5);
  EXPECT_EQ(text("bkgscale"), "0.500000");
  EXPECT_TRUE(messages->messages.empty());
}

TEST_F(SettingsDialogTest, ApplyWarnsStepByStepAndTurnsToTheFailingPage) {
  init_project();
  gtk_widget_show(widget("ProjectSettings"));
  GtkNotebook* tabs = GTK_NOTEBOOK(widget("ProjectSettingsTabs"));
  const std::string check = "\nPlease check this parameter";
  const std::string incomplete =
      "Some properties of the chemical species are incomplete\nPlease check these parameters";
  struct step {
    std::function<void()> edit;
    std::string warning;  // "" = Apply succeeds
    int page;
  };
  const step steps[] = {
      {[] {}, "The number of chemcial species must be > 0" + check, 0},
      {[this] { type("species", "1"); }, "The atomic number must be set for all species" + check, 0},
      {[this] { type("Z", "14"); }, "The atomic concentration must be > 0.0 for all species" + check, 0},
      {[this] { type("conc", "1"); }, "The wavelenght must be > 0.0 Å" + check, 1},
      {[this] { type("wavel", "0.7"); }, "The linear absorption (sample) must be >= 0.0 μt" + check, 1},
      {[this] { type("abss", "0"); }, "The linear absorption (substrate/cell) must be >= 0.0 μt" + check, 1},
      {[this] { type("abss2", "0"); }, "The sample density must be >= 0.0 atoms/Å^3" + check, 1},
      {[this] { type("density", "0"); }, "The detector time must be >= 0.0 s" + check, 1},
      {[this] { type("ddt", "0"); }, "Please select the experimental geometry", 1},
      {[this] { choose("geombox", 2); }, "Please select the polarizartion type", 1},
      {[this] { choose("monobox", 1); }, "Please select the compton scattering", 1},
      // The wavelength filled f' and f'' from the tables; an exact 0 counts as incomplete.
      {[this] { choose("comptonbox", 1); type("fpp", "0"); }, incomplete, 0},
      {[this] { type("fp", "0.08"); }, incomplete, 0},  // f'' is still 0.0
      {[this] { type("fpp", "0.07"); }, "", 0},
  };
  for (size_t i = 0; i < std::size(steps); ++i) {
    SCOPED_TRACE(i);
    steps[i].edit();
    gtk_notebook_set_current_page(tabs, 1 - steps[i].page);
    messages->messages.clear();
    gtk_button_clicked(GTK_BUTTON(widget("SettingsApply")));
    EXPECT_EQ(warnings(), steps[i].warning.empty() ? std::vector<std::string>{}
                                                   : std::vector<std::string>{steps[i].warning});
    EXPECT_EQ(visible("ProjectSettings"), !steps[i].warning.empty());
    if (!steps[i].warning.empty()) {
      EXPECT_EQ(gtk_notebook_get_current_page(tabs), steps[i].page);
    }
    EXPECT_EQ(sensitive("calcra"), steps[i].warning.empty());
  }
  EXPECT_EQ(record().exp_prop[12], 3.0);  // "Capillary": entry 2 + 1
  // Nothing edited since: Apply only hides the dialog again.
  gtk_widget_show(widget("ProjectSettings"));
  record().calcok[2] = 1;
  gtk_button_clicked(GTK_BUTTON(widget("SettingsApply")));
  EXPECT_FALSE(visible("ProjectSettings"));
  EXPECT_EQ(record().calcok[2], 1);
}

TEST_F(SettingsDialogTest, ApplyShowsTheConcentrationsAsProportions) {
  new_sio2_project();
  species_select(0);
  type("conc", "1");
  species_select(1);
  type("conc", "2");  // SiO2 written as a formula
  gtk_button_clicked(GTK_BUTTON(widget("SettingsApply")));
  EXPECT_EQ(record().spec_prop[1], (std::vector<double>{1.0 / 3.0, 2.0 / 3.0}));
  EXPECT_EQ(text("conc"), "0.6666666666666666");
}

TEST_F(SettingsDialogTest, SwitchingProjectsShowsEachRecordWithoutChangingIt) {
  new_sio2_project();
  tick("smoothing", true);
  choose("smoothbox", 2);
  tick("checktem", true);
  type("tem", "0.5");
  const std::vector<double> values(proj[0].exp_prop, proj[0].exp_prop + nexp_props);
  init_project();  // a second, empty project becomes active
  EXPECT_EQ(text("wavel"), "");
  EXPECT_EQ(text("species"), "");
  EXPECT_EQ(combo("geombox"), -1);
  EXPECT_FALSE(active("smoothing"));
  EXPECT_FALSE(active("checktem"));
  EXPECT_FALSE(sensitive("calcsq"));
  EXPECT_FALSE(gtk_widget_get_visible(GTK_WIDGET(proj[0].spec_combo)));
  active_project_changed(0);
  EXPECT_EQ(text("wavel"), "0.709300");
  EXPECT_EQ(text("species"), "2");
  EXPECT_EQ(text("Z"), "8");  // the species selected last
  EXPECT_EQ(combo("geombox"), 1);
  EXPECT_EQ(combo("smoothbox"), 2);
  EXPECT_TRUE(active("checktem"));
  EXPECT_EQ(text("tem"), "0.500000");
  EXPECT_TRUE(sensitive("calcsq"));
  EXPECT_TRUE(gtk_widget_get_visible(GTK_WIDGET(proj[0].spec_combo)));
  // Showing the record again reset none of its choices.
  EXPECT_EQ(std::vector<double>(proj[0].exp_prop, proj[0].exp_prop + nexp_props), values);
  EXPECT_EQ(proj[0].params[2], 1);
  EXPECT_EQ(proj[0].checks[2], 1);
}

// The refinement entries and combo boxes: stored through their rules, empty for unset,
// the polarisation entries sensitive for their beam, shown again from each record.
TEST_F(SettingsDialogTest, RefinementWidgetsFollowTheRecord) {
  new_sio2_project();
  type("monoangle", "26.6");
  EXPECT_EQ(record().options.monoangle, 26.6);
  EXPECT_FALSE(sensitive("polfraction"));
  choose("monobox", 1);
  EXPECT_TRUE(sensitive("polfraction"));
  EXPECT_FALSE(sensitive("monoangle"));
  type("qmax", "abc");
  EXPECT_EQ(texts("info"), std::vector<std::string>{"Highest Q of the transform: \"abc\" is not a number"});
  type("ttmin", "5");
  type("ttmin", " ");
  EXPECT_EQ(record().options.ttmin, not_set);
  choose("incoherentbox", 1);
  choose("geombox", 3);
  EXPECT_EQ(record().options.incoherent, 1.0);
  EXPECT_EQ(record().exp_prop[12], geometry_none);
  init_project();
  EXPECT_EQ(text("monoangle"), "");
  active_project_changed(0);
  EXPECT_EQ(text("monoangle"), "26.600000");
  EXPECT_EQ(combo("incoherentbox"), 1);
}

}  // namespace
