// The settings dialog's wiring: an entry shows its refusal and the stored value, the
// species selector, the element chooser and the tables behind its buttons, "Apply"
// warns and turns to the failing page, and the dialog follows the active project.
#include "numeric/elements.h"
#include "project/entry_text.h"
#include "project/xray_tables.h"
#include "steps_fixture.h"

namespace {

class SettingsDialogTest : public StepWidgetsTest {};

TEST_F(SettingsDialogTest, EntriesShowTheRulesMessageAndApplyTurnsToTheFailingPage) {
  init_project();
  gtk_widget_show(widget("ProjectSettings"));
  GtkNotebook* tabs = GTK_NOTEBOOK(widget("ProjectSettingsTabs"));
  EXPECT_FALSE(sensitive("Z"));  // no species yet
  type("species", "2");
  species_select(0);
  type("Z", "14");
  type("wavel", "abc");
  EXPECT_EQ(warnings(), std::vector<std::string>{"Wavelength (Å): \"abc\" is not a number\nThe value is left as it was"});
  EXPECT_EQ(text("wavel"), "");
  species_select(1);
  EXPECT_EQ(text("Z"), "");  // the second species has no element yet
  // A new count discards every species and leaves one selector in its container.
  type("species", "3");
  EXPECT_EQ(children_of(widget("BoxFixed")), 1u);
  // A sample check fails on page 0, an experiment check on page 1 (the texts are the step
  // tests' business).
  for (auto [id, value, page] : {std::tuple{"species", "1", 0}, {"conc", "1", 1}}) {
    SCOPED_TRACE(id);
    type(id, value);
    if (page == 1) type("Z", "14");
    gtk_notebook_set_current_page(tabs, 1 - page);
    messages->messages.clear();
    gtk_button_clicked(GTK_BUTTON(widget("SettingsApply")));
    // one warning, the dialog open at the failing page
    EXPECT_EQ(std::tuple(warnings().size(), visible("ProjectSettings"), gtk_notebook_get_current_page(tabs)),
              std::tuple(1u, true, page));
  }
  // Leaving an empty entry is no edit: "not set" stays.
  GdkEvent* event = gdk_event_new(GDK_FOCUS_CHANGE);
  gboolean handled = TRUE;
  g_signal_emit_by_name(widget("tem"), "focus-out-event", event, &handled);
  gdk_event_free(event);
  EXPECT_TRUE(!handled && record().exp_prop[k_trial_constant] == not_set);
}

TEST_F(SettingsDialogTest, ElementChooserTablesAndSwitchingProjects) {
  new_sio2_project();  // Si and O at 0.7093 Å, f' and f'' typed, applied
  EXPECT_EQ(record().exp_prop[k_geometry], 2.0);  // "Transmission": entry 1 + 1
  species_select(1);
  type("Z", " silicon ");  // by name, and by symbol through the chooser
  EXPECT_EQ(text("Z"), "14");
  choose("elementbox", 7);
  EXPECT_EQ(text("Eltname"), std::string(element_of(8)));
  choose("wavelbox", 2);  // Mo Kα
  EXPECT_EQ(text("wavel"), "0.710747");
  gtk_button_clicked(GTK_BUTTON(widget("fptables")));
  EXPECT_EQ(text("fp"), entry_text(tabulated_anomalous(8, 0.710747)->fp));
  for (auto [id, value] : {std::pair{"mutthick", "1"}, {"mutdens", "2.2"}}) type(id, value);
  gtk_button_clicked(GTK_BUTTON(widget("mutcalc")));
  EXPECT_EQ(text("abss"), entry_text(record().exp_prop[k_abs_sample]));
  type("wavel", "1.540593");
  EXPECT_TRUE(combo("wavelbox") == 1 && messages->messages.empty());  // Cu Kα1

  type("wavel", "0.7093");
  tick("smoothing", true);
  choose("smoothbox", 2);
  tick("checktem", true);
  type("tem", "0.5");
  proj[0].exp_prop[k_abs_sample] = double(0.77f);  // as the XML reader stores it
  proj[0].changed = 0;
  const std::vector<double> values(proj[0].exp_prop, proj[0].exp_prop + nexp_props);
  init_project();  // a second, empty project becomes active
  EXPECT_EQ(text("wavel") + "|" + std::to_string(combo("geombox")), "|-1");
  EXPECT_FALSE(active("checktem") || sensitive("calcsq") || gtk_widget_get_visible(GTK_WIDGET(proj[0].spec_combo)));
  active_project_changed(0);
  EXPECT_EQ(text("wavel") + " " + text("abss"), "0.7093 0.77");
  type("abss", "0.77");  // the shown text left as it was: no edit
  EXPECT_EQ(proj[0].changed, 0);
  // Z of the species selected last, the smoothing entry, the temperature
  EXPECT_EQ(text("Z") + " " + std::to_string(combo("smoothbox")) + " " + text("tem"), "8 2 0.5");
  EXPECT_TRUE(active("checktem") && sensitive("calcsq"));

  EXPECT_TRUE(std::vector<double>(proj[0].exp_prop, proj[0].exp_prop + nexp_props) == values &&
              proj[0].checks[k_smooth_data] == 1);
}

}  // namespace
