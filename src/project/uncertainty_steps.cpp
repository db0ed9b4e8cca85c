// The uncertainties of the results of steps 1 to 3 and of the coordination numbers, from
// the covariance of each step's input (the raw data correction carries its own through
// dr, racall.cpp). Each estimated number is a linear function of the data near its value:
// its gradient turns the data's covariance into its variance and its correlation with
// every point (numeric/nm_sigma.h, numeric/cd_sigma.h).
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "numeric/cd_sigma.h"
#include "numeric/coordination.h"
#include "numeric/elements.h"
#include "numeric/nm_sigma.h"
#include "numeric/zd_sigma.h"
#include "project/curve.h"
#include "project/i18n.h"
#include "project/physics_options.h"
#include "project/project.h"
#include "project/rdf.h"
#include "project/sq_refine.h"
#include "project/uncertainty.h"

namespace {

constexpr double no_value = std::numeric_limits<double>::quiet_NaN();

// The covariance of the input curve of step calc (1..3) of project position p; null when
// it has none (with a warning, when `report`, if the third column of its file was asked
// for and is missing; p is then the active project).
std::shared_ptr<const covariance> step_input_covariance(int p, int calc, bool report) {
  const project& r = proj[p];
  const curve* in = find_curve(p, calc, 0);
  if (!in || curve_points(*in) == 0) return nullptr;
  // Read from a file: the file's third column (counting statistics do not apply to it).
  const bool from_file = r.usecalc[calc - 1] == 0;
  if (report && from_file) {
    const auto& name = r.filename[calc + 2];
    if (!column_sigma_present(calc, 0, name ? name->c_str() : tr("the input data"))) return nullptr;
  }
  return curve_covariance(*in);
}

// The transform of the g(r) step of project position p as a linear function of its input:
// the input cut at Q_max with its covariance, and for g(r) from the slope density the
// gradient h of that density (delta rho = h^T delta Q[S(Q)-1]).
struct transform_model {
  std::vector<double> q;
  std::shared_ptr<const covariance> cov;
  transform_setup t;
  bool slope = false;
  std::vector<double> h;
};

bool transform_model_of(int p, bool report, transform_model& m) {
  const project& r = proj[p];
  std::shared_ptr<const covariance> cov = step_input_covariance(p, 3, report);
  const curve* in = find_curve(p, 3, 0);
  if (!cov || !in) return false;
  const int n = curve_points(*in);
  const std::vector<int> kept = indices_in_range(in->data[0].data(), n, not_set, r.options.qmax);
  m.q.clear();
  for (int k : kept) m.q.push_back(in->data[0][k]);
  if (static_cast<int>(kept.size()) == n)
    m.cov = std::move(cov);
  else
    m.cov = std::make_shared<const covariance>(cov->mapped(row_map::selection(kept, n)));
  m.t = {static_cast<int>(m.q.size()), m.q.data(), r.exp_prop[k_rmax], r.exp_prop[k_delta_r], r.exp_prop[k_damping],
         static_cast<int>(r.options.window)};
  m.slope = r.params[k_density_mode] == 1;
  if (m.slope) {
    // rho = -slope / 4 pi, the slope a weighted sum of G(r) values.
    std::vector<double> c = slope_weights(m.t);
    for (double& v : c) v /= -four_pi_f;
    m.h.assign(m.q.size(), 0.0);
    transform_adjoint(m.t, c.data(), m.h.data());
  }
  return m.t.n >= 2;
}

}  // namespace

void propagate_sq(const std::vector<double>& scale) {
  project& r = proj[activep];
  r.norm_constant_sigma = r.refined_density_sigma = no_value;
  const curve* in = find_curve(activep, 1, 0);
  const int n = in ? curve_points(*in) : 0;
  const bool lowr = lowr_on(activep);
  if (n == 0 || static_cast<int>(scale.size()) != n || (lowr && !r.lowr_last)) return;
  const std::shared_ptr<const covariance> in_cov = step_input_covariance(activep, 1, true);
  if (!in_cov) return;
  const covariance& cov = *in_cov;
  const double* q = in->data[0].data();
  const double additive = r.checks[k_use_additive] == 1 ? r.exp_prop[k_additive] : 0.0;
  std::vector<double> j(n), a(n);
  for (int k = 0; k < n; ++k) {
    j[k] = in->data[1][k] + additive;
    a[k] = scale[k] * j[k];
  }
  // Q_min: the constant is estimated from the points from k1 on; below, the curves are
  // drawn through point k1.
  const double qmin = r.options.qmin;
  int k1 = 0;
  while (qmin != not_set && k1 < n && !(q[k1] >= qmin)) ++k1;
  if (k1 == n) k1 = 0;

  // The constant and the gradient of its estimator.
  const int method = r.params[k_method];
  double alpha = r.exp_prop[k_norm_constant];
  std::vector<double> g;
  std::vector<double> g_rho;
  if (lowr) {
    // The low-r optimisation's constant (and density) from its fit below r_min: its
    // gradients with respect to the points of a from k1 on, and a = scale (J + additive).
    // Its corrections below r_min are left out of the covariance of S(Q): they reach
    // G(r) below r_min only.
    const lowr_result& l = *r.lowr_last;
    alpha = l.alpha;
    if (static_cast<int>(l.alpha_gradient.size()) != n - k1) return;
    g.assign(static_cast<std::size_t>(n), 0.0);
    g_rho.assign(static_cast<std::size_t>(n), 0.0);
    for (int k = k1; k < n; ++k) {
      g[k] = scale[k] * l.alpha_gradient[k - k1];
      g_rho[k] = scale[k] * l.rho_gradient[k - k1];
    }
    if (r.options.lowr_density == 1.0) r.refined_density_sigma = std::sqrt(std::max(cov.quad(g_rho.data()), 0.0));
  } else if (method == 1) {
    alpha = r.exp_prop[k_trial_constant];
  } else if (method == method_integral) {
    // Q_max bounds the integral as it bounds the estimate (sq_refine.h).
    const int used = points_to_qmax(activep, q + k1, n - k1);
    const std::vector<double> part = integral_gradient(used, q + k1, a.data() + k1, scale.data() + k1, alpha);
    g.assign(static_cast<std::size_t>(k1), 0.0);
    g.insert(g.end(), part.begin(), part.end());
    g.resize(static_cast<std::size_t>(n), 0.0);
  } else {
    const double lower = qmin != not_set && qmin > 0.0 ? std::max(r.exp_prop[k_qlim], qmin) : r.exp_prop[k_qlim];
    g = high_angle_gradient(points_to_qmax(activep, q, n), q, j.data(), lower, alpha);
    if (!g.empty()) g.resize(static_cast<std::size_t>(n), 0.0);
  }
  store_curve_covariance(activep, 1, 1, normalised_covariance(cov, q, scale.data(), a.data(), alpha, g, k1));
  if (const std::vector<double>* sq = curve_sigma(activep, 1, 1))
    store_curve_sigma(activep, 1, 2, structure_sigma(n, q, k1, *sq));
  if (!g.empty()) r.norm_constant_sigma = std::sqrt(std::max(cov.quad(g.data()), 0.0));
}

void propagate_bq() {
  const curve* in = find_curve(activep, 2, 0);
  const std::shared_ptr<const covariance> cov = step_input_covariance(activep, 2, true);
  if (!cov) return;
  covariance out;
  if (zd_covariance(curve_points(*in), proj[activep].exp_prop[k_bending_point], in->data[0].data(), *cov, out))
    store_curve_covariance(activep, 2, 1, std::move(out));
}

void propagate_gr() {
  project& r = proj[activep];
  r.slope_density_sigma = no_value;
  transform_model m;
  std::vector<double> sg;
  if (!transform_model_of(activep, true, m) || !transform_sigma(m.t, *m.cov, sg)) return;
  store_curve_sigma(activep, 3, 1, sg);
  const curve* big_g = find_curve(activep, 3, 1);
  const int nr = big_g ? curve_points(*big_g) : 0;
  if (nr != static_cast<int>(sg.size())) return;
  const double* rr = big_g->data[0].data();
  const double* gv = big_g->data[1].data();

  // The slope density: its variance and its covariance with each G(r_j).
  double var_rho = 0.0;
  std::vector<double> cov_g_rho(static_cast<std::size_t>(nr), 0.0);
  if (m.slope) {
    std::vector<double> sh(m.h.size());
    var_rho = m.cov->quad(m.h.data());
    m.cov->times(m.h.data(), sh.data());
    if (!transform_vector(m.t, sh.data(), cov_g_rho)) return;
    r.slope_density_sigma = std::sqrt(std::max(var_rho, 0.0));
  }
  // The density refined below r_min: its variance, its correlation with G(r) above r_min
  // left out (it comes from the fit's region alone).
  const bool refined = !m.slope && gr_density(activep).source == density_refined && std::isfinite(r.refined_density_sigma);
  if (refined) var_rho = r.refined_density_sigma * r.refined_density_sigma;

  // g(r) = 1 + G / (4 pi rho r): delta g = a delta G - b delta rho.
  const double rho = gr_density(activep).value;  // the density g(r) was made with
  if (rho > 0.0) {
    std::vector<double> sgg(static_cast<std::size_t>(nr), 0.0);
    for (int j = 1; j < nr; ++j) {
      const double a = 1.0 / (four_pi_f * rho * rr[j]), b = gv[j] / (four_pi_f * rho * rho * rr[j]);
      const double v = a * a * sg[j] * sg[j] + b * b * var_rho - 2.0 * a * b * cov_g_rho[j];
      sgg[j] = std::sqrt(std::max(v, 0.0));
    }
    store_curve_sigma(activep, 3, m.slope ? 3 : 2, std::move(sgg));
  }

  // R(r) = r G + 4 pi rho r^2.
  const curve* rdf = find_curve(activep, 3, cid_rdf);
  if (rdf && curve_points(*rdf) == nr) {
    std::vector<double> sr(static_cast<std::size_t>(nr));
    for (int j = 0; j < nr; ++j) {
      const double d_rho = m.slope || refined ? four_pi_f * rr[j] * rr[j] : 0.0;
      const double v = rr[j] * rr[j] * sg[j] * sg[j] + d_rho * d_rho * var_rho + 2.0 * rr[j] * d_rho * cov_g_rho[j];
      sr[j] = std::sqrt(std::max(v, 0.0));
    }
    store_curve_sigma(activep, 3, cid_rdf, std::move(sr));
  }
}

std::vector<double> rdf_linear_sigmas(int p, const std::vector<std::vector<double>>& weights) {
  if (!uncertainties_on(p)) return {};
  const curve* rdf = find_curve(p, 3, cid_rdf);
  const int n = rdf ? curve_points(*rdf) : 0;
  transform_model m;
  if (n < 2 || !transform_model_of(p, false, m) || n != m.t.points()) return {};
  const bool refined =
      !m.slope && gr_density(p).source == density_refined && std::isfinite(proj[p].refined_density_sigma);
  std::vector<double> sigmas, w(static_cast<std::size_t>(n)), x(m.q.size());
  for (const std::vector<double>& given : weights) {
    if (static_cast<int>(given.size()) != n) return {};
    // sum_j w_j (r_j G_j + 4 pi rho r_j^2): the G part through the transform, the
    // density's part through its gradient.
    double k_rho = 0.0;
    for (int j = 0; j < n; ++j) {
      const double rj = rdf->data[0][j];
      k_rho += given[j] * four_pi_f * rj * rj;
      w[j] = given[j] * rj;
    }
    transform_adjoint(m.t, w.data(), x.data());
    if (m.slope)
      for (std::size_t k = 0; k < x.size(); ++k) x[k] += k_rho * m.h[k];
    double v = m.cov->quad(x.data());
    // The refined density, independent of G(r) above r_min to first order (see propagate_gr).
    if (refined) v += k_rho * k_rho * proj[p].refined_density_sigma * proj[p].refined_density_sigma;
    sigmas.push_back(std::sqrt(std::max(v, 0.0)));
  }
  return sigmas;
}

double coordination_sigma(int p, double r1, double r2) {
  const curve* rdf = find_curve(p, 3, cid_rdf);
  const int n = rdf ? curve_points(*rdf) : 0;
  if (n < 2) return no_value;
  std::vector<std::vector<double>> w(1, std::vector<double>(static_cast<std::size_t>(n)));
  coordination_weights(n, rdf->data[0].data(), r1, r2, w[0].data());
  const std::vector<double> s = rdf_linear_sigmas(p, w);
  return s.empty() ? no_value : s[0];
}
