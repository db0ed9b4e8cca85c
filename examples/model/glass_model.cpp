// Forward model of an X-ray diffraction pattern of a glass, used to make the bundled
// example data. It runs the reduction chain backwards, so that reducing its output with
// the example's settings must return the model's structure and normalisation constant:
//
//  1. Partial pair distribution functions g_ij(r): Gaussian first coordination shells, a
//     plateau between the shells, a broad second shell and a smooth rise to 1 around
//     3.8 A.
//  2. Partial structure factors S_ij(Q) - 1 = 4 pi rho0 Int r^2 (g_ij - 1) sin(Qr)/(Qr) dr,
//     and the Faber-Ziman total S(Q) - 1 = sum c_i c_j f_i f_j (S_ij - 1) / <f>^2 with the
//     program's own scattering factors (Waasmaier-Kirfel coefficients).
//  3. Intensity per atom in electron units: <f^2> + <f>^2 (S - 1) + R(Q) * Compton, with the
//     analytic Compton scattering of the element tables or the tabulated functions of
//     Hubbell et al. (1975), and the Breit-Dirac recoil factor
//     R = (lambda / (lambda + 0.048 sin^2 theta))^4.
//  4. Measured count rate on a 2-theta scale in transmission: divided by the normalisation
//     constant, multiplied by the polarisation factor of the in-house beam,
//     (1 + cos^2 2theta_M cos^2 2theta) / (1 + cos^2 2theta_M) (Azaroff 1955; 2theta_M = 0
//     without a monochromator), attenuated by the sample absorption
//     exp(-mu (1/cos theta - 1)) / cos theta, plus a background (air scatter) attenuated by
//     exp(-mu / cos theta), then detector dead time m = v / (1 + v tau) and Poisson
//     counting noise (Gaussian approximation, fixed seed).
//
// The glasses:
//  - sio2: vitreous SiO2 (Si-O 1.61 A with 4 O around Si, O-O 2.63 A with 6 O around O,
//    Si-Si 3.08 A with 4 Si around Si; 0.0662 atoms/A^3), Mo K-alpha, no monochromator,
//    analytic Compton scattering;
//  - pbsio3: lead metasilicate glass PbSiO3 (Pb-O 2.30 A with 4 O around Pb, Si-O 1.62 A,
//    O-O 2.65 A, Si-Si 3.10 A, Pb-Si 3.55 A, Pb-Pb 3.90 A; 0.0690 atoms/A^3, 6.5 g/cm^3),
//    Mo K-alpha through a graphite monochromator (2theta_M = 12.14 deg), tabulated Compton
//    scattering: lead is where the analytic function fails.
//
// Usage: glass_model NAME OUTDIR   writes OUTDIR/NAME_raw.dat, OUTDIR/NAME_background.dat,
// the XML project OUTDIR/NAME.apf and the same sample and experiment as the project file
// OUTDIR/NAME.nap (made through the program's own settings rules). The XML format holds
// its numbers in single precision; the project file holds them as given.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "files/project_file.h"
#include "files/xml_project.h"
#include "model/glass_structure.h"
#include "numeric/elements.h"
#include "project/incoherent_tables.h"
#include "project/physics_options.h"
#include "project/project.h"
#include "project/settings.h"

namespace {

constexpr double deg = 57.29578;  // degrees per radian, as the reduction uses
constexpr double count_time = 10.0;  // s per point
constexpr double tth_first = 2.0, tth_last = 140.0;

double compton(const glass& g, const std::vector<species_factors>& sp, double q) {
  if (!g.tables) return sample_incoherent(sp, q);
  double sum = 0.0;
  for (const species_data& d : g.species) sum += d.conc * tabulated_incoherent(d.z, q);
  return sum;
}

// Polarisation factor of the in-house beam; the plain unpolarised form without a
// monochromator.
double polarisation(const glass& g, double cos_2t) {
  if (g.monoangle == 0.0) return 0.5 * (1.0 + cos_2t * cos_2t);
  const double cm = std::cos(g.monoangle / deg);
  return (1.0 + cm * cm * cos_2t * cos_2t) / (1.0 + cm * cm);
}

// Deterministic normal deviates: 64-bit LCG + Box-Muller, identical on every platform.
struct noise {
  std::uint64_t state = 0x5eed5102ULL;
  double uniform() {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return (static_cast<double>(state >> 11) + 0.5) / 9007199254740992.0;
  }
  double normal() { return std::sqrt(-2.0 * std::log(uniform())) * std::cos(2.0 * M_PI * uniform()); }
};

int write_data(const glass& g, const std::string& dir) {
  const int ns = static_cast<int>(g.species.size());
  // Radial grid for the partial transforms (midpoint rule; g - 1 vanishes beyond ~5 A).
  constexpr double dr = 0.001, rmax = 12.0;
  const int nr = static_cast<int>(rmax / dr);
  std::vector<double> r(nr);
  std::vector<std::vector<std::vector<double>>> h(ns, std::vector<std::vector<double>>(ns));
  for (int k = 0; k < nr; ++k) r[k] = (k + 0.5) * dr;
  for (int i = 0; i < ns; ++i)
    for (int j = 0; j < ns; ++j) {
      h[i][j].resize(nr);
      for (int k = 0; k < nr; ++k) h[i][j][k] = r[k] * (g_partial(g, i, j, r[k]) - 1.0);
    }

  std::vector<species_factors> sp;
  for (const species_data& d : g.species) sp.push_back(factors(d));
  const std::string stem = dir + "/" + g.name;
  std::FILE* raw = std::fopen((stem + "_raw.dat").c_str(), "wb");
  std::FILE* bkg = std::fopen((stem + "_background.dat").c_str(), "wb");
  if (!raw || !bkg) {
    std::perror("glass_model");
    return 1;
  }
  noise rng;
  const int npts = static_cast<int>(std::lround((tth_last - tth_first) / g.tth_step)) + 1;
  std::vector<double> f(ns);
  std::vector<std::vector<double>> s_ij(ns, std::vector<double>(ns));
  for (int k = 0; k < npts; ++k) {
    const double tth = tth_first + k * g.tth_step;
    const double two_theta = tth / deg, theta = 0.5 * two_theta;
    const double q = four_pi_f * std::sin(theta) / g.lambda;

    // Partial structure factors and the Faber-Ziman total.
    for (int i = 0; i < ns; ++i)
      for (int j = 0; j < ns; ++j) {
        double sum = 0.0;
        for (int m = 0; m < nr; ++m) sum += h[i][j][m] * std::sin(q * r[m]);
        s_ij[i][j] = 4.0 * M_PI * g.rho0 * sum * dr / q;
      }
    for (int i = 0; i < ns; ++i) f[i] = scattering_factor(sp[i], q);
    const sample_average avg = sample_averages(sp, q);
    double coh = 0.0;
    for (int i = 0; i < ns; ++i)
      for (int j = 0; j < ns; ++j) coh += g.species[i].conc * g.species[j].conc * f[i] * f[j] * s_ij[i][j];
    const double sin_t = std::sin(theta);
    const double recoil = std::pow(g.lambda / (g.lambda + 0.048 * sin_t * sin_t), 4);
    const double i_eu = avg.mean_square + coh + recoil * compton(g, sp, q);

    // Back to a measured count rate.
    const double cos_t = std::cos(theta), cos_2t = std::cos(two_theta);
    const double sample = g.scale * i_eu * polarisation(g, cos_2t) * std::exp(-g.mu * (1.0 / cos_t - 1.0)) / cos_t;
    const double air = 40.0 * std::exp(-tth / 12.0) + 6.0;  // counts/s, falls off with angle
    const double true_rate = sample + air * std::exp(-g.mu / cos_t);
    const double meas_rate = true_rate / (1.0 + true_rate * g.tau);
    const double bkg_rate = air / (1.0 + air * g.tau);
    auto counted = [&](double rate) {
      const double counts = rate * count_time;
      return std::max(0.0, counts + std::sqrt(counts) * rng.normal()) / count_time;
    };
    std::fprintf(raw, "%8.3f %14.4f\n", tth, counted(meas_rate));
    std::fprintf(bkg, "%8.3f %14.4f\n", tth, counted(bkg_rate));
  }
  std::fclose(raw);
  std::fclose(bkg);
  return 0;
}

// The sample and experiment description as an XML project and as a project file, through
// the program's own settings rules and writers: transmission, in-house beam, Compton "All in".
int write_project(const glass& g, const std::string& dir) {
  init_project();
  const int ns = static_cast<int>(g.species.size());
  set_prop(prop_species, ns, 0);
  for (int s = 0; s < ns; ++s) {
    const species_data& d = g.species[s];
    const double values[4] = {static_cast<double>(d.z), d.conc, d.fp, d.fpp};
    for (int k = 0; k < 4; ++k) set_prop(prop_z + k, values[k], s);
  }
  const double experiment[5] = {g.lambda, g.mu, 0.0, g.rho0, g.tau};
  for (int k = 0; k < 5; ++k) set_prop(prop_first_exp + k, experiment[k], 0);
  propbox_changed(0, 1);  // transmission
  propbox_changed(1, 0);  // in-house polarisation
  propbox_changed(2, 0);  // Compton "All in"
  if (g.monoangle != 0.0) set_physics_option(opt_monoangle, g.monoangle);
  if (g.tables) set_physics_option(opt_incoherent, incoherent_tabulated);
  if (apply_project() != 2) return 1;
  if (save_project_file(dir + "/" + g.name + ".nap", activep) != 0) return 1;
  return write_xml((dir + "/" + g.name + ".apf").c_str()) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (const glass* g = argc == 3 ? find_glass(argv[1]) : nullptr)
    return std::max(write_data(*g, argv[2]), write_project(*g, argv[2]));
  std::fprintf(stderr, "usage: %s sio2|pbsio3 OUTDIR\n", argv[0]);
  return 2;
}
