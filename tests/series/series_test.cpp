// The series engine on patterns made from the bundled SiO2 example (its raw data scaled
// and shifted): each input's folder and summary row against a run of that input alone,
// any number of workers, the merge of separate runs, cancel, the series values, the first
// peak, and memory that does not grow with the number of inputs.

#include <sys/resource.h>

#include <charconv>

#include "numeric/writedata.h"
#include "project/hooks.h"
#include "project/messages.h"
#include "project/project.h"
#include "series/first_peak.h"
#include "series/reduce_input.h"
#include "series/series.h"
#include "series/series_table.h"
#include "support/temp_files.h"

namespace fs = std::filesystem;

namespace {

const std::string example = std::string(AMOQ_SOURCE_DIR) + "/examples/sio2/";

// The example's raw data scaled by 1 + 0.01 k and shifted by 0.5 k, after `header`.
std::string pattern(const scratch_dir& dir, const std::string& name, int k, const std::string& header = "") {
  std::ifstream in(example + "sio2_raw.dat");
  std::ostringstream out;
  out << header;
  char line[128];
  for (double x, y; in >> x >> y;) {
    std::snprintf(line, sizeof line, "%.3f %.6f\n", x, y * (1 + 0.01 * k) + 0.5 * k);
    out << line;
  }
  return dir.write(name, out.str());
}

series_request request_for(const std::vector<std::string>& inputs, const fs::path& outdir, int workers = 2) {
  series_request r;
  r.settings.project = example + "sio2.nap", r.settings.quiet = true;
  for (const std::string& i : inputs) r.inputs.push_back(i);
  r.outdir = outdir.string(), r.workers = workers;
  return r;
}

struct outcome { std::vector<series_result> results; std::vector<output_piece> closing; int status = -1; };


// Runs the request to its end; `during` sees the run after each poll.
outcome run(series_request r, const std::function<void(series_run&)>& during = {}) {
  outcome o;
  series_run run;
  std::string error;
  EXPECT_TRUE(run.start(std::move(r), error)) << error;
  for (bool more = true; more;) {
    more = run.poll(o.results, -1);
    if (during) during(run);
  }
  o.status = run.finish(o.closing);
  return o;
}

// Every file under root by its relative path; reduction.json without its date.
std::map<std::string, std::string> files_under(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (!e.is_regular_file()) continue;
    std::string text = slurp(e.path());
    if (e.path().filename() == "reduction.json") {
      const size_t at = text.find("\"date\"");
      if (at != std::string::npos) text.erase(at, text.find('\n', at) - at);
    }
    files[fs::relative(e.path(), root).string()] = text;
  }
  return files;
}

std::vector<std::vector<std::string>> csv_rows(const fs::path& p) {
  std::vector<std::vector<std::string>> rows;
  std::ifstream in(p);
  for (std::string line; std::getline(in, line);) rows.push_back(csv_fields(line));
  return rows;
}

// The columns of a matrix file (the abscissa first), its header line left out.
std::vector<std::vector<double>> matrix_columns(const fs::path& p) {
  std::vector<std::vector<double>> cols;
  std::ifstream in(p);
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string f;
    for (size_t c = 0; fields >> f; ++c) {
      if (cols.size() <= c) cols.emplace_back();
      cols[c].push_back(f == "nan" ? std::nan("") : std::stod(f));
    }
  }
  return cols;
}

std::vector<std::pair<double, double>> curve_file(const fs::path& p) {
  std::vector<std::pair<double, double>> rows;
  std::ifstream in(p);
  for (double x, y; in >> x >> y;) rows.emplace_back(x, y);
  return rows;
}

double printed(const std::string& out, const std::string& label) {
  const size_t at = out.find(label);
  return at == std::string::npos ? std::nan("") : std::atof(out.c_str() + at + label.size());
}

std::string stdout_of(const series_result& r) {
  std::string text;
  for (const output_piece& p : r.output)
    if (p.kind == output_piece::out) text += p.text;
  return text;
}

}  // namespace

// Each input of a series gets the folder and the values a run of that input alone gives,
// whatever the number of workers; its row holds those values and its matrix columns the
// curves of its files.
TEST(Series, RowsFoldersAndColumnsAreEachInputsOwnResults) {
  scratch_dir dir;
  std::vector<std::string> inputs = {pattern(dir, "a.dat", 0), pattern(dir, "b.dat", 3), dir.file("missing.dat"),
                                     pattern(dir, "c.dat", 7)};
  inputs.push_back(inputs[1]);  // the same file twice: b and b-2
  series_request r = request_for(inputs, dir.path / "series");
  r.settings.optimise = 1.4, r.settings.optimise_density = true;
  r.settings.coordination.push_back({"Si", "O", 1.45, 1.8});
  const outcome all = run(r);
  EXPECT_EQ(all.status, series_ok);
  ASSERT_EQ(all.results.size(), 5u);
  const auto rows = csv_rows(dir.path / "series" / "series.csv");
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"input", "exit", "normalisation_constant", "density_used",
                                               "optimised_density", "low_r_chi2", "sq_first_peak_q", "sq_first_peak",
                                               "gr_first_peak_r", "gr_first_peak", "coordination_Si-O_1.45-1.8",
                                               "warnings"}));
  const auto sq = matrix_columns(dir.path / "series" / "series_sq.dat");
  ASSERT_EQ(sq.size(), 6u);
  EXPECT_EQ(all.results[4].folder, "b-2");
  // The files do not depend on the number of workers.
  series_request three = r;
  three.outdir = (dir.path / "three").string(), three.workers = 3;
  EXPECT_EQ(run(three).status, series_ok);
  EXPECT_EQ(files_under(dir.path / "three"), files_under(dir.path / "series"));
  for (size_t k = 0; k < inputs.size(); ++k) {
    const series_result& res = all.results[k];
    EXPECT_EQ(res.index, k);
    EXPECT_EQ(rows[k + 1][0], inputs[k]);
    if (k == 2) {  // the missing file: its status and message, no values, nan columns
      EXPECT_EQ(res.exit, series_file);
      EXPECT_EQ(rows[k + 1][1] + "|" + rows[k + 1][2], "2|");
      EXPECT_NE(rows[k + 1].back().find("file does not exist"), std::string::npos);
      EXPECT_TRUE(std::isnan(sq[k + 1][100]));
      continue;
    }
    series_request alone = request_for({inputs[k]}, dir.path / ("alone" + std::to_string(k)), 1);
    alone.settings = r.settings, alone.settings.quiet = false;
    const outcome one = run(alone);
    ASSERT_EQ(one.results.size(), 1u);
    EXPECT_EQ(files_under(dir.path / "series" / res.folder), files_under(dir.path / ("alone" + std::to_string(k))));
    const std::string out = stdout_of(one.results[0]);
    const series_row& row = res.row;
    EXPECT_NEAR(*row.normalisation_constant, printed(out, "normalisation constant: "), 5e-7) << out;
    EXPECT_NEAR(*row.optimised_density, printed(out, "optimised density: "), 5e-7);
    EXPECT_NEAR(*row.coordination[0], printed(out, "coordination Si-O 1.45-1.8: "), 5e-7);
    EXPECT_EQ(*row.density_used, *row.optimised_density);  // the refined one, as printed
    EXPECT_NEAR(*row.density_used, printed(out, "g(r) density: "), 5e-7);
    EXPECT_NEAR(*row.gr_first_peak_r, 1.61, 0.03);  // Si-O of the model
    // The columns are the curve files as they read back.
    const auto own = curve_file(dir.path / "series" / res.folder / "sq.dat");
    ASSERT_EQ(own.size(), sq[0].size());
    for (size_t i = 0; i < own.size(); i += 97) EXPECT_EQ(std::pair(sq[0][i], sq[k + 1][i]), own[i]) << i;
    double back = 0.0;
    std::from_chars(rows[k + 1][2].data(), rows[k + 1][2].data() + rows[k + 1][2].size(), back);
    EXPECT_EQ(back, *row.normalisation_constant);  // the shortest text reads back exactly
  }
}

// A merge of the halves of a series, run separately, writes the summary and the matrices
// of one run over all; with series values the rows of both halves sort together.
TEST(Series, MergeOfTwoHalvesEqualsOneRun) {
  scratch_dir dir;
  std::vector<std::string> inputs;
  std::vector<double> values;
  for (int k = 0; k < 6; ++k) {
    // One name with what CSV must quote: its row and its folder survive both files.
    inputs.push_back(pattern(dir, k == 3 ? " t,\"3\".dat" : "t" + std::to_string(k) + ".dat", k));
    values.push_back(k % 2 ? 300.0 + k : 400.0 - k);  // interleaves the halves
  }
  auto part = [&](size_t from, size_t to, const std::string& name) {
    std::vector<std::string> in(inputs.begin() + from, inputs.begin() + to);
    series_request r = request_for(in, dir.path / name);
    r.values.assign(values.begin() + from, values.begin() + to);
    r.series = true;  // a part of one input is a series too
    EXPECT_EQ(run(r).status, series_ok);
  };
  part(0, 6, "whole");
  part(0, 2, "first");
  part(2, 5, "second");
  part(5, 6, "third");
  std::vector<output_piece> messages;
  auto part_dir = [&](const char* name) { return (dir.path / name).string(); };
  EXPECT_EQ(merge_series(part_dir("merged"), {part_dir("first"), part_dir("second"), part_dir("third")}, messages),
            series_ok);
  for (const char* f : {"series.csv", "series_sq.dat", "series_qsq.dat", "series_Gr.dat", "series_gr.dat"})
    EXPECT_EQ(slurp(dir.path / "merged" / f), slurp(dir.path / "whole" / f)) << f;
  const auto rows = csv_rows(dir.path / "merged" / "series.csv");
  ASSERT_EQ(rows.size(), 7u);
  EXPECT_EQ(rows[0][1] + " " + rows[1][1] + " " + rows[6][1], "value 301 400");
  EXPECT_EQ(rows[2][0], inputs[3]);  // 303
  // The merged index points at the parts' folders, so a merge can be merged again.
  const auto index = csv_rows(dir.path / "merged" / series_index_name);
  EXPECT_EQ(index[1][0] + "|" + index[4][0], "../first/t0|../second/ t,\"3\"");

  // Parts that do not fit together, and a folder that holds no series.
  series_request other = request_for({inputs[0], inputs[1]}, dir.path / "other");
  EXPECT_EQ(run(other).status, series_ok);
  messages.clear();
  EXPECT_EQ(merge_series(part_dir("m2"), {part_dir("first"), part_dir("other")}, messages), series_refused);
  EXPECT_NE(messages.at(0).text.find("has other columns"), std::string::npos);
  messages.clear();
  EXPECT_EQ(merge_series(part_dir("m3"), {part_dir("first/t0")}, messages), series_file);
}

// Cancel starts no further input; every folder there is is complete, and the summary
// holds the inputs that ran.
TEST(Series, CancelLeavesCompleteFoldersOnly) {
  scratch_dir dir;
  std::vector<std::string> inputs;
  for (int k = 0; k < 16; ++k) inputs.push_back(pattern(dir, "c" + std::to_string(k) + ".dat", k));
  bool cancelled = false;
  const outcome o = run(request_for(inputs, dir.path / "out"), [&](series_run& r) {
    if (!cancelled && r.delivered() >= 2) r.cancel(), cancelled = true;
  });
  EXPECT_EQ(o.status, series_ok);
  ASSERT_LT(o.results.size(), inputs.size());
  for (size_t k = 0; k < o.results.size(); ++k) EXPECT_EQ(o.results[k].index, k);
  int folders = 0;
  for (const auto& e : fs::directory_iterator(dir.path / "out")) {
    if (!e.is_directory()) {
      EXPECT_EQ(e.path().string().find(".tmp-"), std::string::npos) << e.path();
      continue;
    }
    ++folders;
    for (const char* f : {"corrected.dat", "qsq.dat", "sq.dat", "Gr.dat", "gr.dat", "rdf.dat", "reduction.json"})
      EXPECT_TRUE(fs::exists(e.path() / f)) << e.path() / f;
    EXPECT_EQ(std::distance(fs::directory_iterator(e.path()), fs::directory_iterator()), 7) << e.path();
  }
  EXPECT_EQ(folders, static_cast<int>(o.results.size()));
  EXPECT_EQ(csv_rows(dir.path / "out" / "series.csv").size(), o.results.size() + 1);
}

// A worker that dies fails the input it was reducing; the others are reduced by the
// worker that replaces it, and the run ends as usual.
TEST(Series, AWorkerThatDiesIsReplaced) {
  scratch_dir dir;
  std::vector<std::string> inputs;
  for (int k = 0; k < 12; ++k) inputs.push_back(pattern(dir, "w" + std::to_string(k) + ".dat", k));
  bool killed = false;
  const outcome o = run(request_for(inputs, dir.path / "out"), [&](series_run& r) {
    if (killed || r.delivered() < 1) return;
    // A child of this process: the workers are its only ones.
    std::ifstream children("/proc/self/task/" + std::to_string(::getpid()) + "/children");
    pid_t worker = 0;
    if (children >> worker) killed = ::kill(worker, SIGKILL) == 0;
  });
  ASSERT_TRUE(killed);
  ASSERT_EQ(o.results.size(), inputs.size());
  int lost = 0;
  for (const series_result& r : o.results) {
    if (r.exit == series_ok) continue;
    ++lost;
    EXPECT_EQ(r.exit, series_file);
    EXPECT_NE(r.row.warnings.at(0).find("the reduction stopped (signal 9"), std::string::npos) << r.row.warnings[0];
  }
  EXPECT_LE(lost, 1);
  EXPECT_EQ(csv_rows(dir.path / "out" / "series.csv").size(), inputs.size() + 1);
}

// Inputs on another grid are interpolated onto the first row's, noted once; a matrix of a
// curve no input has is not written.
TEST(Series, OtherGridsInterpolatedOntoTheFirst) {
  scratch_dir dir;
  series_request step0 = request_for({pattern(dir, "fine.dat", 0)}, dir.path / "s0");
  step0.settings.to = 0;
  run(step0);
  // The corrected intensity, and every other point of it.
  std::ostringstream coarse;
  const auto corrected = curve_file(dir.path / "s0" / "corrected.dat");
  for (size_t i = 0; i < corrected.size(); i += 2) coarse << corrected[i].first << " " << corrected[i].second << "\n";
  const std::string half = dir.write("coarse.dat", coarse.str());
  series_request r = request_for({(dir.path / "s0" / "corrected.dat").string(), half}, dir.path / "out");
  r.settings.from = r.settings.to = 1;
  const outcome o = run(r);
  EXPECT_EQ(o.status, series_ok);
  ASSERT_EQ(o.closing.size(), 1u);
  EXPECT_EQ(o.closing[0].text, "amoq-reduce: series_*.dat: inputs on another grid than " + r.inputs[0].path +
                                   " interpolated onto it (1)\n");
  EXPECT_FALSE(fs::exists(dir.path / "out" / "series_Gr.dat"));
  const auto sq = matrix_columns(dir.path / "out" / "series_sq.dat");
  const auto own = curve_file(dir.path / "out" / "coarse" / "sq.dat");
  ASSERT_EQ(sq.size(), 3u);
  // Where the grids meet, the input's own values; between, the mean of its neighbours.
  int checked = 0;
  for (size_t j = 1; j + 1 < own.size(); j += 50) {
    const size_t i = static_cast<size_t>(std::lround(own[j].first / (sq[0][1] - sq[0][0])));
    if (i + 1 >= sq[0].size() || std::fabs(sq[0][i] - own[j].first) > 1e-9) continue;
    EXPECT_NEAR(sq[2][i], own[j].second, 1e-12) << i;
    EXPECT_NEAR(sq[2][i + 1], 0.5 * (own[j].second + own[j + 1].second), 1e-9) << i;
    ++checked;
  }
  EXPECT_GT(checked, 10);
}

// A window's run: its folder is scratch, so the summary files wait for an export, which
// writes them with the rows in any order; a durable run's summary is the export in the
// order of the values. The workers are forked from a program whose presenter and front
// end raise dialogs and widgets: none of them is reached from a worker.
TEST(Series, ScratchRunExportedInAnyOrderAndWorkersKeepToThemselves) {
  scratch_dir dir;
  const std::vector<std::string> inputs = {pattern(dir, "e0.dat", 0, "# Temperature = 500 K\n"),
                                           pattern(dir, "e1.dat", 4, "# Temperature = 300 K\n"),
                                           dir.file("e2.dat"),  // missing: an error, no value
                                           pattern(dir, "e3.dat", 8, "# Temperature = 400 K\n"),
                                           pattern(dir, "e4.dat", 2, "# sample\n")};  // no value
  const std::string marker = dir.file("reached");
  auto trace = [marker](const std::string& t) { std::ofstream(marker, std::ios::app) << t << "\n"; };
  message_presenter spy;
  spy.info = spy.warning = spy.error = trace;
  spy.question = [trace](const std::string&, const std::string& t) { return trace(t), 0; };
  front_end widgets;
  widgets.refresh.update_project = [trace] { return trace("update_project"), 1; };
  widgets.refresh.project_added = [trace] { trace("project_added"); };
  widgets.refresh.status_message = trace;
  widgets.steps.busy = [trace](int, int, double, const std::string& t) { trace("busy " + t); };
  message_presenter saved_presenter = set_message_presenter(spy);
  front_end saved_front = set_front_end(widgets);
  series_request r = request_for(inputs, dir.path / "scratch");
  r.scratch = true, r.value_key = "Temperature";
  const outcome o = run(r);
  set_front_end(std::move(saved_front));
  set_message_presenter(std::move(saved_presenter));
  EXPECT_FALSE(fs::exists(marker)) << slurp(marker);
  ASSERT_EQ(o.results.size(), 5u);
  EXPECT_EQ(o.results[2].exit, series_file);
  EXPECT_NE(o.results[2].row.warnings.at(0).find("file does not exist"), std::string::npos);  // its row, not a dialog
  EXPECT_TRUE(fs::exists(dir.path / "scratch" / series_index_name));
  for (const char* f : {"series.csv", "series_sq.dat", "series_gr.dat"}) EXPECT_FALSE(fs::exists(dir.path / "scratch" / f));

  series_request durable = request_for(inputs, dir.path / "durable");
  durable.value_key = "Temperature";
  run(durable);
  std::vector<output_piece> messages;
  const fs::path m1 = dir.path / "m1";
  fs::create_directories(m1);
  const std::string scratch = (dir.path / "scratch").string();
  ASSERT_EQ(export_series_files(scratch, {1, 3, 0, 2, 4}, dir.file("by_value.csv"), m1.string(), messages), series_ok);
  EXPECT_EQ(slurp(dir.file("by_value.csv")), slurp(dir.path / "durable" / "series.csv"));
  // By the value, those without one last; the input whose header has none says so.
  const auto rows = csv_rows(dir.file("by_value.csv"));
  EXPECT_EQ(rows[1][0] + " " + rows[1][1] + " " + rows[5][0] + " " + rows[5][1], inputs[1] + " 300 " + inputs[4] + " ");
  EXPECT_NE(rows[5].back().find("no Temperature in its header"), std::string::npos) << rows[5].back();
  for (const char* f : {"series_sq.dat", "series_qsq.dat", "series_Gr.dat", "series_gr.dat"})
    EXPECT_EQ(slurp(m1 / f), slurp(dir.path / "durable" / f)) << f;
  // Rows the run does not have, and a folder that holds no run.
  messages.clear();
  EXPECT_EQ(export_series_files(scratch, {0, 5}, dir.file("x.csv"), "", messages), series_refused);
  EXPECT_FALSE(fs::exists(dir.file("x.csv")));
  EXPECT_EQ(export_series_files(dir.path.string(), {0}, dir.file("x.csv"), "", messages), series_file);
}

// The series value from headers (the forms read, the ones not) and from a list.
TEST(Series, SeriesValues) {
  const struct { const char* text; const char* key; double value; } headers[] = {
      {"# Temperature = 300 K\n", "temperature", 300}, {"! T:1.5e2\n", "T", 150},
      {"run 7, T=295.5, P=1\n", "P", 1}, {"   % T :  -12.5K\n", "T", -12.5},
      {"Temp = 1\nT = 2\n", "T", 2},           // Temp is not T
      {"T = abc\nT = 4\n", "T", 4},            // the first line that gives a number
      {"// pressure: 3 GPa\n", "Pressure", 3},
      {"ST = 5\n", "T", NAN},                  // not at a word's start
      {"T 300\n", "T", NAN},                   // no '=' or ':'
      {"T = 1.2.3\n", "T", NAN}, {"", "T", NAN},
  };
  for (const auto& h : headers) {
    const std::optional<double> v = header_value(h.text, h.key);
    if (std::isnan(h.value))
      EXPECT_FALSE(v) << h.text;
    else
      EXPECT_EQ(v.value_or(NAN), h.value) << h.text;
  }

  scratch_dir dir;
  const std::vector<series_input> inputs = {std::string("data/a.dat"), std::string("b.dat"), std::string("c d.xy")};
  const struct { const char* list; int status; std::vector<double> values; const char* error; } lists[] = {
      {"# name value\ndata/a.dat 1\nb.dat,2\n\"c d.xy\";3\n", series_ok, {1, 2, 3}, ""},
      {"a.dat 1\nb.dat 2e2\nc d.xy\t-3\nother.dat 9\n", series_ok, {1, 200, -3}, ""},
      {"a.dat 1\nb.dat 2\n", series_refused, {}, "no value for c d.xy"},
      {"a.dat 1\na.dat 2\n", series_refused, {}, "a.dat is listed twice"},
      {"a.dat one\n", series_refused, {}, "line 1: use NAME VALUE"},
  };
  for (const auto& l : lists) {
    std::vector<double> values;
    std::string error;
    EXPECT_EQ(read_series_values(dir.write("values.txt", l.list), inputs, values, error), l.status) << l.list;
    EXPECT_EQ(values, l.status == series_ok ? l.values : values) << l.list;
    EXPECT_NE(error.find(l.error), std::string::npos) << error;
  }
  std::vector<double> values;
  std::string error;
  EXPECT_EQ(read_series_values(dir.file("none.txt"), inputs, values, error), series_file);
}

// The first peak: a Gaussian's centre and height from the parabola through the top three
// points, earlier bumps below half of the largest value passed over.
TEST(Series, FirstPeak) {
  std::vector<double> x(400), y(400);
  for (int i = 0; i < 400; ++i) x[i] = 0.01 * i;
  auto curve = [&](double centre, double bump) {
    for (int i = 0; i < 400; ++i)
      y[i] = 4.0 * std::exp(-std::pow((x[i] - centre) / 0.08, 2)) + bump * std::exp(-std::pow((x[i] - 0.8) / 0.05, 2)) +
             1.0 * std::exp(-std::pow((x[i] - 2.6) / 0.1, 2));
  };
  for (const double centre : {1.6, 1.603, 1.6049}) {
    curve(centre, 1.9);  // a bump at 0.8 just below half of 4
    const auto p = first_peak(x.data(), y.data(), static_cast<int>(x.size()));
    ASSERT_TRUE(p);
    EXPECT_NEAR(p->x, centre, 2e-4) << centre;  // the parabola's error on a Gaussian sampled at 1/8 of its width
    EXPECT_NEAR(p->y, 4.0, 0.01) << centre;
  }
  curve(1.6, 2.1);  // now above half: the bump is the first peak
  EXPECT_NEAR(first_peak(x.data(), y.data(), 400)->x, 0.8, 2e-4);
  for (int i = 0; i < 400; ++i) y[i] = i;  // rising to the end: no peak

  EXPECT_FALSE(first_peak(x.data(), y.data(), 400));
  for (double& v : y) v = -1.0 - v;  // nothing above zero
  EXPECT_FALSE(first_peak(x.data(), y.data(), 400));
}

// One input reduced in this process, nothing written: the curves a series input's files
// hold, to their last digit, and its row's values; the prepared project is reused while
// the settings stay and prepared again when they change.
TEST(InMemory, CurvesAndValuesAreThoseOfTheFiles) {
  scratch_dir dir;
  const std::string a = pattern(dir, "a.dat", 2);
  series_request r = request_for({a}, dir.path / "files", 1);
  r.series = true, r.settings.optimise = 1.4;
  r.settings.coordination.push_back({"Si", "O", 1.45, 1.8});
  series_input points = series_input::points("memory.dat", {}, {});  // points in memory give what their file gives
  for (const auto& [x, y] : curve_file(a)) points.x.push_back(x), points.y.push_back(y);
  r.inputs.push_back(points);
  const outcome files = run(r);
  ASSERT_EQ(files.results.size(), 2u);
  for (const char* f : {"corrected.dat", "sq.dat", "gr.dat", "rdf.dat"})
    EXPECT_EQ(slurp(dir.path / "files" / "memory" / f), slurp(dir.path / "files" / "a" / f)) << f;
  prepared_project prepared;
  const series_input input(a);
  const input_outcome o = reduce_in_memory(r.settings, &input, prepared);
  ASSERT_EQ(o.exit, series_ok);
  const series_row& row = files.results[0].row;
  EXPECT_EQ(std::tie(o.row.normalisation_constant, o.row.low_r_chi2, o.row.coordination),
            std::tie(row.normalisation_constant, row.low_r_chi2, row.coordination));
  ASSERT_EQ(o.coordination.size(), 1u);
  EXPECT_EQ(o.coordination[0].count.n, *row.coordination[0]);
  std::vector<std::string> names;
  for (const result_curve& c : o.curves) {
    names.push_back(c.name);
    const auto file = curve_file(dir.path / "files" / "a" / (c.name + ".dat"));
    ASSERT_EQ(file.size(), c.x.size()) << c.name;
    for (size_t i = 0; i < file.size(); ++i)
      EXPECT_EQ(std::pair(written_value(c.x[i]), written_value(c.y[i])), file[i]) << c.name << " " << i;

  }
  EXPECT_EQ(names, (std::vector<std::string>{"corrected", "qsq", "sq", "Gr", "gr", "rdf"}));

  EXPECT_EQ(reduce_in_memory(r.settings, &input, prepared).curves[3].y, o.curves[3].y);
  series_settings shorter = r.settings;
  shorter.sets.push_back({"rmax", 8.0});
  EXPECT_NEAR(reduce_in_memory(shorter, &input, prepared).curves[3].x.back(), 8.0, 0.011);  // G(r) to Rmax

  std::vector<std::string> messages;
  shorter.sets.push_back({"bdbox", 9.0});
  EXPECT_EQ(check_settings(shorter, messages), series_refused);
  EXPECT_EQ(messages, (std::vector<std::string>{"You must choose a Breit-Dirac factor",
                                               "amoq-reduce: --set bdbox: value out of range"}));
  project_snapshot empty;
  EXPECT_EQ(open_project("", empty, messages), series_ok);
  EXPECT_EQ(empty.table.at(0).nspec, 0);
}

// A matrix cell holds "%.10f" of the value up to 20 characters, else "nan"; the longer texts
// (up to 22 characters below 1e9) never reach past the cell.
TEST(Series, MatrixCells) {
  struct { double v; std::string text; } cases[] = {
      {1.5, "1.5000000000"}, {-0.0, "-0.0000000000"}, {-99999999.5, "-99999999.5000000000"},
      {999999999.5, "999999999.5000000000"}, {-999999999.5, "nan"}, {999999999.99999999, "nan"},
      {1e9, "nan"}, {std::numeric_limits<double>::infinity(), "nan"}, {std::nan(""), "nan"}};
  for (const auto& c : cases) {
    std::vector<char> cell(matrix_cell_bytes);  // exactly one cell: the address sanitizer sees past it
    matrix_cell(c.v, cell.data());
    EXPECT_EQ(std::string(cell.data() + 1, static_cast<std::size_t>(cell[0])), c.text) << c.v;
  }
}
