// Forward model of an X-ray diffraction pattern of vitreous SiO2, used to make the bundled
// example data. It runs the reduction chain backwards, so that reducing its output with
// the example's settings must return the model's structure:
//
//  1. Partial pair distribution functions g_ij(r) (Si-Si, Si-O, O-O): Gaussian
//     coordination shells (Si-O 1.61 A with 4 O around Si, O-O 2.63 A with 6 O around O,
//     Si-Si 3.08 A with 4 Si around Si), a plateau between the shells, a broad second
//     shell and a smooth rise to 1 around 3.8 A.
//     Number density 0.0662 atoms/A^3 (2.20 g/cm^3).
//  2. Partial structure factors S_ij(Q) - 1 = 4 pi rho0 Int r^2 (g_ij - 1) sin(Qr)/(Qr) dr,
//     and the Faber-Ziman total S(Q) - 1 = sum c_i c_j f_i f_j (S_ij - 1) / <f>^2 with the
//     program's own scattering factors (Waasmaier-Kirfel coefficients).
//  3. Intensity per atom in electron units: <f^2> + <f>^2 (S - 1) + R(Q) * Compton, with the
//     program's analytic Compton scattering and Breit-Dirac recoil factor
//     R = (lambda / (lambda + 0.048 sin^2 theta))^4.
//  4. Measured count rate on a 2-theta scale for Mo K-alpha (0.7093 A) in transmission:
//     divided by the normalisation constant, multiplied by the in-house polarisation
//     factor (1 + cos^2 2theta)/2, attenuated by the sample absorption
//     exp(-mu (1/cos theta - 1)) / cos theta, plus a background (air scatter) attenuated
//     by exp(-mu / cos theta), then detector dead time m = v / (1 + v tau) and Poisson
//     counting noise (Gaussian approximation, fixed seed).
//
// Usage: sio2_model OUTDIR   writes OUTDIR/sio2_raw.dat and OUTDIR/sio2_background.dat.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "numeric/elements.h"

namespace {

constexpr double lambda = 0.7093;          // Mo K-alpha, A
constexpr double rho0 = 0.0662;            // atoms / A^3
constexpr double mu = 0.77;                // sample mu*t (1 mm of silica glass)
constexpr double tau = 1.0e-6;             // detector dead time, s
constexpr double scale = 50.0;             // count rate per electron unit (1/alpha)
constexpr double count_time = 10.0;        // s per point
constexpr double tth_first = 2.0, tth_last = 140.0, tth_step = 0.05;  // degrees
constexpr double deg = 57.29578;           // degrees per radian, as the reduction uses

constexpr int zs[2] = {14, 8};               // species 0 = Si, 1 = O
constexpr double conc[2] = {1.0 / 3.0, 2.0 / 3.0};
// Anomalous dispersion corrections f', f'' at Mo K-alpha (electrons).
constexpr double fprime[2] = {0.0817, 0.0106}, fsecond[2] = {0.0704, 0.0060};

// First coordination shell of partial (i, j): neighbours of type j around an atom of type
// i (c_i N_ij = c_j N_ji), distance and width in A.
struct shell {
  double r0, n, sigma;
};
shell first_shell(int i, int j) {
  if (i != j) return {1.61, i == 0 ? 4.0 : 2.0, 0.045};  // Si-O: 4 O around Si, 2 Si around O
  if (i == 1) return {2.63, 6.0, 0.090};                  // O-O
  return {3.08, 4.0, 0.100};                              // Si-Si
}
// Beyond the first shell, g rises to 0.3 around 2.2 A (the continuous distribution between
// the shells of a glass) and to 1 around 3.8 A; with a broad second shell this stands for
// the structure beyond the first neighbours and keeps every S_ij(Q) physical (positive
// intensity at low Q). The second shell's number is chosen so that every partial
// obeys S_ij(0) = 0: N1 + N2 = c_j (4 pi rho0 Int r^2 (1 - rise) dr - 1).
double rise(double r) {
  const double step = 0.5 * (1.0 + std::erf((r - 3.8) / 0.25));
  const double plateau = 0.5 * (1.0 + std::erf((r - 2.2) / 0.15));
  return step + 0.3 * plateau * (1.0 - step);
}
shell second_shell(int i, int j) {
  static const double hole = [] {
    double sum = 0.0;
    for (double r = 0.0005; r < 8.0; r += 0.001) sum += r * r * (1.0 - rise(r)) * 0.001;
    return sum;
  }();
  const double n2 = conc[j] * (4.0 * M_PI * rho0 * hole - 1.0) - first_shell(i, j).n;
  return {i == j ? 4.5 : 4.1, n2, 0.25};
}

double g_partial(int i, int j, double r) {
  const double rho_j = conc[j] * rho0;
  double g = rise(r);
  for (const shell& s : {first_shell(i, j), second_shell(i, j)}) {
    const double gauss = std::exp(-0.5 * std::pow((r - s.r0) / s.sigma, 2)) / (s.sigma * std::sqrt(2.0 * M_PI));
    g += s.n * gauss / (4.0 * M_PI * r * r * rho_j);
  }
  return g;
}

species_factors factors(int s) {
  species_factors f{static_cast<double>(zs[s]), conc[s], fprime[s], fsecond[s], {}, {}, 0.0};
  for (int j = 0; j < 5; ++j) {
    f.a[j] = rx_coefficient(j, zs[s]);
    f.b[j] = rx_coefficient(5 + j, zs[s]);
  }
  f.c = rx_coefficient(10, zs[s]);
  return f;
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];

  // Radial grid for the partial transforms (midpoint rule; g - 1 vanishes beyond ~5 A).
  constexpr double dr = 0.001, rmax = 12.0;
  const int nr = static_cast<int>(rmax / dr);
  std::vector<double> r(nr), h[2][2];
  for (int k = 0; k < nr; ++k) r[k] = (k + 0.5) * dr;
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < 2; ++j) {
      h[i][j].resize(nr);
      for (int k = 0; k < nr; ++k) h[i][j][k] = r[k] * (g_partial(i, j, r[k]) - 1.0);
    }

  const species_factors sp[2] = {factors(0), factors(1)};
  std::FILE* raw = std::fopen((dir + "/sio2_raw.dat").c_str(), "wb");
  std::FILE* bkg = std::fopen((dir + "/sio2_background.dat").c_str(), "wb");
  if (!raw || !bkg) {
    std::perror("sio2_model");
    return 1;
  }
  noise rng;
  const int npts = static_cast<int>(std::lround((tth_last - tth_first) / tth_step)) + 1;
  for (int k = 0; k < npts; ++k) {
    const double tth = tth_first + k * tth_step;
    const double two_theta = tth / deg, theta = 0.5 * two_theta;
    const double q = four_pi_f * std::sin(theta) / lambda;

    // Partial structure factors and the Faber-Ziman total.
    double s_ij[2][2];
    for (int i = 0; i < 2; ++i)
      for (int j = 0; j < 2; ++j) {
        double sum = 0.0;
        for (int m = 0; m < nr; ++m) sum += h[i][j][m] * std::sin(q * r[m]);
        s_ij[i][j] = 4.0 * M_PI * rho0 * sum * dr / q;
      }
    const double f[2] = {scattering_factor(sp[0], q), scattering_factor(sp[1], q)};
    const sample_average avg = sample_averages(sp, q);
    double coh = 0.0;
    for (int i = 0; i < 2; ++i)
      for (int j = 0; j < 2; ++j) coh += conc[i] * conc[j] * f[i] * f[j] * s_ij[i][j];
    const double sin_t = std::sin(theta);
    const double recoil = std::pow(lambda / (lambda + 0.048 * sin_t * sin_t), 4);
    const double i_eu = avg.mean_square + coh + recoil * sample_incoherent(sp, q);

    // Back to a measured count rate.
    const double cos_t = std::cos(theta), cos_2t = std::cos(two_theta);
    const double sample = scale * i_eu * 0.5 * (1.0 + cos_2t * cos_2t) * std::exp(-mu * (1.0 / cos_t - 1.0)) / cos_t;
    const double air = 40.0 * std::exp(-tth / 12.0) + 6.0;  // counts/s, falls off with angle
    const double true_rate = sample + air * std::exp(-mu / cos_t);
    const double meas_rate = true_rate / (1.0 + true_rate * tau);
    const double bkg_rate = air / (1.0 + air * tau);
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
