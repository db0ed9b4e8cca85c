// The figures of the low-r optimisation and of the shell fit on the model glass SiO2, whose
// answer is known (0.0662 atoms/A^3; 4 O at 1.61 A around Si, width 0.045 A): its Q[S(Q)-1]
// cut at Q_max 10, 15 and 20 A^-1, split as alpha a - b with alpha = 0.02, the density
// given 10 % high. For each Q_max and window (none, Lorch) it prints alpha and rho found,
// the iterations, the rms of G(r) + 4 pi rho r below r_min, and the Si-O shell fitted
// over 1.3..2.0 A.
//
// Usage: model_figures [RMIN]   (default 1.2 A)
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "model/glass_structure.h"
#include "numeric/callbacks.h"
#include "numeric/calrd.h"
#include "numeric/coordination.h"
#include "numeric/lowr.h"

namespace {

struct captured {
  std::vector<double> x, y;
};

// The curves the routines deliver, kept by (calc, curve).
captured curves[4][5];

void capture() {
  numeric_receiver r;
  r.save_curve = [](int n, const double* x, const double* y, int calc, int curve) {
    curves[calc][curve] = {std::vector<double>(x, x + n), std::vector<double>(y, y + n)};
  };
  r.show_error = [](const char* a, const char* b, const char* c) { std::fprintf(stderr, "%s\n%s\n%s\n", a, b, c); };
  set_numeric_receiver(std::move(r));
}

}  // namespace

int main(int argc, char** argv) {
  const double rmin = argc > 1 ? std::atof(argv[1]) : 1.2, alpha = 0.02, dq = 0.01;
  capture();
  const glass& g = *find_glass("sio2");
  const std::vector<species_factors> sp{factors(g.species[0]), factors(g.species[1])};
  const double z[2] = {14, 8}, x[2] = {g.species[0].conc, g.species[1].conc}, fp[2] = {g.species[0].fp, g.species[1].fp};
  const double w = pair_weight(2, z, x, fp, 0, 1);
  std::printf("model glass SiO2: alpha 0.02, rho 0.0662 (given 0.0728), Si-O 4 at 1.61 A; r_min %g A\n", rmin);
  std::printf("Q_max window    alpha     rho      (err)   iter conv  rms<r_min  Si-O fit 1.3-2.0\n");
  for (double qmax : {10.0, 15.0, 20.0}) {
    const int n = static_cast<int>(std::lround(qmax / dq)) + 1;
    const std::vector<double> qs = reduced_structure(g, n, dq);
    std::vector<double> q(n), a(n), b(n), share(n);
    for (int k = 0; k < n; ++k) {
      q[k] = k * dq;
      b[k] = q[k] * (1.0 + q[k] / 40.0);
      a[k] = (qs[k] + b[k]) / alpha;
      const double fab = scattering_factor(sp[0], q[k]) * scattering_factor(sp[1], q[k]) + sp[0].fpp * sp[1].fpp;
      share[k] = x[0] * x[1] * fab / sample_averages(sp, q[k]).mean_sq_modulus / w;
    }
    double fitted[2] = {0, 0};
    for (int window : {0, 1}) {
      lowr_settings s;
      s.rho = 1.1 * g.rho0, s.rmin = rmin, s.refine_density = 1, s.window = window;
      lowr_result res;
      if (!lowr(n, q.data(), a.data(), b.data(), s, &res)) return 1;
      const std::vector<double> optimised = curves[1][1].y;
      if (!cd(n, 0, res.rho, 6.0, 0.0, 0.01, optimised.data(), q.data(), window)) return 1;
      const captured& big_g = curves[3][1];
      double sum = 0.0;
      int count = 0;
      for (std::size_t j = 0; big_g.x[j] < rmin - 1e-9; ++j, ++count)
        sum += std::pow(big_g.y[j] + four_pi_f * res.rho * big_g.x[j], 2);
      // The shell on the transform of the model itself, not of the optimised curve.
      if (!cd(n, 0, g.rho0, 6.0, 0.0, 0.01, qs.data(), q.data(), window)) return 1;
      std::vector<double> rdf(curves[3][1].x.size());
      radial_distribution(static_cast<int>(rdf.size()), curves[3][1].x.data(), curves[3][1].y.data(), g.rho0,
                          rdf.data());
      const peak_fit f = fit_gaussian_peak(static_cast<int>(rdf.size()), curves[3][1].x.data(), rdf.data(), 1.3, 2.0,
                                           {n, q.data(), window, 0.0, share.data()});
      fitted[window] = pair_coordination(f.peak.area, 2, z, x, fp, 0, 1);
      std::printf("%5.0f  %-6s  %.6f  %.6f (%+5.1f%%) %4d  %-4s  %.4f     %.3f (r0 %.3f, sigma %.3f)%s\n", qmax,
                  window ? "Lorch" : "none", res.alpha, res.rho, 100.0 * (res.rho / g.rho0 - 1.0), res.iterations,
                  res.converged ? "yes" : "no", std::sqrt(sum / count), fitted[window], f.peak.r0, f.peak.sigma,
                  f.reported() ? "" : " not reported");
    }
    std::printf("       fit without window / with Lorch: %+.1f %%\n", 100.0 * (fitted[0] / fitted[1] - 1.0));
  }
  return 0;
}
