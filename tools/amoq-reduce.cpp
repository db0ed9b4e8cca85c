// amoq-reduce: the batch front end. Reads a project (.nap or .apf), applies its settings
// as "Apply" does, runs the calculation steps on the project's own data or on each INPUT
// file, and writes the results with the curve data writer; with several INPUTs also the
// summary of the series. The reduction is the series engine's (src/series), which shares
// every rule, check and warning with the program; this file turns the command line into
// its request and prints what it reports: messages on stderr, values on stdout.
#include <dlfcn.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "project/i18n.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/sq_refine.h"
#include "series/series.h"
#include "tools/reduce_plot.h"
#include "version.h"

namespace fs = std::filesystem;

namespace {

enum exit_status { status_ok = series_ok, status_refused = series_refused, status_file = series_file };
constexpr int go_on = -1;  // parse result: run the reduction

struct options {
  series_request request;   // settings, inputs, outdir, workers, series values
  std::string values_file;  // --series-values
  std::string merge;        // --merge-series OUT; the positional arguments are its folders
  std::vector<std::string> positional;
};

// ---- The options: parser and help text from one table --------------------------------------

// Applies an option with its value (empty for a flag); returns go_on or the exit status.
using option_action = int (*)(options& o, const std::string& name, const std::string& value);

struct option_spec {
  const char* short_name;  // nullptr when the option has none
  const char* long_name;
  const char* value_name;  // nullptr for a flag
  option_action act;
  // Help text, one string per line; nullptr shares the help line of the next option.
  const char* help;
};

int usage(options&, const std::string&, const std::string&);
int version(options&, const std::string&, const std::string&);
int step_number(options& o, const std::string& name, const std::string& value);
int add_setting(options& o, const std::string&, const std::string& value);
int output_format(options& o, const std::string&, const std::string& value);
int error_source(options& o, const std::string&, const std::string& value);
int plot_format(options& o, const std::string&, const std::string& value);
int optimise(options& o, const std::string&, const std::string& value);
int optimise_scan(options& o, const std::string&, const std::string& value);
int coordination(options& o, const std::string&, const std::string& value);
int jobs(options& o, const std::string&, const std::string& value);

series_settings& settings(options& o) { return o.request.settings; }

const option_spec option_table[] = {
    {nullptr, "--from", "N", step_number, nullptr},
    {nullptr, "--to", "N", step_number,
     N_("steps to run: 0 raw data correction, 1 S(q),\n"
     "2 bending correction, 3 g(r) (default: from the first\n"
     "step with data to 3)")},
    {nullptr, "--bending", nullptr, [](options& o, auto&, auto&) { return settings(o).bending = 1, go_on; },
     nullptr},
    {nullptr, "--no-bending", nullptr, [](options& o, auto&, auto&) { return settings(o).bending = 0, go_on; },
     N_("run or skip the bending correction (default: run it\n"
     "when a bending point is set)")},
    {nullptr, "--set", "KEY=VALUE", add_setting,
     N_("set a parameter first (repeatable; method=2 the integral\n"
        "method, window=1 the Lorch window, optiter the most\n"
        "corrections of --optimise, bdbox=4 no Breit-Dirac factor,\n"
        "qmax the highest Q of the normalisations, --optimise and\n"
        "the transform, ttmax the raw range); KEY is one of")},  // + the keys
    {nullptr, "--optimise", "RMIN", optimise,
     N_("optimise S(Q) below RMIN (A, 0 < RMIN < Rmax): constant\n"
        "(and density) from the low-r region, its deviation from\n"
        "-4 pi rho r removed iteratively from F(r) as the g(r) step\n"
        "makes it (window, Q max)")},
    {nullptr, "--optimise-density", nullptr,
     [](options& o, auto&, auto&) { return settings(o).optimise_density = true, go_on; },
     N_("with --optimise or --optimise-scan, also refine the\n"
        "density; g(r), R(r) and the coordination numbers use it")},
    {nullptr, "--adopt-density", nullptr,
     [](options& o, auto&, auto&) { return settings(o).adopt_density = true, go_on; },
     N_("with --optimise-density, make the refined density the\n"
        "sample's density (also in --save-project)")},
    {nullptr, "--optimise-scan", "R1:R2:STEP", optimise_scan,
     N_("repeat the optimisation for r_min from R1 to R2 (A) and\n"
        "print alpha, density and chi2 for each, one line each\n"
        "(choose r_min on the plateau of the density)")},
    {nullptr, "--coordination", "R1:R2", coordination,
     N_("print the coordination number between R1 and R2 (A) on\n"
        "R(r); A-B:R1:R2 (element symbols) the number of B around\n"
        "A (repeatable); also a Gaussian shell fitted there, or\n"
        "why none is reported")},
    {nullptr, "--background", "FILE",
     [](options& o, auto&, const std::string& v) { return settings(o).background.path = v, go_on; },
     N_("background scattering; switches its subtraction on")},
    {nullptr, "--cell", "FILE", [](options& o, auto&, const std::string& v) { return settings(o).cell.path = v, go_on; },
     N_("substrate/cell scattering; switches its subtraction on")},
    {"-o", "--outdir", "DIR", [](options& o, auto&, const std::string& v) { return o.request.outdir = v, go_on; },
     N_("where results go (default: the current folder); with\n"
        "several INPUTs each gets DIR/<INPUT base name>/\n"
        "(-2, -3, ... when the name is taken)")},
    {nullptr, "--output-format", "F", output_format,
     N_("dat (two columns), dat4 (four columns) or agr (Grace)")},
    {nullptr, "--errors", "E", error_source,
     N_("carry uncertainties through every step: poisson (the\n"
        "raw, background and cell data are counts) or column\n"
        "(a third column of each data file); every curve gets its\n"
        "standard deviation (dat: a third column, dat4: a fifth,\n"
        "agr: xydy sets) and every number printed ends in +/- sigma")},
    {nullptr, "--save-project", "FILE",
     [](options& o, auto&, const std::string& v) { return settings(o).save_project = v, go_on; },
     N_("also save the project with every curve as a .nap file")},
    {nullptr, "--plot", "F", plot_format,
     N_("also draw every result curve as an image: png, pdf or\n"
     "svg (840 x 600, default curve style; Gr.png, ...)")},
    {nullptr, "--echo", nullptr, [](options& o, auto&, auto&) { return settings(o).echo = true, go_on; },
     N_("print the raw data correction's parameters on stderr")},
    {"-j", "--jobs", "N", jobs,
     N_("reduce N INPUTs at a time, each in a worker process\n"
        "(default: one per processor); the results are the same\n"
        "as with -j 1")},
    {nullptr, "--series", nullptr, [](options& o, auto&, auto&) { return o.request.series = true, go_on; },
     N_("also with one INPUT: its results in DIR/<name>/ and the\n"
        "summary in DIR, a part for --merge-series")},
    {nullptr, "--series-value", "KEY",
     [](options& o, auto&, const std::string& v) { return o.request.value_key = v, go_on; },
     N_("the series value of each INPUT from its header: the\n"
        "first line KEY=VALUE or KEY: VALUE (any case; a unit\n"
        "after the number is ignored)")},
    {nullptr, "--series-values", "FILE",
     [](options& o, auto&, const std::string& v) { return o.values_file = v, go_on; },
     N_("the series value of each INPUT from FILE: lines\n"
        "NAME VALUE, NAME the INPUT as given or its file name")},
    {nullptr, "--merge-series", "OUT",
     [](options& o, auto&, const std::string& v) { return o.merge = v, go_on; },
     N_("amoq-reduce --merge-series OUT DIR... joins the\n"
        "summaries of separate series runs into OUT as one run\n"
        "over all their INPUTs writes it")},
    {"-q", nullptr, nullptr, [](options& o, auto&, auto&) { return settings(o).quiet = true, go_on; },
     N_("print nothing but errors")},
    {"-h", "--help", nullptr, usage, N_("show this help")},
    {"-v", "--version", nullptr, version, N_("show the version")},
};

constexpr size_t help_column = 26;
constexpr size_t help_width = 79;

std::string option_label(const option_spec& s) {
  std::string label;
  if (s.short_name) label = s.short_name;
  if (s.long_name) label += (label.empty() ? "" : ", ") + std::string(s.long_name);
  if (s.value_name) label += std::string(" ") + s.value_name;
  return label;
}

// Appends words to the help text, each line indented to the help column and no longer
// than help_width.
void append_wrapped(std::string& out, const std::vector<std::string>& words) {
  std::string line(help_column, ' ');
  for (const std::string& w : words) {
    if (line.size() > help_column && line.size() + 1 + w.size() > help_width) {
      out += line + "\n";
      line.assign(help_column, ' ');
    }
    line += (line.size() > help_column ? " " : "") + w;
  }
  out += line + "\n";
}

std::string option_help() {
  std::string out, label;
  for (const option_spec& s : option_table) {
    label += (label.empty() ? "" : ", ") + option_label(s);
    if (!s.help) continue;
    std::string text = tr(s.help);
    std::string prefix = "  " + label;
    prefix.append(prefix.size() < help_column ? help_column - prefix.size() : 1, ' ');
    for (size_t start = 0, nl; start < text.size(); start = nl + 1, prefix.assign(help_column, ' ')) {
      nl = std::min(text.find('\n', start), text.size());
      out += prefix + text.substr(start, nl - start) + "\n";
    }
    if (s.act == add_setting) append_wrapped(out, setting_key_names());
    label.clear();
  }
  return out;
}

int usage(options&, const std::string&, const std::string&) {
  std::fputs(tr("Usage: amoq-reduce [OPTION]... PROJECT [INPUT]...\n"
             "Reduce X-ray diffraction data of amorphous materials without a display.\n"
             "\n"
             "PROJECT is a project file (.nap) or an XML project file (.apf). Each INPUT replaces\n"
             "the input curve of the first step run (the raw data for step 0); without INPUT the\n"
             "project's own curves are used. A data file that is not plain (x, y) pairs\n"
             "(instrument files, text with a header) is read with format detection.\n"
             "bkgscale and cellscale scale the background and cell intensities; f' and f''\n"
             "absent from the project are taken from the X-ray tables (fp-from-tables=1: all\n"
             "of them), and mut-thickness (mm) with mass-density (g/cm3) gives the sample's\n"
             "mu*t from its composition.\n"
             "qmax bounds every step after the raw data correction: the high-angle and\n"
             "integral normalisations, the low-r optimisation and the transform; ttmin and\n"
             "ttmax bound the raw data.\n"
             "\n"),
             stdout);
  std::fputs(option_help().c_str(), stdout);
  std::fputs(tr("\n"
                "Results: corrected.dat, qsq.dat, sq.dat, qsq_bent.dat, Gr.dat, gr.dat, rdf.dat, and\n"
                "reduction.json (inputs with SHA-256, settings, reported values).\n"
                "Exit status: 0 every requested step ran, 1 a check refused a step or a setting\n"
                "or a step failed, 2 a file could not be read or written.\n"),
             stdout);
  // xgettext:no-c-format
  std::fputs(tr("\n"
                "A series (several INPUTs, or --series) also gets, in DIR: series.csv, one row per\n"
                "INPUT (sorted by the series value when given): input, value, exit,\n"
                "normalisation_constant, density_used, optimised_density, low_r_chi2,\n"
                "sq_first_peak_q, sq_first_peak, gr_first_peak_r, gr_first_peak, one column per\n"
                "--coordination, warnings (empty where a value does not apply); series_sq.dat,\n"
                "series_qsq.dat, series_Gr.dat, series_gr.dat: the abscissa of the first row's\n"
                "curve, then one column per row of series.csv (other grids interpolated linearly,\n"
                "nan outside them); series_inputs.csv: each INPUT's folder, for --merge-series.\n"
                "The first peak of S(Q) and g(r) is the first point that is at least half of the\n"
                "curve's largest value and the largest within 1 % of its points on either side,\n"
                "refined by the parabola through it and its two neighbours.\n"),
             stdout);
  return status_ok;
}

int version(options&, const std::string&, const std::string&) {
  std::printf("amoq-reduce (AMOQ) %s\n", amoq_version);
  return status_ok;
}

bool parse_int(const std::string& value, int lo, int hi, int& n) {
  auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
  return !value.empty() && ec == std::errc() && end == value.data() + value.size() && n >= lo && n <= hi;
}

int step_number(options& o, const std::string& name, const std::string& value) {
  int n = 0;
  if (!parse_int(value, 0, 3, n)) {
    std::fprintf(stderr, tr("amoq-reduce: %s: the step must be 0, 1, 2 or 3\n"), name.c_str());
    return status_refused;
  }
  (name == "--from" ? settings(o).from : settings(o).to) = n;
  return go_on;
}

int jobs(options& o, const std::string& name, const std::string& value) {
  if (!parse_int(value, 1, 4096, o.request.workers)) {
    std::fprintf(stderr, tr("amoq-reduce: %s %s: the number of workers must be 1 or more\n"), name.c_str(),
                 value.c_str());
    return status_refused;
  }
  return go_on;
}

bool parse_double(std::string_view s, double& v) {
  if (s.empty()) return false;
  const char* first = s.data();
  if (*first == '+') ++first;
  auto [end, ec] = std::from_chars(first, s.data() + s.size(), v);
  return ec == std::errc() && end == s.data() + s.size() && std::isfinite(v);
}

int add_setting(options& o, const std::string&, const std::string& value) {
  size_t eq = value.find('=');
  setting s{value.substr(0, eq), 0.0};
  if (eq == std::string::npos || !is_setting_key(s.key)) {
    std::fprintf(stderr, tr("amoq-reduce: --set %s: unknown setting\n"), value.c_str());
    return status_refused;
  }
  if (!parse_double(std::string_view(value).substr(eq + 1), s.value)) {
    std::fprintf(stderr, tr("amoq-reduce: --set %s: not a number\n"), value.c_str());
    return status_refused;
  }
  settings(o).sets.push_back(s);
  return go_on;
}

// Position of value in choices, or a message listing them and -1.
template <size_t n>
int choose(const char* option, const std::string& value, const char* const (&choices)[n]) {
  for (size_t i = 0; i < n; ++i)
    if (value == choices[i]) return static_cast<int>(i);
  std::string list;
  for (size_t i = 0; i < n; ++i) list += std::string(i == 0 ? "" : i + 1 < n ? ", " : tr(" or ")) + choices[i];
  std::fprintf(stderr, tr("amoq-reduce: %s %s: use %s\n"), option, value.c_str(), list.c_str());
  return -1;
}

int output_format(options& o, const std::string&, const std::string& value) {
  static const char* const formats[] = {"dat", "dat4", "agr"};  // the writer's format codes
  settings(o).format = choose("--output-format", value, formats);
  return settings(o).format < 0 ? status_refused : go_on;
}

int error_source(options& o, const std::string&, const std::string& value) {
  static const char* const sources[] = {"poisson", "column"};  // errors_counts, errors_column
  const int k = choose("--errors", value, sources);
  if (k < 0) return status_refused;
  settings(o).errors = k + 1;
  return go_on;
}

int plot_format(options& o, const std::string&, const std::string& value) {
  if (choose("--plot", value, plot_formats) < 0) return status_refused;
  settings(o).plot = value;
  return go_on;
}

int optimise(options& o, const std::string&, const std::string& value) {
  double rmin = 0.0;
  if (parse_double(value, rmin) && rmin > 0.0) {
    settings(o).optimise = rmin;
    return go_on;
  }
  std::fprintf(stderr, tr("amoq-reduce: --optimise %s: r_min must be a number > 0\n"), value.c_str());
  return status_refused;
}

// "R1:R2:STEP", 0 < R1 <= R2, STEP > 0, at most lowr_scan_max values.
int optimise_scan(options& o, const std::string&, const std::string& value) {
  scan_request& s = settings(o).scan;
  const size_t c1 = value.find(':'), c2 = c1 == std::string::npos ? c1 : value.find(':', c1 + 1);
  const std::string_view v(value);
  if (c2 == std::string::npos || !parse_double(v.substr(0, c1), s.r1) ||
      !parse_double(v.substr(c1 + 1, c2 - c1 - 1), s.r2) || !parse_double(v.substr(c2 + 1), s.step) ||
      !(s.r1 > 0.0 && s.r2 >= s.r1 && s.step > 0.0) || (s.r2 - s.r1) / s.step > lowr_scan_max - 1 + 1e-9) {
    std::fprintf(stderr,
                 tr("amoq-reduce: --optimise-scan %s: use R1:R2:STEP with 0 < R1 <= R2, STEP > 0 and at most %d "
                    "values\n"),
                 value.c_str(), lowr_scan_max);
    return status_refused;
  }
  s.asked = true;
  return go_on;
}

// "R1:R2" or "A-B:R1:R2".
bool parse_coordination(std::string_view v, coordination_request& c) {
  const size_t last = v.rfind(':');
  if (last == std::string_view::npos || last == 0) return false;
  const size_t mid = v.rfind(':', last - 1);
  const std::string_view range = mid == std::string_view::npos ? v : v.substr(mid + 1);
  const size_t colon = range.find(':');
  if (!parse_double(range.substr(0, colon), c.r1) || !parse_double(range.substr(colon + 1), c.r2)) return false;
  if (mid == std::string_view::npos) return true;
  const std::string_view pair = v.substr(0, mid);
  const size_t dash = pair.find('-');
  if (dash == std::string_view::npos || dash == 0 || dash + 1 == pair.size()) return false;
  c.a = pair.substr(0, dash);
  c.b = pair.substr(dash + 1);
  return true;
}

int coordination(options& o, const std::string&, const std::string& value) {
  coordination_request c;
  if (!parse_coordination(value, c)) {
    std::fprintf(stderr, tr("amoq-reduce: --coordination %s: use R1:R2 or A-B:R1:R2\n"), value.c_str());
    return status_refused;
  }
  if (!(c.r2 > c.r1)) {
    std::fprintf(stderr, tr("amoq-reduce: --coordination %s: R1 must be below R2\n"), value.c_str());
    return status_refused;
  }
  settings(o).coordination.push_back(c);
  return go_on;
}

const option_spec* find_option(const std::string& name) {
  for (const option_spec& s : option_table)
    if ((s.short_name && name == s.short_name) || (s.long_name && name == s.long_name)) return &s;
  return nullptr;
}

// The checks that need the whole command line.
int check_options(options& o) {
  series_request& r = o.request;
  if (!o.merge.empty()) {
    if (!o.positional.empty()) return go_on;
    std::fputs(tr("amoq-reduce: --merge-series OUT needs the folders of the runs to join\n"), stderr);
    return status_refused;
  }
  if (o.positional.empty()) {
    std::fputs(tr("amoq-reduce: a PROJECT file is required\nTry 'amoq-reduce --help'.\n"), stderr);
    return status_refused;
  }
  r.settings.project = o.positional.front();
  for (auto it = o.positional.begin() + 1; it != o.positional.end(); ++it) r.inputs.emplace_back(std::move(*it));
  o.positional = {};
  if (r.settings.from > r.settings.to) {
    std::fputs(tr("amoq-reduce: --from is after --to\n"), stderr);
    return status_refused;
  }
  if (r.settings.bending == 0 && (r.settings.from == 2 || r.settings.to == 2)) {
    std::fputs(tr("amoq-reduce: --no-bending leaves nothing to run at step 2\n"), stderr);
    return status_refused;
  }
  if (r.settings.optimise_density && !r.settings.optimise && !r.settings.scan.asked) {
    std::fputs(tr("amoq-reduce: --optimise-density refines the density of --optimise or --optimise-scan: give "
                  "one of them\n"),
               stderr);
    return status_refused;
  }
  if (r.settings.adopt_density && (!r.settings.optimise || !r.settings.optimise_density)) {
    std::fputs(tr("amoq-reduce: --adopt-density needs a refined density: give --optimise RMIN and "
                  "--optimise-density\n"),
               stderr);
    return status_refused;
  }
  if ((r.series || !r.value_key.empty() || !o.values_file.empty()) && r.inputs.empty()) {
    std::fputs(tr("amoq-reduce: --series, --series-value and --series-values need INPUT files\n"), stderr);
    return status_refused;
  }
  if (!r.value_key.empty() && !o.values_file.empty()) {
    std::fputs(tr("amoq-reduce: give --series-value or --series-values, not both\n"), stderr);
    return status_refused;
  }
  if (o.values_file.empty()) return go_on;
  std::string error;
  const int status = read_series_values(o.values_file, r.inputs, r.values, error);
  if (status != series_ok) std::fprintf(stderr, "%s\n", error.c_str());
  return status == series_ok ? go_on : status;
}

// Parses the command line; returns go_on, else the exit status.
int parse(int argc, char** argv, options& o) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i], value;
    bool has_inline = false;
    // --name=VALUE; --set=KEY=VALUE splits at the first '='.
    if (size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = arg.substr(eq + 1);
      arg.resize(eq);
      has_inline = true;
    }
    if (arg == "--") {
      o.positional.insert(o.positional.end(), argv + i + 1, argv + argc);
      break;
    }
    const option_spec* s = find_option(arg);
    if (!s && arg.size() > 1 && arg[0] == '-') {
      std::fprintf(stderr, tr("amoq-reduce: unknown option %s\n%s"), argv[i], tr("Try 'amoq-reduce --help'.\n"));
      return status_refused;
    }
    if (!s) {
      o.positional.push_back(arg);
      continue;
    }
    if (s->value_name && !has_inline) {
      if (i + 1 >= argc) {
        std::fprintf(stderr, tr("amoq-reduce: %s needs a value\n"), arg.c_str());
        return status_refused;
      }
      value = argv[++i];
    }
    if (int status = s->act(o, arg, value); status != go_on) return status;
  }
  return check_options(o);
}

// ---- Images ----------------------------------------------------------------------------------

// Draws a result image through the plot module, loaded beside the program on first use
// (in each worker: the first --plot image loads it there).
bool draw_image(const std::string& kind, const std::string& path, int calc, int cid) {
  static amoq_reduce_plot_fn draw = [] {
    std::error_code ec;
    const fs::path module = fs::read_symlink("/proc/self/exe", ec).parent_path() / AMOQ_PLOT_MODULE;
    void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    void* entry = handle ? dlsym(handle, amoq_reduce_plot_symbol) : nullptr;
    if (!entry) show_warning(format("amoq-reduce: %s", dlerror()).c_str());
    return reinterpret_cast<amoq_reduce_plot_fn>(entry);
  }();
  return draw && draw(kind.c_str(), path.c_str(), 840, 600, activep, calc, cid);
}

// The message catalogues: <prefix>/locale of the installed programs (this one in
// <prefix>/bin) or, run from the build folder, those staged beside amoq.
void setup_reduce_messages() {
  std::error_code ec;
  fs::path dir = fs::read_symlink("/proc/self/exe", ec).parent_path();
  if (dir.filename() == "bin") dir = dir.parent_path();
  fs::path locale = dir / "locale";
  if (!fs::is_directory(locale, ec)) locale = dir.parent_path() / "src" / "gui" / "locale";
  setup_messages(locale.c_str());
}

// ---- Standard output and error ----------------------------------------------------------------

void replay(const std::vector<output_piece>& pieces) {
  for (const output_piece& p : pieces) {
    if (p.kind == output_piece::out) std::fputs(p.text.c_str(), stdout);
    if (p.kind == output_piece::err) std::fputs(p.text.c_str(), stderr);
    if (p.kind == output_piece::flush) std::fflush(stdout);
  }
}

// The results printed on stdout are results like the files: a failed write there (full
// disk, closed pipe) is a failed write, status 2.
int finish_stdout(int status) {
  errno = 0;
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return status;
  // The reason is known when this flush failed, not when an earlier one did.
  std::fprintf(stderr, tr("amoq-reduce: cannot write to standard output%s%s\n"), errno ? ": " : "",
               errno ? std::strerror(errno) : "");
  return std::max(status, static_cast<int>(status_file));
}

// Runs the request; each input's output is printed in input order as it finishes.
int reduce(options& o) {
  series_request& r = o.request;
  const bool quiet = r.settings.quiet;
  const fs::path outdir = r.outdir;
  r.draw_image = draw_image;
  series_run run;
  std::string error;
  if (!run.start(std::move(r), error)) {
    std::fputs((error + (error.back() == '\n' ? "" : "\n")).c_str(), stderr);
    return status_file;
  }
  const size_t total = run.total();
  const std::vector<series_input>& inputs = run.request().inputs;
  int worst = status_ok;
  std::vector<series_result> done;
  for (bool more = true; more;) {
    more = run.poll(done, -1);
    for (const series_result& d : done) {
      if (total > 1 && !quiet) {
        const fs::path input(inputs[d.index].path);
        std::fprintf(stderr, "[%zu/%zu] %s\n", d.index + 1, total, input.filename().string().c_str());
        if (d.folder != input.stem().string())
          std::fprintf(stderr, tr("amoq-reduce: results of %s in %s/\n"), inputs[d.index].path.c_str(),
                       (outdir / d.folder).string().c_str());
      }
      replay(d.output);
      worst = std::max(worst, d.exit);
    }
    done.clear();
  }
  std::vector<output_piece> closing;
  worst = std::max(worst, run.finish(closing));
  replay(closing);
  return worst;
}

}  // namespace

// fontconfig keeps its configuration and font caches for the life of the process (pango
// loads them on the first --plot image); the leak checker of the sanitizer build is told to
// ignore them. Unused in other builds.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

int main(int argc, char** argv) {
  setup_reduce_messages();
  options o;
  int parsed = parse(argc, argv, o);
  if (parsed != go_on) return finish_stdout(parsed);
  if (!o.merge.empty()) {
    std::vector<output_piece> messages;
    const int status = merge_series(o.merge, o.positional, messages);
    replay(messages);
    return finish_stdout(status);
  }
  return finish_stdout(reduce(o));
}
