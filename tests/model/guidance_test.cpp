// Rules the user interface only shows: the input source a reopened project infers from
// its curves, the hints of greyed controls, and the names the save choosers propose.

#include "project/calc_records.h"
#include "project/file_names.h"
#include "project/reopen.h"
#include "project/step_hints.h"
#include "project/toolbox.h"
#include "support/project_fixture.h"

namespace {

using guidance_test = project_table_test;

void fill(int calc, int cid, double value) {
  curve& c = *find_curve(0, calc, cid);
  c.data[0] = {0.0, 1.0, 2.0}, c.data[1] = {value, value, value}, c.ndata = 3;
}

TEST_F(guidance_test, ReopenedStepsTakeTheResultTheirInputHolds) {
  // Curves by value: equal values mean the input is a copy of that result. 0: no points.
  // file3: a file is named for the g(r) input.
  struct reopen_case { double corrected, in1, qsq, in2, bent, in3; bool file3; int usecalc[3]; };
  const reopen_case cases[] = {
      // The bundled example: S(q) from the correction, g(r) from S(q)'s Q[S(Q)-1].
      {1, 1, 2, 0, 0, 2, false, {1, 1, 2}},
      // g(r) from the bending correction.
      {1, 1, 2, 2, 3, 3, false, {1, 1, 1}},
      // Inputs that match no result but a named file: the file; none named: the result.
      {1, 5, 2, 6, 0, 7, true, {1, 1, 0}},
      // Nothing computed: every step reads a file.
      {0, 0, 0, 0, 0, 0, false, {0, 0, 0}},
  };
  for (const auto& k : cases) {
    clear();
    init_project();
    create_curve_records(0);
    const double values[6] = {k.corrected, k.in1, k.qsq, k.in2, k.bent, k.in3};
    const int at[6][2] = {{0, 3}, {1, 0}, {1, 1}, {2, 0}, {2, 1}, {3, 0}};
    for (int i = 0; i < 6; ++i)
      if (values[i] != 0) fill(at[i][0], at[i][1], values[i]);
    if (k.file3) proj[0].filename[5] = "q.dat";
    infer_step_sources(0);
    EXPECT_EQ(std::vector<int>(proj[0].usecalc, proj[0].usecalc + 3),
              std::vector<int>(k.usecalc, k.usecalc + 3)) << k.in1 << k.in3;
    // Opened by the program: the bending correction takes the S(q) result it is offered,
    // and a step whose curves hold points can be viewed.
    take_inferred_inputs(0);
    EXPECT_EQ(std::tuple(proj[0].visok[2], proj[0].visok[3]), std::tuple(k.usecalc[1], int(k.in3 != 0)));
    EXPECT_TRUE(!k.usecalc[1] || same_points(*find_curve(0, 2, 0), *find_curve(0, 1, 1)));
  }
}

TEST_F(guidance_test, GreyedControlsSayWhatIsMissing) {
  init_project();
  project& r = proj[0];
  EXPECT_EQ(greyed_hint(0, greyed_control::step_dialog, 1), "Apply the sample and experiment settings first");
  create_curve_records(0);
  for (int& d : r.dialok) d = 1;
  EXPECT_EQ(greyed_hint(0, greyed_control::step_dialog, 1), "");
  EXPECT_EQ(greyed_hint(0, greyed_control::data_file, 0), "Choose the abscissa of the data files first");
  EXPECT_EQ(greyed_hint(0, greyed_control::step_curves, 0), "Choose the abscissa of the data files first");
  r.params[k_abscissa] = 0;
  EXPECT_EQ(greyed_hint(0, greyed_control::data_file, 0), "");
  EXPECT_EQ(greyed_hint(0, greyed_control::data_file, 1), "Tick \"Background\" first");
  EXPECT_EQ(greyed_hint(0, greyed_control::step_curves, 0), "Load the raw data file first");
  EXPECT_EQ(greyed_hint(0, greyed_control::step_curves, 1), "Choose 'previous step' as Input, or a file");
  // The S(q) dialog points at its Input box once the correction has a result.
  EXPECT_EQ(input_hint(0, 1), "");
  fill(0, 3, 1.0);
  EXPECT_EQ(input_hint(0, 1), "Choose \"Data correction\" as Input to use its result");
  r.usecalc[0] = 1;
  EXPECT_EQ(input_hint(0, 1), "");
  // g(r) offers the S(q) result while the bending correction has none.
  fill(1, 1, 2.0);
  EXPECT_EQ(input_hint(0, 3), "Choose \"S(q)\" as Input to use its result");
}

TEST_F(guidance_test, NamesTheChoosersPropose) {
  const std::pair<const char*, const char*> safe[] = {
      {"Project N° 0", "Project_N_0"},       {"Corrected Q[S(Q)-1]", "Corrected_Q_S_Q_-1"},
      {"G(r)", "G_r"},                       {"g(r) - ρ exp", "g_r_-_exp"},
      {"..//", "untitled"},                  {"sio2.run-2", "sio2.run-2"}};
  for (auto [name, expected] : safe) EXPECT_EQ(safe_file_name(name), expected) << name;
  EXPECT_EQ(proposed_file_name("G(r)", ".dat"), "G_r.dat");

  // format -1: image (".png"), else the data export format.
  struct ext_case { const char* path; int format; const char* written; };
  const ext_case names[] = {
      {"/d/gr_export", -1, "/d/gr_export.png"}, {"/d/a.PNG", -1, "/d/a.PNG"},
      {"/d.x/gr", 0, "/d.x/gr.dat"},            {"/d/gr.txt", 1, "/d/gr.txt"},
      {"/d/gr.dat", 2, "/d/gr.dat.agr"}};
  for (const auto& k : names)
    EXPECT_EQ(k.format < 0 ? with_extension(k.path, ".png") : data_file_name(k.path, k.format), k.written) << k.path;

}

}  // namespace
