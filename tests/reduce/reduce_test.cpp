// amoq-reduce end to end: the built program on the bundled SiO2 example and on files made
// from it, every option, each exit status, several inputs, both project formats (the
// readers of the data formats are the import tests' business).

#include <nlohmann/json.hpp>

#include "project/curve.h"
#include "files/project_file.h"
#include "numeric/elements.h"
#include "project/project.h"
#include "support/temp_files.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

const std::string example = std::string(AMOQ_SOURCE_DIR) + "/examples/sio2/";

struct run_result { int status; std::string out, err; };

class ReduceTest : public ::testing::Test {
 protected:
  scratch_dir scratch;
  const fs::path& dir = scratch.path;

  run_result run(const std::string& args, const std::string& env = "") {
    const fs::path out = dir / "stdout.txt", err = dir / "stderr.txt";
    std::string cmd = std::string("cd '") + dir.string() + "' && " + env + "'" + AMOQ_REDUCE + "' " + args + " >'" +
                      out.string() + "' 2>'" + err.string() + "'";
    int raw = std::system(cmd.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(out), slurp(err)};
  }

  // The settings of the example's calculations, for the XML project which holds none.
  static std::string calc_settings() {
    return "--set formatbox=0 --set bdbox=2 --set method=0 --set ham=8 --set rmax=10 "
           "--set deltar=0.01 --set df=0.006 ";
  }
};

std::vector<std::pair<double, double>> read_curve(const fs::path& p) {
  std::vector<std::pair<double, double>> rows;
  std::ifstream in(p);
  double x, y;
  while (in >> x >> y) rows.emplace_back(x, y);
  return rows;
}

// Position of the largest value in [lo, hi], refined by the parabola through the
// maximum and its two neighbours.
double peak(const std::vector<std::pair<double, double>>& c, double lo, double hi) {
  size_t best = 0;
  for (size_t i = 1; i + 1 < c.size(); ++i)
    if (c[i].first >= lo && c[i].first <= hi && (best == 0 || c[i].second > c[best].second)) best = i;
  const double y0 = c[best - 1].second, y1 = c[best].second, y2 = c[best + 1].second;
  const double h = c[best].first - c[best - 1].first;
  return c[best].first + 0.5 * h * (y0 - y2) / (y0 - 2.0 * y1 + y2);
}

TEST_F(ReduceTest, ExampleProjectWholeChainAsXmlAndStepByStep) {
  run_result r = run("-o out '" + example + "sio2.nap'");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  // The normalisation constant is 1 / (50 counts/s per electron unit) of the model.
  double nc = 0.0;
  ASSERT_EQ(std::sscanf(r.out.c_str(), "normalisation constant: %lf\n", &nc), 1) << r.out;
  EXPECT_NEAR(nc, 0.02, 0.0005);
  for (const char* f : {"corrected.dat", "qsq.dat", "sq.dat", "Gr.dat", "gr.dat"})
    EXPECT_TRUE(fs::exists(dir / "out" / f)) << f;
  EXPECT_FALSE(fs::exists(dir / "out" / "qsq_bent.dat"));  // no bending point set
  const auto g = read_curve(dir / "out" / "Gr.dat");
  ASSERT_EQ(g.size(), 1000u);  // rmax / dr
  EXPECT_NEAR(peak(g, 1.4, 1.8), 1.61, 0.03);   // Si-O
  EXPECT_NEAR(peak(g, 2.4, 2.85), 2.63, 0.03);  // O-O
  EXPECT_NEAR(peak(g, 2.9, 3.3), 3.08, 0.03);   // Si-Si

  // The XML project with the same settings on the command line gives the same results,
  // within the six decimals and single precision of its numbers (the project file holds
  // them as the model gave them: concentrations 1/3 and 2/3, not 0.333333).
  run_result apf = run(calc_settings() + "--background '" + example + "sio2_background.dat' -o apf '" +
                       example + "sio2.apf' '" + example + "sio2_raw.dat'");
  ASSERT_EQ(apf.status, 0) << apf.err;
  for (const char* f : {"corrected.dat", "sq.dat", "gr.dat"}) {
    const auto a = read_curve(dir / "apf" / f), b = read_curve(dir / "out" / f);
    ASSERT_EQ(a.size(), b.size()) << f;
    for (size_t i = 0; i < a.size(); ++i)
      ASSERT_NEAR(a[i].second, b[i].second, 1e-4 * (1 + std::fabs(b[i].second))) << f << " " << i;
  }

  // Each step alone from the files of the previous one.
  ASSERT_EQ(run("--to 0 -o s0 '" + example + "sio2.nap'").status, 0);
  EXPECT_TRUE(fs::exists(dir / "s0/corrected.dat"));
  EXPECT_FALSE(fs::exists(dir / "s0/sq.dat"));
  run_result s1 = run("--from 1 --to 1 -o s1 '" + example + "sio2.nap' s0/corrected.dat");
  ASSERT_EQ(s1.status, 0) << s1.err;
  EXPECT_EQ(s1.out.rfind("normalisation constant: ", 0), 0u);
  EXPECT_FALSE(fs::exists(dir / "s1/Gr.dat"));
  run_result s2 = run("--from 2 --to 2 --set bcpv=12 -o s2 '" + example + "sio2.nap' s1/qsq.dat");
  ASSERT_EQ(s2.status, 0) << s2.err;
  EXPECT_TRUE(fs::exists(dir / "s2/qsq_bent.dat"));
  run_result s3 = run("--from 3 --set densmode=1 -o s3 '" + example + "sio2.nap' s1/qsq.dat");
  ASSERT_EQ(s3.status, 0) << s3.err;
  double rho = 0.0;
  ASSERT_EQ(std::sscanf(s3.out.c_str(), "density from slope: %lf\n", &rho), 1) << s3.out;
  EXPECT_TRUE(fs::exists(dir / "s3/gr.dat"));
  // The same G(r) as the whole chain, up to the ten decimals of the files passed on.
  const auto alone = read_curve(dir / "s3/Gr.dat");
  ASSERT_EQ(alone.size(), g.size());
  for (size_t i = 0; i < alone.size(); ++i) ASSERT_NEAR(alone[i].second, g[i].second, 1e-7) << i;
}

TEST_F(ReduceTest, BendingFormatsEchoAndCell) {
  run_result r = run("--bending --set bcpv=12 --output-format agr --echo --cell '" + example +
                     "sio2_background.dat' --set abss2=0.01 -o agr '" + example + "sio2.nap'");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("NDQ="), std::string::npos);  // the parameter echo, on stderr
  EXPECT_EQ(r.out.find("NDQ="), std::string::npos);
  for (const char* f : {"corrected.agr", "qsq_bent.agr", "Gr.agr"}) EXPECT_TRUE(fs::exists(dir / "agr" / f)) << f;
  EXPECT_EQ(slurp(dir / "agr/Gr.agr").rfind("@", 0), 0u);  // Grace header commands first
  ASSERT_EQ(run("--no-bending --set bcpv=12 --output-format dat4 -o d4 '" + example + "sio2.nap'").status, 0);
  EXPECT_FALSE(fs::exists(dir / "d4/qsq_bent.dat"));
  std::ifstream in(dir / "d4/gr.dat");
  std::string line;
  std::getline(in, line);
  double a, b, c, d;
  EXPECT_EQ(std::sscanf(line.c_str(), "%lf %lf %lf %lf", &a, &b, &c, &d), 4) << line;
  EXPECT_EQ(c, 0.0);
  EXPECT_EQ(d, 1.0);
}

TEST_F(ReduceTest, ExitStatusesAndTheirMessages) {
  // err: must appear on stderr.
  struct expectation { std::string args; int status; std::string err; };
  const std::string nap = "'" + example + "sio2.nap'";
  const expectation cases[] = {
      {"--set rmax=-1 " + nap, 1, "Rmax must be > 0.0\n"},  // a step refused
      {"--set bdbox=0 " + nap, 1, "value out of range"},
      {"--set colour=1 " + nap, 1, "unknown setting"},
      {"--set rmax=ten " + nap, 1, "not a number"},
      {"--set deltar=20 " + nap, 1, "Subroutine: cd \n"},  // a routine failed
      {"--frob " + nap, 1, "unknown option"},
      {"", 1, "PROJECT"},
      {"--set mut-thickness=1 " + nap, 1, "mut-thickness and mass-density are needed together\n"},
      {nap + " missing.dat", 2, "Error loading file: file does not exist\n"},
      {"missing.nap", 2, "Impossible to open project file: \nmissing.nap\nError code: 1\n"},
      {"'" + example + "sio2_raw.dat'", 2, "not a project file"},
      {"-o /proc/h6 " + nap, 2, "Impossible to create the folder"},
      {"--save-project /proc/h6.nap -o ok " + nap, 2, "Impossible to save project file:\n/proc/h6.nap\n"},
  };
  for (const expectation& e : cases) {
    run_result r = run(e.args);
    EXPECT_EQ(r.status, e.status) << e.args << "\n" << r.err;
    EXPECT_NE(r.err.find(e.err), std::string::npos) << e.args << "\n" << r.err;
    // No bug-report request and no placeholder texts of the dialogs.
    for (const char* t : {"If this is a bug", "My error message", "My warning message"})
      EXPECT_EQ(r.err.find(t), std::string::npos) << e.args << "\n" << r.err;
  }
  // The trial-and-error method prints the constant it used.
  EXPECT_EQ(run("--to 1 --set method=1 --set tem=0.0143 -o t " + nap).out,
            "normalisation constant: 0.014300\n");
  // One that "%f" would show as zero is printed in exponent notation.
  EXPECT_EQ(run("--to 1 --set method=1 --set tem=2.5e-9 -o t " + nap).out, "normalisation constant: 2.500000e-09\n");
  // -q keeps errors.
  run_result q = run("-q --set rmax=-1 " + nap);
  EXPECT_EQ(q.status, 1);
  EXPECT_NE(q.err.find("Rmax must be > 0.0"), std::string::npos);
  EXPECT_EQ(q.out, "");
  for (const char* a : {"-h", "--help", "-v", "--version"}) {
    run_result r = run(a);
    EXPECT_EQ(r.status, 0) << a;
    EXPECT_NE(r.out.find(a[1] == 'h' || a[2] == 'h' ? "Usage: amoq-reduce" : "2.0"), std::string::npos);
  }
  // The help lists the keys of --set from the same table the parser reads.
  EXPECT_NE(run("-h").out.find("KEY is one of\n                          wavel abss abss2 density"),
            std::string::npos);
}

TEST_F(ReduceTest, ManualPageNamesEveryOptionAndKeyOfTheHelp) {
  // The manual's text with roff's escaped hyphens read as hyphens, font changes as blanks.
  std::string manual = slurp(fs::path(AMOQ_SOURCE_DIR) / "docs" / "amoq-reduce.1");
  for (size_t i = 0; (i = manual.find("\\-", i)) != std::string::npos;) manual.erase(i, 1);
  for (size_t i = 0; (i = manual.find("\\f", i)) != std::string::npos;) manual.replace(i, 3, " ");
  auto named = [&](const std::string& word) {
    const std::string edge = " \n\t,.;:()\"=";
    for (size_t i = 0; (i = manual.find(word, i)) != std::string::npos; i += word.size()) {
      const size_t end = i + word.size();
      if ((i == 0 || edge.find(manual[i - 1]) != std::string::npos) &&
          (end == manual.size() || edge.find(manual[end]) != std::string::npos))
        return true;
    }
    return false;
  };
  // Options: the words starting with "-" in the label column; keys: the lines listed
  // under "KEY is one of".
  std::istringstream help(run("--help").out);
  std::vector<std::string> words;
  bool keys = false;
  for (std::string line; std::getline(help, line);) {
    if (line.rfind("  -", 0) == 0) {
      keys = false;
      std::istringstream label(line.substr(0, 26));
      for (std::string w; label >> w;)
        if (w[0] == '-') words.push_back(w.substr(0, w.find_last_not_of(",") + 1));
    } else if (keys && line.rfind(std::string(26, ' '), 0) == 0) {
      std::istringstream list(line);
      for (std::string w; list >> w;) words.push_back(w);
    }
    if (line.find("KEY is one of") != std::string::npos) keys = true;
  }
  ASSERT_GT(words.size(), 50u);
  for (const std::string& w : words) EXPECT_TRUE(named(w)) << w << " is not in amoq-reduce.1";
}

TEST_F(ReduceTest, DrawingLibrariesLoadedOnlyToDrawImages) {
  run_result bare = run("--to 1 -o bare '" + example + "sio2.nap'", "LD_DEBUG=libs ");
  ASSERT_EQ(bare.status, 0) << bare.err;
  EXPECT_EQ(bare.err.find("libcairo"), std::string::npos);
  run_result r = run("--to 1 --plot png -o png '" + example + "sio2.nap'", "LD_DEBUG=libs ");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("libcairo"), std::string::npos);
  for (const char* f : {"corrected.png", "qsq.png", "sq.png"}) {
    // PNG signature, then the IHDR chunk: width and height as 32-bit big-endian numbers.
    const std::string png = slurp(dir / "png" / f);
    ASSERT_GT(png.size(), 24u) << f;
    EXPECT_EQ(png.substr(1, 3), "PNG") << f;
    EXPECT_EQ(png.substr(16, 8), std::string("\0\0\x03\x48\0\0\x02\x58", 8)) << f;  // 840 x 600
  }
}

// Inputs with one stem and a ".." stem get folders of their own inside DIR (the renames
// on stderr); a link planted at an input's folder is refused, one at a result replaced,
// neither followed; a FIFO as the saved project is refused and stays; a full standard
// output is a failed write.
TEST_F(ReduceTest, EverythingStaysInsideDirAndNothingElseIsWritten) {
  fs::create_directories(dir / "a");
  fs::create_directories(dir / "b");
  for (const char* f : {"a/x.dat", "b/x.dat", "...dat"}) fs::copy_file(example + "sio2_raw.dat", dir / f);
  run_result r = run("--to 0 -o out '" + example + "sio2.nap' a/x.dat b/x.dat ...dat");
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* f : {"out/x/corrected.dat", "out/x-2/corrected.dat", "out/input/corrected.dat"})
    EXPECT_TRUE(fs::exists(dir / f)) << f;
  EXPECT_FALSE(fs::exists(dir / "corrected.dat"));
  EXPECT_NE(r.err.find("[2/3] x.dat\namoq-reduce: results of b/x.dat in out/x-2/\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("amoq-reduce: results of ...dat in out/input/\n"), std::string::npos) << r.err;

  // A link planted inside DIR at the name of an input's folder is not followed: that input
  // is refused, the others go on.
  fs::create_directories(dir / "elsewhere");
  fs::create_directories(dir / "planted");
  fs::create_symlink(dir / "elsewhere", dir / "planted/x");
  r = run("--to 0 -o planted '" + example + "sio2.nap' a/x.dat ...dat");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("Impossible to create the folder:\nplanted/x\nis a symbolic link: results are not written "
                       "through it\n"),
            std::string::npos)
      << r.err;
  EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
  EXPECT_TRUE(fs::exists(dir / "planted/input/corrected.dat"));

  std::ofstream(dir / "victim") << "kept";
  fs::create_directories(dir / "l");
  fs::create_symlink(dir / "victim", dir / "l/corrected.dat");
  ASSERT_TRUE(make_fifo((dir / "p.nap").string()));
  r = run("--to 0 --save-project p.nap -o l '" + example + "sio2.nap'");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("Impossible to save project file:\np.nap\nError code: 1\n"), std::string::npos) << r.err;
  EXPECT_EQ(slurp(dir / "victim"), "kept");
  EXPECT_EQ(fs::symlink_status(dir / "l/corrected.dat").type(), fs::file_type::regular);
  EXPECT_TRUE(fs::is_fifo(dir / "p.nap"));

  for (const std::string& args : {"-v"s, "-o full '" + example + "sio2.nap'"}) {
    const std::string cmd = "cd '" + dir.string() + "' && '" + AMOQ_REDUCE + "' " + args +
                            " >/dev/full 2>err.txt";
    const int raw = std::system(cmd.c_str());
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 2) << args;
    EXPECT_NE(slurp(dir / "err.txt").find("cannot write to standard output"), std::string::npos) << args;
  }
}

// Several inputs with workers: each in its own folder, the worst status wins, the messages
// and values in input order as with one worker, the summary files, and the refusals of the
// series options (the merge and the series values are the series tests' business).
TEST_F(ReduceTest, SeriesOnTheCommandLine) {
  for (const char* f : {"a.dat", "b/a.dat", "c.dat"}) {
    fs::create_directories((dir / f).parent_path());
    fs::copy_file(example + "sio2_raw.dat", dir / f);
  }
  const std::string nap = "'" + example + "sio2.nap' ";
  run_result one = run("-j 1 --to 1 -o j1 " + nap + "a.dat missing.dat b/a.dat c.dat");
  run_result two = run("-j 2 --to 1 -o j2 " + nap + "a.dat missing.dat b/a.dat c.dat");
  EXPECT_EQ(one.status, 2);
  EXPECT_EQ(two.status, 2);
  EXPECT_EQ(two.out, one.out);
  std::string err = one.err;
  err.replace(err.find("j1/"), 3, "j2/");
  EXPECT_EQ(two.err, err);
  EXPECT_NE(two.err.find("[2/4] missing.dat\nError loading file: file does not exist\nmissing.dat\n[3/4] a.dat\n"
                         "amoq-reduce: results of b/a.dat in j2/a-2/\n"),
            std::string::npos)
      << two.err;
  EXPECT_EQ(slurp(dir / "j2/series.csv"), slurp(dir / "j1/series.csv"));
  EXPECT_TRUE(fs::exists(dir / "j2/series_qsq.dat"));

  // SVG images number their parts with a counter of the drawing library: each input's
  // images are still the same whichever worker, and after whichever inputs, drew them.
  ASSERT_EQ(run("-q -j 1 --to 1 --plot svg -o s1 " + nap + "a.dat c.dat b/a.dat").status, 0);
  ASSERT_EQ(run("-q -j 2 --to 1 --plot svg -o s2 " + nap + "a.dat c.dat b/a.dat").status, 0);
  for (const char* f : {"a/sq.svg", "c/qsq.svg", "a-2/sq.svg"}) EXPECT_EQ(slurp(dir / "s2" / f), slurp(dir / "s1" / f)) << f;
  EXPECT_EQ(slurp(dir / "s1/a/sq.svg"), slurp(dir / "s1/a-2/sq.svg"));

  std::ofstream(dir / "values.txt") << "a.dat 20\nc.dat 10\n";
  struct refusal { std::string args; int status; std::string err; };
  const refusal cases[] = {
      {"--series-value T --series-values values.txt " + nap + "a.dat", 1, "not both"},
      {"--series-value T " + nap, 1, "need INPUT files"},
      {"--series-values none.txt " + nap + "a.dat", 2, "--series-values none.txt: the file does not exist"},
      {"--series-values values.txt " + nap + "b/a.dat missing.dat", 1, "values.txt: no value for missing.dat"},
      {"-j 0 " + nap, 1, "-j 0: the number of workers must be 1 or more"},
      {"--merge-series out", 1, "needs the folders"},
      {"--merge-series out a.dat", 2, "has no series_inputs.csv"},
  };
  for (const refusal& c : cases) {
    run_result r = run(c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << c.args << "\n" << r.err;
  }
}

}  // namespace

// The value printed after `prefix` at the start of a line of out, NaN when none is.
double printed(const std::string& out, const std::string& prefix) {
  const size_t at = out.find("\n" + prefix) != std::string::npos ? out.find("\n" + prefix) + 1
                    : out.rfind(prefix, 0) == 0                    ? 0
                                                                   : std::string::npos;
  return at == std::string::npos ? std::nan("") : std::atof(out.c_str() + at + prefix.size());
}

// The optimisation with the density refined and adopted on the example (model: constant
// 0.02, density 0.0662, 4 O at 1.61 A around Si): every result after it uses the refined
// density, the fits hold where one shell lies in the range, and the record says so. The
// record's hashes are checked against sha256sum, not the program's own hashing.
TEST_F(ReduceTest, OptimisationCoordinationAndTheRecordOfTheReduction) {
  fs::copy_file(example + "sio2.nap", dir / "p.nap");
  run_result r = run("-o out --optimise 1.2 --optimise-density --adopt-density --save-project saved.nap --echo "
                     "--set window=1 --coordination 1.3:2.0 --coordination Si-O:1.3:2.0 --coordination O-O:2.4:2.9 "
                     "p.nap");
  ASSERT_EQ(r.status, 0) << r.err;
  const double nc = printed(r.out, "normalisation constant: "), rho = printed(r.out, "optimised density: ");
  EXPECT_NEAR(nc, 0.02, 0.0002) << r.out;
  EXPECT_NEAR(rho, 0.0662, 0.05 * 0.0662) << r.out;
  const int iterations = static_cast<int>(printed(r.out, "low-r iterations: "));
  EXPECT_NE(r.out.find("low-r iterations: " + std::to_string(iterations) + " (converged)\n"), std::string::npos);
  EXPECT_NE(r.err.find("low-r chi2 " + std::to_string(iterations) + ": "), std::string::npos) << r.err;
  EXPECT_EQ(printed(r.out, "adopted density: "), rho);
  EXPECT_EQ(printed(r.out, "g(r) density: "), rho);
  const double pair = printed(r.out, "coordination Si-O 1.3-2: "), fit_pair = printed(r.out, "coordination fit Si-O 1.3-2: ");
  EXPECT_NEAR(pair, 4.0, 0.25);
  EXPECT_NEAR(fit_pair, 4.0, 0.25);
  EXPECT_NE(r.out.find("coordination fit O-O 2.4-2.9: not reported ("), std::string::npos) << r.out;
  EXPECT_TRUE(fs::exists(dir / "out" / "rdf.dat"));

  std::ifstream in(dir / "out" / "reduction.json");
  const nlohmann::json record = nlohmann::json::parse(in);
  EXPECT_EQ(record["version"], "2.0");
  EXPECT_EQ(record["settings"]["gr"]["window"], "Lorch");
  EXPECT_EQ(record["settings"]["options"]["lowr_rmin"], 1.2);
  EXPECT_EQ(record["settings"]["options"]["lowr_iter"], 100.0);
  EXPECT_NEAR(record["results"]["optimised_density"].get<double>(), rho, 1e-6);
  EXPECT_EQ(record["results"]["gr_density"]["source"], "refined");
  EXPECT_EQ(record["results"]["low_r_optimisation"]["chi2_steps"].size(), static_cast<size_t>(iterations) + 1);
  EXPECT_EQ(record["coordination"][1]["pair"], "Si-O");
  EXPECT_NEAR(record["coordination"][1]["fit"]["n"].get<double>(), fit_pair, 1e-6);
  EXPECT_TRUE(record["coordination"][2]["fit"].is_null());
  EXPECT_NE(record["coordination"][2]["fit_not_reported"], "");
  const auto& input = record["inputs"][0];
  EXPECT_EQ(input["path"], "p.nap");
  EXPECT_EQ(input["size"], fs::file_size(dir / "p.nap"));
  std::FILE* pipe = popen(("sha256sum '" + (dir / "p.nap").string() + "'").c_str(), "r");
  char digest[65] = {};
  ASSERT_EQ(std::fscanf(pipe, "%64s", digest), 1);
  pclose(pipe);
  EXPECT_EQ(input["sha256"], digest);


  // The project saved keeps the refined density as the sample's.
  while (nprojects > 0) close_project_record(0);
  init_project();
  ASSERT_EQ(open_project_file((dir / "saved.nap").string()), 0);
  EXPECT_NEAR(proj[activep].exp_prop[k_density], rho, 1e-6);
}

// The scan over r_min: one line per r_min, the density on a plateau around the model's
// across the first of them; the results themselves are those of the run without it.
TEST_F(ReduceTest, ScanOverRminAndQmaxBoundingTheNormalisation) {
  const std::string nap = "'" + example + "sio2.nap'";
  run_result r = run("--to 1 -o s --optimise-scan 0.8:1.2:0.1 --optimise-density " + nap);
  ASSERT_EQ(r.status, 0) << r.err;
  std::istringstream lines(r.out);
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, "normalisation constant: 0.019770");
  for (double rmin : {0.8, 0.9, 1.0, 1.1, 1.2}) {
    ASSERT_TRUE(std::getline(lines, line));
    double at, alpha, rho, chi2;
    ASSERT_EQ(std::sscanf(line.c_str(), "scan r_min %lf: alpha %lf density %lf chi2 %lf", &at, &alpha, &rho, &chi2), 4)
        << line;
    EXPECT_NEAR(at, rmin, 1e-9);
    EXPECT_NEAR(alpha, 0.02, 0.0002) << line;
    EXPECT_NEAR(rho, 0.0662, 0.06 * 0.0662) << line;
  }
  EXPECT_FALSE(std::getline(lines, line));

  // The high-angle constant from 8 A^-1 up to Q_max 14 is the one of the raw data cut at the
  // 2-theta of Q 14 (104.43 deg for Mo K-alpha): Q_max bounds the normalisation, not only
  // the transform.
  double nc[3];
  const char* bounds[3] = {"", "--set qmax=14 ", "--set ttmax=104.43 "};
  for (int i = 0; i < 3; ++i) {
    r = run("--to 1 -o q" + std::to_string(i) + " " + bounds[i] + nap);
    ASSERT_EQ(r.status, 0) << r.err;
    nc[i] = printed(r.out, "normalisation constant: ");
  }
  EXPECT_NEAR(nc[1], nc[2], 0.002 * nc[2]);
  EXPECT_GT(std::fabs(nc[1] - nc[0]), 0.002 * nc[0]);
}

// Settings that cannot mean anything are refused with status 1 and a message; a setting a
// step lacks is named with its key and values on a second line.
TEST_F(ReduceTest, RefusalsOfTheOptimisationAndCoordination) {
  fs::copy_file(example + "sio2.nap", dir / "p.nap");
  struct { std::string args, err; } cases[] = {
      {"--optimise-density p.nap", "--optimise-density refines the density of --optimise or --optimise-scan"},
      {"--optimise 1.2 --adopt-density p.nap", "--adopt-density needs a refined density"},
      {"--optimise 12 p.nap", "--optimise 12: r_min must be > 0.0 and < Rmax (Rmax 10)"},
      {"--optimise 1e6 p.nap", "r_min must be > 0.0 and < Rmax"},
      {"--optimise-scan 1.2:0.8:0.1 p.nap", "use R1:R2:STEP"},
      {"--from 3 --optimise-scan 0.8:1.2:0.1 p.nap", "--optimise-scan needs the S(q) step"},
      {"--coordination 1.8:1.45 p.nap", "R1 must be below R2"},
      {"--coordination Si-O:100:200 p.nap", "the range lies outside R(r), which runs from 0 to 9.99 Å"},
      {"--coordination Si-Xx:1.4:1.8 p.nap", "Si-Xx: no such species in the project"},
      {"--set formatbox=0 --set method=0 --set ham=8 --set rmax=10 --set deltar=0.01 --set df=0 --background '" +
           example + "sio2_background.dat' '" + example + "sio2.apf' '" + example + "sio2_raw.dat'",
       "You must choose a Breit-Dirac factor\nset it with --set bdbox=1|2|3|4\n"},
      {"--set formatbox=0 --set bdbox=4 --set method=0 --set ham=8 --set deltar=0.01 --background '" + example +
           "sio2_background.dat' '" + example + "sio2.apf' '" + example + "sio2_raw.dat'",
       "Rmax must be > 0.0\nset it with --set rmax=NUMBER\n"},
  };
  for (const auto& c : cases) {
    run_result r = run("-o o " + c.args);
    EXPECT_EQ(r.status, 1) << c.args;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << c.args << "\n" << r.err;
  }
  // "None" takes no Breit-Dirac factor: another constant from the same data.
  const double with = printed(run("--to 1 -o b2 p.nap").out, "normalisation constant: ");
  const double none = printed(run("--to 1 -o b4 --set bdbox=4 p.nap").out, "normalisation constant: ");
  EXPECT_GT(std::fabs(none - with), 0.002 * with);
}
