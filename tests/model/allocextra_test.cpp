#include "project/allocextra.h"
#include "project/calc_records.h"
#include "project/project.h"
#include "support/project_fixture.h"

using allocextra_test = project_table_test;

namespace {

using slot = std::array<int, 4>;

void add_project(int abscissa, bool run) {
  init_project();
  proj[activep].params[k_abscissa] = abscissa;
  if (run) {
    create_curve_records(activep);
    init_curve_names(activep, 0, 0);
  }
}

// The curves of one project that may be overlaid, as (rid, cid) pairs.
using block = std::vector<std::pair<int, int>>;

const block sq_over_2theta = {{0, 3}, {1, 0}, {1, 1}, {1, 2}, {2, 0}, {2, 1}, {3, 0}};
const block sq_over_q = {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {1, 0}, {1, 1}, {1, 2}, {2, 0}, {2, 1}, {3, 0}};
const block no_abscissa = {{1, 0}, {1, 1}, {1, 2}, {2, 0}, {2, 1}, {3, 0}};
const block pair_functions = {{3, 1}, {3, 2}, {3, 3}};
const block raw_2theta = {{0, 0}, {0, 1}, {0, 2}};
const block q_on_corrected = {{0, 0}, {1, 0}, {1, 1}, {1, 2}, {2, 0}, {2, 1}, {3, 0}};
const block raw_q_on_2theta = {{1, 0}, {1, 1}, {1, 2}, {2, 0}, {2, 1}, {3, 0}};

}  // namespace

// Which curves of each open project are offered as extra data sets, by the kind of curve
// being drawn: a plot only overlays curves with the same abscissa.
TEST_F(allocextra_test, SlotLayoutFollowsTheActiveCurve) {
  // abscissa: params[k_abscissa] of each project; 9 = project without curves.
  struct layout_case { const char* what; std::vector<int> abscissa; int active, rid, cid; std::vector<block> blocks; };
  const std::vector<layout_case> cases = {
      {"S(q) curve, 2θ projects", {0, 0}, 0, 1, 1, {sq_over_2theta, sq_over_2theta}},
      {"S(q) curve, mixed abscissae", {0, 1}, 1, 1, 2, {sq_over_2theta, sq_over_q}},
      {"bending curve, project without abscissa", {-1, 0}, 1, 2, 0, {no_abscissa, sq_over_2theta}},
      {"G(r) curve", {0, 1, 0}, 2, 3, 1, {pair_functions, pair_functions, pair_functions}},
      {"g(r) input curve", {1, 0}, 0, 3, 0, {sq_over_q, sq_over_2theta}},
      {"raw 2θ curve", {0, 1, 0}, 0, 0, 1, {raw_2theta, raw_q_on_2theta, raw_2theta}},
      {"raw Q curve", {1, 0}, 0, 0, 0, {sq_over_q, {}}},
      {"corrected data of a 2θ project", {0, 1}, 0, 0, 3, {sq_over_2theta, q_on_corrected}},
      {"projects without curves", {0, 9, 0}, 2, 1, 0, {sq_over_2theta, {}, sq_over_2theta}},
  };
  for (const auto& tc : cases) {
    clear();
    for (int a : tc.abscissa) add_project(a == 9 ? 0 : a, a != 9);
    activate_curve(tc.active, tc.rid, tc.cid);
    std::vector<slot> expected;
    for (size_t q = 0; q < tc.blocks.size(); ++q)
      for (auto [r, c] : tc.blocks[q]) expected.push_back({0, static_cast<int>(q), r, c});
    const curve& cv = *proj[tc.active].curves[tc.rid][tc.cid];
    EXPECT_EQ(cv.extrasets, expected) << tc.what;
    int total = 0;  // the slots of all projects
    for (int s : psize) total += s;
    // extras, slots of all projects, projects, the request to rebuild
    EXPECT_EQ(std::tuple(cv.extras, total, cv.extra_nproj, cv.realloc_extras),
              std::tuple(static_cast<int>(expected.size()), cv.extras, nprojects, 0)) << tc.what;
  }
}

// Adding or closing a project moves every slot of the surviving projects to the new
// place of their project's block, with its drawn flag and style.
TEST_F(allocextra_test, SlotsOfSurvivingProjectsKeepTheirSettings) {
  for (int abscissa : {0, 1, 0}) add_project(abscissa, true);
  activate_curve(1, 1, 1);
  curve& c = *proj[1].curves[1][1];
  ASSERT_EQ(c.extras, 7 + 10 + 7);
  // Draw one set of every project with its own style.
  draw_slot(c, 2, 0);       // project 0: (1, 1)
  draw_slot(c, 7 + 9, 1);   // project 1: (3, 0)
  draw_slot(c, 17 + 0, 2);  // project 2: (0, 3)
  auto drawn = [&] {
    std::vector<std::pair<slot, double>> out;
    for (int k = 0; k < c.extras; ++k)
      if (c.extrasets[k][0]) out.push_back({c.extrasets[k], c.extrathick[k]});
    return out;
  };
  using marked = std::vector<std::pair<slot, double>>;
  ASSERT_EQ(drawn(), (marked{{{1, 0, 1, 1}, 0.5}, {{1, 1, 3, 0}, 1.5}, {{1, 2, 0, 3}, 2.5}}));

  add_project(1, true);  // a fourth project adds undrawn default slots at the end
  activate_curve(1, 1, 1);
  ASSERT_EQ(c.extras, 7 + 10 + 7 + 10);
  EXPECT_EQ(drawn(), (marked{{{1, 0, 1, 1}, 0.5}, {{1, 1, 3, 0}, 1.5}, {{1, 2, 0, 3}, 2.5}}));
  EXPECT_EQ(c.extrasets[24][1], 3);
  // Closing project 0 moves the others down; the curve's record moves with its project.
  close_project_record(0);
  activate_curve(0, 1, 1);
  EXPECT_EQ(proj[0].curves[1][1].get(), &c);
  EXPECT_EQ(c.extras, 10 + 7 + 10);
  EXPECT_EQ(drawn(), (marked{{{1, 0, 3, 0}, 1.5}, {{1, 1, 0, 3}, 2.5}}));
  // dash of slot 9, glyph, glyph frequency and colour of slot 10: as draw_slot styled them
  EXPECT_EQ(std::tuple(c.extradash[9], c.extraglyph[10], c.extragfreq[10], c.extracolor[10].red),
            std::tuple(3, 7, 4, 1002));

  EXPECT_EQ(c.extra_pids, (std::vector<int>{1, 2, 3}));
}

TEST_F(allocextra_test, UnchangedTablesAreKept) {
  add_project(0, true);
  activate_curve(0, 1, 0);
  curve& c = *proj[0].curves[1][0];
  c.extrasets[0][0] = 1;
  allocextra(0, 0, 1, 0);
  EXPECT_EQ(c.extrasets[0][0], 1);
  c.realloc_extras = 1;  // asked for: rebuilt from defaults
  allocextra(0, 0, 1, 0);
  EXPECT_EQ(c.extrasets[0][0], 0);
}
