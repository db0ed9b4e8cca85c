#include "project/curve.h"
#include "numeric/callbacks.h"
#include "project/calc_records.h"
#include "project/changes.h"
#include "project/hooks.h"
#include "project/project.h"
#include "support/project_fixture.h"
#include "support/recording_presenter.h"

using project_test = project_table_test;

// Names are numbered by table position, while a file keeps the name it was saved with:
// two open projects may share a name, and the file they came from tells them apart.
TEST_F(project_test, ProjectsAreToldApartByTheirFile) {
  for (int i = 0; i < 3; ++i) init_project();
  proj[1].name = proj[0].name;  // read from a second file saved as "Project N° 0"
  set_project_file(0, "/data/run 1/chain1.nap");
  set_project_file(1, "chain2.nap");
  mark_project_changed(1);
  const char* const shown[3] = {"Project N° 0 — chain1.nap", "*Project N° 0 — chain2.nap", "Project N° 2"};
  for (int p = 0; p < 3; ++p) EXPECT_EQ(shown_name(p), shown[p]) << p;
  EXPECT_EQ(std::tuple(proj[1].newproj, proj[2].newproj), std::tuple(0, 1));  // Save writes to the file from now on
}

// Records keep their addresses while the table grows; closing shifts the later ones down
// and makes the last position active.
TEST_F(project_test, GrowingAndShrinkingTheTableKeepsRecords) {
  init_project();
  create_curve_records(0);
  curve* first = proj[0].curves[1][2].get();
  const curve_id* ids = proj[0].curve_ids[1].data();
  for (int i = 0; i < 20; ++i) init_project();
  EXPECT_TRUE(proj[0].curves[1][2].get() == first && proj[0].curve_ids[1].data() == ids &&
              first->zoom_state.ids == &ids[2]);
  const int id3 = proj[3].id;
  close_project_record(2);
  EXPECT_EQ(std::tuple(nprojects, proj[2].id, activep), std::tuple(20, id3, 19));
  while (nprojects) close_project_record(0);
  EXPECT_EQ(activep, -1);
}

TEST_F(project_test, SaveCurveStoresIntoTheActiveProject) {
  init_project();
  create_curve_records(0);
  init_project();
  create_curve_records(1);
  std::vector<std::tuple<curve*, int, int>> buttons;
  std::vector<curve*> destroyed;
  hooks().view_button_state = [&](curve& c, int a, int s) { buttons.emplace_back(&c, a, s); };
  hooks().destroy_curve_window = [&](curve& c) { destroyed.push_back(&c); };
  connect_numeric_callbacks();

  int dummy;
  curve& c = *proj[1].curves[1][2];
  c.window = c.plot = &dummy;
  const double x[] = {3.0, -1.5, 7.25, 0.0}, y[] = {1, 2, 3, 4};
  save_curve_(4, x, y, 1, 2);  // through the numeric core's seam
  EXPECT_EQ(c.ndata, 4);
  EXPECT_EQ(c.data[0], std::vector<double>(x, x + 4));
  EXPECT_EQ(c.data[1], std::vector<double>(y, y + 4));
  EXPECT_EQ(std::tuple(proj[1].min[1], proj[1].max[1]), std::tuple(-1.5, 7.25));  // the range of the abscissa
  EXPECT_EQ(proj[0].curves[1][2]->ndata, 0);
  EXPECT_TRUE(c.window == nullptr && c.plot == nullptr && destroyed.size() == 1) << "the window destroyed";
  EXPECT_EQ(buttons, (std::vector{std::make_tuple(&c, 0, 1)}));

  save_curve(0, x, y, 1, 2);  // an empty result
  EXPECT_EQ(c.ndata, 0);
  EXPECT_TRUE(c.data[0].empty() && c.data[1].empty());
  EXPECT_EQ(buttons.back(), std::make_tuple(&c, 0, 0));

  save_curve(4, x, y, 2, 2);  // step 2 has two curves: ignored
  save_curve(4, x, y, 4, 0);
  EXPECT_EQ(buttons.size(), 2u);

  // Releasing the points, by a reset to defaults or by erasing the step, takes the count
  // with them.
  save_curve(4, x, y, 1, 2);
  initcurve(1, 1, 2);
  EXPECT_EQ(c.ndata, 0);
  EXPECT_TRUE(c.data[0].empty() && c.data[1].empty());
  save_curve(4, x, y, 1, 1);
  erase_curves(1, 1);
  EXPECT_TRUE(proj[1].curves[1][1]->ndata == 0 && proj[1].curves[1][1]->data[0].empty());
  set_numeric_receiver({});
}

TEST_F(project_test, MessagesReachThePresenterVerbatim) {
  recording_presenter rec;
  rec.answers = {1, 0};
  show_info("<b>50% done</b>", 0);
  show_warning("100%s %d");
  show_error("Impossible to open project file: \nx.nap\nError code: 1\n", 1);
  show_error("Broken %n", 0);
  connect_numeric_callbacks();
  show_error_("Impossible to allocate memory", "Subroutine: nm", "Table: sq");
  set_numeric_receiver({});
  EXPECT_EQ(ask_question("Closing workspace", "Close workspace ?"), 1);
  EXPECT_EQ(ask_question("Closing workspace", "Close workspace ?"), 0);
  EXPECT_EQ(ask_question("Closing workspace", "Close workspace ?"), 0);
  const std::string bug = std::string("If this is a bug please report it to:\n<") + bug_address + ">";
  ASSERT_EQ(rec.messages.size(), 8u);
  EXPECT_EQ(rec.texts("info"), std::vector<std::string>{"<b>50% done</b>"});
  EXPECT_EQ(rec.texts("warning"), std::vector<std::string>{"100%s %d"});
  EXPECT_EQ(rec.texts("error"), (std::vector<std::string>{"Impossible to open project file: \nx.nap\nError code: 1\n\n",
            "Broken %n\n" + bug, "Impossible to allocate memory\nSubroutine: nm\nTable: sq\n" + bug}));


  EXPECT_EQ(rec.messages[5].title, "Closing workspace");
}

TEST_F(project_test, FailedRefreshIsReported) {
  recording_presenter rec;
  hooks().update_project = [] { return 0; };
  EXPECT_EQ(init_project(), 0);
  EXPECT_EQ(rec.texts("error"), std::vector<std::string>{"Impossible to refresh project: Project N° 0\n\n"});
}
