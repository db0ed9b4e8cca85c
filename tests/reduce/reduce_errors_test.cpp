// amoq-reduce --errors: the standard deviations added beside every result (third or fifth
// column, xydy sets, " ± σ" on the printed lines, <name>_sigma in the record and the
// summary), the values themselves unchanged, and a bad source refused.

#include <nlohmann/json.hpp>

#include <cstring>
#include <sstream>

#include "support/temp_files.h"

namespace fs = std::filesystem;

namespace {

const std::string example = std::string(AMOQ_SOURCE_DIR) + "/examples/sio2/";

class ReduceErrorsTest : public ::testing::Test {
 protected:
  scratch_dir scratch;
  const fs::path& dir = scratch.path;

  int run(const std::string& args, std::string* out = nullptr, std::string* err = nullptr) {
    const fs::path o = dir / "stdout.txt", e = dir / "stderr.txt";
    const std::string cmd = "cd '" + dir.string() + "' && '" + AMOQ_REDUCE + "' " + args + " >'" + o.string() +
                            "' 2>'" + e.string() + "'";
    const int raw = std::system(cmd.c_str());
    if (out) *out = slurp(o);
    if (err) *err = slurp(e);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
};

std::vector<std::vector<std::string>> fields_of(const fs::path& p) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(slurp(p));
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '@' || line[0] == '#' || line[0] == '&') continue;
    std::istringstream words(line);
    rows.emplace_back();
    for (std::string w; words >> w;) rows.back().push_back(w);
  }
  return rows;
}

}  // namespace

TEST_F(ReduceErrorsTest, SigmaBesideEveryResultAndTheValuesUnchanged) {
  const std::string args = "--coordination Si-O:1.3:2.0 '" + example + "sio2.nap'";
  std::string plain_out, out, err;
  ASSERT_EQ(run("-o plain " + args, &plain_out), 0);
  ASSERT_EQ(run("--errors poisson -o dat " + args, &out, &err), 0) << err;
  ASSERT_EQ(run("--errors poisson --output-format dat4 -o dat4 " + args), 0);
  ASSERT_EQ(run("--errors poisson --output-format agr -o agr " + args), 0);

  // Each printed line: the same value as without, then " ± σ" in the same form; the
  // shell's r0 and sigma too.
  std::istringstream plain_lines(plain_out), lines(out);
  int fits = 0;
  for (std::string a, b; std::getline(plain_lines, a) && std::getline(lines, b);) {
    const std::size_t colon = a.find(": ");
    if (a.find("not reported") != std::string::npos) continue;
    EXPECT_EQ(b.rfind(a.substr(0, a.find_first_of(" (", colon + 2)) + " ± ", 0), 0u) << a << " / " << b;
    if (a.find("fit") == std::string::npos) continue;
    ++fits;
    for (const char* name : {"(r0 ", ", sigma "}) {
      const std::size_t at = a.find(name) + std::strlen(name);
      const std::string number = a.substr(at, a.find_first_of(",)", at) - at);
      EXPECT_NE(b.find(name + number + " ± "), std::string::npos) << a << " / " << b;
    }
  }
  EXPECT_EQ(fits, 1);

  for (const char* stem : {"corrected", "qsq", "sq", "Gr", "gr", "rdf"}) {
    SCOPED_TRACE(stem);
    const auto plain = fields_of(dir / "plain" / (std::string(stem) + ".dat"));
    const auto dat = fields_of(dir / "dat" / (std::string(stem) + ".dat"));
    const auto dat4 = fields_of(dir / "dat4" / (std::string(stem) + ".dat"));
    const auto agr = fields_of(dir / "agr" / (std::string(stem) + ".agr"));
    ASSERT_EQ(dat.size(), plain.size());
    ASSERT_EQ(dat4.size(), plain.size());
    ASSERT_EQ(agr.size(), plain.size());
    EXPECT_NE(slurp(dir / "agr" / (std::string(stem) + ".agr")).find("@type xydy"), std::string::npos);
    int positive = 0;
    for (std::size_t i = 0; i < plain.size(); ++i) {
      ASSERT_EQ(dat[i].size(), 3u);
      ASSERT_EQ(dat4[i].size(), 5u);
      ASSERT_EQ(agr[i].size(), 3u);
      EXPECT_EQ(std::vector<std::string>(dat[i].begin(), dat[i].begin() + 2), plain[i]);
      EXPECT_EQ(dat4[i][4], dat[i][2]);
      EXPECT_EQ(std::stod(agr[i][2]), std::stod(dat[i][2]));
      const double s = std::stod(dat[i][2]);
      EXPECT_TRUE(std::isfinite(s) && s >= 0.0) << i;
      positive += s > 0.0;
    }
    EXPECT_GT(positive, static_cast<int>(plain.size()) / 2);
  }

  // The record: each value's σ beside it, as printed; none of it without --errors.
  const auto record = nlohmann::json::parse(slurp(dir / "dat/reduction.json"));
  const auto& results = record["results"];
  EXPECT_GT(results["normalisation_constant_sigma"].get<double>(), 0.0);
  EXPECT_NE(out.find(std::string(" ± ") +
                     [&] {
                       char t[32];
                       std::snprintf(t, sizeof t, "%f", results["normalisation_constant_sigma"].get<double>());
                       return std::string(t);
                     }()),
            std::string::npos);
  EXPECT_GT(record["coordination"][0]["n_sigma"].get<double>(), 0.0);
  for (const char* key : {"n_sigma", "r0_sigma", "sigma_sigma"})
    EXPECT_GT(record["coordination"][0]["fit"][key].get<double>(), 0.0) << key;
  EXPECT_EQ(record["settings"]["options"]["errors"], 1.0);
  EXPECT_EQ(slurp(dir / "plain/reduction.json").find("_sigma"), std::string::npos);
}

TEST_F(ReduceErrorsTest, SeriesSummaryGainsSigmaColumnsAndABadSourceIsRefused) {
  const std::string raw = "'" + example + "sio2_raw.dat' ";
  ASSERT_EQ(run("--errors column -j 1 --coordination 1.3:2.0 -o s '" + example + "sio2.nap' " + raw + raw), 0);
  std::istringstream csv(slurp(dir / "s/series.csv"));
  std::string header, row;
  std::getline(csv, header);
  std::getline(csv, row);
  EXPECT_EQ(header,
            "input,exit,normalisation_constant,normalisation_constant_sigma,density_used,density_used_sigma,"
            "optimised_density,optimised_density_sigma,low_r_chi2,sq_first_peak_q,sq_first_peak,gr_first_peak_r,"
            "gr_first_peak,coordination_1.3-2,coordination_1.3-2_sigma,warnings");
  // The example's data files have two columns: the third-column mode warns and carries none.
  EXPECT_NE(row.find("third column"), std::string::npos) << row;

  std::string err;
  EXPECT_EQ(run("--errors gauss '" + example + "sio2.nap'", nullptr, &err), 1);
  EXPECT_NE(err.find("--errors gauss: use poisson or column"), std::string::npos) << err;
}
