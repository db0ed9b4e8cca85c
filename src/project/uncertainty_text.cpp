#include "project/uncertainty_text.h"

#include <cmath>

#include "project/messages.h"
#include "project/project.h"
#include "project/uncertainty.h"

std::string plus_minus(int p, double sigma, const char* fmt) {
  if (!uncertainties_on(p) || !std::isfinite(sigma)) return {};
  return " ± " + format(fmt, sigma);
}

std::string with_sigma(int p, double value, double sigma, const char* fmt) {
  return format(fmt, value) + plus_minus(p, sigma, fmt);
}

std::string normalisation_text(int p) {
  if (!valid_project(p)) return {};
  const double nc = proj[p].exp_prop[k_norm_constant];
  return nc == not_set || nc == 0.0 ? std::string() : with_sigma(p, nc, normalisation_sigma(p));
}

std::string slope_density_text(int p) {
  if (!valid_project(p)) return {};
  const double rho = proj[p].exp_prop[k_slope_density];
  return rho > 0.0 ? with_sigma(p, rho, slope_density_sigma(p)) : std::string();
}
