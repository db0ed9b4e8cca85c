// The step dialogs and the tool box window: the states of a step, the busy state while a
// routine runs, the results shown in the dialogs, and the curve tables of each project
// (data files through the chooser: the typical use).

#include "project/entry_text.h"
#include "steps_fixture.h"

namespace {

const char* const buttons[ncalc] = {"Calcra", "Calcsq", "Calcbq", "Calcgr"};

class StepsTest : public StepWidgetsTest {
 protected:
  std::vector<GtkExpander*> expanders() {
    std::vector<GtkExpander*> out;
    GList* children = gtk_container_get_children(GTK_CONTAINER(gtk_bin_get_child(GTK_BIN(tool_box_window()))));
    for (GList* l = children; l; l = l->next)
      if (GTK_IS_EXPANDER(l->data)) out.push_back(GTK_EXPANDER(l->data));
    g_list_free(children);
    return out;
  }
  // Per step: "a" action sensitive, "c" check on and sensitive, "e" expander sensitive.
  std::vector<std::string> states() {
    const char* actions[ncalc] = {"calcra", "calcsq", "calcbq", "calcgr"};
    const char* checks[ncalc] = {"racheck", "sqcheck", "bqcheck", "grcheck"};
    std::vector<std::string> out;
    for (int c = 0; c < ncalc; ++c) {
      std::string s = sensitive(actions[c]) ? "a" : "";
      if (active(checks[c]) && sensitive(checks[c])) s += 'c';
      if (gtk_widget_get_sensitive(GTK_WIDGET(expanders()[c]))) s += 'e';
      out.push_back(s.empty() ? "-" : s);
    }
    return out;
  }
  static bool popup_shown() {
    bool shown = false;
    GList* tops = gtk_window_list_toplevels();
    for (GList* l = tops; l; l = l->next)
      shown |= gtk_widget_get_visible(GTK_WIDGET(l->data)) &&
               !std::strcmp(gtk_window_get_title(GTK_WINDOW(l->data)) ?: "", "Information");
    g_list_free(tops);
    return shown;
  }
};

TEST_F(StepsTest, StatesOfAStepAndTheBusyState) {
  using v = std::vector<std::string>;
  EXPECT_EQ(states(), (v{"-", "-", "-", "-"}));  // no project
  init_project();
  EXPECT_EQ(states(), (v{"-", "-", "-", "-"}));  // locked until Apply
  raw_data_loaded();
  EXPECT_EQ(states(), (v{"ace", "a", "a", "a"}));  // step 0 has its input
  for (const char* combo : {"combocor", "combobq", "combogr"}) choose(combo, 1);
  type("bcpv", "12");
  // Every result passes through save_curve: the controls are watched from there.
  struct seen { int calc; bool any_sensitive, popup; std::string status; };
  std::vector<seen> during;
  numeric_receiver plain = set_numeric_receiver({});
  numeric_receiver watching = plain;
  watching.save_curve = [&](int n, const double* x, const double* y, int calc, int cid) {
    bool any = false;
    for (const char* b : buttons) any |= gtk_widget_get_sensitive(widget(b));
    for (GtkWidget* item : file_items) any |= gtk_widget_get_sensitive(item);
    during.push_back({calc, any, popup_shown(), status()});
    plain.save_curve(n, x, y, calc, cid);
  };
  set_numeric_receiver(watching);
  for (const char* b : buttons) press(b);
  EXPECT_EQ(states(), (v{"ace", "ace", "ace", "ace"}));  // computed, each feeding the next
  EXPECT_EQ(text("ncview"), format("%f", record().exp_prop[k_norm_constant]));
  EXPECT_EQ(text("nldqfile"), format("%d Q points\nQmax = %f", points(3, 0), record().curves[3][0]->data[0].back()));
  type("deltar", "1000");  // too coarse for the transform: the routine fails
  press("Calcgr");
  set_numeric_receiver(plain);
  EXPECT_EQ(warnings(), v{"My warning message"});
  EXPECT_EQ(states(), (v{"ace", "ace", "ace", "a"}));
  const char* status[ncalc] = {"Computing Raw data correction", "Computing S(q) / Q(q)",
                               "Computing S(q) - bending correction", "Computing g(r)/G(r)"};
  std::vector<int> calcs;
  for (const seen& s : during) {
    if (calcs.empty() || calcs.back() != s.calc) calcs.push_back(s.calc);
    // no control sensitive, the popup shown, the step named in the status bar
    EXPECT_EQ(std::tuple(s.any_sensitive, s.popup, s.status), std::tuple(false, true, status[s.calc])) << s.calc;
  }
  EXPECT_TRUE(calcs == (std::vector<int>{0, 1, 2, 3}) && !popup_shown());
  for (const char* b : buttons) EXPECT_TRUE(sensitive(b)) << b;  // after success and failure
  for (GtkWidget* item : file_items) EXPECT_TRUE(gtk_widget_get_sensitive(item));
  // The menu action opens the step's dialog.
  gtk_action_activate(GTK_ACTION(object("calcgr")));
  EXPECT_TRUE(visible("grbox"));
}

TEST_F(StepsTest, ExpandersAndTheCurveTablesOfEachProject) {
  raw_data_loaded();
  choose("combocor", 1);
  press("Calcra");  // the step that received its input last is open, and only it
  EXPECT_TRUE(gtk_widget_get_visible(tool_box_window()) && gtk_expander_get_expanded(expanders()[1]));
  gtk_widget_activate(GTK_WIDGET(expanders()[0]));
  EXPECT_TRUE(gtk_expander_get_expanded(expanders()[0]) && !gtk_expander_get_expanded(expanders()[1]));
  g_signal_emit_by_name(widget("m_dctb"), "activate");
  EXPECT_FALSE(gtk_widget_get_visible(tool_box_window()));
  std::vector<void*> first(record().calc_box, record().calc_box + ncalc);
  new_sio2_project();
  for (int c = 0; c < ncalc; ++c) EXPECT_FALSE(gtk_widget_get_visible(GTK_WIDGET(first[c])));
  active_project_changed(0);
  EXPECT_EQ(text("datalab"), "sio2_raw.dat");
  for (int c = 0; c < ncalc; ++c) EXPECT_TRUE(gtk_widget_get_visible(GTK_WIDGET(first[c])));
  close_project_record(1);  // the record goes without its widgets being released
  active_project_changed(0);
  for (int c = 0; c < ncalc; ++c) EXPECT_EQ(children_of(gtk_widget_get_parent(GTK_WIDGET(first[c]))), 1u) << c;
  release_step_widgets(0);  // the last project closes: its steps offer nothing
  EXPECT_FALSE(active("racheck") || sensitive("racheck"));
}

// The busy popup's Cancel stops the low-r optimisation between its iterations: the project
// is as it was before the run, and no error is shown. (The click comes from a timeout that
// the popup's handling of events runs, as a user's click would be.)
TEST_F(StepsTest, CancelLeavesTheProjectAsItWas) {
  raw_data_loaded();
  choose("combocor", 1);
  press("Calcra");
  tick("lowrcheck", true);
  type("lowrmin", "1.4");
  press("Calcsq");
  ASSERT_EQ(record().calcok[calc_sq], 1);
  type("lowriter", "1000");
  const std::vector<double> before = record().curves[1][1]->data[1];
  const double constant = record().exp_prop[k_norm_constant], chi2 = record().options.lowr_chi2;
  const std::vector<std::string> shown = states();
  messages->messages.clear();
  g_timeout_add(0, +[](gpointer) -> gboolean {
    if (busy_popup()) gtk_button_clicked(GTK_BUTTON(g_object_get_data(G_OBJECT(busy_popup()), "cancel")));
    return FALSE;
  }, nullptr);
  press("Calcsq");
  EXPECT_EQ(record().curves[1][1]->data[1], before);
  // constant, chi2 and the step out of date since the iterations changed, as before
  EXPECT_EQ(std::tuple(record().exp_prop[k_norm_constant], record().options.lowr_chi2, record().calcok[calc_sq]),
            std::tuple(constant, chi2, 0));
  EXPECT_TRUE(states() == shown && messages->messages.empty() && !popup_shown());
  // Nothing is left requested: the next run computes.
  press("Calcsq");
  EXPECT_TRUE(record().calcok[calc_sq] == 1 && record().options.lowr_chi2 != chi2);

}

}  // namespace
