#include "project/rdf.h"

#include <cmath>
#include <string>
#include <vector>

#include "numeric/coordination.h"
#include "project/curve.h"
#include "project/messages.h"
#include "project/physics_options.h"
#include "project/project.h"
#include "project/sq_refine.h"
#include "project/toolbox.h"
#include "project/uncertainty.h"

double rdf_density(int p) {
  if (!valid_project(p)) return 0.0;
  const project& r = proj[p];
  const double rho = r.params[k_density_mode] == 1 ? r.exp_prop[k_slope_density] : r.exp_prop[k_density];
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

bool count_coordination(int p, double r1, double r2, int a, int b, coordination_count& out) {
  const curve* c = find_curve(p, 3, cid_rdf);
  const int n = c ? curve_points(*c) : 0;
  if (n < 2 || !(r2 > r1)) return false;
  const project& r = proj[p];
  out.total = coordination_number(n, c->data[0].data(), c->data[1].data(), r1, r2);
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
  peak_transform t{static_cast<int>(kept.x.size()), kept.x.data(), static_cast<int>(r.options.window),
                   r.exp_prop[k_damping]};
  out.fitted = t.nq >= 2 && fit_gaussian_peak(n, c->data[0].data(), c->data[1].data(), r1, r2, t, out.fit);
  out.pair_fitted = false;
  if (t.nq < 2 || std::isnan(out.pair)) return true;
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
  out.pair_fitted = fit_gaussian_peak(n, c->data[0].data(), c->data[1].data(), r1, r2, t, out.pair_fit);
  if (out.pair_fitted) out.pair_fit.area = pair_coordination(out.pair_fit.area, r.nspec, z, x, fp, a, b);
  return true;
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

std::string coordination_text(int p) {
  if (!valid_project(p)) return std::string();
  const project_options& o = proj[p].options;
  coordination_count c;
  if (!count_coordination(p, o.coord_r1, o.coord_r2, static_cast<int>(o.coord_a), static_cast<int>(o.coord_b), c))
    return std::string();
  std::string text = format("N %f", c.total);
  if (!std::isnan(c.pair))
    text += format("  %s %f (w %.3f)", pair_name(p, static_cast<int>(o.coord_a), static_cast<int>(o.coord_b)).c_str(),
                   c.pair, c.weight);
  // The total's shell, or the pair's when one is chosen.
  const bool pair = !std::isnan(c.pair);
  const gaussian_peak& f = pair ? c.pair_fit : c.fit;
  if (!(pair ? c.pair_fitted : c.fitted)) return text + "\nfit: no peak";
  const std::string name = pair ? pair_name(p, static_cast<int>(o.coord_a), static_cast<int>(o.coord_b)) + " " : "N ";
  return text + format("\nfit %s%f\nfit r0 %.4f Å  σ %.4f Å", name.c_str(), f.area, f.r0, f.sigma);
}
