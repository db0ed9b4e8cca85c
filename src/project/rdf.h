// The radial distribution function of the g(r) step and the coordination numbers counted
// on it.
#pragma once

#include <limits>
#include <string>
#include <string_view>

#include "numeric/coordination.h"

// Fills curve (3, cid_rdf) of project position p with R(r) = r G(r) + 4 pi rho r^2 from its
// G(r), rho the density its g(r) was made with (the slope density when g(r) used it, else
// the experimental one); empties it when there is no G(r) or no positive density.
void update_rdf(int p);

// The density R(r) of project position p is made with, or 0 when none.
double rdf_density(int p);

struct coordination_count {
  double total = 0.0;   // int_r1^r2 R(r) dr
  double pair = 0.0;    // B atoms around an A atom (NaN without a pair)
  double weight = 0.0;  // Faber-Ziman weight of the pair at Q = 0 (NaN without a pair)
  bool fitted = false;       // a Gaussian shell was fitted to R(r) on r1..r2 (coordination.h)
  gaussian_peak fit;         // its area (total), position and width
  bool pair_fitted = false;  // the shell fitted as A-B pairs, with their weight at each Q
  gaussian_peak pair_fit;    // its area as B atoms around an A atom, position and width
  // Standard deviations of total and pair when uncertainties are propagated, else NaN.
  double total_sigma = std::numeric_limits<double>::quiet_NaN();
  double pair_sigma = std::numeric_limits<double>::quiet_NaN();
};

// Counts on R(r) of project position p between r1 and r2; a and b are species positions
// (-1: no pair). Returns false when there is no R(r), or r2 <= r1.
bool count_coordination(int p, double r1, double r2, int a, int b, coordination_count& out);

// The symbol of species i of project position p without its padding ("O", "Si").
std::string species_symbol(int p, int i);

// Position of the species of project position p whose symbol is `symbol` ("Si", "O"), or -1.
int species_by_symbol(int p, std::string_view symbol);

// "A-B" of species a and b of project position p ("Si-O").
std::string pair_name(int p, int a, int b);

// The coordination line of the g(r) dialog for the project's stored range and pair, e.g.
// "N 2.991274  Si-O 4.001520 (w 0.249)", and on two more lines the fitted shell, the pair's
// when one is chosen, "fit Si-O 3.901234" (or "fit N 2.912345") and "fit r0 1.6050 Å
// σ 0.0450 Å" ("fit: no peak" when none); empty when nothing can be counted.
std::string coordination_text(int p);
