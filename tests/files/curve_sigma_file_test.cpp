// The standard deviations of the curves in project and workspace files: kept through a
// round trip, appended after the options block (what earlier versions read is unchanged),
// absent without uncertainties, and a damaged block refused.

#include "files/curve_sigma_block.h"
#include "files/project_file.h"
#include "files/project_options.h"
#include "files/workspace_file.h"
#include "files_fixture.h"
#include "project/uncertainty.h"

namespace {

// Gives curves (0, 0) and (1, 2) of project p deviations, with uncertainties on.
void give_sigmas(int p) {
  proj[p].options.errors = errors_counts;
  store_curve_sigma(p, 0, 0, {0.5, 0.25, 1e-300, 0.0, 3.0, 7.0});
  store_curve_sigma(p, 1, 2, {0.1, 0.2, 0.3});
}

class curve_sigma_file_test : public files_test {};

}  // namespace

TEST_F(curve_sigma_file_test, ProjectFileKeepsSigmaAfterWhatEarlierVersionsRead) {
  const int p = make_project("Sigma", 2, true, false);
  proj[p].options.errors = errors_counts;
  const std::vector<uint8_t> without = encode(p);  // uncertainties on, none computed
  give_sigmas(p);
  const std::vector<uint8_t> with = encode(p);
  ASSERT_GT(with.size(), without.size());
  EXPECT_TRUE(std::equal(without.begin(), without.end(), with.begin())) << "block is appended";
  // marker, count, two entries of (project, calc, curve, n) and their values
  EXPECT_EQ(with.size() - without.size(), 4u + 16 + 4 + (16 + 6 * 8) + (16 + 3 * 8));

  ASSERT_EQ(decode_fresh(with), file_ok);
  ASSERT_NE(curve_sigma(activep, 0, 0), nullptr);
  EXPECT_EQ(*curve_sigma(activep, 0, 0), (std::vector<double>{0.5, 0.25, 1e-300, 0.0, 3.0, 7.0}));
  EXPECT_EQ(*curve_sigma(activep, 1, 2), (std::vector<double>{0.1, 0.2, 0.3}));
  EXPECT_EQ(curve_sigma(activep, 0, 3), nullptr);
  EXPECT_EQ(encode(activep), with);

  // A reader that stops after the options block (an earlier version) opens the same project.
  EXPECT_TRUE(decode_fresh(without) == file_ok && !curve_sigma(activep, 0, 0));

  // Damaged: a count other than the curve's points, a curve that does not exist, a
  // negative deviation, bytes missing.
  const size_t block = without.size() + 4 + 16;
  struct { const char* what; size_t at; int32_t value; } cases[] = {
      {"count", block + 4 + 12, 5}, {"curve", block + 4 + 8, 9}, {"calc", block + 4 + 4, 4}, {"entries", block, 3}};
  for (const auto& d : cases) {
    std::vector<uint8_t> b = with;
    put32(b, d.at, d.value);
    EXPECT_EQ(decode_fresh(b), file_short) << d.what;
    EXPECT_EQ(project_read_problem(), "the block of uncertainties after the data is damaged") << d.what;
  }
  std::vector<uint8_t> negative = with;
  negative[with.size() - 1] = 0xbf;  // the sign bit of the last value
  EXPECT_EQ(decode_fresh(negative), file_short);
}

TEST_F(curve_sigma_file_test, WorkspaceKeepsEachProjectsSigmaAndNoneIsWrittenWithout) {
  make_project("First", 1, true, false);
  const int second = make_project("Second", 1, true, true);
  byte_writer plain;
  ASSERT_EQ(encode_workspace(plain), file_ok);
  give_sigmas(second);
  proj[second].options.errors = errors_none;  // deviations held but not asked for: not stored
  byte_writer none;
  ASSERT_EQ(encode_workspace(none), file_ok);
  EXPECT_EQ(none.data(), plain.data());
  proj[second].options.errors = errors_counts;
  byte_writer with;
  ASSERT_EQ(encode_workspace(with), file_ok);

  while (nprojects > 0) close_project_record(nprojects - 1);
  byte_reader in(with.data());
  ASSERT_EQ(decode_workspace(in), file_ok);
  ASSERT_EQ(nprojects, 2);
  EXPECT_EQ(curve_sigma(0, 0, 0), nullptr);
  ASSERT_NE(curve_sigma(1, 1, 2), nullptr);
  EXPECT_EQ(*curve_sigma(1, 1, 2), (std::vector<double>{0.1, 0.2, 0.3}));
  byte_writer again;
  ASSERT_EQ(encode_workspace(again), file_ok);
  EXPECT_EQ(again.data(), with.data());
}
