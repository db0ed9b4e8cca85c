#include "model/glass_structure.h"

#include <cmath>
#include <cstring>

#include "numeric/sine_transform.h"

namespace {

const glass glasses[] = {
    {"sio2",
     {{14, 1.0 / 3.0, 0.0817, 0.0704}, {8, 2.0 / 3.0, 0.0106, 0.0060}},
     {{{3.08, 4.0, 0.100}, {1.61, 4.0, 0.045}}, {{1.61, 2.0, 0.045}, {2.63, 6.0, 0.090}}},
     0.0662, 0.7093, 0.77, 1.0e-6, 50.0, 0.0, false, 0.05},
    {"pbsio3",
     {{82, 0.2, -3.3944, 10.1111}, {14, 0.2, 0.0817, 0.0704}, {8, 0.6, 0.0106, 0.0060}},
     {{{3.90, 1.5, 0.150}, {3.55, 2.0, 0.120}, {2.30, 4.0, 0.080}},
      {{3.55, 2.0, 0.120}, {3.10, 2.0, 0.100}, {1.62, 4.0, 0.050}},
      {{2.30, 4.0 / 3.0, 0.080}, {1.62, 4.0 / 3.0, 0.050}, {2.65, 5.0, 0.100}}},
     0.0690, 0.7093, 1.0, 1.0e-6, 4.0, 12.14, true, 0.1},
};

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
shell second_shell(const glass& g, int i, int j) {
  static const double hole = [] {
    double sum = 0.0;
    for (double r = 0.0005; r < 8.0; r += 0.001) sum += r * r * (1.0 - rise(r)) * 0.001;
    return sum;
  }();
  const double n2 = g.species[j].conc * (4.0 * M_PI * g.rho0 * hole - 1.0) - g.first[i][j].n;
  return {i == j ? 4.5 : 4.1, n2, 0.25};
}

}  // namespace

double g_partial(const glass& g, int i, int j, double r) {
  const double rho_j = g.species[j].conc * g.rho0;
  double v = rise(r);
  for (const shell& s : {g.first[i][j], second_shell(g, i, j)}) {
    const double gauss = std::exp(-0.5 * std::pow((r - s.r0) / s.sigma, 2)) / (s.sigma * std::sqrt(2.0 * M_PI));
    v += s.n * gauss / (4.0 * M_PI * r * r * rho_j);
  }
  return v;
}

species_factors factors(const species_data& d) {
  species_factors f{static_cast<double>(d.z), d.conc, d.fp, d.fpp, {}, {}, 0.0};
  for (int j = 0; j < 5; ++j) {
    f.a[j] = rx_coefficient(j, d.z);
    f.b[j] = rx_coefficient(5 + j, d.z);
  }
  f.c = rx_coefficient(10, d.z);
  return f;
}


const glass* find_glass(const char* name) {
  for (const glass& g : glasses)
    if (std::strcmp(name, g.name) == 0) return &g;
  return nullptr;
}

std::vector<double> reduced_structure(const glass& g, int nq, double dq) {
  const int ns = static_cast<int>(g.species.size());
  constexpr double dr = 0.001, rmax = 12.0;
  const int nr = static_cast<int>(rmax / dr);
  std::vector<double> r(nr), h(nr), sum(nq), out(nq, 0.0);
  for (int m = 0; m < nr; ++m) r[m] = (m + 0.5) * dr;
  std::vector<species_factors> sp;
  for (const species_data& d : g.species) sp.push_back(factors(d));
  for (int i = 0; i < ns; ++i)
    for (int j = 0; j < ns; ++j) {
      for (int m = 0; m < nr; ++m) h[m] = r[m] * (g_partial(g, i, j, r[m]) - 1.0);
      // sum_k = sum_m h_m sin(q_k r_m): the sine sums of the transform with r and q swapped.
      sine_transform(h.data(), r.data(), nr, dr, dq, nq, sum.data());
      for (int k = 1; k < nq; ++k) {
        const double q = k * dq;
        const double s_ij = 4.0 * M_PI * g.rho0 * sum[k] * dr / q;
        out[k] += g.species[i].conc * g.species[j].conc * scattering_factor(sp[i], q) * scattering_factor(sp[j], q) * s_ij;
      }
    }
  for (int k = 1; k < nq; ++k) out[k] *= k * dq / sample_averages(sp, k * dq).mean_sq_modulus;
  return out;
}
