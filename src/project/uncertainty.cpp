// The uncertainty mode of a project, the deviations its curves hold, and the data files
// read with their third column.
#include "project/uncertainty.h"

#include <cstring>
#include <string>
#include <utility>

#include "numeric/callbacks.h"
#include "numeric/readfiles.h"
#include "project/changes.h"
#include "project/curve.h"
#include "project/i18n.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/rdf.h"
#include "project/steps.h"

namespace {

// Reads the third column of data file id of project position p again, from the path it
// was loaded from, and keeps it when the file still holds the curve's points.
void reread_column(int p, int id) {
  const auto& path = proj[p].filepath[id];
  curve* c = find_curve(p, file_calc(id), file_curve(id));
  const int n = c ? curve_points(*c) : 0;
  if (!path || n == 0) return;
  std::vector<double> x, y, sigma;
  numeric_receiver capture;
  capture.save_curve = [&](int m, const double* xs, const double* ys, int, int) {
    x.assign(xs, xs + m);
    y.assign(ys, ys + m);
  };
  capture.save_sigma = [&](int m, const double* s, int, int) { sigma.assign(s, s + m); };
  capture.show_error = [](const char*, const char*, const char*) {};
  numeric_receiver previous = set_numeric_receiver(std::move(capture));
  read_data_sigma(0, 0, path->path.c_str(), static_cast<int>(path->path.size()));
  set_numeric_receiver(std::move(previous));
  const auto same = [n](const std::vector<double>& a, const std::vector<double>& b) {
    return static_cast<int>(a.size()) == n && std::equal(a.begin(), a.end(), b.begin());
  };
  if (static_cast<int>(sigma.size()) == n && same(x, c->data[0]) && same(y, c->data[1])) c->sigma = std::move(sigma);
}

}  // namespace

int uncertainty_mode(int p) {
  if (!valid_project(p)) return errors_none;
  const double m = proj[p].options.errors;
  return m == errors_counts ? errors_counts : m == errors_column ? errors_column : errors_none;
}

bool uncertainties_on(int p) { return uncertainty_mode(p) != errors_none; }

int set_uncertainty_mode(int mode) {
  if (!valid_project(activep) || mode < errors_none || mode > errors_column) return 0;
  if (uncertainty_mode(activep) == mode) return 0;
  project& r = proj[activep];
  r.options.errors = mode;
  drop_uncertainties(activep);
  if (mode == errors_column)
    for (int id = 0; id < nfilenames; ++id) reread_column(activep, id);
  for (int calc = 0; calc < ncalc; ++calc) {
    r.calcok[calc] = 0;
    invalidate_steps(activep, calc);
  }
  setting_accepted(-1);
  return 1;
}

const std::vector<double>* curve_sigma(int p, int calc, int cid) {
  const curve* c = find_curve(p, calc, cid);
  if (!c || c->sigma.empty() || static_cast<int>(c->sigma.size()) != curve_points(*c)) return nullptr;
  return &c->sigma;
}

double normalisation_sigma(int p) {
  return valid_project(p) ? proj[p].norm_constant_sigma : std::numeric_limits<double>::quiet_NaN();
}

double slope_density_sigma(int p) {
  return valid_project(p) ? proj[p].slope_density_sigma : std::numeric_limits<double>::quiet_NaN();
}

double refined_density_sigma(int p) {
  return valid_project(p) ? proj[p].refined_density_sigma : std::numeric_limits<double>::quiet_NaN();
}

double gr_density_sigma(int p) {
  if (!valid_project(p)) return std::numeric_limits<double>::quiet_NaN();
  const step_density used = gr_density(p);
  if (used.source == density_refined) return refined_density_sigma(p);
  if (used.source == density_slope) return slope_density_sigma(p);
  return std::numeric_limits<double>::quiet_NaN();
}

void store_curve_sigma(int p, int calc, int cid, std::vector<double> sigma) {
  curve* c = find_curve(p, calc, cid);
  if (!c || static_cast<int>(sigma.size()) != curve_points(*c)) return;
  c->sigma = std::move(sigma);
  c->cov.reset();
}

void store_curve_covariance(int p, int calc, int cid, covariance cov) {
  curve* c = find_curve(p, calc, cid);
  if (!c || cov.size() != curve_points(*c) || cov.empty()) return;
  c->sigma = cov.sigma();
  c->cov = std::make_shared<const covariance>(std::move(cov));
}

std::shared_ptr<const covariance> curve_covariance(const curve& c) {
  if (c.cov && c.cov->size() == curve_points(c)) return c.cov;
  const int n = curve_points(c);
  if (n == 0 || static_cast<int>(c.sigma.size()) != n) return nullptr;
  std::vector<double> var(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) var[i] = c.sigma[i] * c.sigma[i];
  return std::make_shared<const covariance>(covariance::diagonal(var));
}

void copy_uncertainty(const curve& from, curve& to) {
  to.sigma = from.sigma;
  to.cov = from.cov;
}

void drop_uncertainties(int p) {
  if (!valid_project(p)) return;
  project& r = proj[p];
  for (auto& list : r.curves)
    for (auto& c : list) {
      c->sigma = std::vector<double>();
      c->cov.reset();
    }
  r.norm_constant_sigma = r.slope_density_sigma = r.refined_density_sigma = std::numeric_limits<double>::quiet_NaN();
}

int read_data_file(int calc, int cid, const char* data, std::size_t size) {
  return read_data_bytes(calc, cid, data, size, uncertainty_mode(activep) == errors_column);
}

bool column_sigma_present(int calc, int cid, const char* name) {
  if (uncertainty_mode(activep) != errors_column || curve_sigma(activep, calc, cid)) return true;
  show_warning(format(tr("The uncertainties come from the third column of the data files, but %s has "
                         "none\nThe results carry no uncertainties"),
                      name)
                   .c_str());
  return false;
}
