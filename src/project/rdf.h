// The radial distribution function of the g(r) step and the coordination numbers counted
// on it.
#pragma once

#include <cmath>
#include <limits>
#include <string>
#include <string_view>

#include "numeric/coordination.h"

// Where the density of g(r) comes from: the sample's density as typed, the slope of G(r),
// or the low-r optimisation of the S(q) step that refined it.
enum density_source { density_typed, density_slope, density_refined };

// "typed", "slope of G(r)", "refined": the names reduction.json records.
const char* density_source_name(int source);

// The density the g(r) step of project position p uses: the slope density when g(r) is
// made with it (value 0 before the step ran), the refined one when the S(q) step refined
// it and the g(r) step transforms that step's result (directly or after the bending
// correction), else the sample's density.
struct step_density {
  double value = 0.0;
  int source = density_typed;
};
step_density gr_density(int p);

// Fills curve (3, cid_rdf) of project position p with R(r) = r G(r) + 4 pi rho r^2 from its
// G(r), rho the density its g(r) was made with (gr_density); empties it when there is no
// G(r) or no positive density.
void update_rdf(int p);

// The density R(r) of project position p is made with, or 0 when none.
double rdf_density(int p);

struct coordination_count {
  double total = 0.0;   // int_r1^r2 R(r) dr
  double pair = 0.0;    // B atoms around an A atom (NaN without a pair)
  double weight = 0.0;  // Faber-Ziman weight of the pair at Q = 0 (NaN without a pair)
  peak_fit fit;         // a Gaussian shell fitted to R(r) on r1..r2 (coordination.h): area (total)
  peak_fit pair_fit;    // the shell fitted as A-B pairs, with their weight at each Q: its area
                        // as B atoms around an A atom (status fit_no_peak without a pair)
  // The fit of the count: the pair's when there is one.
  const peak_fit& shell() const { return std::isnan(pair) ? fit : pair_fit; }
  // Standard deviations of total and pair when uncertainties are propagated, else NaN.
  double total_sigma = std::numeric_limits<double>::quiet_NaN();
  double pair_sigma = std::numeric_limits<double>::quiet_NaN();
};

enum coordination_status { count_done, count_no_rdf, count_reversed, count_outside };

// Counts on R(r) of project position p between r1 and r2; a and b are species positions
// (-1: no pair). count_no_rdf when there is no R(r), count_reversed when r2 <= r1,
// count_outside when r1..r2 does not lie within the r range of R(r).
int count_coordination(int p, double r1, double r2, int a, int b, coordination_count& out);

// The species position held in coord_a or coord_b of the options, -1 (the total) for a
// value that is not one.
int coordination_species(double stored);

// Why the count c (with its pair when `pair`) cannot be reported: a number or a fitted
// shell that is not finite (a density far out of range makes R(r) overflow); nullptr when
// every value is finite.
const char* coordination_problem(const coordination_count& c, bool pair);

// The symbol of species i of project position p without its padding ("O", "Si").
std::string species_symbol(int p, int i);

// Position of the species of project position p whose symbol is `symbol` ("Si", "O"), or -1.
int species_by_symbol(int p, std::string_view symbol);

// "A-B" of species a and b of project position p ("Si-O").
std::string pair_name(int p, int a, int b);

// The range and pair of the coordination number of the active project, which 0 r1, 1 r2
// (Å), 2 species A and B as one choice (-1 total, else a·nspec + b). They are saved with
// the project: a new value marks it changed; no step result depends on them.
void set_coordination(int which, double value);

// The coordination line of the g(r) dialog for the project's stored range and pair, e.g.
// "N 2.991274  Si-O 4.001520 (w 0.249)", and on two more lines the fitted shell, the pair's
// when one is chosen, "fit Si-O 3.901234" (or "fit N 2.912345") and "fit r0 1.6050 Å
// σ 0.0450 Å" ("fit: no peak" when none); empty when nothing can be counted.
std::string coordination_text(int p);
