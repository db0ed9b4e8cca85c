// Results that follow the settings: which step results an accepted change puts out of
// date, and the automatic rerun of those steps.
#include "project/changes.h"
#include "project/rdf.h"
#include "project/recalc.h"
#include "step_fixture.h"

class FollowSettingsTest : public StepTest {
 protected:
  // The example's chain: correction, S(q) from it, g(r) from the S(q) result; no bending.
  void computed_chain() {
    applied_project();
    set_data_format(0);
    put_curve(0, 0, raw_pattern(400));
    propbox_changed(4, 1);
    const std::pair<int, double> props[] = {{11, 8.0}, {14, 10.0}, {15, 0.05}, {16, 0.002}};
    for (auto [prop, value] : props) set_prop(prop, value, 0);
    on_set_use_calc(0, 1);
    on_set_use_calc(2, 2);
    ASSERT_NO_FATAL_FAILURE(run_steps({run_ra, run_sq, run_gr}));
    mark_project_saved(activep);
    messages.clear();
    hidden.clear();
  }
  std::vector<int> out_of_date() { return {active().out_of_date, active().out_of_date + ncalc}; }
};

TEST_F(FollowSettingsTest, AChangeMarksItsStepAndTheStepsItFeeds) {
  struct change_case { const char* what; void (*apply)(); std::vector<int> marked; };
  const change_case cases[] = {
      {"wavelength", [] { set_prop(5, 0.56, 0); }, {1, 1, 0, 1}},
      {"Breit-Dirac", [] { propbox_changed(4, 2); }, {0, 1, 0, 1}},
      // The bending correction has no result and g(r) does not read it.
      {"bending point", [] { set_prop(13, 12.0, 0); }, {0, 0, 0, 0}},
      // Unless it does: then its input changes.
      {"bending point, g(r) from it",
       [] { on_set_use_calc(2, 1), std::fill_n(proj[activep].out_of_date, ncalc, 0), set_prop(13, 12.0, 0); }, {0, 0, 0, 1}},
      {"g(r) input from a file", [] { on_set_use_calc(2, 0); }, {0, 0, 0, 1}},
      // Saved with the project, but no step result depends on it.
      {"coordination range", [] { set_coordination(1, 1.8); }, {0, 0, 0, 0}},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    computed_chain();
    k.apply();
    EXPECT_EQ(out_of_date(), k.marked);
    EXPECT_EQ(active().changed, 1);
    for (int calc = 0; calc < ncalc; ++calc)
      EXPECT_STREQ(out_of_date_mark(activep, calc), k.marked[calc] ? " (out of date)" : "");
    TearDown();
    SetUp();
  }
  // Rerunning S(q) brings its results up to date; g(r), which it feeds, stays behind.
  computed_chain();
  set_prop(5, 0.56, 0);
  ASSERT_NO_FATAL_FAILURE(run_steps({run_ra, run_sq}));
  EXPECT_EQ(out_of_date(), (std::vector<int>{0, 0, 0, 1}));
}

TEST_F(FollowSettingsTest, AutomaticRecalculationRerunsWhatIsOutOfDate) {
  computed_chain();
  set_auto_recalc(activep, true);
  const std::vector<double> before = active().curves[3][1]->data[1];
  const double constant = active().exp_prop[k_norm_constant];
  set_prop(5, 0.56, 0);
  // The whole chain ran again, silently and with the windows left open.
  EXPECT_EQ(out_of_date(), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_NE(active().exp_prop[k_norm_constant], constant);
  EXPECT_NE(active().curves[3][1]->data[1], before);
  EXPECT_TRUE(messages.empty() && hidden.empty());
  // A value out of its setting's range is refused with its message and nothing reruns; one
  // the step refuses (Q limit beyond the data) leaves it out of date, without a word.
  EXPECT_EQ(set_prop(14, -1.0, 0), prop_rejected);
  EXPECT_EQ(messages, (std::vector<message>{{"info", "Rmax must be > 0.0"}}));
  EXPECT_EQ(out_of_date(), (std::vector<int>{0, 0, 0, 0}));
  messages.clear();
  const double qlim = active().exp_prop[k_qlim];
  set_prop(11, 1000.0, 0);
  EXPECT_EQ(out_of_date(), (std::vector<int>{0, 1, 0, 0}));
  EXPECT_TRUE(messages.empty());
  set_prop(11, qlim, 0);
  EXPECT_EQ(out_of_date(), (std::vector<int>{0, 0, 0, 0}));
}

