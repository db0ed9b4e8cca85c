// amoq._amoq: the reduction on NumPy arrays. Bindings only: every rule, check, message and
// number comes from the series, model and numeric libraries, exactly as in amoq-reduce.
//
// The model's state is global (the project table, the numeric callbacks, the transform's
// work space): every call that touches it holds one lock, taken with the interpreter's lock
// released, so other Python threads run while a reduction does and calls from several
// threads are serialised here.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <clocale>
#include <dlfcn.h>
#include <filesystem>
#include <initializer_list>
#include <cmath>
#include <locale.h>
#include <mutex>
#include <string>
#include <vector>

#include "import/data_import.h"
#include "project/project.h"
#include "project/steps.h"
#include "project/uncertainty.h"
#include "series/reduce_input.h"
#include "series/series.h"
#include "series/series_table.h"
#include "version.h"

namespace py = pybind11;

namespace {

std::mutex model_lock;

// Numbers are written and read in the C locale whatever the script set: held by the
// calling thread (and the worker processes it forks) for the duration of a call.
class c_numbers {
 public:
  c_numbers() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
    previous_ = uselocale(c);
  }
  ~c_numbers() { uselocale(previous_); }
  c_numbers(const c_numbers&) = delete;
  c_numbers& operator=(const c_numbers&) = delete;

 private:
  locale_t previous_;
};

// A call into the libraries: the interpreter released, the model locked, C numbers. The
// members are made in this order and undone in the reverse one.
class engine_call {
  py::gil_scoped_release release_;
  std::lock_guard<std::mutex> lock_{model_lock};
  c_numbers numbers_;
};

std::string joined(const std::vector<std::string>& messages) {
  std::string text;
  for (std::string m : messages) {
    while (!m.empty() && m.back() == '\n') m.pop_back();
    if (!m.empty()) text += (text.empty() ? "" : "\n") + m;
  }
  return text;
}

[[noreturn]] void raise(PyObject* type, const std::string& text) {
  PyErr_SetString(type, text.c_str());
  throw py::error_already_set();
}

// A library status as the exception a script expects: a refusal of the program as
// RuntimeError (ValueError for settings), a file that cannot be read or written as OSError.
void raise_for(int status, const std::vector<std::string>& messages, bool settings = false) {
  if (status == series_ok) return;
  raise(status == series_file ? PyExc_OSError : settings ? PyExc_ValueError : PyExc_RuntimeError, joined(messages));
}

std::string path_text(const py::object& path, const char* what) {
  const std::string s = py::str(py::module_::import("os").attr("fspath")(path));
  if (s.find('\0') != std::string::npos) throw py::value_error(std::string(what) + ": the path holds a null byte");
  if (s.empty()) throw py::value_error(std::string(what) + ": the path is empty");
  return s;
}

bool is_path(const py::handle& o) { return py::isinstance<py::str>(o) || py::hasattr(o, "__fspath__"); }

// One array of (x, y) or (x, y, sigma) as doubles: any real dtype, any strides.
std::vector<double> column(const py::handle& o, const std::string& what) {
  py::array a = py::array::ensure(o);
  if (!a) throw py::value_error(what + ": not an array of numbers");
  const char kind = a.dtype().kind();
  if (kind != 'f' && kind != 'i' && kind != 'u' && kind != 'b')
    throw py::value_error(what + ": the values must be real numbers, not dtype " + std::string(py::str(a.dtype())));
  if (a.ndim() != 1) throw py::value_error(what + ": a one-dimensional array is expected, not " +
                                           std::to_string(a.ndim()) + " dimensions");
  auto d = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(a);
  if (!d) throw py::value_error(what + ": not an array of numbers");
  return std::vector<double>(d.data(), d.data() + d.size());
}

// raw, background or cell: None, a path, or a sequence (x, y) / (x, y, sigma).
std::optional<series_input> input_of(const py::object& o, const char* what) {
  if (o.is_none()) return std::nullopt;
  if (is_path(o)) return series_input(path_text(o, what));
  if (!py::isinstance<py::sequence>(o) && !py::isinstance<py::array>(o))
    throw py::value_error(std::string(what) + ": give a file path or arrays (x, y) or (x, y, sigma)");
  const py::sequence parts = py::reinterpret_borrow<py::sequence>(o);
  const std::size_t n = py::len(o);
  if (n != 2 && n != 3)
    throw py::value_error(std::string(what) + ": give (x, y) or (x, y, sigma), not " + std::to_string(n) + " arrays");
  const char* names[] = {"x", "y", "sigma"};
  std::vector<double> v[3];
  for (std::size_t k = 0; k < n; ++k) v[k] = column(parts[k], std::string(what) + " " + names[k]);
  if (const std::string problem = points_problem(v[0], v[1], v[2]); !problem.empty())
    throw py::value_error(std::string(what) + ": " + problem);
  return series_input::points(std::string(what) + " array", std::move(v[0]), std::move(v[1]), std::move(v[2]));
}

py::array_t<double> array_of(const std::vector<double>& v) { return py::array_t<double>(v.size(), v.data()); }

py::object value_or_none(const std::optional<double>& v) {
  return v && std::isfinite(*v) ? py::object(py::float_(*v)) : py::none();
}
py::object value_or_none(double v) { return std::isfinite(v) ? py::object(py::float_(v)) : py::none(); }

// ---- Project ---------------------------------------------------------------------------------

struct project_handle {
  series_settings settings;  // its name, the project as opened, the settings given
  prepared_project prepared;  // reused by the next reduction while nothing changed
};

std::shared_ptr<project_handle> open(const py::object& path) {
  auto h = std::make_shared<project_handle>();
  std::string name = path.is_none() ? std::string() : path_text(path, "Project");
  auto opened = std::make_shared<project_snapshot>();
  std::vector<std::string> messages;
  int status;
  {
    engine_call call;
    status = open_project(name, *opened, messages);
  }
  raise_for(status, messages);
  h->settings.project = std::move(name);
  h->settings.opened = std::move(opened);
  return h;
}

// Python names cannot hold '-': fp_from_tables stands for fp-from-tables.
std::string setting_name(std::string key) {
  if (is_setting_key(key)) return key;
  for (char& c : key)
    if (c == '_') c = '-';
  return key;
}

void set(project_handle& h, const py::kwargs& kwargs) {
  series_settings s = h.settings;
  for (const auto& [k, v] : kwargs) {
    const std::string key = setting_name(py::str(k));
    if (!is_setting_key(key)) {
      std::string keys;
      for (const std::string& name : setting_key_names()) keys += " " + name;
      throw py::value_error("amoq-reduce: --set " + std::string(py::str(k)) + ": unknown setting (the keys:" + keys +
                            ")");
    }
    const double value = py::cast<double>(py::float_(py::reinterpret_borrow<py::object>(v)));
    if (!std::isfinite(value))
      throw py::value_error("amoq-reduce: --set " + key + "=" + std::string(py::str(v)) + ": not a number");
    s.sets.push_back({key, value});
  }
  std::vector<std::string> messages;
  int status;
  {
    engine_call call;
    status = check_settings(s, messages);
  }
  raise_for(status, messages, true);
  h.settings.sets = std::move(s.sets);
}

py::list settings_of(const project_handle& h) {
  py::list out;
  for (const setting& s : h.settings.sets) out.append(py::make_tuple(s.key, s.value));
  return out;
}

void save(const project_handle& h, const py::object& path) {
  const std::string target = path_text(path, "save");
  std::vector<std::string> messages;
  int status;
  {
    engine_call call;
    status = save_project(h.settings, target, messages);
  }
  raise_for(status, messages);
}

// ---- Reduce -----------------------------------------------------------------------------------

int errors_mode(const py::object& errors, bool sigma_given) {
  if (errors.is_none()) return sigma_given ? errors_column : -1;
  const std::string e = py::str(errors);
  if (e == "poisson") return errors_counts;
  if (e == "column") return errors_column;
  if (e == "none") return errors_none;
  throw py::value_error("errors=" + std::string(py::repr(errors)) + ": use None, \"poisson\", \"column\" or \"none\"");
}

int step_of(const py::handle& o) {
  if (!py::isinstance<py::int_>(o) || py::int_(py::reinterpret_borrow<py::object>(o)) < py::int_(0) ||
      py::int_(py::reinterpret_borrow<py::object>(o)) > py::int_(3))
    throw py::value_error("steps: the step must be 0, 1, 2 or 3");
  return py::cast<int>(o);
}

// A sequence of n items (n among `sizes`), else ValueError with `usage`.
py::sequence sequence_of(const py::handle& o, std::initializer_list<std::size_t> sizes, const char* usage) {
  if (py::isinstance<py::str>(o) || !py::isinstance<py::sequence>(o)) throw py::value_error(usage);
  const std::size_t n = py::len(o);
  if (std::find(sizes.begin(), sizes.end(), n) == sizes.end()) throw py::value_error(usage);
  return py::reinterpret_borrow<py::sequence>(o);
}

void take_steps(const py::object& steps, series_settings& s) {
  if (steps.is_none()) return;
  if (py::isinstance<py::int_>(steps)) {
    s.from = s.to = step_of(steps);
    return;
  }
  const py::sequence pair = sequence_of(steps, {2}, "steps: give one step or (first, last)");
  s.from = step_of(pair[0]);
  s.to = step_of(pair[1]);
  if (s.from > s.to) throw py::value_error("steps: the first step is after the last");
}

double finite(const py::handle& o, const char* what) {
  const double v = py::cast<double>(py::float_(py::reinterpret_borrow<py::object>(o)));
  if (!std::isfinite(v)) throw py::value_error(std::string(what) + ": not a finite number");
  return v;
}

void take_optimise(const py::object& optimise, series_settings& s) {
  if (optimise.is_none()) return;
  py::object rmin = optimise;
  if (py::isinstance<py::dict>(optimise)) {
    const py::dict d = optimise;
    for (const auto& [k, v] : d) {
      const std::string key = py::str(k);
      if (key != "r_min" && key != "density")
        throw py::value_error("optimise: unknown key " + key + " (use r_min and density)");
    }
    if (!d.contains("r_min")) throw py::value_error("optimise: r_min is needed");
    rmin = d["r_min"];
    s.optimise_density = d.contains("density") && py::cast<bool>(d["density"]);
  }
  s.optimise = finite(rmin, "optimise r_min");
  if (*s.optimise <= 0.0) throw py::value_error("optimise: r_min must be a number > 0");
}

void take_coordination(const py::object& coordination, series_settings& s) {
  for (const py::handle item : coordination) {
    const py::sequence t =
        sequence_of(item, {2, 4}, "coordination: give a list of (r1, r2) or (\"A\", \"B\", r1, r2)");
    const std::size_t n = py::len(t);
    coordination_request c;
    if (n == 4) c.a = py::str(t[0]), c.b = py::str(t[1]);
    c.r1 = finite(t[n - 2], "coordination r1");
    c.r2 = finite(t[n - 1], "coordination r2");
    if (!(c.r2 > c.r1)) throw py::value_error("coordination: r1 must be below r2");
    s.coordination.push_back(std::move(c));
  }
}

py::dict coordination_dict(const counted_coordination& c) {
  py::dict d;
  d["pair"] = c.count.pair;
  d["r1"] = c.count.r1;
  d["r2"] = c.count.r2;
  d["n"] = c.count.n;
  d["sigma"] = value_or_none(c.sigma);
  if (c.count.fitted) {
    py::dict fit;
    fit["n"] = c.count.fit_n, fit["r0"] = c.count.fit_r0, fit["sigma"] = c.count.fit_sigma;
    fit["residual"] = c.count.fit_residual;
    fit["n_sigma"] = value_or_none(c.count.fit_sigmas.area);
    fit["r0_sigma"] = value_or_none(c.count.fit_sigmas.r0);
    fit["sigma_sigma"] = value_or_none(c.count.fit_sigmas.sigma);
    d["fit"] = fit;
  } else {
    d["fit"] = py::none();
  }
  d["not_reported"] = c.count.not_reported;
  return d;
}

py::dict values_of(const input_outcome& o) {
  const series_row& w = o.row;
  py::dict d;
  d["normalisation_constant"] = value_or_none(w.normalisation_constant);
  d["normalisation_constant_sigma"] = value_or_none(o.normalisation_sigma);
  d["density_used"] = value_or_none(w.density_used);
  d["density_used_sigma"] = value_or_none(o.density_sigma);
  d["optimised_density"] = value_or_none(w.optimised_density);
  d["optimised_density_sigma"] = value_or_none(w.optimised_density_sigma);
  d["low_r_chi2"] = value_or_none(w.low_r_chi2);
  d["sq_first_peak_q"] = value_or_none(w.sq_first_peak_q);
  d["sq_first_peak"] = value_or_none(w.sq_first_peak);
  d["gr_first_peak_r"] = value_or_none(w.gr_first_peak_r);
  d["gr_first_peak"] = value_or_none(w.gr_first_peak);
  return d;
}

// The reduction's curves (name -> (x, y) or (x, y, sigma)), values, coordination numbers
// and messages.
py::dict reduce(project_handle& h, const py::object& raw, const py::object& background, const py::object& cell,
              const py::object& errors, const py::object& steps, const py::object& optimise,
              const py::object& coordination) {
  series_settings s = h.settings;
  const std::optional<series_input> input = input_of(raw, "raw");
  if (auto b = input_of(background, "background")) s.background = std::move(*b);
  if (auto c = input_of(cell, "cell")) s.cell = std::move(*c);
  const bool sigma = (input && !input->sigma.empty()) || !s.background.sigma.empty() || !s.cell.sigma.empty();
  s.errors = errors_mode(errors, sigma);
  take_steps(steps, s);
  take_optimise(optimise, s);
  take_coordination(coordination, s);
  s.quiet = true;
  input_outcome o;
  {
    engine_call call;
    o = reduce_in_memory(s, input ? &*input : nullptr, h.prepared);
  }
  raise_for(o.exit, o.row.warnings);
  py::dict curves;
  for (const result_curve& c : o.curves) {
    if (c.sigma.empty())
      curves[py::str(c.name)] = py::make_tuple(array_of(c.x), array_of(c.y));
    else
      curves[py::str(c.name)] = py::make_tuple(array_of(c.x), array_of(c.y), array_of(c.sigma));
  }
  py::list counts;
  for (const counted_coordination& c : o.coordination) counts.append(coordination_dict(c));
  py::dict r;
  r["curves"] = curves;
  r["values"] = values_of(o);
  r["coordination"] = counts;
  r["warnings"] = o.row.warnings;
  return r;
}

// ---- Series -----------------------------------------------------------------------------------

// The engine's run, driven from Python: each call locks the model (workers are forked from
// it), the interpreter's lock is released meanwhile and held for the progress callback.
class series_driver {
 public:
  bool start(series_request r, std::string& error) {
    engine_call call;
    return run_.start(std::move(r), error);
  }
  bool poll(std::vector<series_result>& out) {
    engine_call call;
    return run_.poll(out, 200);
  }
  int finish(std::vector<output_piece>& closing) {
    engine_call call;
    return run_.finish(closing);
  }
  void cancel() {
    engine_call call;
    run_.cancel();
    for (std::vector<series_result> rest; run_.poll(rest, -1);) rest.clear();
  }
  std::size_t total() const { return run_.total(); }

 private:
  series_run run_;
};

py::object matrix(int curve, const std::string& outdir) {
  std::vector<std::string> columns;
  std::vector<std::vector<double>> lines;
  std::string problem;
  if (!read_series_matrix(outdir, curve, columns, lines, problem)) raise(PyExc_OSError, problem);
  if (lines.empty()) return py::none();
  py::array_t<double> m({lines.size(), columns.size()});
  auto w = m.mutable_unchecked<2>();
  for (std::size_t i = 0; i < lines.size(); ++i)
    for (std::size_t j = 0; j < columns.size(); ++j) w(i, j) = lines[i][j];
  return py::make_tuple(columns, m);
}

// Runs the series engine into outdir (inputs: paths or arrays, named by `names` where they
// are arrays); progress(done, total) after each input. Returns the rows of series.csv (its
// header first), the matrices by curve name as (column names, values), and the messages of
// the run's end.
py::tuple run_series(const project_handle& h, const py::sequence& inputs, const py::sequence& names, int workers,
                     const py::object& progress, const std::string& outdir, const py::object& values) {
  series_request r;
  r.settings = h.settings;
  r.settings.quiet = true;
  const std::size_t n = py::len(inputs);
  for (std::size_t k = 0; k < n; ++k) {
    std::optional<series_input> in = input_of(inputs[k], "inputs");
    if (!in) raise(PyExc_ValueError, "inputs: None is no input");
    if (in->in_memory) in->path = py::str(names[k]);
    r.inputs.push_back(std::move(*in));
  }
  if (py::isinstance<py::str>(values)) {
    r.value_key = py::str(values);
  } else if (!values.is_none()) {
    for (const py::handle v : values) r.values.push_back(finite(v, "values"));
    if (r.values.size() != n) raise(PyExc_ValueError, "values: give one value per input");
  }
  if (workers < 0) raise(PyExc_ValueError, "workers: the number of workers must be 1 or more");
  r.series = true;
  r.outdir = outdir;
  r.workers = workers;

  series_driver run;
  std::string error;
  if (!run.start(std::move(r), error)) raise(PyExc_OSError, error);
  const std::size_t total = run.total();
  std::size_t done = 0;
  try {
    for (bool more = true; more;) {
      std::vector<series_result> arrived;
      more = run.poll(arrived);
      done += arrived.size();
      if (PyErr_CheckSignals() != 0) throw py::error_already_set();
      if (!arrived.empty() && !progress.is_none()) progress(done, total);
    }
  } catch (...) {
    run.cancel();  // the inputs running finish, so every folder is complete
    std::vector<output_piece> ignored;
    run.finish(ignored);
    throw;
  }
  std::vector<output_piece> closing;
  const int status = run.finish(closing);
  std::vector<std::string> messages;
  for (const output_piece& p : closing)
    if (p.kind == output_piece::err) messages.push_back(p.text);
  std::vector<std::vector<std::string>> rows;
  if (!read_series_summary(outdir, rows, error)) messages.push_back(error);
  if (status == series_file || rows.empty()) raise_for(series_file, messages);
  py::dict matrices;
  for (int c = 0; c < nseries_curves; ++c) matrices[series_curve_stem[c]] = matrix(c, outdir);
  return py::make_tuple(rows, matrices, messages);
}

// The instrument-file reader runs as its own program. The interpreter is not installed
// beside it, so it is looked for from this module's place: build/python/amoq/ beside
// build/tools/, or dist-packages/amoq/ three folders below lib/amoq/bin/.
void locate_instrument_reader() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&locate_instrument_reader), &info) == 0 || !info.dli_fname) return;
  namespace fs = std::filesystem;
  const fs::path dir = fs::path(info.dli_fname).parent_path();
  std::error_code ec;
  for (const fs::path& p : {dir / ".." / ".." / "tools" / "amoq-import", dir / ".." / ".." / ".." / "amoq" / "bin" / "amoq-import"})
    if (fs::is_regular_file(p, ec)) return set_instrument_reader({fs::weakly_canonical(p, ec).string()});
}

}  // namespace

PYBIND11_MODULE(_amoq, m) {
  locate_instrument_reader();
  m.doc() = "The compiled part of the amoq package: see help(amoq).";
  m.attr("__version__") = amoq_version;
  m.def("setting_keys", &setting_key_names, "The keys Project.set takes, as amoq-reduce --set lists them.");

  py::class_<project_handle, std::shared_ptr<project_handle>>(m, "_Project")
      .def(py::init(&open), py::arg("path") = py::none())
      .def("set", &set)
      .def_property_readonly("settings", &settings_of)
      .def_property_readonly("path", [](const project_handle& h) { return h.settings.project; })
      .def("save", &save, py::arg("path"))
      .def("reduce", &reduce, py::arg("raw") = py::none(), py::arg("background") = py::none(),
           py::arg("cell") = py::none(), py::arg("errors") = py::none(), py::arg("steps") = py::none(),
           py::arg("optimise") = py::none(), py::arg("coordination") = py::tuple());

  m.def("_reduce_series", &run_series);
  m.attr("min_points") = min_points;
}
