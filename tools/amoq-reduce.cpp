// amoq-reduce: the batch front end. Reads a project (.nap or .apf), applies its settings
// as "Apply" does, runs the calculation steps on the project's own data or on each INPUT
// file in turn, and writes the results with the curve data writer. It shares every rule,
// check and warning with the program; messages go to stderr.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "files/project_file.h"
#include "files/project_options.h"
#include "files/reduction_record.h"
#include "files/xml_project.h"
#include "numeric/callbacks.h"
#include "numeric/writedata.h"
#include "project/curve.h"
#include "project/messages.h"
#include "project/physics_options.h"
#include "project/project.h"
#include "project/rdf.h"
#include "project/settings.h"
#include "project/setting_table.h"
#include "project/sq_refine.h"
#include "project/steps.h"
#include "project/toolbox.h"
#include "tools/reduce_plot.h"
#include "version.h"
#include "project/i18n.h"

namespace fs = std::filesystem;

namespace {

enum exit_status { status_ok = 0, status_refused = 1, status_file = 2 };
constexpr int go_on = -1;  // parse result: run the reduction

struct setting {
  std::string key;
  double value;
};

// --coordination: a range of R(r) and, when given, the pair by element symbols.
struct coordination_request {
  std::string a, b;
  double r1 = 0.0, r2 = 0.0;
};

// --optimise-scan: r_min from r1 to r2 in steps.
struct scan_request {
  double r1 = 0.0, r2 = 0.0, step = 0.0;
  bool asked = false;
};

struct options {
  int from = -1, to = 3;
  int bending = -1;  // -1 default, 0 off, 1 on
  std::vector<setting> sets;
  double optimise = not_set;  // --optimise RMIN
  bool optimise_density = false;
  bool adopt_density = false;
  scan_request scan;
  std::vector<coordination_request> coordination;
  std::string background, cell;
  std::string outdir = ".";
  int format = 0;
  std::string save_project;
  std::string plot;  // one of plot_formats, empty for none
  bool echo = false, quiet = false;
  std::string project;
  std::vector<std::string> inputs;
};

// ---- The keys of --set ----------------------------------------------------------------------

// The settings of the project are the keys of the settings' table (project/setting_table.h),
// with their ranges and messages. These three more take values from the X-ray tables once
// the other settings are in (take_from_tables).
const char* const table_keys[] = {"fp-from-tables", "mut-thickness", "mass-density"};

bool is_table_key(const std::string& name) {
  return std::find(std::begin(table_keys), std::end(table_keys), name) != std::end(table_keys);
}

bool known_key(const std::string& name) { return setting_by_key(name) || is_table_key(name); }

// Every key, in the order the help lists them.
std::vector<std::string> setting_key_names() {
  std::vector<std::string> keys;
  for (int i = 0; i < nsetting_rules; ++i)
    if (setting_rules[i].key) keys.push_back(setting_rules[i].key);
  keys.insert(keys.end(), std::begin(table_keys), std::end(table_keys));
  return keys;
}

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
int plot_format(options& o, const std::string&, const std::string& value);
int optimise(options& o, const std::string&, const std::string& value);
int optimise_scan(options& o, const std::string&, const std::string& value);
int coordination(options& o, const std::string&, const std::string& value);

const option_spec option_table[] = {
    {nullptr, "--from", "N", step_number, nullptr},
    {nullptr, "--to", "N", step_number,
     N_("steps to run: 0 raw data correction, 1 S(q),\n"
     "2 bending correction, 3 g(r) (default: from the first\n"
     "step with data to 3)")},
    {nullptr, "--bending", nullptr, [](options& o, auto&, auto&) { return o.bending = 1, go_on; },
     nullptr},
    {nullptr, "--no-bending", nullptr, [](options& o, auto&, auto&) { return o.bending = 0, go_on; },
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
     [](options& o, auto&, auto&) { return o.optimise_density = true, go_on; },
     N_("with --optimise or --optimise-scan, also refine the\n"
        "density; g(r), R(r) and the coordination numbers use it")},
    {nullptr, "--adopt-density", nullptr,
     [](options& o, auto&, auto&) { return o.adopt_density = true, go_on; },
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
     [](options& o, auto&, const std::string& v) { return o.background = v, go_on; },
     N_("background scattering; switches its subtraction on")},
    {nullptr, "--cell", "FILE", [](options& o, auto&, const std::string& v) { return o.cell = v, go_on; },
     N_("substrate/cell scattering; switches its subtraction on")},
    {"-o", "--outdir", "DIR", [](options& o, auto&, const std::string& v) { return o.outdir = v, go_on; },
     N_("where results go (default: the current folder); with\n"
        "several INPUTs each gets DIR/<INPUT base name>/\n"
        "(-2, -3, ... when the name is taken)")},
    {nullptr, "--output-format", "F", output_format,
     N_("dat (two columns), dat4 (four columns) or agr (Grace)")},
    {nullptr, "--save-project", "FILE",
     [](options& o, auto&, const std::string& v) { return o.save_project = v, go_on; },
     N_("also save the project with every curve as a .nap file")},
    {nullptr, "--plot", "F", plot_format,
     N_("also draw every result curve as an image: png, pdf or\n"
     "svg (840 x 600, default curve style; Gr.png, ...)")},
    {nullptr, "--echo", nullptr, [](options& o, auto&, auto&) { return o.echo = true, go_on; },
     N_("print the raw data correction's parameters on stderr")},
    {"-q", nullptr, nullptr, [](options& o, auto&, auto&) { return o.quiet = true, go_on; },
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
  return status_ok;
}

int version(options&, const std::string&, const std::string&) {
  std::printf("amoq-reduce (AMOQ) %s\n", amoq_version);
  return status_ok;
}

int step_number(options& o, const std::string& name, const std::string& value) {
  int n = 0;
  auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
  if (value.empty() || ec != std::errc() || end != value.data() + value.size() || n < 0 || n > 3) {
    std::fprintf(stderr, tr("amoq-reduce: %s: the step must be 0, 1, 2 or 3\n"), name.c_str());
    return status_refused;
  }
  (name == "--from" ? o.from : o.to) = n;
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
  if (eq == std::string::npos || !known_key(s.key)) {
    std::fprintf(stderr, tr("amoq-reduce: --set %s: unknown setting\n"), value.c_str());
    return status_refused;
  }
  if (!parse_double(std::string_view(value).substr(eq + 1), s.value)) {
    std::fprintf(stderr, tr("amoq-reduce: --set %s: not a number\n"), value.c_str());
    return status_refused;
  }
  o.sets.push_back(s);
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
  o.format = choose("--output-format", value, formats);
  return o.format < 0 ? status_refused : go_on;
}

int plot_format(options& o, const std::string&, const std::string& value) {
  if (choose("--plot", value, plot_formats) < 0) return status_refused;
  o.plot = value;
  return go_on;
}

// The rules of r_min (below Rmax, and within the range of its setting) are applied with
// the project's settings.
int optimise(options& o, const std::string&, const std::string& value) {
  if (parse_double(value, o.optimise) && o.optimise > 0.0) return go_on;
  std::fprintf(stderr, tr("amoq-reduce: --optimise %s: r_min must be a number > 0\n"), value.c_str());
  return status_refused;
}

// "R1:R2:STEP", 0 < R1 <= R2, STEP > 0, at most lowr_scan_max values.
int optimise_scan(options& o, const std::string&, const std::string& value) {
  scan_request& s = o.scan;
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

// "R1:R2" or "A-B:R1:R2" with R1 < R2.
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
  o.coordination.push_back(c);
  return go_on;
}

const option_spec* find_option(const std::string& name) {
  for (const option_spec& s : option_table)
    if ((s.short_name && name == s.short_name) || (s.long_name && name == s.long_name)) return &s;
  return nullptr;
}

// The checks that need the whole command line.
int check_options(options& o, const std::vector<std::string>& positional) {
  if (positional.empty()) {
    std::fputs(tr("amoq-reduce: a PROJECT file is required\nTry 'amoq-reduce --help'.\n"), stderr);
    return status_refused;
  }
  o.project = positional.front();
  o.inputs.assign(positional.begin() + 1, positional.end());
  if (o.from > o.to) {
    std::fputs(tr("amoq-reduce: --from is after --to\n"), stderr);
    return status_refused;
  }
  if (o.bending == 0 && (o.from == 2 || o.to == 2)) {
    std::fputs(tr("amoq-reduce: --no-bending leaves nothing to run at step 2\n"), stderr);
    return status_refused;
  }
  if (o.optimise_density && o.optimise == not_set && !o.scan.asked) {
    std::fputs(tr("amoq-reduce: --optimise-density refines the density of --optimise or --optimise-scan: give "
                  "one of them\n"),
               stderr);
    return status_refused;
  }
  if (o.adopt_density && (o.optimise == not_set || !o.optimise_density)) {
    std::fputs(tr("amoq-reduce: --adopt-density needs a refined density: give --optimise RMIN and "
                  "--optimise-density\n"),
               stderr);
    return status_refused;
  }
  return go_on;
}

// Parses the command line; returns go_on, else the exit status.
int parse(int argc, char** argv, options& o) {
  std::vector<std::string> positional;
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
      positional.insert(positional.end(), argv + i + 1, argv + argc);
      break;
    }
    const option_spec* s = find_option(arg);
    if (!s && arg.size() > 1 && arg[0] == '-') {
      std::fprintf(stderr, tr("amoq-reduce: unknown option %s\n%s"), argv[i], tr("Try 'amoq-reduce --help'.\n"));
      return status_refused;
    }
    if (!s) {
      positional.push_back(arg);
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
  return check_options(o, positional);
}

// ---- Messages --------------------------------------------------------------------------------

// Messages of the rules. In quiet mode they are held back and shown only when the file
// being reduced fails, so a warning that refused a step always reaches stderr.
struct message_sink {
  bool quiet = false;
  std::string held;
  void put(const std::string& text) {
    std::string line = text;
    if (line.empty() || line.back() != '\n') line += '\n';
    if (quiet)
      held += line;
    else
      std::fputs(line.c_str(), stderr);
  }
  void release(bool failed) {
    if (failed) std::fputs(held.c_str(), stderr);
    held.clear();
  }
};
message_sink sink;
double reported_density = 0.0;

// The tool's messages carry neither the dialogs' bug-report request nor the placeholder
// texts that follow a routine's own failure message.
void put_error(const std::string& t) {
  const std::string request = std::string(tr(bug_line)) + "<" + bug_address + ">";
  std::string text = t;
  if (text.size() >= request.size() && text.compare(text.size() - request.size(), request.size(), request) == 0)
    text.erase(text.size() - request.size());
  if (text != std::string(tr("My error message")) + "\n") sink.put(text);
}

// The warnings that name a setting missing or out of range are the messages of the
// settings' table; these two more name the density, for the steps that need it.
struct missing_setting {
  const char* warning;  // msgid
  const char* key;
};
const missing_setting missing_settings[] = {
    {N_("You decided to use the integral method\nIn that case the sample's density must be > 0.0"), "density"},
    {N_("The optimisation below r_min needs the sample's density > 0.0"), "density"},
};

// "set it with --set bdbox=1|2|3|4" for a warning that names a setting, else "".
std::string setting_hint(const std::string& warning) {
  const setting_rule* rule = nullptr;
  for (int i = 0; i < nsetting_rules && !rule; ++i)
    if (setting_rules[i].key && setting_rules[i].message && warning == tr(setting_rules[i].message))
      rule = &setting_rules[i];
  for (const missing_setting& m : missing_settings)
    if (!rule && warning == tr(m.warning)) rule = setting_by_key(m.key);
  if (!rule) return std::string();
  std::string values = tr("NUMBER");
  if (rule->flags & whole) {
    values.clear();
    for (int v = static_cast<int>(rule->lo); v <= static_cast<int>(rule->hi); ++v)
      values += (values.empty() ? "" : "|") + std::to_string(v);
  }
  return format(tr("set it with --set %s=%s"), rule->key, values.c_str());
}

void install_presenter() {
  message_presenter p;
  p.info = [](const std::string& t) { sink.put(t); };
  p.warning = [](const std::string& t) {
    if (t == tr("My warning message")) return;
    sink.put(t);
    if (const std::string hint = setting_hint(t); !hint.empty()) sink.put(hint);
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

// Applies one --set to the active project before "Apply" through the settings' table (the
// abscissa comes after it, as it is chosen in the raw data dialog, and the values from the
// X-ray tables later still). Returns false for a value out of range.
bool apply_setting(const setting& s) {
  if (is_table_key(s.key))
    return s.key == "fp-from-tables" ? (s.value == 0.0 || s.value == 1.0) : s.value > 0.0;
  const setting_rule& rule = *setting_by_key(s.key);
  if (rule.place == setting_place::param && rule.index == k_abscissa) return setting_in_range(rule, s.value);
  return set_setting(rule, s.value) != prop_rejected;
}

// f′ and f″ from the tables (those absent, i.e. 0, or all with fp-from-tables=1) and μt
// from mut-thickness and mass-density, once the other settings (the wavelength among
// them) are in. False when the tables cannot give what was asked for.
bool take_from_tables(const std::vector<setting>& sets) {
  double all = 0.0, thickness = 0.0, density = 0.0;
  for (const setting& s : sets) {
    if (s.key == "fp-from-tables") all = s.value;
    if (s.key == "mut-thickness") thickness = s.value;
    if (s.key == "mass-density") density = s.value;
  }
  const project& r = proj[activep];
  for (int s = 0; s < r.nspec; ++s) {
    if (all == 0.0 && r.spec_prop[2][s] != 0.0 && r.spec_prop[3][s] != 0.0) continue;
    int result = anomalous_from_tables(s, all == 0.0);
    if (result == prop_rejected && all != 0.0) return false;
    if (result == prop_stored)
      sink.put(format(tr("amoq-reduce: f' and f'' of %s from the tables: %f %f"), r.spec_symbol[s].c_str(),
                      r.spec_prop[2][s], r.spec_prop[3][s]));
  }
  if (thickness == 0.0 && density == 0.0) return true;
  if (thickness == 0.0 || density == 0.0) {
    sink.put(tr("amoq-reduce: mut-thickness and mass-density are needed together"));
    return false;
  }
  if (compute_mu_t(thickness, density) == prop_rejected) return false;
  sink.put(format(tr("amoq-reduce: mu*t of the sample from the tables: %f"), r.exp_prop[k_abs_sample]));
  return true;
}

int read_native_project(const std::string& path) {
  int code = open_project_file(path);
  if (code == 0) return status_ok;
  std::string text = format(tr("Impossible to open project file: \n%s\nError code: %d\n"), path.c_str(), code);
  if (!project_read_problem().empty()) text += project_read_problem() + "\n";
  show_error(text.c_str(), 1);
  return status_file;
}

int read_xml_project(const std::string& path) {
  // The import's success note is for the window; here only its failures are shown.
  message_presenter quiet_info = set_message_presenter({});
  message_presenter during = quiet_info;
  during.info = [](const std::string&) {};
  set_message_presenter(during);
  int code = open_xml(path.c_str());
  set_message_presenter(std::move(quiet_info));
  if (code == 0) return status_ok;
  show_error(tr("Impossible to use the AMOQ XML project file\n"), 1);
  return status_file;
}

// Reads PROJECT into a fresh project table.
int read_project(const std::string& path) {
  while (nprojects > 0) close_project_record(0);
  init_project();
  if (ends_with_kind(path, "nap")) return read_native_project(path);
  if (ends_with_kind(path, "apf")) return read_xml_project(path);
  sink.put(format(tr("amoq-reduce: %s: not a project file (.nap) or XML project file (.apf)"),
                  path.c_str()));
  return status_file;
}

// Reads the project, applies the --set values and "Apply", and loads the background and
// cell files. The batch runs the steps itself: the project's automatic recalculation,
// which would run them once more after every setting, is switched off and handed back
// in `autorecalc` for the project saved.
int prepare_project(const options& o, double& autorecalc) {
  int status = read_project(o.project);
  if (status != status_ok) return status;
  autorecalc = std::exchange(proj[activep].options.autorecalc, 0.0);
  // Switched on first, so that an optiter given replaces the count switching on chooses.
  if (o.optimise != not_set) set_lowr(1);
  int format_choice = -2;
  for (const setting& s : o.sets) {
    if (!apply_setting(s)) {
      sink.put(format(tr("amoq-reduce: --set %s: value out of range"), s.key.c_str()));
      return status_refused;
    }
    if (s.key == "formatbox") format_choice = static_cast<int>(s.value);
  }
  if (!take_from_tables(o.sets)) return status_refused;
  proj[activep].import_choice = 1;  // files the plain reader refuses: format detection
  if (o.optimise != not_set) {
    if (const char* rule = lowr_rmin_problem(o.optimise, proj[activep].exp_prop[k_rmax])) {
      sink.put(format(tr("amoq-reduce: --optimise %g: %s (Rmax %g)"), o.optimise, tr(rule),
                      proj[activep].exp_prop[k_rmax]));
      return status_refused;
    }
    if (!set_lowr_setting(0, o.optimise)) return status_refused;
  }
  if (o.optimise_density) set_lowr_setting(2, 1.0);
  proj[activep].trun = 1;  // apply as "Apply" does, whatever the file's state
  if (!apply_project()) return status_refused;
  if (format_choice >= 0) set_data_format(format_choice);
  if (proj[activep].params[k_abscissa] >= 0 && !proj[activep].initok[calc_ra]) initcnames(0, 1);

  const std::string* extra[2] = {&o.background, &o.cell};
  for (int k = 0; k < 2; ++k) {
    if (extra[k]->empty()) continue;
    if (!load_data_file(k + 1, extra[k]->c_str())) return status_file;
    set_file_option(k, 1);
  }
  return status_ok;
}

// ---- Results -------------------------------------------------------------------------------

// Draws a result image through the plot module, loaded beside the program on first use.
bool draw_image(const std::string& kind, const std::string& path, int calc, int cid) {
  static amoq_reduce_plot_fn draw = [] {
    std::error_code ec;
    const fs::path module = fs::read_symlink("/proc/self/exe", ec).parent_path() / AMOQ_PLOT_MODULE;
    void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    void* entry = handle ? dlsym(handle, amoq_reduce_plot_symbol) : nullptr;
    if (!entry) sink.put(format("amoq-reduce: %s", dlerror()));
    return reinterpret_cast<amoq_reduce_plot_fn>(entry);
  }();
  return draw && draw(kind.c_str(), path.c_str(), 840, 600, activep, calc, cid);
}

int write_result(const options& o, const fs::path& dir, const char* stem, int calc, int cid) {
  const curve* c = find_curve(activep, calc, cid);
  int n = c ? curve_points(*c) : 0;
  if (n == 0) return status_ok;
  std::string path = (dir / (std::string(stem) + (o.format == 2 ? ".agr" : ".dat"))).string();
  if (!save_to_file(static_cast<int>(path.size()), path.c_str(), n, c->data[0].data(),
                    c->data[1].data(), 0, 0, 0, calc, cid, o.format)) {
    show_error(format(tr("Impossible to write data file:\n%s\n"), path.c_str()).c_str(), 1);
    return status_file;
  }
  if (o.plot.empty()) return status_ok;
  std::string image = (dir / (std::string(stem) + "." + o.plot)).string();
  if (!draw_image(o.plot, image, calc, cid)) {
    show_error(format(tr("Impossible to write image file:\n%s\n"), image.c_str()).c_str(), 1);
    return status_file;
  }
  return status_ok;
}

// A value printed on stdout: "%f" as always, unless that shows a value that is not zero as
// zero (a count rate of 1e7 gives a constant of 2e-9): then exponent notation.
std::string shown(double v) {
  std::string text = format("%f", v);
  if (v != 0.0 && text.find_first_of("123456789") == std::string::npos) text = format("%e", v);
  return text;
}

// The results of the low-r optimisation, when it ran; with --echo its chi^2 before the
// first correction and after each one on stderr.
void print_optimisation(const options& o) {
  const project& r = proj[activep];
  const project_options& opt = r.options;
  if (!lowr_on(activep) || !r.lowr_last) return;
  const lowr_result& l = *r.lowr_last;
  if (o.echo)
    for (size_t i = 0; i < l.chi2_steps.size(); ++i) std::fprintf(stderr, "low-r chi2 %zu: %g\n", i, l.chi2_steps[i]);
  if (o.quiet) return;
  if (opt.lowr_density == 1.0) std::printf("optimised density: %s\n", shown(opt.lowr_rho).c_str());
  std::printf("low-r chi2: %g\n", opt.lowr_chi2);
  std::printf("low-r iterations: %d (%s)\n", l.iterations, l.converged ? "converged" : "not converged");
}

// --optimise-scan after the S(q) step: one line per r_min.
int print_scan(const options& o, std::vector<lowr_scan_row>& rows) {
  std::string problem;
  rows = lowr_scan(o.scan.r1, o.scan.r2, o.scan.step, &problem);
  if (rows.empty()) {
    sink.put(format("amoq-reduce: --optimise-scan: %s", problem.c_str()));
    return status_refused;
  }
  if (o.quiet) return status_ok;
  for (const lowr_scan_row& row : rows)
    std::printf("scan r_min %g: alpha %s density %s chi2 %g%s\n", row.rmin, shown(row.alpha).c_str(),
                shown(row.rho).c_str(), row.chi2,
                row.converged ? "" : " (not converged)");
  return status_ok;
}

// Counts every --coordination on R(r), prints it and adds it to the record's list.
int print_coordination(const options& o, std::vector<record_coordination>& out) {
  for (const coordination_request& c : o.coordination) {
    const bool pair = !c.a.empty();
    const int a = pair ? species_by_symbol(activep, c.a) : -1, b = pair ? species_by_symbol(activep, c.b) : -1;
    if (pair && (a < 0 || b < 0)) {
      sink.put(format(tr("amoq-reduce: --coordination %s-%s: no such species in the project"), c.a.c_str(),
                      c.b.c_str()));
      return status_refused;
    }
    coordination_count count;
    const int counted = count_coordination(activep, c.r1, c.r2, a, b, count);
    if (counted == count_outside) {
      const curve* rdf = find_curve(activep, 3, cid_rdf);
      sink.put(format(tr("amoq-reduce: --coordination %g:%g: the range lies outside R(r), which runs from %g to %g Å"),
                      c.r1, c.r2, rdf->data[0].front(), rdf->data[0].back()));
      return status_refused;
    }
    if (counted != count_done) {
      sink.put(tr("amoq-reduce: --coordination needs R(r): run the g(r) step"));
      return status_refused;
    }
    if (const char* problem = coordination_problem(count, pair)) {
      sink.put(tr(problem));
      return status_refused;
    }
    const double n = pair ? count.pair : count.total;
    // The Gaussian shell fitted on the range: its whole area, also beyond r1..r2, when the
    // fit holds; else why it is not reported.
    const peak_fit& fit = count.shell();
    const gaussian_peak& f = fit.peak;
    if (!o.quiet) {
      const std::string name = pair ? c.a + "-" + c.b + " " : std::string();
      std::printf("coordination %s%g-%g: %s\n", name.c_str(), c.r1, c.r2, shown(n).c_str());
      if (fit.reported())
        std::printf("coordination fit %s%g-%g: %s (r0 %s, sigma %s)\n", name.c_str(), c.r1, c.r2, shown(f.area).c_str(),
                    shown(f.r0).c_str(), shown(f.sigma).c_str());
      else
        std::printf("coordination fit %s%g-%g: not reported (%s)\n", name.c_str(), c.r1, c.r2,
                    peak_fit_reason(fit.status));
    }
    out.push_back({pair ? c.a + "-" + c.b : "total", c.r1, c.r2, n, fit.reported(), f.area, f.r0, f.sigma,
                   fit.reported() ? std::string() : peak_fit_reason(fit.status), fit.residual});
  }
  return status_ok;
}

// reduction.json in dir: the project file and the data files loaded into it, described
// by the bytes that were read.
int write_record(const fs::path& dir, const std::vector<record_coordination>& counts,
                 const std::vector<lowr_scan_row>& scan) {
  const std::vector<record_input> inputs = project_inputs(activep);
  const std::string path = (dir / "reduction.json").string();
  if (write_reduction_record(path, activep, inputs, counts, scan) == 0) return status_ok;
  show_error(format(tr("Impossible to write data file:\n%s\n"), path.c_str()).c_str(), 1);
  return status_file;
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
  bool bent = false;  // the bending correction ran
  std::vector<lowr_scan_row> scan;  // the rows of --optimise-scan
};

// Runs one step and writes its results; step_done / step_refused in result, the status of
// the writing returned.
int run_step(const options& o, const fs::path& dir, int step, run_plan& plan, int& result) {
  switch (step) {
    case 0:
      result = run_ra();
      return result == step_done ? write_result(o, dir, "corrected", 0, 3) : status_ok;
    case 1:
      if (plan.from < 1) on_set_use_calc(0, 1);
      result = run_sq();
      if (result != step_done) return status_ok;
      if (!o.quiet) {
        // The trial-and-error method uses the constant given, the others their estimate
        // (refined by the low-r optimisation when it runs).
        const project& p = proj[activep];
        const bool given = p.params[k_method] == 1 && p.options.lowr_rmin == not_set;
        std::printf("normalisation constant: %s\n",
                    shown(given ? p.exp_prop[k_trial_constant] : p.exp_prop[k_norm_constant]).c_str());
      }
      print_optimisation(o);
      if (o.scan.asked && print_scan(o, plan.scan) != status_ok) return result = step_refused, status_ok;
      if (o.adopt_density && adopt_refined_density() && !o.quiet)
        std::printf("adopted density: %s\n", shown(proj[activep].exp_prop[k_density]).c_str());
      return std::max(write_result(o, dir, "qsq", 1, 1), write_result(o, dir, "sq", 1, 2));
    case 2:
      if (!plan.bending) return result = step_done, status_ok;
      if (plan.from < 2) on_set_use_calc(1, 1);
      result = run_bq();
      if (result != step_done) return status_ok;
      plan.bent = true;
      return write_result(o, dir, "qsq_bent", 2, 1);
    default: {
      if (plan.from < 3) on_set_use_calc(2, plan.bent ? 1 : 2);
      result = run_gr();
      if (result != step_done) return status_ok;
      const bool slope = proj[activep].params[k_density_mode] == 1;
      if (slope && !o.quiet) std::printf("density from slope: %s\n", shown(reported_density).c_str());
      if (!slope && !o.quiet && gr_density(activep).source == density_refined)
        std::printf("g(r) density: %s (refined)\n", shown(gr_density(activep).value).c_str());
      return std::max({write_result(o, dir, "Gr", 3, 1), write_result(o, dir, "gr", 3, slope ? 3 : 2),
                       write_result(o, dir, "rdf", 3, cid_rdf)});
    }
  }
}

int folder_refused(const fs::path& dir, const std::string& reason) {
  show_error(format(tr("Impossible to create the folder:\n%s\n%s\n"), dir.string().c_str(), reason.c_str()).c_str(),
             1);
  return status_file;
}

// The results' folder: DIR as given (a link there is the user's choice), and with several
// INPUTs each one's folder inside it, which must be a real folder: a symbolic link planted
// at its name would send the results elsewhere, so it is refused, never followed.
int make_folder(const fs::path& dir, bool own_folder) {
  std::error_code ec;
  fs::create_directories(own_folder ? dir.parent_path() : dir, ec);
  if (ec) return folder_refused(dir, ec.message());
  if (!own_folder) return status_ok;
  if (::mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) return folder_refused(dir, std::strerror(errno));
  struct stat st;
  if (::lstat(dir.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
    return folder_refused(dir, tr("is a symbolic link: results are not written through it"));
  // Opened without following a link: what stands at the name now is the folder written to.
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return folder_refused(dir, std::strerror(errno));
  ::close(fd);
  return status_ok;
}

// Reduces one INPUT (or the project's own data when input is empty) into dir.
// own_folder: dir is the INPUT's folder inside DIR (several INPUTs).
int reduce(const options& o, const std::string& input, const fs::path& dir, const std::string& save_path,
           bool own_folder) {
  double autorecalc = 0.0;
  int status = prepare_project(o, autorecalc);
  if (status != status_ok) return status;
  run_plan plan{o.from, o.to, false, false, {}};
  if (plan.from < 0) plan.from = input.empty() ? first_step_with_data() : 0;
  plan.bending = o.bending == 1 || (o.bending == -1 && (plan.from == 2 || plan.to == 2 ||
                                                        proj[activep].exp_prop[k_bending_point] != not_set));
  if (!input.empty()) {
    if (plan.from >= 1) proj[activep].usecalc[plan.from - 1] = 0;
    if (!load_data_file(plan.from == 0 ? 0 : plan.from + 2, input.c_str())) return status_file;
  }
  if ((status = make_folder(dir, own_folder)) != status_ok) return status;
  for (int step = plan.from; step <= plan.to && status == status_ok; ++step) {
    int result = step_done;
    status = run_step(o, dir, step, plan, result);
    if (result != step_done) status = status_refused;
  }
  if (status == status_ok && o.scan.asked && plan.scan.empty()) {
    sink.put(tr("amoq-reduce: --optimise-scan needs the S(q) step: run it with --from 0 or 1"));
    status = status_refused;
  }
  std::vector<record_coordination> counts;
  if (status == status_ok) status = print_coordination(o, counts);
  std::fflush(stdout);
  // The record of what was done is written whatever the outcome.
  const int recorded = write_record(dir, counts, plan.scan);
  if (status != status_ok) return status;
  if (recorded != status_ok) return recorded;
  if (save_path.empty()) return status_ok;
  proj[activep].options.autorecalc = autorecalc;
  int code = save_project_file(save_path, activep);
  if (code == 0) return status_ok;
  show_error(
      format(tr("Impossible to save project file:\n%s\nError code: %d\n"), save_path.c_str(), code).c_str(), 1);
  return status_file;
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

// ---- Result folders and standard output ----------------------------------------------------

// The folder of one INPUT among several: its file name without the extension, or
// "input" where that would name no folder of its own inside DIR ("", ".", "..").
std::string folder_stem(const fs::path& input) {
  std::string stem = input.stem().string();
  if (stem.empty() || stem == "." || stem == "..") return "input";
  return stem;
}

// One folder per INPUT, in input order; a name already taken gets -2, -3, ... appended.
std::vector<std::string> input_folders(const std::vector<std::string>& inputs) {
  std::set<std::string> taken;
  std::vector<std::string> folders;
  for (const std::string& input : inputs) {
    const std::string stem = folder_stem(input);
    std::string name = stem;
    for (int k = 2; taken.count(name); ++k) name = stem + "-" + std::to_string(k);
    taken.insert(name);
    folders.push_back(name);
  }
  return folders;
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
  sink.quiet = o.quiet;
  install_presenter();
  set_echo_stream(o.echo ? stderr : nullptr);

  int worst = status_ok;
  if (o.inputs.empty()) {
    worst = reduce(o, std::string(), o.outdir, o.save_project, false);
    sink.release(worst != status_ok);
    return finish_stdout(worst);
  }
  const size_t total = o.inputs.size();
  const std::vector<std::string> folders = input_folders(o.inputs);
  for (size_t i = 0; i < total; ++i) {
    const fs::path input(o.inputs[i]);
    fs::path dir = o.outdir;
    std::string save = o.save_project;
    if (total > 1) {
      dir /= folders[i];
      if (!save.empty()) save = (dir / fs::path(save).filename()).string();
      if (!o.quiet) {
        std::fprintf(stderr, "[%zu/%zu] %s\n", i + 1, total, input.filename().string().c_str());
        if (folders[i] != input.stem().string())
          std::fprintf(stderr, tr("amoq-reduce: results of %s in %s/\n"), o.inputs[i].c_str(),
                       dir.string().c_str());
      }
    }
    int status = reduce(o, o.inputs[i], dir, save, total > 1);
    sink.release(status != status_ok);
    worst = std::max(worst, status);
  }
  return finish_stdout(worst);
}
