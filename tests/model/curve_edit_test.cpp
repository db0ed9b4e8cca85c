#include "project/allocextra.h"
#include "project/calc_records.h"
#include "project/curve_edit.h"
#include "project/project.h"
#include "support/project_fixture.h"
#include "support/recording_presenter.h"

namespace {

// Two Q projects, each with S(Q) and Q[S(Q)-1] holding points; the editor works on S(Q)
// of the first.
class curve_edit_test : public project_table_test {
 protected:
  void SetUp() override {
    project_table_test::SetUp();
    for (const char* name : {"alpha", "beta"}) {
      init_project();
      proj[activep].name = name, proj[activep].params[k_abscissa] = 1;
      create_curve_records(activep);
      init_curve_names(activep, 0, 0);
      const double x[3] = {1, 2, 3}, y[3] = {0.5, 1.5, 1.0};
      save_curve(3, x, y, 1, 1);
      save_curve(3, x, y, 1, 2);
    }
    activate_curve(0, 1, 2);
  }
  curve_edit e{0, 1, 2, 0, 0};
  curve& c() { return *edited_curve(e); }
  int slot_of(int q, int rid, int cid) {
    for (int s = 0; s < c().extras; ++s)
      if (c().extrasets[s][1] == q && c().extrasets[s][2] == rid && c().extrasets[s][3] == cid)
        return s;
    return -1;
  }
};

// Every value the editor shows, for both axes: equal fingerprints mean nothing changed.
std::string fingerprint(curve_edit e) {
  std::string out;
  for (e.axis = 0; e.axis < 2; ++e.axis) {
    for (int f = 0; f <= static_cast<int>(curve_entry::major_ticks); ++f)
      out += curve_entry_text(e, curve_entry(f)) + ";";
    for (int f = 0; f <= static_cast<int>(curve_choice::axis_title_y); ++f)
      out += std::to_string(curve_choice_value(e, curve_choice(f))) + ";";
    for (int f = 0; f <= static_cast<int>(curve_text::axis_title_font); ++f)
      out += curve_text_ref(e, curve_text(f)) + ";";
  }
  return out;
}

}  // namespace

TEST_F(curve_edit_test, RefusedValuesWarnAndChangeNothing) {
  c().frame[1] = 0.4, c().frame[3] = 0.2;
  c().axmin[0] = 0, c().axmax[0] = 4, c().axmin[1] = -2, c().axmax[1] = 2;
  using ce = curve_entry;
  struct refused { ce f; int axis; const char* text; const char* warning; } cases[] = {
      {ce::width, 0, "-200", "X size must be > 0"}, {ce::height, 0, "0", "Y size must be > 0"},
      {ce::width, 0, "20000", "X size must be <= 16384"}, {ce::title_x, 0, "1.5", "x ∈ [0.0, 1.0]"},
      {ce::legend_x, 0, "1.5", "x ∈ [0.0, 1.0]"}, {ce::legend_y, 0, "-0.1", "y ∈ [0.0, 1.0]"},
      {ce::frame_xmin, 0, "0.5", "Frame x min must be < to frame x max"},
      {ce::frame_xmax, 0, "0.1", "Frame x max must be > to frame x min"},
      {ce::frame_ymin, 0, "0.2", "Frame y min must be > to frame y max"},  // equal is refused too
      {ce::frame_ymax, 0, "0.9", "Frame y max must be < to frame y min"},
      {ce::line_width, 0, "0", "Line width must be > 0.0"}, {ce::glyph_size, 0, "-1", "Glyph size must be > 0.0"},
      {ce::glyph_freq, 0, "0", "Glyph frequency must be > 0"}, {ce::axis_min, 0, "4", "Axis min must be < to axis max"},
      {ce::axis_max, 1, "-3", "Axis max must be > to axis min"}, {ce::major_ticks, 1, "0", "Major tick must be > 0.0"},
      {ce::line_width, 0, "abc", "Line width: \"abc\" is not a number"},
      {ce::axis_min, 0, "", "Axis min: \"\" is not a number"},
      {ce::glyph_freq, 0, "2.5", "Glyph frequency: \"2.5\" is not a whole number"},
  };
  for (const refused& r : cases) {
    recording_presenter messages;
    e.axis = r.axis;
    std::string before = fingerprint(e);
    EXPECT_EQ(set_curve_entry(e, r.f, r.text), 0) << r.warning;
    EXPECT_EQ(messages.texts("warning"), std::vector<std::string>{r.warning});
    EXPECT_EQ(fingerprint(e), before) << r.warning;
  }
}

TEST_F(curve_edit_test, AcceptedValuesAreStoredAndShownAsStored) {
  struct accepted { curve_entry f; const char* text; const char* shown; double stored; } cases[] = {
      {curve_entry::width, " 640 ", "640", 640}, {curve_entry::title_x, "1", "1", 1.0},
      {curve_entry::legend_y, "0", "0", 0.0},
      {curve_entry::frame_width, "-2", "-2", -2.0},  // any number
      {curve_entry::glyph_freq, "+3", "3", 3},
      {curve_entry::axis_max, "1e300", "1e+300", 1e300},  // shown in a form that reads back
  };
  for (const accepted& a : cases) {
    recording_presenter messages;
    c().autoscale[0] = 1;
    EXPECT_EQ(set_curve_entry(e, a.f, a.text), 1) << a.text;
    EXPECT_TRUE(messages.messages.empty()) << a.text;
    EXPECT_EQ(curve_entry_text(e, a.f), a.shown);
    EXPECT_EQ(std::stod(curve_entry_text(e, a.f)), a.stored);
  }
  EXPECT_EQ(std::tuple(c().wsize[0], c().gfreq, c().autoscale[0]), std::tuple(640, 3, 0));  // hand-typed range kept
}

TEST_F(curve_edit_test, ChoicesAndTheControlsTheyDisable) {
  using ch = curve_choice;
  set_curve_choice(e, ch::glyph_type, 5);
  set_curve_choice(e, ch::plot_type, 1);  // bar: no glyph, glyph type disabled
  EXPECT_EQ(c().aspect, 1);
  EXPECT_EQ(curve_choice_value(e, ch::glyph_type), 0);
  EXPECT_FALSE(curve_edit_sensitivity(e).glyph_type || curve_edit_sensitivity(e).glyph);
  set_curve_choice(e, ch::plot_type, 0);
  EXPECT_TRUE(curve_edit_sensitivity(e).glyph_type);
  EXPECT_EQ(c().glyph, 0);

  e.axis = 1;
  set_curve_choice(e, ch::scale, 1);
  EXPECT_FALSE(curve_edit_sensitivity(e).axis_range);
  EXPECT_EQ(std::tuple(c().scale[0], c().scale[1]), std::tuple(0, 1));
  set_curve_choice(e, ch::scale, 0);
  EXPECT_TRUE(curve_edit_sensitivity(e).axis_range);

  set_curve_choice(e, ch::line_style, 0);
  EXPECT_FALSE(curve_edit_sensitivity(e).line_width);
  set_curve_choice(e, ch::show_legend, 1);
  EXPECT_FALSE(curve_edit_sensitivity(e).legend_box);
  set_curve_choice(e, ch::show_legend_box, 1);
  EXPECT_TRUE(curve_edit_sensitivity(e).legend_box);

  // Combos that start at "1", spins, the slider, and values beyond a control's range.
  struct stored { ch f; int value; int* field; int expected; } cases[] = {
      {ch::frame_line, 3, &c().frame_dash, 4}, {ch::legend_box_line, 0, &c().legend_box_dash, 1},
      {ch::minor_ticks, 4, &c().mint[1], 5}, {ch::ticks_pos, 3, &c().ticks_pos[1], 3},
      {ch::labels_digits, 99, &c().labels_digit[1], 15}, {ch::axis_title_x, -600, &c().y_axis_title_pos[0], -500},
      {ch::labels_x, 7, &c().labels_shift_x[1], 7},
  };
  for (const stored& s : cases) {
    set_curve_choice(e, s.f, s.value);
    EXPECT_EQ(*s.field, s.expected);
  }
  set_curve_choice(e, ch::labels_angle, 90);
  EXPECT_DOUBLE_EQ(c().labels_angle[1], M_PI / 2);
  EXPECT_EQ(curve_choice_value(e, ch::labels_angle), 90);

  c().title = "mine", c().default_title = 0;
  set_curve_choice(e, ch::default_title, 1);
  EXPECT_EQ(c().title, "alpha - S(Q)");
  c().y_axis_title = "mine";
  set_curve_choice(e, ch::default_axis_title, 0);
  EXPECT_TRUE(curve_edit_sensitivity(e).axis_title);
  set_curve_choice(e, ch::default_axis_title, 1);
  EXPECT_EQ(c().y_axis_title, "S(Q)");
  EXPECT_FALSE(curve_edit_sensitivity(e).axis_title);
}

// With two extra sets drawn, "Select set" offers three entries and the style controls
// change the chosen set only.
TEST_F(curve_edit_test, StyleOfTheChosenSetOnly) {
  int own = slot_of(0, 1, 1), other = slot_of(1, 1, 2);
  ASSERT_TRUE(own >= 0 && other >= 0);
  EXPECT_FALSE(curve_edit_sensitivity(e).set_choice);
  // The curve itself and curves without points are never offered.
  std::vector<extra_choice> offered = extra_choices(e);
  ASSERT_EQ(offered.size(), 3u);
  for (const extra_choice& x : offered) EXPECT_FALSE(x.project == 0 && x.rid == 1 && x.cid == 2);
  EXPECT_EQ(flip_extra_set(e, style_slots(c())), 0);  // one past the last slot
  ASSERT_EQ(flip_extra_set(e, other), 1);
  ASSERT_EQ(flip_extra_set(e, own), 1);
  EXPECT_EQ(c().extras_shown, 2);
  EXPECT_EQ(data_set_labels(e), (std::vector<std::string>{"alpha - S(Q)", "alpha - Q[S(Q)-1]", "beta - S(Q)"}));
  EXPECT_TRUE(curve_edit_sensitivity(e).set_choice);

  e.set = 2;
  ASSERT_EQ(set_curve_entry(e, curve_entry::line_width, "3.5"), 1);
  set_curve_choice(e, curve_choice::glyph_type, 7);
  curve_colour_ref(e, curve_colour::data) = color{0, 1, 2, 3};
  // The chosen set takes the style; the other set and the curve itself keep theirs.
  EXPECT_EQ(std::tuple(c().extrathick[other], c().extraglyph[other], c().extracolor[other].blue),
            std::tuple(3.5, 7, 3));
  EXPECT_EQ(std::tuple(c().extrathick[own], c().extraglyph[own], c().thickness, c().glyph, c().datac.red),
            std::tuple(1.0, 0, 1.0, 0, 65535));

  // Removing the first set keeps the chosen one chosen; removing the chosen one goes
  // back to the curve itself.
  ASSERT_EQ(flip_extra_set(e, own), 1);
  EXPECT_EQ(e.set, 1);
  EXPECT_EQ(curve_entry_text(e, curve_entry::line_width), "3.5");
  ASSERT_EQ(flip_extra_set(e, other), 1);
  EXPECT_EQ(std::tuple(e.set, c().extras_shown), std::tuple(0, 0));

}
