// The structure of the model glasses of the forward model (glass_model.cpp): partial pair
// distribution functions g_ij(r) of known shells, their Faber-Ziman total and the
// scattering factors of the species. Shared by the program that makes the bundled example
// data and by the tests that check the reduction against a known answer.
#pragma once

#include <vector>

#include "numeric/elements.h"

struct shell {
  double r0, n, sigma;  // distance and width in A, number of neighbours
};

struct species_data {
  int z;
  double conc, fp, fpp;  // concentration, anomalous dispersion f', f'' (electrons)
};

struct glass {
  const char* name;
  std::vector<species_data> species;
  // first[i][j]: neighbours of type j around an atom of type i (c_i N_ij = c_j N_ji).
  std::vector<std::vector<shell>> first;
  double rho0;       // atoms / A^3
  double lambda;     // A
  double mu;         // sample mu*t
  double tau;        // detector dead time, s
  double scale;      // count rate per electron unit (1/alpha)
  double monoangle;  // monochromator 2theta_M, degrees; 0 for none
  bool tables;       // tabulated incoherent scattering functions
  double tth_step;   // degrees, from 2 to 140
};

// "sio2" and "pbsio3" (glass_model.cpp describes them); nullptr for another name.
const glass* find_glass(const char* name);

// g_ij(r): the first shell, a broad second shell and a smooth rise to 1 (glass_model.cpp).
double g_partial(const glass& g, int i, int j, double r);

// The scattering factors of a species from the element tables.
species_factors factors(const species_data& d);

// Q[S(Q)-1] of the Faber-Ziman total on q_k = k dq, k < nq, with the partial structure
// factors S_ij(Q) - 1 = 4 pi rho0 int r (g_ij - 1) sin(Q r) dr / Q by the midpoint rule on
// 0..12 A in steps of 0.001 A (the sums through the chirp transform), and
// Q[S(Q)-1] = Q sum c_i c_j f_i f_j (S_ij - 1) / |<f>|^2, 0 at Q = 0.
std::vector<double> reduced_structure(const glass& g, int nq, double dq);
