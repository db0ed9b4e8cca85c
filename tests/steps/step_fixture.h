// A fresh project table with every message and widget request recorded, and a snapshot
// of the record to prove that a refused check or setting changed nothing.
#pragma once

#include "support/test.h"

#include "project/curve.h"
#include "numeric/callbacks.h"
#include "project/hooks.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/settings.h"
#include "project/step_hooks.h"
#include "project/steps.h"
#include "project/toolbox.h"
#include "support/recording_presenter.h"

using message = recorded_message;

struct record_snapshot {
  std::vector<double> values;
  std::vector<int> flags;
  std::vector<std::optional<std::string>> files;
  bool operator==(const record_snapshot&) const = default;
};

inline record_snapshot snapshot(int p) {
  const project& r = proj[p];
  record_snapshot s;
  s.values.assign(r.exp_prop, r.exp_prop + nexp_props);
  for (const auto& column : r.spec_prop) s.values.insert(s.values.end(), column.begin(), column.end());
  for (int c = 0; c < ncalc; ++c) {
    s.flags.insert(s.flags.end(), {r.initok[c], r.dialok[c], r.visok[c], r.calcok[c], r.numc[c]});
    for (const auto& cv : r.curves[c]) {
      s.flags.push_back(cv->ndata);
      s.values.insert(s.values.end(), cv->data[1].begin(), cv->data[1].end());
    }
  }
  s.flags.insert(s.flags.end(), {r.run, r.trun, r.prun, r.nspec});
  s.flags.insert(s.flags.end(), r.params, r.params + nparams);
  s.flags.insert(s.flags.end(), r.checks, r.checks + nchecks);
  s.flags.insert(s.flags.end(), r.usecalc, r.usecalc + 3);
  s.files.assign(r.filename, r.filename + nfilenames);
  return s;
}

class StepTest : public ::testing::Test {
 public:
  recording_presenter presenter;
  std::vector<message>& messages = presenter.messages;
  std::deque<int>& answers = presenter.answers;  // answers to questions, No when exhausted
  std::vector<std::string> lines[nfilenames];  // name + "|" + points of each input line
  std::vector<int> hidden;                     // steps whose curves were hidden
  std::vector<int> pages;                      // settings notebook pages shown
  step_hooks old_hooks;
  std::FILE* old_echo = nullptr;

  void SetUp() override {
    while (nprojects > 0) close_project_record(0);
    projid = -1;
    connect_step_callbacks();
    step_hooks h;
    h.input_line = [this](int li, const std::string& name, const std::string& points) {
      lines[li].push_back(name + "|" + points);
    };
    h.hide_curves = [this](int, int calc) { hidden.push_back(calc); };
    h.settings_page = [this](int page) { pages.push_back(page); };
    old_hooks = set_step_hooks(h);
    old_echo = set_echo_stream(nullptr);
  }
  void TearDown() override {
    set_step_hooks(old_hooks);
    set_echo_stream(old_echo);
    while (nprojects > 0) close_project_record(0);
  }

  project& active() { return proj[activep]; }

  // SiO2 as in the bundled example, settings applied (curve records exist).
  void applied_project() {
    init_project();
    set_prop(prop_species, 2, 0);
    const double species[2][4] = {{14, 1.0 / 3.0, 0.0817, 0.0704}, {8, 2.0 / 3.0, 0.0106, 0.0060}};
    for (int s = 0; s < 2; ++s)
      for (int k = 0; k < 4; ++k) set_prop(prop_z + k, species[s][k], s);
    const double exp[5] = {0.7093, 0.77, 0.0, 0.0662, 1.0e-6};
    for (int i = 0; i < 5; ++i) set_prop(prop_first_exp + i, exp[i], 0);
    for (auto [box, entry] : {std::pair{0, 1}, {1, 0}, {2, 0}}) propbox_changed(box, entry);
    ASSERT_EQ(apply_project(), 2);
    messages.clear();
    pages.clear();
    hidden.clear();
  }

  // Runs the steps in order; each must complete (wrap in ASSERT_NO_FATAL_FAILURE to stop there).
  static void run_steps(std::initializer_list<int (*)()> steps) {
    for (auto run : steps) ASSERT_EQ(run(), step_done);
  }

  // Rmax, δr and the damping factor of the pair distribution.
  static void gr_settings(double rmax, double dr, double damping) {
    set_prop(14, rmax, 0), set_prop(15, dr, 0), set_prop(16, damping, 0);
  }

  struct series { std::vector<double> x, y; };

  // Stores n points into curve (calc, cid) of the active project.
  static void put_curve(int calc, int cid, const std::vector<double>& x, const std::vector<double>& y) {
    save_curve(static_cast<int>(x.size()), x.data(), y.data(), calc, cid);
  }
  static void put_curve(int calc, int cid, const series& s) { put_curve(calc, cid, s.x, s.y); }

  // A smooth raw pattern on 2theta 2..140 degrees (n points).
  static series raw_pattern(int n, double level = 800.0) {
    series s{std::vector<double>(n), std::vector<double>(n)};
    for (int i = 0; i < n; ++i)
      s.x[i] = 2.0 + 138.0 * i / (n - 1), s.y[i] = level * (1.0 + 0.3 * std::sin(s.x[i] / 7.0)) + 100.0;
    return s;
  }

  // Q[S(Q)-1]-like oscillation on a uniform q grid.
  static series qs_pattern(int n, double qmax) {
    series s{std::vector<double>(n), std::vector<double>(n)};
    for (int i = 0; i < n; ++i)
      s.x[i] = qmax * i / (n - 1), s.y[i] = std::sin(1.6 * s.x[i]) * std::exp(-0.01 * s.x[i] * s.x[i]) + 0.02 * s.x[i];
    return s;
  }
};
