// One input's reduction: the chain a single amoq-reduce run goes through, with its output
// captured in order instead of printed.
#include "series/reduce_input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

#include "files/project_file.h"
#include "files/project_options.h"
#include "files/reduction_record.h"
#include "files/xml_project.h"
#include "numeric/callbacks.h"
#include "numeric/writedata.h"
#include "project/allocextra.h"
#include "project/curve.h"
#include "project/i18n.h"
#include "project/import_fallback.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/rdf.h"
#include "project/settings.h"
#include "project/sq_refine.h"
#include "project/steps.h"
#include "project/toolbox.h"
#include "project/uncertainty.h"
#include "series/series_table.h"
#include "series/first_peak.h"

namespace fs = std::filesystem;

const char* const series_curve_stem[nseries_curves] = {"sq", "qsq", "Gr", "gr"};

namespace {

// ---- The capture of one input's output -----------------------------------------------------

// What the reduction prints, in order. Messages of the rules go to stderr; in quiet mode
// they are held back and shown only when the input fails, so a warning that refused a
// step always reaches stderr. The raw data correction's echo is written to a memory
// stream, taken over before each piece that follows it.
class capture {
 public:
  capture(bool quiet, bool echo) : quiet_(quiet) {
    if (echo) echo_ = open_memstream(&echo_text_, &echo_size_);
    previous_echo_ = set_echo_stream(echo_);
  }
  ~capture() {
    set_echo_stream(previous_echo_);
    if (echo_) std::fclose(echo_);
    std::free(echo_text_);
  }
  capture(const capture&) = delete;
  capture& operator=(const capture&) = delete;

  void out(const std::string& text) { add(output_piece::out, text); }
  void err(const std::string& text) { add(output_piece::err, text); }
  void flush() { add(output_piece::flush, std::string()); }
  void message(const std::string& text) {
    std::string line = text;
    if (line.empty() || line.back() != '\n') line += '\n';
    messages_.push_back(text);
    if (quiet_)
      held_ += line;
    else
      add(output_piece::err, line);
  }
  std::size_t message_count() const { return messages_.size(); }
  std::vector<std::string> messages_since(std::size_t first) const {
    return std::vector<std::string>(messages_.begin() + static_cast<std::ptrdiff_t>(first), messages_.end());
  }
  // The held messages when the input failed, after everything else.
  std::vector<output_piece> release(bool failed, std::vector<std::string>& messages) {
    take_echo();
    if (failed && !held_.empty()) pieces_.push_back({output_piece::err, held_});
    messages = std::move(messages_);
    return std::move(pieces_);
  }

 private:
  void take_echo() {
    if (!echo_) return;
    std::fflush(echo_);
    if (echo_size_ > echo_taken_) {
      pieces_.push_back({output_piece::err, std::string(echo_text_ + echo_taken_, echo_size_ - echo_taken_)});
      echo_taken_ = echo_size_;
    }
  }
  void add(output_piece::kind_t kind, const std::string& text) {
    take_echo();
    if (kind != output_piece::flush && !pieces_.empty() && pieces_.back().kind == kind)
      pieces_.back().text += text;
    else
      pieces_.push_back({kind, text});
  }

  bool quiet_;
  std::vector<output_piece> pieces_;
  std::vector<std::string> messages_;
  std::string held_;
  std::FILE* echo_ = nullptr;
  std::FILE* previous_echo_ = nullptr;
  char* echo_text_ = nullptr;
  size_t echo_size_ = 0, echo_taken_ = 0;
};

capture* current = nullptr;  // the input being reduced
double reported_density = 0.0;

void note(const std::string& text) {
  if (current) current->message(text);
}

void print(const std::string& text) {
  if (current) current->out(text);
}

// The tool's messages carry neither the dialogs' bug-report request nor the placeholder
// texts that follow a routine's own failure message.
void put_error(const std::string& t) {
  const std::string request = std::string(tr(bug_line)) + "<" + bug_address + ">";
  std::string text = t;
  if (text.size() >= request.size() && text.compare(text.size() - request.size(), request.size(), request) == 0)
    text.erase(text.size() - request.size());
  if (text != std::string(tr("My error message")) + "\n") note(text);
}

// ---- Project and settings ------------------------------------------------------------------

bool ends_with_kind(const std::string& name, const char* kind) {
  if (name.size() < 3) return false;
  for (int i = 0; i < 3; ++i) {
    char c = name[name.size() - 3 + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kind[i]) return false;
  }
  return true;
}

int read_native_project(const std::string& path) {
  int code = open_project_file(path);
  if (code == 0) return series_ok;
  std::string text = format(tr("Impossible to open project file: \n%s\nError code: %d\n"), path.c_str(), code);
  if (!project_read_problem().empty()) text += project_read_problem() + "\n";
  show_error(text.c_str(), 1);
  return series_file;
}

int read_xml_project(const std::string& path) {
  // The import's success note is for the window; here only its failures are shown.
  message_presenter quiet_info = set_message_presenter({});
  message_presenter during = quiet_info;
  during.info = [](const std::string&) {};
  set_message_presenter(during);
  int code = open_xml(path.c_str());
  set_message_presenter(std::move(quiet_info));
  if (code == 0) return series_ok;
  show_error(tr("Impossible to use the AMOQ XML project file\n"), 1);
  return series_file;
}

// Reads PROJECT into a fresh project table; an empty path gives an empty project.
int read_project_file(const std::string& path) {
  while (nprojects > 0) close_project_record(0);
  init_project();
  if (path.empty()) return series_ok;
  if (ends_with_kind(path, "nap")) return read_native_project(path);
  if (ends_with_kind(path, "apf")) return read_xml_project(path);
  note(format(tr("amoq-reduce: %s: not a project file (.nap) or XML project file (.apf)"), path.c_str()));
  return series_file;
}

// The project of the settings: as opened already, else read from its file.
int read_project(const series_settings& o) {
  if (!o.opened) return read_project_file(o.project);
  restore_project_table(*o.opened);
  return series_ok;
}

// Reads the project and applies the settings as the entries do. The batch runs the steps
// itself: the project's automatic recalculation, which would run them once more after
// every setting, is switched off and handed back in `autorecalc` for the project saved.
int apply_sets(const series_settings& o, double& autorecalc) {
  int status = read_project(o);
  if (status != series_ok) return status;
  autorecalc = std::exchange(proj[activep].options.autorecalc, 0.0);
  // Switched on first, so that an optiter given replaces the count switching on chooses.
  if (o.optimise) set_lowr(1);
  for (const setting& s : o.sets) {
    if (!apply_setting(s)) {
      note(format(tr("amoq-reduce: --set %s: value out of range"), s.key.c_str()));
      return series_refused;
    }
  }
  if (!take_from_tables(o.sets, note)) return series_refused;
  return series_ok;
}

// The input into data file id: its file, or its points.
bool load_input(const series_input& in, int id) {
  if (!in.in_memory) return load_data_file(id, in.path.c_str());
  const int n = static_cast<int>(std::min({in.x.size(), in.y.size(), static_cast<std::size_t>(INT_MAX)}));
  const bool sigma = in.sigma.size() == in.x.size() && in.x.size() == in.y.size();
  return load_data_points(id, in.path.c_str(), n, in.x.data(), in.y.data(), sigma ? in.sigma.data() : nullptr);
}

// Reads the project, applies the settings and "Apply", and loads the background and cell
// data.
int prepare_project(const series_settings& o, double& autorecalc) {
  int status = apply_sets(o, autorecalc);
  if (status != series_ok) return status;
  if (o.errors >= 0) set_uncertainty_mode(o.errors);
  proj[activep].import_choice = 1;  // files the plain reader refuses: format detection
  if (o.optimise) {
    if (const char* rule = lowr_rmin_problem(*o.optimise, proj[activep].exp_prop[k_rmax])) {
      note(format(tr("amoq-reduce: --optimise %g: %s (Rmax %g)"), *o.optimise, tr(rule),
                  proj[activep].exp_prop[k_rmax]));
      return series_refused;
    }
    if (!set_lowr_setting(0, *o.optimise)) return series_refused;
  }
  if (o.optimise_density) set_lowr_setting(2, 1.0);
  proj[activep].trun = 1;  // apply as "Apply" does, whatever the file's state
  if (!apply_project()) return series_refused;
  if (const int format_choice = format_setting(o.sets); format_choice >= 0) set_data_format(format_choice);
  if (proj[activep].params[k_abscissa] >= 0 && !proj[activep].initok[calc_ra]) initcnames(0, 1);

  const series_input* extra[2] = {&o.background, &o.cell};
  for (int k = 0; k < 2; ++k) {
    if (extra[k]->path.empty() && !extra[k]->in_memory) continue;
    if (!load_input(*extra[k], k + 1)) return series_file;
    set_file_option(k, 1);
  }
  return series_ok;
}

// ---- Results -------------------------------------------------------------------------------

struct reduction {
  const series_request* request;  // nullptr in the caller's process
  const series_settings& o;
  const input_job& job;
  input_outcome& outcome;
  prepared_project& prepared;
};

// prepare_project for the first input; the inputs after it get a copy of its result and
// the same messages.
int prepare_once(reduction& x, double& autorecalc) {
  prepared_project& p = x.prepared;
  if (p.done) {
    for (const std::string& m : p.messages) note(m);
    autorecalc = p.autorecalc;
    if (p.status == series_ok) restore_project_table(p.state);
    return p.status;
  }
  const std::size_t first = current ? current->message_count() : 0;
  p.status = prepare_project(x.o, autorecalc);
  p.done = true;
  if (current) p.messages = current->messages_since(first);
  p.autorecalc = autorecalc;
  if (p.status == series_ok) p.state = take_project_table();
  return p.status;
}

// written_value of each abscissa. Every pattern of a series has the same Q and r grids, so
// the last two are kept (compared bit for bit: -0.0 and 0.0 are written differently).
const std::vector<double>& written_grid(const std::vector<double>& x) {
  struct kept_grid {
    std::vector<double> x, written;
  };
  thread_local kept_grid kept[2];
  for (const kept_grid& g : kept)
    if (g.x.size() == x.size() && (x.empty() || std::memcmp(g.x.data(), x.data(), x.size() * sizeof(double)) == 0))
      return g.written;
  std::swap(kept[0], kept[1]);  // the older one is replaced
  kept[0].x = x;
  kept[0].written.resize(x.size());
  for (std::size_t i = 0; i < x.size(); ++i) kept[0].written[i] = written_value(x[i]);
  return kept[0].written;
}

int write_result(reduction& x, const char* stem, int calc, int cid) {
  const curve* c = find_curve(activep, calc, cid);
  int n = c ? curve_points(*c) : 0;
  if (n == 0) return series_ok;
  // The standard deviations go with the curve whenever the project propagates them.
  const std::vector<double>* sigma = uncertainties_on(activep) ? curve_sigma(activep, calc, cid) : nullptr;
  if (x.job.in_memory) {
    x.outcome.curves.push_back({stem, c->data[0], c->data[1], sigma ? *sigma : std::vector<double>()});
    return series_ok;
  }
  const fs::path dir = x.job.dir;
  const std::string file = std::string(stem) + (x.o.format == 2 ? ".agr" : ".dat");
  const std::string path = (dir / file).string();
  if (!save_to_file(static_cast<int>(path.size()), path.c_str(), n, c->data[0].data(), c->data[1].data(), 0, 0, 0, calc,
                    cid, x.o.format, sigma ? sigma->data() : nullptr)) {
    show_error(format(tr("Impossible to write data file:\n%s\n"), path.c_str()).c_str(), 1);
    return series_file;
  }
  if (x.job.columns) {
    for (int k = 0; k < nseries_curves; ++k) {
      if (std::string(stem) != series_curve_stem[k]) continue;
      curve_column col{k, file, written_grid(c->data[0]), std::vector<double>(static_cast<size_t>(n)),
                       std::vector<char>(static_cast<size_t>(n) * matrix_cell_bytes)};
      for (size_t i = 0; i < col.y.size(); ++i) col.y[i] = written_cell(c->data[1][i], col.cells.data() + i * matrix_cell_bytes);
      x.outcome.columns.push_back(std::move(col));
    }
  }
  if (x.o.plot.empty()) return series_ok;
  const std::string image = (dir / (std::string(stem) + "." + x.o.plot)).string();
  if (!x.request || !x.request->draw_image || !x.request->draw_image(x.o.plot, image, calc, cid)) {
    show_error(format(tr("Impossible to write image file:\n%s\n"), image.c_str()).c_str(), 1);
    return series_file;
  }
  return series_ok;
}

// The first peak of curve (calc, cid) into the row.
void record_peak(int calc, int cid, std::optional<double>& at, std::optional<double>& height) {
  const curve* c = find_curve(activep, calc, cid);
  const int n = c ? curve_points(*c) : 0;
  if (const auto peak = first_peak(c ? c->data[0].data() : nullptr, c ? c->data[1].data() : nullptr, n)) {
    at = peak->x;
    height = peak->y;
  }
}

// A value printed on stdout: "%f" as always, unless that shows a value that is not zero as
// zero (a count rate of 1e7 gives a constant of 2e-9): then exponent notation.
std::string shown(double v) {
  std::string text = format("%f", v);
  if (v != 0.0 && text.find_first_of("123456789") == std::string::npos) text = format("%e", v);
  return text;
}

// A value and, when it has one, its standard deviation in the same form: "0.019770 ±
// 0.000012".
std::string shown(double v, double sigma) {
  return std::isfinite(sigma) ? shown(v) + " ± " + shown(sigma) : shown(v);
}

std::optional<double> finite_or_none(double v) {
  return std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

// The results of the low-r optimisation, when it ran; with --echo its chi^2 before the
// first correction and after each one on stderr.
void print_optimisation(reduction& x) {
  const project& r = proj[activep];
  const project_options& opt = r.options;
  if (!lowr_on(activep) || !r.lowr_last) return;
  const lowr_result& l = *r.lowr_last;
  if (opt.lowr_density == 1.0) {
    x.outcome.row.optimised_density = opt.lowr_rho;
    x.outcome.row.optimised_density_sigma = finite_or_none(refined_density_sigma(activep));
  }
  x.outcome.row.low_r_chi2 = opt.lowr_chi2;
  if (x.o.echo && current)
    for (size_t i = 0; i < l.chi2_steps.size(); ++i) current->err(format("low-r chi2 %zu: %g\n", i, l.chi2_steps[i]));
  if (x.o.quiet) return;
  if (opt.lowr_density == 1.0)
    print(format("optimised density: %s\n", shown(opt.lowr_rho, refined_density_sigma(activep)).c_str()));
  print(format("low-r chi2: %g\n", opt.lowr_chi2));
  print(format("low-r iterations: %d (%s)\n", l.iterations, l.converged ? "converged" : "not converged"));
}

// --optimise-scan after the S(q) step: one line per r_min.
int print_scan(reduction& x, std::vector<lowr_scan_row>& rows) {
  const scan_request& scan = x.o.scan;
  std::string problem;
  rows = lowr_scan(scan.r1, scan.r2, scan.step, &problem);
  if (rows.empty()) {
    note(format("amoq-reduce: --optimise-scan: %s", problem.c_str()));
    return series_refused;
  }
  if (x.o.quiet) return series_ok;
  for (const lowr_scan_row& row : rows)
    print(format("scan r_min %g: alpha %s density %s chi2 %g%s\n", row.rmin, shown(row.alpha).c_str(),
                 shown(row.rho).c_str(), row.chi2, row.converged ? "" : " (not converged)"));
  return series_ok;
}

// Counts every --coordination on R(r), prints it and adds it to the record's list.
int print_coordination(reduction& x, std::vector<record_coordination>& out) {
  for (const coordination_request& c : x.o.coordination) {
    const bool pair = !c.a.empty();
    const int a = pair ? species_by_symbol(activep, c.a) : -1, b = pair ? species_by_symbol(activep, c.b) : -1;
    if (pair && (a < 0 || b < 0)) {
      note(format(tr("amoq-reduce: --coordination %s-%s: no such species in the project"), c.a.c_str(), c.b.c_str()));
      return series_refused;
    }
    coordination_count count;
    const int counted = count_coordination(activep, c.r1, c.r2, a, b, count);
    if (counted == count_outside) {
      const curve* rdf = find_curve(activep, 3, cid_rdf);
      note(format(tr("amoq-reduce: --coordination %g:%g: the range lies outside R(r), which runs from %g to %g Å"),
                  c.r1, c.r2, rdf->data[0].front(), rdf->data[0].back()));
      return series_refused;
    }
    if (counted != count_done) {
      note(tr("amoq-reduce: --coordination needs R(r): run the g(r) step"));
      return series_refused;
    }
    if (const char* problem = coordination_problem(count, pair)) {
      note(tr(problem));
      return series_refused;
    }
    const double n = pair ? count.pair : count.total;
    const double n_sigma = pair ? count.pair_sigma : count.total_sigma;
    x.outcome.row.coordination[out.size()] = n;
    x.outcome.row.coordination_sigma[out.size()] = finite_or_none(n_sigma);
    // The Gaussian shell fitted on the range: its whole area, also beyond r1..r2, when the
    // fit holds; else why it is not reported.
    const peak_fit& fit = count.shell();
    const gaussian_peak& f = fit.peak;
    if (!x.o.quiet) {
      const std::string name = pair ? c.a + "-" + c.b + " " : std::string();
      print(format("coordination %s%g-%g: %s\n", name.c_str(), c.r1, c.r2, shown(n, n_sigma).c_str()));
      if (fit.reported())
        print(format("coordination fit %s%g-%g: %s (r0 %s, sigma %s)\n", name.c_str(), c.r1, c.r2,
                     shown(f.area, fit.sigmas.area).c_str(), shown(f.r0, fit.sigmas.r0).c_str(),
                     shown(f.sigma, fit.sigmas.sigma).c_str()));
      else
        print(format("coordination fit %s%g-%g: not reported (%s)\n", name.c_str(), c.r1, c.r2,
                     peak_fit_reason(fit.status)));
    }
    out.push_back({pair ? c.a + "-" + c.b : "total", c.r1, c.r2, n, fit.reported(), f.area, f.r0, f.sigma,
                   fit.reported() ? std::string() : peak_fit_reason(fit.status), fit.residual, n_sigma,
                   fit.sigmas});
    x.outcome.coordination.push_back({out.back(), n_sigma});
  }
  return series_ok;
}

// reduction.json in the folder: the project file and the data files loaded into it, each
// described by the bytes that were read (those every input shares were read once, for the
// project the inputs start from; a file is never opened again to be described).
int write_record(reduction& x, const std::vector<record_coordination>& counts, const std::vector<lowr_scan_row>& scan) {
  const std::vector<record_input> inputs = project_inputs(activep);
  const std::string path = (fs::path(x.job.dir) / "reduction.json").string();
  if (write_reduction_record(path, activep, inputs, counts, scan) == 0) return series_ok;
  show_error(format(tr("Impossible to write data file:\n%s\n"), path.c_str()).c_str(), 1);
  return series_file;
}

// ---- The steps -------------------------------------------------------------------------------

int first_step_with_data() {
  for (int k = 0; k < ncalc; ++k) {
    const curve* c = find_curve(activep, k, 0);
    if (c && curve_points(*c) > 0) return k;
  }
  return 0;
}

struct run_plan {
  int from, to;
  bool bending;
  bool bent = false;                // the bending correction ran
  std::vector<lowr_scan_row> scan;  // the rows of --optimise-scan
};

// Runs one step and writes its results; step_done / step_refused in result, the status of
// the writing returned.
int run_step(reduction& x, int step, run_plan& plan, int& result) {
  series_row& row = x.outcome.row;
  switch (step) {
    case 0:
      result = run_ra();
      return result == step_done ? write_result(x, "corrected", 0, 3) : series_ok;
    case 1: {
      if (plan.from < 1) on_set_use_calc(0, 1);
      result = run_sq();
      if (result != step_done) return series_ok;
      // The trial-and-error method uses the constant given, the others their estimate
      // (refined by the low-r optimisation when it runs).
      const project& p = proj[activep];
      const bool given = p.params[k_method] == 1 && p.options.lowr_rmin == not_set;
      row.normalisation_constant = given ? p.exp_prop[k_trial_constant] : p.exp_prop[k_norm_constant];
      x.outcome.normalisation_sigma = given ? std::nan("") : normalisation_sigma(activep);
      row.normalisation_constant_sigma = finite_or_none(x.outcome.normalisation_sigma);
      if (!x.o.quiet)
        print(format("normalisation constant: %s\n",
                     shown(*row.normalisation_constant, x.outcome.normalisation_sigma).c_str()));
      print_optimisation(x);
      if (x.o.scan.asked && print_scan(x, plan.scan) != series_ok) return result = step_refused, series_ok;
      if (x.o.adopt_density && adopt_refined_density() && !x.o.quiet)
        print(format("adopted density: %s\n",
                     shown(proj[activep].exp_prop[k_density], refined_density_sigma(activep)).c_str()));
      record_peak(1, 2, row.sq_first_peak_q, row.sq_first_peak);
      return std::max({write_result(x, "qsq", 1, 1), write_result(x, "sq", 1, 2)});
    }
    case 2:
      if (!plan.bending) return result = step_done, series_ok;
      if (plan.from < 2) on_set_use_calc(1, 1);
      result = run_bq();
      if (result != step_done) return series_ok;
      plan.bent = true;
      return write_result(x, "qsq_bent", 2, 1);
    default: {
      if (plan.from < 3) on_set_use_calc(2, plan.bent ? 1 : 2);
      result = run_gr();
      if (result != step_done) return series_ok;
      const bool slope = proj[activep].params[k_density_mode] == 1;
      const step_density used = gr_density(activep);
      row.density_used = used.value;
      x.outcome.density_sigma = gr_density_sigma(activep);
      row.density_used_sigma = finite_or_none(x.outcome.density_sigma);
      if (slope && !x.o.quiet)
        print(format("density from slope: %s\n", shown(reported_density, slope_density_sigma(activep)).c_str()));
      if (!slope && !x.o.quiet && used.source == density_refined)
        print(format("g(r) density: %s (refined)\n", shown(used.value, x.outcome.density_sigma).c_str()));
      record_peak(3, slope ? 3 : 2, row.gr_first_peak_r, row.gr_first_peak);
      return std::max(
          {write_result(x, "Gr", 3, 1), write_result(x, "gr", 3, slope ? 3 : 2), write_result(x, "rdf", 3, cid_rdf)});
    }
  }
}

int folder_refused(const fs::path& dir, const std::string& reason) {
  show_error(format(tr("Impossible to create the folder:\n%s\n%s\n"), dir.string().c_str(), reason.c_str()).c_str(),
             1);
  return series_file;
}

// The results' folder: the output folder as given (a link there is the user's choice), and
// an input's own folder inside it, which must be a real folder: a symbolic link planted at
// its name would send the results elsewhere, so it is refused, never followed.
int make_folder(const fs::path& dir, bool own_folder) {
  std::error_code ec;
  fs::create_directories(own_folder ? dir.parent_path() : dir, ec);
  if (ec) return folder_refused(dir, ec.message());
  if (!own_folder) return series_ok;
  if (::mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) return folder_refused(dir, std::strerror(errno));
  struct stat st;
  if (::lstat(dir.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
    return folder_refused(dir, tr("is a symbolic link: results are not written through it"));
  // Opened without following a link: what stands at the name now is the folder written to.
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return folder_refused(dir, std::strerror(errno));
  ::close(fd);
  return series_ok;
}

// The series value from the input's header.
void take_header_value(reduction& x) {
  if (!x.request || x.request->value_key.empty() || !x.job.input) return;
  x.outcome.row.value = header_value(last_import_header(), x.request->value_key);
  if (!x.outcome.row.value)
    note(format(tr("amoq-reduce: %s: no %s in its header"), x.job.input->path.c_str(),
                x.request->value_key.c_str()));
}

int reduce(reduction& x) {
  const series_settings& o = x.o;
  double autorecalc = 0.0;
  int status = prepare_once(x, autorecalc);
  if (status != series_ok) return status;
  run_plan plan{o.from, o.to, false, false, {}};
  if (plan.from < 0) plan.from = x.job.input ? 0 : first_step_with_data();
  plan.bending =
      o.bending == 1 ||
      (o.bending == -1 && (plan.from == 2 || plan.to == 2 || proj[activep].exp_prop[k_bending_point] != not_set));
  if (x.job.input) {
    if (plan.from >= 1) proj[activep].usecalc[plan.from - 1] = 0;
    forget_import_header();
    if (!load_input(*x.job.input, plan.from == 0 ? 0 : plan.from + 2)) return series_file;
    take_header_value(x);
  }
  if (!x.job.in_memory && (status = make_folder(x.job.dir, x.job.own_folder)) != series_ok) return status;
  for (int step = plan.from; step <= plan.to && status == series_ok; ++step) {
    int result = step_done;
    status = run_step(x, step, plan, result);
    if (result != step_done) status = series_refused;
  }
  if (status == series_ok && o.scan.asked && plan.scan.empty()) {
    note(tr("amoq-reduce: --optimise-scan needs the S(q) step: run it with --from 0 or 1"));
    status = series_refused;
  }
  std::vector<record_coordination> counts;
  if (status == series_ok) status = print_coordination(x, counts);
  if (current) current->flush();
  if (x.job.in_memory) return status;
  // The record of what was done is written whatever the outcome.
  const int recorded = write_record(x, counts, plan.scan);
  if (status != series_ok) return status;
  if (recorded != series_ok) return recorded;
  if (x.job.save_path.empty()) return series_ok;
  proj[activep].options.autorecalc = autorecalc;
  int code = save_project_file(x.job.save_path, activep);
  if (code == 0) return series_ok;
  show_error(
      format(tr("Impossible to save project file:\n%s\nError code: %d\n"), x.job.save_path.c_str(), code).c_str(), 1);
  return series_file;
}

}  // namespace

void install_worker_receivers() {
  message_presenter p;
  p.info = note;
  p.warning = [](const std::string& t) {
    if (t == tr("My warning message")) return;
    note(t);
    if (const std::string hint = setting_hint(t); !hint.empty()) note(hint);
  };
  p.error = put_error;
  p.question = [](const std::string&, const std::string&) { return 0; };
  set_message_presenter(std::move(p));
  connect_step_callbacks();
  // The density estimate is printed as the routine reports it; the record keeps only a
  // positive one.
  numeric_receiver r = set_numeric_receiver({});
  r.displaydens = [](double value) {
    reported_density = value;
    store_density(value);
  };
  set_numeric_receiver(std::move(r));
}

input_outcome reduce_input(const series_request& request, const input_job& job, prepared_project& prepared) {
  input_outcome outcome;
  outcome.row.coordination.resize(request.settings.coordination.size());
  outcome.row.coordination_sigma.resize(request.settings.coordination.size());
  capture cap(request.settings.quiet, request.settings.echo);
  current = &cap;
  reduction x{&request, request.settings, job, outcome, prepared};
  outcome.exit = reduce(x);
  current = nullptr;
  outcome.output = cap.release(outcome.exit != series_ok, outcome.row.warnings);
  return outcome;
}

// ---- In the caller's process -----------------------------------------------------------------

namespace {

// A worker's receivers for the duration of one call, the caller's own put back after it;
// messages are held (quiet) and handed over at the end.
class in_process_scope {
 public:
  in_process_scope() : presenter_(set_message_presenter({})), receiver_(set_numeric_receiver({})), cap_(true, false) {
    install_worker_receivers();
    current = &cap_;
  }
  ~in_process_scope() {
    current = nullptr;
    set_message_presenter(std::move(presenter_));
    set_numeric_receiver(std::move(receiver_));
  }
  in_process_scope(const in_process_scope&) = delete;
  in_process_scope& operator=(const in_process_scope&) = delete;
  std::vector<std::string> messages() {
    std::vector<std::string> m;
    cap_.release(false, m);
    return m;
  }

 private:
  message_presenter presenter_;
  numeric_receiver receiver_;
  capture cap_;
};

bool same_input(const series_input& a, const series_input& b) {
  return a.path == b.path && a.in_memory == b.in_memory && a.x == b.x && a.y == b.y && a.sigma == b.sigma;
}

// The settings that prepare_project reads are the same.
bool same_preparation(const series_settings& a, const series_settings& b) {
  if (a.sets.size() != b.sets.size()) return false;
  for (std::size_t i = 0; i < a.sets.size(); ++i)
    if (a.sets[i].key != b.sets[i].key || a.sets[i].value != b.sets[i].value) return false;
  return a.project == b.project && a.opened == b.opened && a.optimise == b.optimise &&
         a.optimise_density == b.optimise_density && a.errors == b.errors && same_input(a.background, b.background) &&
         same_input(a.cell, b.cell);
}

}  // namespace

int open_project(const std::string& path, project_snapshot& opened, std::vector<std::string>& messages) {
  in_process_scope scope;
  const int status = read_project_file(path);
  if (status == series_ok) opened = take_project_table();
  messages = scope.messages();
  return status;
}

int check_settings(const series_settings& settings, std::vector<std::string>& messages) {
  in_process_scope scope;
  double autorecalc = 0.0;
  const int status = apply_sets(settings, autorecalc);
  messages = scope.messages();
  return status;
}

int save_project(const series_settings& settings, const std::string& path, std::vector<std::string>& messages) {
  in_process_scope scope;
  double autorecalc = 0.0;
  int status = apply_sets(settings, autorecalc);
  if (status == series_ok) {
    proj[activep].options.autorecalc = autorecalc;
    if (ends_with_kind(path, "apf")) {
      if (!write_xml(path.c_str())) {
        std::string t = tr("Impossible to write the APF file\n");
        if (!xml_write_failure().empty()) t += xml_write_failure() + "\n";
        show_error(t.c_str(), 1);
        status = series_file;
      }
    } else if (const int code = save_project_file(path, activep); code != 0) {
      show_error(format(tr("Impossible to save project file:\n%s\nError code: %d\n"), path.c_str(), code).c_str(), 1);
      status = series_file;
    }
  }
  messages = scope.messages();
  return status;
}

input_outcome reduce_in_memory(const series_settings& settings, const series_input* input,
                               prepared_project& prepared) {
  if (!prepared.done || !same_preparation(prepared.settings, settings)) {
    prepared = prepared_project();
    prepared.settings = settings;
  }
  input_outcome outcome;
  outcome.row.coordination.resize(settings.coordination.size());
  outcome.row.coordination_sigma.resize(settings.coordination.size());
  {
    in_process_scope scope;
    input_job job;
    job.input = input;
    job.in_memory = true;
    reduction x{nullptr, settings, job, outcome, prepared};
    outcome.exit = reduce(x);
    outcome.row.warnings = scope.messages();
  }
  return outcome;
}
