#include "files/project_file.h"
#include "files/workspace_file.h"
#include "files_fixture.h"

using workspace_file_test = files_test;

namespace {

std::vector<uint8_t> encode_all() {
  byte_writer w;
  EXPECT_EQ(encode_workspace(w), 0);
  return w.data();
}

// Position of the first project block: header, count and abscissa choices.
size_t first_block(const std::vector<uint8_t>& b) { return 4 + 27 + 4 + 4 * read32(b, 31); }

// Three projects; curve (1, 1) of the middle one shows sets of all three, including one
// of the project that comes after it in the file.
void make_workspace() {
  make_project("First", 1, true, false);
  make_project("Second", 1, true, true);
  make_project("Third", 1, true, false);
  proj[2].params[k_abscissa] = 1;
  open_window(1);  // rebuild the slot table for all three projects
  curve& c = *proj[1].curves[1][1];
  ASSERT_EQ(c.extras, 7 + 7 + 10);
  draw_slot(c, 0, 0);       // First (0, 3)
  draw_slot(c, 7 + 2, 1);   // Second (1, 1): the curve itself
  draw_slot(c, 14 + 3, 2);  // Third (0, 3)
  draw_slot(c, 14 + 9, 3);  // Third (3, 0)
  c.extras_shown = 6;
}

}  // namespace

TEST_F(workspace_file_test, CurveBlocksCarryTheirProjectPosition) {
  init_project();
  make_project("Calc", 1, true, false);
  std::vector<uint8_t> b = encode_all();
  ASSERT_EQ(std::string(b.begin(), b.begin() + 31), "\x1B\0\0\0%\n% Workspace file v-1.0\n%\n"s);
  // N, then the abscissa of each project: the new one's unset
  EXPECT_EQ((std::vector{read32(b, 31), read32(b, 35), read32(b, 39)}), (std::vector{2, -1, 0}));
  layout a = locate(b, 2, first_block(b));
  EXPECT_EQ(a.count, 0u) << "no curve section in the first block";
  layout s = locate(b, 2, a.end);
  EXPECT_EQ(s.end, b.size());
  ASSERT_EQ(read32(b, s.count), 4);
  size_t pos = s.count + 4;
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(read32(b, pos), 1) << "curve block " << i;
    pos += 4 + 16 + 16 * read32(b, pos + 16);
  }
}

TEST_F(workspace_file_test, RoundTripWithSetsOfOtherProjects) {
  make_workspace();
  proj[1].options.window = 1;  // options follow all the projects
  proj[2].out_of_date[1] = proj[2].out_of_date[3] = 1;  // and so do the out-of-date marks
  std::vector<uint8_t> first = encode_all();
  clear();
  int added = 0;
  hooks().project_added = [&] { ++added; };
  byte_reader in(first);
  ASSERT_EQ(decode_workspace(in), 0);
  // projects, projects added, active one, newspace, newproj of the second
  EXPECT_EQ(std::tuple(nprojects, added, activep, newspace, proj[1].newproj), std::tuple(3, 3, 2, 0, 1));
  EXPECT_EQ(proj[1].options.window - proj[0].options.window, 1);
  for (int calc = 0; calc < ncalc; ++calc)
    EXPECT_EQ(proj[2].out_of_date[calc] + 2 * proj[1].out_of_date[calc], calc % 2) << calc;
  EXPECT_FALSE(proj[1].path);
  const curve& c = *proj[1].curves[1][1];
  EXPECT_EQ(c.extras_shown, 6);
  std::vector<std::array<int, 4>> drawn;
  for (int k = 0; k < c.extras; ++k)
    if (c.extrasets[k][0]) drawn.push_back(c.extrasets[k]);
  using sets = std::vector<std::array<int, 4>>;
  EXPECT_EQ(drawn, (sets{{1, 0, 0, 3}, {1, 1, 1, 0}, {1, 1, 1, 1}, {1, 1, 1, 2}, {1, 2, 0, 3}, {1, 2, 3, 0}}));

  EXPECT_EQ(c.extragfreq[14 + 9], 5);
  EXPECT_EQ(first, encode_all());

  // Closing the first project moves the sets of the others with their projects.
  close_project_record(0);
  std::vector<uint8_t> after_close = encode_all();
  clear();
  byte_reader again(after_close);
  ASSERT_EQ(decode_workspace(again), 0);
  EXPECT_EQ(proj[0].curves[1][1]->extras_shown, 5);
  EXPECT_EQ(after_close, encode_all());
}

TEST_F(workspace_file_test, FailuresKeepTheProjectsReadBefore) {
  make_workspace();
  std::vector<uint8_t> b = encode_all();
  const size_t block0 = first_block(b);
  const layout p0 = locate(b, 3, block0);
  const layout p1 = locate(b, 3, p0.end);

  struct failure_case { const char* what; size_t offset; int32_t value; int code; int projects_left; };
  const std::vector<failure_case> cases = {
      {"count 0", 31, 0, workspace_empty, 0}, {"count beyond the file", 31, 100000, file_short, 0},
      {"header length", 0, 0x7fffffff, file_short, 0}, {"second block's nspec", p1.nspec, 12, file_short, 1},
      {"second block names another project", p1.curve - 4, 0, file_bad_curve, 1},
      {"extra set of a project beyond the workspace", p1.extras, 3, file_bad_curve, 1},
  };
  for (const auto& tc : cases) {
    clear();
    std::vector<uint8_t> bad = b;
    put32(bad, tc.offset, tc.value);
    byte_reader in(bad);
    const int code = decode_workspace(in);
    EXPECT_EQ(std::tuple(code, nprojects, newspace), std::tuple(tc.code, tc.projects_left, 1)) << tc.what;

  }

  // Every prefix is refused; the projects read in full stay and are complete.
  for (size_t n = 0; n < b.size(); ++n) {
    clear();
    std::vector<uint8_t> cut(b.begin(), b.begin() + static_cast<long>(n));
    byte_reader in(cut);
    int code = decode_workspace(in);
    ASSERT_TRUE(code == file_short || code == file_bad_curve || code == workspace_empty) << n;
    size_t complete = n >= p1.end ? 2 : n >= p0.end ? 1 : 0;
    ASSERT_EQ(nprojects, static_cast<int>(complete)) << n;
    for (int p = 0; p < nprojects; ++p) ASSERT_EQ(proj[p].nspec, 2) << n;
  }
}

TEST_F(workspace_file_test, SavingAnEmptyWorkspace) {
  byte_writer w;
  EXPECT_EQ(encode_workspace(w), workspace_empty);
  EXPECT_EQ(w.data().size(), 4u + 27 + 4);
  const std::string path = temp_dir() + "/w.naw";
  init_project();
  ASSERT_EQ(save_workspace_file(path), 0);
  clear();
  EXPECT_EQ(save_workspace_file(path), workspace_empty);  // the old file stays
  EXPECT_TRUE(open_workspace_file(path) == 0 && nprojects == 1);

  // The stream interface writes and reads the same bytes.
  std::FILE* f = std::fopen(path.c_str(), "w+b");
  ASSERT_TRUE(f);
  EXPECT_EQ(open_save_workspace(f, 1), 0);
  std::rewind(f);
  clear();
  EXPECT_TRUE(open_save_workspace(f, 0) == 0 && nprojects == 1);
  std::fclose(f);
}
