// Incoherent (Compton) scattering of the S(q) step from the tables of Hubbell et al. (1975)
// (xray_tables.h), and their comparison with the analytic function of the element tables.
#pragma once

#include <string>
#include <vector>

// Project option `incoherent`: which function the S(q) step uses.
inline constexpr double incoherent_analytic = 0;
inline constexpr double incoherent_tabulated = 1;

// I_inc(Z, q) = S(Z, x) with x = q / 4pi = sin(theta)/lambda, electron units per atom. 0 for
// q <= 0 and for Z outside 1..98; below the first tabulated x it rises as x^2 from there.
double tabulated_incoherent(int z, double q);

// sum_i x_i I_inc(Z_i, q_k) over the species of project position p, at each of the n q_k.
std::vector<double> sample_incoherent_tables(int p, const double* q, int n);

// The species of project position p (trimmed symbols, in species order) whose analytic
// incoherent function differs from the tables by more than tolerance * Z somewhere in
// qlo..qhi.
std::vector<std::string> analytic_incoherent_outliers(int p, double qlo, double qhi,
                                                      double tolerance = 0.05);

// When project position p uses the analytic function and some of its elements are
// outliers over qlo..qhi, warns once per project, naming them and suggesting the tables.
void warn_analytic_incoherent(int p, double qlo, double qhi);
