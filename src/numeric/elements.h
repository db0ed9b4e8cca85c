// Element tables and X-ray scattering functions.
//
// All tables are indexed by atomic number Z through position Z - 1 (hydrogen first).
// Symbols are exactly two characters (one-letter symbols carry a trailing blank), names
// are blank-padded to exactly 14 characters. Neither is NUL-terminated inside the table
// rows; use atsym_of() / element_of() for std::string_view access.
#pragma once

#include <span>
#include <string_view>

inline constexpr int nelements = 106;      // H .. Lr, Rf, Ha, D
inline constexpr int ncoeff_elements = 98;  // H .. Cf have form-factor coefficients

extern const char atsym[nelements][3];
extern const char element[nelements][15];

// Waasmaier-Kirfel five-Gaussian fit, Acta Cryst. A51 (1995) 416-431, coefficient-major:
// coefficient j (a1..a5, b1..b5, c = rows 0..10) of element Z at j * 98 + (Z - 1).
extern const double rxparameters[11 * ncoeff_elements];

std::string_view atsym_of(int z);    // "C " for 6; empty for Z outside 1..106
std::string_view element_of(int z);  // "Carbon        " for 6; empty outside 1..106
double rx_coefficient(int j, int z); // coefficient row j (0..10) of element Z (1..98)

// True when a and b are the same text once the blanks around each are trimmed and ASCII
// letter case is ignored ("O" and "o " match the symbol "O ").
bool same_text(std::string_view a, std::string_view b);

// Atomic number (1..98) of the element whose symbol or name is `text` (same_text), 0 when
// none is. "Si", "silicon" and " SILICON " give 14.
int element_number(std::string_view text);

// 4*pi at single precision, as the reduction routines use it.
inline constexpr double four_pi_f = 12.566370964050293;
inline constexpr double pi_f = 3.1415927410125732;

// One species as the normalisation sees it: Z, concentration, f', f'' and a1..a5, b1..b5, c.
struct species_factors {
  double z, x, fp, fpp;
  double a[5], b[5], c;
};

// Real part of the atomic scattering factor at q (1/A): sum a_j exp(-b_j s^2) + c + f',
// with s = q / 4pi = sin(theta)/lambda. The imaginary part is f'' and does not depend on q.
double scattering_factor(const species_factors& sp, double q);

// Sample averages at q over the species (concentration-weighted):
//   mean_square = sum x_i (f_i^2 + f''_i^2)
//   mean_sq_modulus = (sum x_i f_i)^2 + (sum x_i f''_i)^2
struct sample_average {
  double mean_square;
  double mean_sq_modulus;
};
sample_average sample_averages(std::span<const species_factors> species, double q);

// mean_sq_modulus of sample_averages at q[0..n) into out. The values are kept from the last
// call on this thread and given again while the species and the grid are bit for bit the
// same: a series normalises every pattern on one grid.
void mean_sq_moduli(std::span<const species_factors> species, int n, const double* q, double* out);

// Analytic incoherent (Compton) scattering of one atom, electron units:
//   e = 2.6917/Z + 1.245, k = 1.187/Z + 0.1075 + 0.00436 Z - (0.01543 Z)^2 + (0.01422 Z)^3,
//   t = (k q)^e, I = Z t / (1 + t).
double incoherent_scattering(double z, double q);

// Sample incoherent intensity: sum x_i I_inc(Z_i, q).
double sample_incoherent(std::span<const species_factors> species, double q);
