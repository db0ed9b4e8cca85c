#include "project/incoherent_tables.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "numeric/elements.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/xray_tables.h"
#include "project/i18n.h"

namespace {

// First x of the tables (1/A): below it they give no value.
constexpr double first_x = 0.001;
// Points of the comparison grid over the data's Q range.
constexpr int compare_points = 400;

std::string trimmed(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

}  // namespace

double tabulated_incoherent(int z, double q) {
  if (!(q > 0.0) || z < 1 || z > ncoeff_elements) return 0.0;
  const double x = q / four_pi_f;
  if (x >= first_x) return tabulated_incoherent_function(z, x).value_or(0.0);
  // At small momentum transfer S(Z, x) grows as x^2.
  return tabulated_incoherent_function(z, first_x).value_or(0.0) * (x / first_x) * (x / first_x);
}

std::vector<double> sample_incoherent_tables(int p, const double* q, int n) {
  std::vector<double> sum(static_cast<size_t>(std::max(n, 0)), 0.0);
  if (!valid_project(p)) return sum;
  const project& r = proj[p];
  for (int s = 0; s < r.nspec; ++s) {
    const int z = static_cast<int>(std::lround(r.spec_prop[0][s]));
    const double x = r.spec_prop[1][s];
    for (int k = 0; k < n; ++k) sum[k] += x * tabulated_incoherent(z, q[k]);
  }
  return sum;
}

namespace {

// The largest difference between the analytic and the tabulated function of element z over
// the comparison grid of [qlo, qhi]. The last few are kept: every pattern of a series asks
// again for the same elements and range.
double worst_difference(int z, double qlo, double qhi) {
  struct kept_difference {
    int z;
    double qlo, qhi, worst;
  };
  thread_local std::vector<kept_difference> kept;
  for (const kept_difference& d : kept)
    if (d.z == z && std::memcmp(&d.qlo, &qlo, sizeof qlo) == 0 && std::memcmp(&d.qhi, &qhi, sizeof qhi) == 0)
      return d.worst;
  double worst = 0.0;
  for (int k = 0; k <= compare_points; ++k) {
    const double q = qlo + (qhi - qlo) * k / compare_points;
    worst = std::max(worst, std::fabs(incoherent_scattering(z, q) - tabulated_incoherent(z, q)));
  }
  if (kept.size() >= 16) kept.erase(kept.begin());
  kept.push_back({z, qlo, qhi, worst});
  return worst;
}

}  // namespace

std::vector<std::string> analytic_incoherent_outliers(int p, double qlo, double qhi,
                                                      double tolerance) {
  std::vector<std::string> names;
  if (!valid_project(p) || !(qhi >= qlo)) return names;
  const project& r = proj[p];
  for (int s = 0; s < r.nspec; ++s) {
    const int z = static_cast<int>(std::lround(r.spec_prop[0][s]));
    if (z < 1 || z > ncoeff_elements) continue;
    const double worst = worst_difference(z, qlo, qhi);
    std::string name = trimmed(std::string(atsym_of(z)));
    if (worst > tolerance * z && std::find(names.begin(), names.end(), name) == names.end())
      names.push_back(name);
  }
  return names;
}

void warn_analytic_incoherent(int p, double qlo, double qhi) {
  if (!valid_project(p)) return;
  project& r = proj[p];
  if (r.incoherent_warned || r.options.incoherent != incoherent_analytic || r.exp_prop[k_compton] != 1.0)
    return;
  std::vector<std::string> names = analytic_incoherent_outliers(p, qlo, qhi);
  if (names.empty()) return;
  std::string list;
  for (const std::string& n : names) list += (list.empty() ? "" : ", ") + n;
  r.incoherent_warned = true;
  show_warning(format(tr("The analytic incoherent scattering function is off by more than 5 %% of Z\n"
                         "for %s over the Q range of the data\n"
                         "The tabulated functions (Incoherent scattering: Tables) are advised"),
                      list.c_str())
                   .c_str());
}
