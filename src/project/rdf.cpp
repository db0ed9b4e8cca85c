#include "project/rdf.h"

#include <cmath>
#include <string>
#include <vector>

#include "numeric/coordination.h"
#include "project/changes.h"
#include "project/curve.h"
#include "project/messages.h"
#include "project/physics_options.h"
#include "project/project.h"
#include "project/setting_table.h"
#include "project/sq_refine.h"
#include "project/toolbox.h"
#include "project/i18n.h"
#include "project/uncertainty.h"
#include "project/uncertainty_text.h"

const char* density_source_name(int source) {
  static const char* const names[3] = {"typed", "slope of G(r)", "refined"};
  return source >= 0 && source < 3 ? names[source] : names[0];
}

step_density gr_density(int p) {
  if (!valid_project(p)) return {};
  const project& r = proj[p];
  if (r.params[k_density_mode] == 1) return {r.exp_prop[k_slope_density] > 0.0 ? r.exp_prop[k_slope_density] : 0.0, density_slope};
  const int source = step_source(r, 3);
  const bool from_sq = source == 1 || (source == 2 && step_source(r, 2) == 1);
  if (const double rho = refined_density(p); from_sq && rho > 0.0) return {rho, density_refined};
  return {r.exp_prop[k_density], density_typed};
}

double rdf_density(int p) {
  const double rho = gr_density(p).value;
  return rho > 0.0 ? rho : 0.0;
}

void update_rdf(int p) {
  curve* out = find_curve(p, 3, cid_rdf);
  if (!out) return;
  const curve* big_g = find_curve(p, 3, 1);
  const int n = big_g ? curve_points(*big_g) : 0;
  const double rho = rdf_density(p);
  std::vector<double> rdf(static_cast<std::size_t>(n));
  if (n > 0 && rho > 0.0) radial_distribution(n, big_g->data[0].data(), big_g->data[1].data(), rho, rdf.data());
  const bool held = n > 0 && rho > 0.0;
  store_curve(p, held ? n : 0, held ? big_g->data[0].data() : nullptr, rdf.data(), 3, cid_rdf);
}

namespace {

// The deviations of a reported shell's area, r0 and sigma: its parameters respond to R(r)
// through the fit's gains (coordination.h), and R(r) carries the covariance of the data.
gaussian_peak_sigma shell_sigmas(int p, int n, const double* rr, double r1, double r2, const peak_transform& t,
                                 const peak_fit& fit) {
  if (!fit.reported() || !uncertainties_on(p)) return {};
  const std::vector<double> s = rdf_linear_sigmas(p, peak_fit_gains(n, rr, r1, r2, t, fit.peak));
  if (s.size() != 3) return {};
  return {s[0], s[1], s[2]};
}

}  // namespace

int count_coordination(int p, double r1, double r2, int a, int b, coordination_count& out) {
  const curve* c = find_curve(p, 3, cid_rdf);
  const int n = c ? curve_points(*c) : 0;
  if (n < 2) return count_no_rdf;
  if (!(r2 > r1)) return count_reversed;
  const double* rr = c->data[0].data();
  if (!(r1 >= rr[0] && r2 <= rr[n - 1])) return count_outside;
  const project& r = proj[p];
  out.total = coordination_number(n, rr, c->data[1].data(), r1, r2);
  const double* z = r.spec_prop[0].data();
  const double* x = r.spec_prop[1].data();
  const double* fp = r.spec_prop[2].data();
  out.weight = pair_weight(r.nspec, z, x, fp, a, b);
  out.pair = pair_coordination(out.total, r.nspec, z, x, fp, a, b);
  out.total_sigma = coordination_sigma(p, r1, r2);
  out.pair_sigma = std::fabs(pair_coordination(out.total_sigma, r.nspec, z, x, fp, a, b));
  // The shell is fitted through the transform the g(r) step made: its q points up to Q_max,
  // its window and damping.
  const curve* in = find_curve(p, 3, 0);
  const int nq = in ? curve_points(*in) : 0;
  cut_series kept = nq > 0 ? cut_to_range(in->data[0].data(), in->data[1].data(), {}, nq, not_set, r.options.qmax)
                           : cut_series{};
  peak_transform t{static_cast<int>(kept.x.size()), kept.x.data(),
                   setting_int(*setting_of_option(&project_options::window), r.options.window, 0),
                   r.exp_prop[k_damping]};
  out.fit = out.pair_fit = peak_fit{};
  if (t.nq < 2) return count_done;
  out.fit = fit_gaussian_peak(n, rr, c->data[1].data(), r1, r2, t);
  out.fit.sigmas = shell_sigmas(p, n, rr, r1, r2, t, out.fit);
  if (std::isnan(out.pair)) return count_done;
  // The pair's share of the total at each Q, Re(f_A f_B*) / |<f>|^2 (Faber, Ziman 1965),
  // relative to the weight at Q = 0 that turns the area into a number of neighbours.
  const std::vector<species_factors> sp = species_of(r);
  std::vector<double> share(static_cast<std::size_t>(t.nq - 1));
  for (int k = 0; k < t.nq - 1; ++k) {
    const double qk = t.q[k];
    const double fab = scattering_factor(sp[a], qk) * scattering_factor(sp[b], qk) + sp[a].fpp * sp[b].fpp;
    share[k] = x[a] * x[b] * fab / sample_averages(sp, qk).mean_sq_modulus / out.weight;
  }
  t.weight = share.data();
  out.pair_fit = fit_gaussian_peak(n, rr, c->data[1].data(), r1, r2, t);
  out.pair_fit.sigmas = shell_sigmas(p, n, rr, r1, r2, t, out.pair_fit);
  out.pair_fit.peak.area = pair_coordination(out.pair_fit.peak.area, r.nspec, z, x, fp, a, b);
  out.pair_fit.sigmas.area = std::fabs(pair_coordination(out.pair_fit.sigmas.area, r.nspec, z, x, fp, a, b));
  return count_done;
}

int coordination_species(double stored) {
  return setting_int(*setting_of_option(&project_options::coord_a), stored, -1);
}

const char* coordination_problem(const coordination_count& c, bool pair) {
  auto finite = [](const gaussian_peak& f) {
    return std::isfinite(f.area) && std::isfinite(f.r0) && std::isfinite(f.sigma);
  };
  const bool ok = std::isfinite(c.total) && (!c.fit.reported() || finite(c.fit.peak)) &&
                  (!pair || (std::isfinite(c.pair) && (!c.pair_fit.reported() || finite(c.pair_fit.peak))));
  return ok ? nullptr : N_("The coordination number is not a number: check the number density and the range r1 to r2");
}

std::string species_symbol(int p, int i) {
  if (!valid_project(p) || i < 0 || i >= proj[p].nspec) return std::string();
  std::string s = proj[p].spec_symbol[i];
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

int species_by_symbol(int p, std::string_view symbol) {
  for (int i = 0; valid_project(p) && i < proj[p].nspec; ++i)
    if (!symbol.empty() && species_symbol(p, i) == symbol) return i;
  return -1;
}

std::string pair_name(int p, int a, int b) { return species_symbol(p, a) + "-" + species_symbol(p, b); }

void set_coordination(int which, double value) {
  if (!valid_project(activep) || which < 0 || which > 2) return;
  project_options& o = proj[activep].options;
  const project& r = proj[activep];
  const int pair = static_cast<int>(value);
  const double a = which < 2 ? 0 : pair >= 0 && r.nspec > 0 ? pair / r.nspec : -1;
  const double b = which < 2 ? 0 : pair >= 0 && r.nspec > 0 ? pair % r.nspec : -1;
  double& stored = which == 0 ? o.coord_r1 : o.coord_r2;
  if (which < 2 ? stored == value : o.coord_a == a && o.coord_b == b) return;
  if (which < 2) {
    stored = value;
  } else {
    o.coord_a = a;
    o.coord_b = b;
  }
  setting_accepted(-1);
}

std::string coordination_text(int p) {
  if (!valid_project(p)) return std::string();
  const project_options& o = proj[p].options;
  coordination_count c;
  const int a = coordination_species(o.coord_a), b = coordination_species(o.coord_b);
  if (count_coordination(p, o.coord_r1, o.coord_r2, a, b, c) != count_done) return std::string();
  if (const char* problem = coordination_problem(c, !std::isnan(c.weight))) return tr(problem);
  std::string text = "N " + with_sigma(p, c.total, c.total_sigma);
  if (!std::isnan(c.pair))
    text += format("  %s %s (w %.3f)", pair_name(p, a, b).c_str(),
                   with_sigma(p, c.pair, c.pair_sigma).c_str(), c.weight);
  // The total's shell, or the pair's when one is chosen.
  const bool pair = !std::isnan(c.pair);
  const peak_fit& fit = c.shell();
  if (!fit.reported()) return text + format("\nfit: %s", peak_fit_reason(fit.status));
  const gaussian_peak& f = fit.peak;
  const std::string name = pair ? pair_name(p, a, b) + " " : "N ";
  return text + format("\nfit %s%f\nfit r0 %.4f Å  σ %.4f Å", name.c_str(), f.area, f.r0, f.sigma);
}
