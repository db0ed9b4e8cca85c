#include "numeric/elements.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <vector>

const char atsym[nelements][3] = {
    "H ", "He", "Li", "Be", "B ", "C ", "N ", "O ", "F ", "Ne", "Na", "Mg", "Al", "Si", "P ",
    "S ", "Cl", "Ar", "K ", "Ca", "Sc", "Ti", "V ", "Cr", "Mn", "Fe", "Co", "Ni", "Cu", "Zn",
    "Ga", "Ge", "As", "Se", "Br", "Kr", "Rb", "Sr", "Y ", "Zr", "Nb", "Mo", "Tc", "Ru", "Rh",
    "Pd", "Ag", "Cd", "In", "Sn", "Sb", "Te", "I ", "Xe", "Cs", "Ba", "La", "Ce", "Pr", "Nd",
    "Pm", "Sm", "Eu", "Gd", "Tb", "Dy", "Ho", "Er", "Tm", "Yb", "Lu", "Hf", "Ta", "W ", "Re",
    "Os", "Ir", "Pt", "Au", "Hg", "Tl", "Pb", "Bi", "Po", "At", "Rn", "Fr", "Ra", "Ac", "Th",
    "Pa", "U ", "Np", "Pu", "Am", "Cm", "Bk", "Cf", "Es", "Fm", "Md", "No", "Lr", "Rf", "Ha",
    "D "};

const char element[nelements][15] = {
    "Hydrogen      ", "Helium        ", "Lithium       ", "Beryllium     ", "Boron         ",
    "Carbon        ", "Nitrogen      ", "Oxygen        ", "Fluorine      ", "Neon          ",
    "Sodium        ", "Magnesium     ", "Aluminum      ", "Silicon       ", "Phosphorus    ",
    "Sulfur        ", "Chlorine      ", "Argon         ", "Potassium     ", "Calcium       ",
    "Scandium      ", "Titanium      ", "Vanadium      ", "Chromium      ", "Manganese     ",
    "Iron          ", "Cobalt        ", "Nickel        ", "Copper        ", "Zinc          ",
    "Gallium       ", "Germanium     ", "Arsenic       ", "Selenium      ", "Bromine       ",
    "Krypton       ", "Rubidium      ", "Strontium     ", "Yttrium       ", "Zirconium     ",
    "Niobium       ", "Molybdenum    ", "Technetium    ", "Ruthenium     ", "Rhodium       ",
    "Palladium     ", "Silver        ", "Cadmium       ", "Indium        ", "Tin           ",
    "Antimony      ", "Tellurium     ", "Iodine        ", "Xenon         ", "Caesium       ",
    "Barium        ", "Lanthanum     ", "Cerium        ", "Praseodymium  ", "Neodymium     ",
    "Promethium    ", "Samarium      ", "Europium      ", "Gadolinium    ", "Terbium       ",
    "Dysprosium    ", "Holmium       ", "Erbium        ", "Thulium       ", "Ytterbium     ",
    "Lutetium      ", "Hafnium       ", "Tantalum      ", "Tungsten      ", "Rhenium       ",
    "Osmium        ", "Iridium       ", "Platinum      ", "Gold          ", "Mercury       ",
    "Thallium      ", "Lead          ", "Bismuth       ", "Polonium      ", "Astatine      ",
    "Radon         ", "Francium      ", "Radium        ", "Actinium      ", "Thorium       ",
    "Protactinium  ", "Uranium       ", "Neptunium     ", "Plutonium     ", "Americium     ",
    "Curium        ", "Berkelium     ", "Californium   ", "Einsteinium   ", "Fermium       ",
    "Mendelevium   ", "Nobelium      ", "Lawrencium    ", "Rutherfordium ", "Hassium       ",
    "Deuterium     "};

std::string_view atsym_of(int z) {
  if (z < 1 || z > nelements) return {};
  return {atsym[z - 1], 2};
}

std::string_view element_of(int z) {
  if (z < 1 || z > nelements) return {};
  return {element[z - 1], 14};
}

double rx_coefficient(int j, int z) { return rxparameters[j * ncoeff_elements + (z - 1)]; }

namespace {

std::string_view trim_blanks(std::string_view t) {
  const char* blanks = " \t\r\n";
  size_t b = t.find_first_not_of(blanks);
  if (b == std::string_view::npos) return {};
  return t.substr(b, t.find_last_not_of(blanks) - b + 1);
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool same_text(std::string_view a, std::string_view b) {
  a = trim_blanks(a);
  b = trim_blanks(b);
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

int element_number(std::string_view text) {
  if (trim_blanks(text).empty()) return 0;
  for (int z = 1; z <= ncoeff_elements; ++z)
    if (same_text(text, atsym_of(z)) || same_text(text, element_of(z))) return z;
  return 0;
}

double scattering_factor(const species_factors& sp, double q) {
  const double s = q / four_pi_f;
  const double s2 = s * s;
  double f = 0.0;
  for (int j = 0; j < 5; ++j) f += sp.a[j] * std::exp(-sp.b[j] * s2);
  return f + sp.c + sp.fp;
}

sample_average sample_averages(std::span<const species_factors> species, double q) {
  double f2 = 0.0, fre = 0.0, fim = 0.0;
  for (const species_factors& sp : species) {
    const double f = scattering_factor(sp, q);
    f2 += sp.x * (f * f + sp.fpp * sp.fpp);
    fre += sp.x * f;
    fim += sp.x * sp.fpp;
  }
  return {f2, fre * fre + fim * fim};
}

void mean_sq_moduli(std::span<const species_factors> species, int n, const double* q, double* out) {
  struct kept_moduli {
    std::vector<species_factors> species;
    std::vector<double> q, values;
  };
  thread_local kept_moduli kept;
  const auto count = static_cast<std::size_t>(std::max(n, 0));
  if (kept.species.size() == species.size() && kept.q.size() == count &&
      std::memcmp(kept.species.data(), species.data(), species.size_bytes()) == 0 &&
      (count == 0 || std::memcmp(kept.q.data(), q, count * sizeof(double)) == 0)) {
    std::copy(kept.values.begin(), kept.values.end(), out);
    return;
  }
  for (std::size_t k = 0; k < count; ++k) out[k] = sample_averages(species, q[k]).mean_sq_modulus;
  try {
    kept.species.assign(species.begin(), species.end());
    kept.q.assign(q, q + count);
    kept.values.assign(out, out + count);
  } catch (const std::exception&) {
    kept = kept_moduli();  // nothing kept: the next call computes again
  }
}

double incoherent_scattering(double z, double q) {
  const double e = 2.6917 / z + 1.245;
  const double k = 1.187 / z + 0.1075 + 0.00436 * z - std::pow(0.01543 * z, 2) +
                   std::pow(0.01422 * z, 3);
  const double t = std::pow(k * q, e);
  return z * t / (1.0 + t);
}

double sample_incoherent(std::span<const species_factors> species, double q) {
  double sum = 0.0;
  for (const species_factors& sp : species) sum += sp.x * incoherent_scattering(sp.z, q);
  return sum;
}
