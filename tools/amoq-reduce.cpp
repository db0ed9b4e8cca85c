// amoq-reduce: the batch front end. Reads a project (.nap or .apf), applies its settings
// as "Apply" does, runs the calculation steps on the project's own data or on each INPUT
// file in turn, and writes the results with the curve data writer. It shares every rule,
// check and warning with the program; messages go to stderr.
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

#include "project/curve.h"
#include "plot/render.h"
#include "files/project_file.h"
#include "files/xml_project.h"
#include "numeric/callbacks.h"
#include "numeric/writedata.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/settings.h"
#include "project/steps.h"
#include "project/toolbox.h"

namespace fs = std::filesystem;

namespace {

enum exit_status { status_ok = 0, status_refused = 1, status_file = 2 };

const char* const usage_text =
    "Usage: amoq-reduce [OPTION]... PROJECT [INPUT]...\n"
    "Reduce X-ray diffraction data of amorphous materials without a display.\n"
    "\n"
    "PROJECT is a project file (.nap) or an XML project file (.apf). Each INPUT replaces\n"
    "the input curve of the first step run (the raw data for step 0); without INPUT the\n"
    "project's own curves are used.\n"
    "\n"
    "  --from N, --to N        steps to run: 0 raw data correction, 1 S(q),\n"
    "                          2 bending correction, 3 g(r) (default: from the first\n"
    "                          step with data to 3)\n"
    "  --bending, --no-bending run or skip the bending correction (default: run it\n"
    "                          when a bending point is set)\n"
    "  --set KEY=VALUE         set a parameter first (repeatable); KEY is one of\n"
    "                          wavel abss abss2 density ddt corr ham tem bcpv rmax\n"
    "                          deltar df geombox monobox comptonbox smoothbox bdbox\n"
    "                          formatbox method densmode backcorr subscatt smoothing\n"
    "                          checkcorr\n"
    "  --background FILE       background scattering; switches its subtraction on\n"
    "  --cell FILE             substrate/cell scattering; switches its subtraction on\n"
    "  -o, --outdir DIR        where results go (default: the current folder); with\n"
    "                          several INPUTs each gets DIR/<INPUT base name>/\n"
    "  --output-format F       dat (two columns), dat4 (four columns) or agr (Grace)\n"
    "  --save-project FILE     also save the project with every curve as a .nap file\n"
    "  --plot F                also draw every result curve as an image: png, pdf or\n"
    "                          svg (840 x 600, default curve style; Gr.png, ...)\n"
    "  --echo                  print the raw data correction's parameters on stderr\n"
    "  -q                      print nothing but errors\n"
    "  -h, --help              show this help\n"
    "  -v, --version           show the version\n"
    "\n"
    "Results: corrected.dat, qsq.dat, sq.dat, qsq_bent.dat, Gr.dat, gr.dat.\n"
    "Exit status: 0 every requested step ran, 1 a check refused a step or a setting,\n"
    "2 a file could not be read or written.\n";

struct setting {
  std::string key;
  double value;
};

struct options {
  int from = -1, to = 3;
  int bending = -1;  // -1 default, 0 off, 1 on
  std::vector<setting> sets;
  std::string background, cell;
  std::string outdir = ".";
  int format = 0;
  std::string save_project;
  int plot = 0;  // image_target of the result images, 0 none
  bool echo = false, quiet = false;
  std::string project;
  std::vector<std::string> inputs;
};

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
int plot_target = 0;  // --plot: image_png, image_pdf, image_svg or 0

void install_presenter() {
  message_presenter p;
  p.info = [](const std::string& t) { sink.put(t); };
  p.warning = [](const std::string& t) { sink.put(t); };
  p.error = [](const std::string& t) { sink.put(t); };
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

bool ends_with_kind(const std::string& name, const char* kind) {
  if (name.size() < 3) return false;
  for (int i = 0; i < 3; ++i) {
    char c = name[name.size() - 3 + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kind[i]) return false;
  }
  return true;
}

bool parse_double(std::string_view s, double& v) {
  if (s.empty()) return false;
  const char* first = s.data();
  if (*first == '+') ++first;
  auto [end, ec] = std::from_chars(first, s.data() + s.size(), v);
  return ec == std::errc() && end == s.data() + s.size() && std::isfinite(v);
}

bool parse_int(std::string_view s, int& v) {
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  return !s.empty() && ec == std::errc() && end == s.data() + s.size();
}

// exp_prop[0..11] by their entry ids (props 5..16).
const char* const exp_keys[12] = {"wavel", "abss",  "abss2", "density", "ddt",    "corr",
                                  "ham",   "tem",   "bcpv",  "rmax",    "deltar", "df"};
const char* const box_keys[5] = {"geombox", "monobox", "comptonbox", "smoothbox", "bdbox"};
const int box_codes[5] = {3, 2, 2, 3, 3};  // largest code of each combo box
const char* const check_keys[4] = {"backcorr", "subscatt", "smoothing", "checkcorr"};

bool known_key(const std::string& key) {
  for (const char* k : exp_keys)
    if (key == k) return true;
  for (const char* k : box_keys)
    if (key == k) return true;
  for (const char* k : check_keys)
    if (key == k) return true;
  return key == "formatbox" || key == "method" || key == "densmode";
}

bool is_choice(double v, int lo, int hi) { return v == std::floor(v) && v >= lo && v <= hi; }

// Applies one --set to the active project before "Apply" (formatbox comes after it, as
// the abscissa is chosen in the raw data dialog). Returns false for a value out of range.
bool apply_setting(const setting& s) {
  project& r = proj[activep];
  for (int i = 0; i < 12; ++i)
    if (s.key == exp_keys[i]) {
      set_prop(prop_first_exp + i, s.value, 0);
      return true;
    }
  for (int b = 0; b < 5; ++b)
    if (s.key == box_keys[b]) {
      if (!is_choice(s.value, 1, box_codes[b])) return false;
      propbox_changed(b, static_cast<int>(s.value) - 1);
      return true;
    }
  for (int k = 0; k < 4; ++k)
    if (s.key == check_keys[k]) {
      if (!is_choice(s.value, 0, 1)) return false;
      r.checks[k] = static_cast<int>(s.value);
      r.calcok[k == 3 ? 1 : 0] = 0;
      return true;
    }
  if (s.key == "method" || s.key == "densmode") {
    if (!is_choice(s.value, 0, 1)) return false;
    if (s.key == "method") {
      r.params[2] = static_cast<int>(s.value);
      r.calcok[1] = 0;
    } else {
      set_density_mode(static_cast<int>(s.value));
    }
    return true;
  }
  return is_choice(s.value, 0, 1);  // formatbox, applied later
}

// Reads PROJECT into a fresh project table.
int read_project(const std::string& path) {
  while (nprojects > 0) close_project_record(0);
  init_project();
  if (ends_with_kind(path, "nap")) {
    int code = open_project_file(path);
    if (code != 0) {
      show_error(format("Impossible to open project file: \n%s\nError code: %d\n", path.c_str(), code)
                     .c_str(),
                 1);
      return status_file;
    }
    return status_ok;
  }
  if (ends_with_kind(path, "apf")) {
    // The import's success note is for the window; here only its failures are shown.
    message_presenter quiet_info = set_message_presenter({});
    message_presenter during = quiet_info;
    during.info = [](const std::string&) {};
    set_message_presenter(during);
    int code = open_xml(path.c_str());
    set_message_presenter(std::move(quiet_info));
    if (code != 0) {
      show_error("Impossible to use the AMOQ XML project file\n", 1);
      return status_file;
    }
    return status_ok;
  }
  sink.put(format("amoq-reduce: %s: not a project file (.nap) or XML project file (.apf)",
                  path.c_str()));
  return status_file;
}

// The file names of the results, by step and curve.
struct result_file {
  int calc, cid;
  const char* name;
};

std::string result_path(const fs::path& dir, const char* stem, int fmt) {
  return (dir / (std::string(stem) + (fmt == 2 ? ".agr" : ".dat"))).string();
}

int write_result(const fs::path& dir, const char* stem, int calc, int cid, int fmt) {
  const curve* c = find_curve(activep, calc, cid);
  int n = c ? curve_points(*c) : 0;
  if (n == 0) return status_ok;
  std::string path = result_path(dir, stem, fmt);
  if (!save_to_file(static_cast<int>(path.size()), path.c_str(), n, c->data[0].data(),
                    c->data[1].data(), 0, 0, 0, calc, cid, fmt)) {
    show_error(format("Impossible to write data file:\n%s\n", path.c_str()).c_str(), 1);
    return status_file;
  }
  if (plot_target) {
    static const char* const ext[4] = {"", ".png", ".pdf", ".svg"};
    std::string image = (dir / (std::string(stem) + ext[plot_target])).string();
    if (!export_curve_image_default_style(plot_target, image.c_str(), 840, 600, activep, calc,
                                          cid)) {
      show_error(format("Impossible to write image file:\n%s\n", image.c_str()).c_str(), 1);
      return status_file;
    }
  }
  return status_ok;
}

int first_step_with_data() {
  for (int k = 0; k < ncalc; ++k) {
    const curve* c = find_curve(activep, k, 0);
    if (c && curve_points(*c) > 0) return k;
  }
  return 0;
}

// Reduces one INPUT (or the project's own data when input is empty) into dir.
int reduce(const options& o, const std::string& input, const fs::path& dir,
           const std::string& save_path) {
  int status = read_project(o.project);
  if (status != status_ok) return status;
  // The batch runs the steps itself; the project's automatic recalculation would run
  // them once more after every setting. It is kept for the saved project.
  const double autorecalc = std::exchange(proj[activep].options.autorecalc, 0.0);
  int format_choice = -2;
  for (const setting& s : o.sets) {
    if (!apply_setting(s)) {
      sink.put(format("amoq-reduce: --set %s: value out of range", s.key.c_str()));
      return status_refused;
    }
    if (s.key == "formatbox") format_choice = static_cast<int>(s.value);
  }
  project& r = proj[activep];
  r.trun = 1;  // apply as "Apply" does, whatever the file's state
  if (!apply_project()) return status_refused;
  if (format_choice >= 0) set_data_format(format_choice);
  if (proj[activep].params[0] >= 0 && !proj[activep].initok[0]) initcnames(0, 1);

  const std::string* extra[2] = {&o.background, &o.cell};
  for (int k = 0; k < 2; ++k) {
    if (extra[k]->empty()) continue;
    if (!load_data_file(k + 1, extra[k]->c_str())) return status_file;
    set_file_option(k, 1);
  }

  int from = o.from;
  if (from < 0) from = input.empty() ? first_step_with_data() : 0;
  const int to = o.to;
  bool bending = o.bending == 1 || (o.bending == -1 && (from == 2 || to == 2 ||
                                                        proj[activep].exp_prop[8] != not_set));
  if (!input.empty()) {
    if (from >= 1) proj[activep].usecalc[from - 1] = 0;
    if (!load_data_file(from == 0 ? 0 : from + 2, input.c_str())) return status_file;
  }
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) {
    show_error(format("Impossible to create the folder:\n%s\n%s\n", dir.string().c_str(),
                      ec.message().c_str())
                   .c_str(),
               1);
    return status_file;
  }

  bool bent = false;
  for (int step = from; step <= to; ++step) {
    int result = step_done;
    if (step == 0) {
      result = run_ra();
      if (result == step_done) status = write_result(dir, "corrected", 0, 3, o.format);
    } else if (step == 1) {
      if (from < 1) on_set_use_calc(0, 1);
      result = run_sq();
      if (result == step_done) {
        if (!o.quiet) std::printf("normalisation constant: %f\n", proj[activep].exp_prop[17]);
        status = std::max(write_result(dir, "qsq", 1, 1, o.format),
                          write_result(dir, "sq", 1, 2, o.format));
      }
    } else if (step == 2) {
      if (!bending) continue;
      if (from < 2) on_set_use_calc(1, 1);
      result = run_bq();
      if (result == step_done) {
        bent = true;
        status = write_result(dir, "qsq_bent", 2, 1, o.format);
      }
    } else {
      if (from < 3) on_set_use_calc(2, bent ? 1 : 2);
      result = run_gr();
      if (result == step_done) {
        const project& p = proj[activep];
        if (p.params[3] == 1 && !o.quiet)
          std::printf("density from slope: %f\n", reported_density);
        status = std::max(write_result(dir, "Gr", 3, 1, o.format),
                          write_result(dir, "gr", 3, p.params[3] == 1 ? 3 : 2, o.format));
      }
    }
    if (result != step_done) return status_refused;
    if (status != status_ok) return status;
  }
  std::fflush(stdout);

  if (!save_path.empty()) {
    proj[activep].options.autorecalc = autorecalc;
    int code = save_project_file(save_path, activep);
    if (code != 0) {
      show_error(format("Impossible to save project file:\n%s\nError code: %d\n", save_path.c_str(), code)
                     .c_str(),
                 1);
      return status_file;
    }
  }
  return status_ok;
}

// Parses the command line; returns -1 to go on, else the exit status.
int parse(int argc, char** argv, options& o) {
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::string value;
    bool has_inline = false;
    if (arg.rfind("--", 0) == 0) {
      size_t eq = arg.find('=');
      if (eq != std::string::npos && arg != "--set") {
        // --set KEY=VALUE keeps its own '='; --set=KEY=VALUE splits at the first one.
        value = arg.substr(eq + 1);
        arg = arg.substr(0, eq);
        has_inline = true;
      }
    }
    auto need = [&](std::string& out) {
      if (has_inline) {
        out = value;
        return true;
      }
      if (i + 1 >= argc) {
        std::fprintf(stderr, "amoq-reduce: %s needs a value\n", arg.c_str());
        return false;
      }
      out = argv[++i];
      return true;
    };
    std::string v;
    if (arg == "-h" || arg == "--help") {
      std::fputs(usage_text, stdout);
      return status_ok;
    }
    if (arg == "-v" || arg == "--version") {
      std::printf("amoq-reduce (AMOQ) %s\n", "2.0");
      return status_ok;
    }
    if (arg == "-q") {
      o.quiet = true;
    } else if (arg == "--echo") {
      o.echo = true;
    } else if (arg == "--bending") {
      o.bending = 1;
    } else if (arg == "--no-bending") {
      o.bending = 0;
    } else if (arg == "--from" || arg == "--to") {
      int n = 0;
      if (!need(v)) return status_refused;
      if (!parse_int(v, n) || n < 0 || n > 3) {
        std::fprintf(stderr, "amoq-reduce: %s: the step must be 0, 1, 2 or 3\n", arg.c_str());
        return status_refused;
      }
      (arg == "--from" ? o.from : o.to) = n;
    } else if (arg == "--set") {
      if (!need(v)) return status_refused;
      size_t eq = v.find('=');
      setting s{v.substr(0, eq), 0.0};
      if (eq == std::string::npos || !known_key(s.key)) {
        std::fprintf(stderr, "amoq-reduce: --set %s: unknown setting\n", v.c_str());
        return status_refused;
      }
      if (!parse_double(std::string_view(v).substr(eq + 1), s.value)) {
        std::fprintf(stderr, "amoq-reduce: --set %s: not a number\n", v.c_str());
        return status_refused;
      }
      o.sets.push_back(s);
    } else if (arg == "--background") {
      if (!need(o.background)) return status_refused;
    } else if (arg == "--cell") {
      if (!need(o.cell)) return status_refused;
    } else if (arg == "-o" || arg == "--outdir") {
      if (!need(o.outdir)) return status_refused;
    } else if (arg == "--output-format") {
      if (!need(v)) return status_refused;
      if (v == "dat")
        o.format = 0;
      else if (v == "dat4")
        o.format = 1;
      else if (v == "agr")
        o.format = 2;
      else {
        std::fprintf(stderr, "amoq-reduce: --output-format %s: use dat, dat4 or agr\n", v.c_str());
        return status_refused;
      }
    } else if (arg == "--plot") {
      if (!need(v)) return status_refused;
      if (v == "png")
        o.plot = image_png;
      else if (v == "pdf")
        o.plot = image_pdf;
      else if (v == "svg")
        o.plot = image_svg;
      else {
        std::fprintf(stderr, "amoq-reduce: --plot %s: use png, pdf or svg\n", v.c_str());
        return status_refused;
      }
    } else if (arg == "--save-project") {
      if (!need(o.save_project)) return status_refused;
    } else if (arg == "--") {
      for (++i; i < argc; ++i) positional.push_back(argv[i]);
    } else if (arg.size() > 1 && arg[0] == '-') {
      std::fprintf(stderr, "amoq-reduce: unknown option %s\n%s", argv[i], "Try 'amoq-reduce --help'.\n");
      return status_refused;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.empty()) {
    std::fputs("amoq-reduce: a PROJECT file is required\nTry 'amoq-reduce --help'.\n", stderr);
    return status_refused;
  }
  o.project = positional.front();
  o.inputs.assign(positional.begin() + 1, positional.end());
  if (o.from > o.to) {
    std::fputs("amoq-reduce: --from is after --to\n", stderr);
    return status_refused;
  }
  if (o.bending == 0 && (o.from == 2 || o.to == 2)) {
    std::fputs("amoq-reduce: --no-bending leaves nothing to run at step 2\n", stderr);
    return status_refused;
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  options o;
  int parsed = parse(argc, argv, o);
  if (parsed >= 0) return parsed;
  sink.quiet = o.quiet;
  plot_target = o.plot;
  install_presenter();
  set_echo_stream(o.echo ? stderr : nullptr);

  int worst = status_ok;
  if (o.inputs.empty()) {
    worst = reduce(o, std::string(), o.outdir, o.save_project);
    sink.release(worst != status_ok);
    return worst;
  }
  const size_t total = o.inputs.size();
  for (size_t i = 0; i < total; ++i) {
    const fs::path input(o.inputs[i]);
    fs::path dir = o.outdir;
    std::string save = o.save_project;
    if (total > 1) {
      dir /= input.stem();
      if (!save.empty()) save = (dir / fs::path(save).filename()).string();
      if (!o.quiet)
        std::fprintf(stderr, "[%zu/%zu] %s\n", i + 1, total, input.filename().string().c_str());
    }
    int status = reduce(o, o.inputs[i], dir, save);
    sink.release(status != status_ok);
    worst = std::max(worst, status);
  }
  return worst;
}
