// amoq-reduce as a command: options, files written, exit statuses and messages on the
// bundled SiO2 example (the numbers of the chain are the steps' and numeric tests' business,
// several inputs the series tests'), and --errors: the standard deviations beside every
// result, the values themselves unchanged.

#include <nlohmann/json.hpp>

#include "files/project_file.h"
#include "project/project.h"
#include "support/temp_files.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

const std::string example = std::string(AMOQ_SOURCE_DIR) + "/examples/sio2/";
const std::string nap = "'" + example + "sio2.nap'";

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
};

// The value printed after `prefix` at the start of a line of out, NaN when none is.
static double printed(const std::string& out, const std::string& prefix) {
  std::size_t at = out.find("\n" + prefix);
  at = at != std::string::npos ? at + 1 : out.rfind(prefix, 0) == 0 ? 0 : std::string::npos;
  return at == std::string::npos ? std::nan("") : std::atof(out.c_str() + at + prefix.size());
}

// The rows of a result file, split into fields: comments, Grace lines and set ends left out.
static std::vector<std::vector<std::string>> fields_of(const fs::path& p) {
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

// The whole chain, then each step alone from the files of the previous one, bending and the
// other formats, the optimisation's lines and the project saved with the adopted density.
TEST_F(ReduceTest, ExampleProjectWholeChainStepByStepAndOptions) {
  run_result r = run("-o out " + nap);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_NEAR(printed(r.out, "normalisation constant: "), 0.02, 0.0005) << r.out;
  for (const char* f : {"corrected.dat", "qsq.dat", "sq.dat", "Gr.dat", "gr.dat"})
    EXPECT_TRUE(fs::exists(dir / "out" / f)) << f;
  EXPECT_FALSE(fs::exists(dir / "out" / "qsq_bent.dat"));  // no bending point set

  ASSERT_EQ(run("--to 0 -o s0 " + nap).status, 0);
  EXPECT_FALSE(fs::exists(dir / "s0/sq.dat"));
  run_result s1 = run("--from 1 --to 1 -o s1 " + nap + " s0/corrected.dat");
  ASSERT_EQ(s1.status, 0) << s1.err;
  EXPECT_FALSE(fs::exists(dir / "s1/Gr.dat"));
  ASSERT_EQ(run("--from 2 --to 2 --set bcpv=12 -o s2 " + nap + " s1/qsq.dat").status, 0);
  EXPECT_TRUE(fs::exists(dir / "s2/qsq_bent.dat"));
  run_result s3 = run("--from 3 --set densmode=1 -o s3 " + nap + " s1/qsq.dat");
  ASSERT_EQ(s3.status, 0) << s3.err;
  EXPECT_FALSE(std::isnan(printed(s3.out, "density from slope: "))) << s3.out;
  EXPECT_TRUE(fs::exists(dir / "s3/gr.dat"));

  r = run("--bending --set bcpv=12 --output-format agr --echo --plot png --cell '" + example +
          "sio2_background.dat' --set abss2=0.01 -o agr " + nap);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("NDQ="), std::string::npos);  // the parameter echo, on stderr
  EXPECT_EQ(r.out.find("NDQ="), std::string::npos);
  for (const char* f : {"corrected.agr", "qsq_bent.agr", "Gr.agr"}) EXPECT_TRUE(fs::exists(dir / "agr" / f)) << f;
  EXPECT_EQ(slurp(dir / "agr/sq.png").substr(1, 3), "PNG");
  ASSERT_EQ(run("--no-bending --set bcpv=12 --output-format dat4 -o d4 " + nap).status, 0);
  EXPECT_FALSE(fs::exists(dir / "d4/qsq_bent.dat"));
  double a, b, c, d;
  EXPECT_EQ(std::sscanf(slurp(dir / "d4/gr.dat").c_str(), "%lf %lf %lf %lf", &a, &b, &c, &d), 4);

  // The trial-and-error constant as given; one "%f" would show as zero in exponent notation.
  EXPECT_EQ(run("--to 1 --set method=1 --set tem=0.0143 -o t " + nap).out, "normalisation constant: 0.014300\n");
  EXPECT_EQ(run("--to 1 --set method=1 --set tem=2.5e-9 -o t " + nap).out, "normalisation constant: 2.500000e-09\n");

  r = run("-o opt --optimise 1.2 --optimise-density --adopt-density --save-project saved.nap --set window=1 "
          "--coordination Si-O:1.3:2.0 --coordination O-O:2.4:2.9 " + nap);
  ASSERT_EQ(r.status, 0) << r.err;
  const double rho = printed(r.out, "optimised density: ");
  EXPECT_EQ(printed(r.out, "adopted density: "), rho);
  EXPECT_EQ(printed(r.out, "g(r) density: "), rho);
  EXPECT_NE(r.out.find(" (converged)\n"), std::string::npos) << r.out;
  EXPECT_NEAR(printed(r.out, "coordination fit Si-O 1.3-2: "), 4.0, 0.25) << r.out;
  EXPECT_NE(r.out.find("coordination fit O-O 2.4-2.9: not reported ("), std::string::npos) << r.out;
  for (const char* f : {"rdf.dat", "reduction.json"}) EXPECT_TRUE(fs::exists(dir / "opt" / f)) << f;
  while (nprojects > 0) close_project_record(0);
  init_project();
  ASSERT_EQ(open_project_file((dir / "saved.nap").string()), 0);
  EXPECT_NEAR(proj[activep].exp_prop[k_density], rho, 1e-6);
}

// Each refusal: its exit status and the message on stderr, never a bug-report request or a
// dialog's placeholder text.
TEST_F(ReduceTest, RefusalsAndTheirExitStatuses) {
  fs::copy_file(example + "sio2_raw.dat", dir / "a.dat");
  std::ofstream(dir / "values.txt") << "a.dat 20\n";
  const std::string apf = "--set formatbox=0 --set method=0 --set ham=8 --set deltar=0.01 --background '" + example +
                          "sio2_background.dat' '" + example + "sio2.apf' '" + example + "sio2_raw.dat'";
  struct expectation { std::string args; int status; std::string err; };
  const expectation cases[] = {
      {"--set rmax=-1 " + nap, 1, "Rmax must be > 0.0\n"},  // a step refused
      {"-q --set rmax=-1 " + nap, 1, "Rmax must be > 0.0\n"}, {"--set bdbox=0 " + nap, 1, "value out of range"},
      {"--set colour=1 " + nap, 1, "unknown setting"}, {"--set rmax=ten " + nap, 1, "not a number"},
      {"--set deltar=20 " + nap, 1, "Subroutine: cd \n"},  // a routine failed
      {"--frob " + nap, 1, "unknown option"}, {"", 1, "PROJECT"},
      {"--set mut-thickness=1 " + nap, 1, "mut-thickness and mass-density are needed together\n"},
      {nap + " missing.dat", 2, "Error loading file: file does not exist\n"},
      {"missing.nap", 2, "Impossible to open project file: \nmissing.nap\nError code: 1\n"},
      {"'" + example + "sio2_raw.dat'", 2, "not a project file"},
      {"-o /proc/h6 " + nap, 2, "Impossible to create the folder"},
      {"--save-project /proc/h6.nap -o ok " + nap, 2, "Impossible to save project file:\n/proc/h6.nap\n"},
      {"--series-value T --series-values values.txt " + nap + " a.dat", 1, "not both"},
      {"--series-value T " + nap, 1, "need INPUT files"},
      {"--series-values none.txt " + nap + " a.dat", 2, "--series-values none.txt: the file does not exist"},
      {"--series-values values.txt " + nap + " a.dat missing.dat", 1, "values.txt: no value for missing.dat"},
      {"-j 0 " + nap, 1, "-j 0: the number of workers must be 1 or more"},
      {"--errors gauss " + nap, 1, "--errors gauss: use poisson or column"},
      {"--merge-series out", 1, "needs the folders"}, {"--merge-series out a.dat", 2, "has no series_inputs.csv"},
      {"--optimise-density " + nap, 1, "--optimise-density refines the density of --optimise or --optimise-scan"},
      {"--optimise 1.2 --adopt-density " + nap, 1, "--adopt-density needs a refined density"},
      {"--optimise 12 " + nap, 1, "--optimise 12: r_min must be > 0.0 and < Rmax (Rmax 10)"},
      {"--optimise-scan 1.2:0.8:0.1 " + nap, 1, "use R1:R2:STEP"},
      {"--from 3 --optimise-scan 0.8:1.2:0.1 " + nap, 1, "--optimise-scan needs the S(q) step"},
      {"--coordination 1.8:1.45 " + nap, 1, "R1 must be below R2"},
      {"--coordination Si-O:100:200 " + nap, 1, "the range lies outside R(r), which runs from 0 to 9.99 Å"},
      {"--coordination Si-Xx:1.4:1.8 " + nap, 1, "Si-Xx: no such species in the project"},
      {"--set rmax=10 --set df=0 " + apf, 1, "You must choose a Breit-Dirac factor\nset it with --set bdbox=1|2|3|4\n"},
      {"--set bdbox=4 " + apf, 1, "Rmax must be > 0.0\nset it with --set rmax=NUMBER\n"},
  };
  for (const expectation& e : cases) {
    run_result r = run("-o o " + e.args);
    EXPECT_EQ(r.status, e.status) << e.args << "\n" << r.err;
    EXPECT_NE(r.err.find(e.err), std::string::npos) << e.args << "\n" << r.err;
    EXPECT_TRUE(e.args.rfind("-q", 0) != 0 || r.out.empty()) << e.args;  // -q: nothing on standard output
    for (const char* t : {"If this is a bug", "My error message", "My warning message"})
      EXPECT_EQ(r.err.find(t), std::string::npos) << e.args << "\n" << r.err;
  }
  // A full standard output is a failed write.
  for (const std::string& args : {"-v"s, "-o full " + nap}) {
    const std::string cmd = "cd '" + dir.string() + "' && '" + AMOQ_REDUCE + "' " + args + " >/dev/full 2>err.txt";
    const int raw = std::system(cmd.c_str());
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 2) << args;
    EXPECT_NE(slurp(dir / "err.txt").find("cannot write to standard output"), std::string::npos) << args;
  }
}

// The help lists the keys of --set from the table the parser reads.
TEST_F(ReduceTest, HelpListsTheSettingKeys) {
  const run_result r = run("--help");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("KEY is one of\n                          wavel abss abss2 density"), std::string::npos);
}

// Inputs with one stem and a ".." stem get folders of their own inside DIR, the renames on
// stderr; a link planted at an input's folder refuses that input and is not followed; with
// workers the messages come in input order as with one, the worst status wins.
TEST_F(ReduceTest, InputFoldersStayInsideDirInInputOrder) {
  for (const char* d : {"a", "b", "elsewhere", "planted"}) fs::create_directories(dir / d);
  for (const char* f : {"a/x.dat", "b/x.dat", "...dat"}) fs::copy_file(example + "sio2_raw.dat", dir / f);
  run_result one = run("-j 1 --to 0 -o j1 " + nap + " a/x.dat missing.dat b/x.dat ...dat");
  run_result two = run("-j 2 --to 0 -o j2 " + nap + " a/x.dat missing.dat b/x.dat ...dat");
  EXPECT_EQ(std::pair(one.status, two.status), std::pair(2, 2));
  for (const char* f : {"j2/x/corrected.dat", "j2/x-2/corrected.dat", "j2/input/corrected.dat"})
    EXPECT_TRUE(fs::exists(dir / f)) << f;
  EXPECT_FALSE(fs::exists(dir / "corrected.dat"));
  std::string err = one.err;
  for (size_t i = 0; (i = err.find("j1/", i)) != std::string::npos;) err.replace(i, 3, "j2/");
  EXPECT_EQ(two.err, err);
  EXPECT_NE(two.err.find("[2/4] missing.dat\nError loading file: file does not exist\nmissing.dat\n[3/4] x.dat\n"
                         "amoq-reduce: results of b/x.dat in j2/x-2/\n"), std::string::npos) << two.err;
  EXPECT_NE(two.err.find("amoq-reduce: results of ...dat in j2/input/\n"), std::string::npos) << two.err;

  fs::create_symlink(dir / "elsewhere", dir / "planted/x");
  run_result r = run("--to 0 -o planted " + nap + " a/x.dat ...dat");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("Impossible to create the folder:\nplanted/x\nis a symbolic link: results are not written "
                       "through it\n"), std::string::npos) << r.err;
  EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
  EXPECT_TRUE(fs::exists(dir / "planted/input/corrected.dat"));
}

// --errors: each printed line, data file and record value gains its deviation, the values
// themselves unchanged (the writers' columns for each format are the numeric tests').
TEST_F(ReduceTest, SigmaBesideEveryResultAndTheValuesUnchanged) {
  const std::string args = "--coordination Si-O:1.3:2.0 " + nap;
  const run_result plain = run("-o plain " + args), with = run("--errors poisson -o dat " + args);
  ASSERT_EQ(std::pair(plain.status, with.status), std::pair(0, 0)) << with.err;

  // Each printed line: the same value as without, then " ± σ" in the same form; the
  // shell's r0 and sigma too.
  std::istringstream plain_lines(plain.out), lines(with.out);
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
    const auto values = fields_of(dir / "plain" / (std::string(stem) + ".dat")),
               dat = fields_of(dir / "dat" / (std::string(stem) + ".dat"));
    ASSERT_EQ(dat.size(), values.size());
    int positive = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
      ASSERT_EQ(dat[i].size(), 3u);
      EXPECT_EQ(std::vector<std::string>(dat[i].begin(), dat[i].begin() + 2), values[i]);
      const double s = std::stod(dat[i][2]);
      EXPECT_TRUE(std::isfinite(s) && s >= 0.0) << i;
      positive += s > 0.0;
    }
    EXPECT_GT(positive, static_cast<int>(values.size()) / 2);
  }

  // The record: each value's σ beside it, as printed; none of it without --errors.
  const auto record = nlohmann::json::parse(slurp(dir / "dat/reduction.json"));
  const double constant_sigma = record["results"]["normalisation_constant_sigma"].get<double>();
  EXPECT_GT(constant_sigma, 0.0);
  EXPECT_NE(with.out.find(" ± " + std::to_string(constant_sigma)), std::string::npos);  // "%f"
  EXPECT_GT(record["coordination"][0]["n_sigma"].get<double>(), 0.0);
  for (const char* key : {"n_sigma", "r0_sigma", "sigma_sigma"})
    EXPECT_GT(record["coordination"][0]["fit"][key].get<double>(), 0.0) << key;
  EXPECT_EQ(record["settings"]["options"]["errors"], 1.0);
  EXPECT_EQ(slurp(dir / "plain/reduction.json").find("_sigma"), std::string::npos);
}

TEST_F(ReduceTest, SeriesSummaryGainsSigmaColumns) {
  const std::string raw = "'" + example + "sio2_raw.dat' ";
  ASSERT_EQ(run("--errors column -j 1 --coordination 1.3:2.0 -o s " + nap + " " + raw + raw).status, 0);
  const std::string csv = slurp(dir / "s/series.csv"), header = csv.substr(0, csv.find('\n'));
  EXPECT_EQ(header, "input,exit,normalisation_constant,normalisation_constant_sigma,density_used,density_used_sigma,"
            "optimised_density,optimised_density_sigma,low_r_chi2,sq_first_peak_q,sq_first_peak,gr_first_peak_r,"
            "gr_first_peak,coordination_1.3-2,coordination_1.3-2_sigma,warnings");
  // The example's data files have two columns: the third-column mode warns and carries none.
  EXPECT_NE(csv.find("third column", header.size()), std::string::npos) << csv;
}

