// Tabulated X-ray interaction data from the X-ray interaction library: anomalous
// scattering factors, mass attenuation coefficients and atomic weights by element, and
// the usual anode wavelengths. Every lookup returns nullopt when the library has no value
// (element or energy out of its range); no library error reaches the caller.
#pragma once

#include <optional>
#include <span>

// Photon energy of a wavelength: E [keV] = 12.39842 / λ [Å].
inline constexpr double hc_kev_angstrom = 12.39842;

struct anomalous_factors {
  double fp;   // f′ (electrons)
  double fpp;  // f″ (electrons), positive as in the published tables
};

// f′ and f″ of element z (1..98) at `wavelength` (Å). The library's Kramers–Kronig
// factors are tabulated with f″ negative; the sign is turned here.
std::optional<anomalous_factors> tabulated_anomalous(int z, double wavelength);

// Total mass attenuation coefficient μ/ρ (cm²/g, coherent scattering included) of
// element z at `wavelength` (Å).
std::optional<double> tabulated_attenuation(int z, double wavelength);

// Incoherent scattering function S(Z, x) of element z at x = sin(θ)/λ (1/Å), as tabulated
// by Hubbell et al., J. Phys. Chem. Ref. Data 4 (1975) 471; nullopt below the first x of
// the tables (about 0.001 1/Å) and outside them.
std::optional<double> tabulated_incoherent_function(int z, double x);

// Atomic weight of element z (g/mol).
std::optional<double> tabulated_atomic_weight(int z);

// μ/ρ of a mixture of elements z[i] with atom fractions x[i] (any common scale):
// Σ w_i (μ/ρ)_i with mass fractions w_i = x_i A_i / Σ x_j A_j.
std::optional<double> mixture_attenuation(std::span<const int> z, std::span<const double> x,
                                          double wavelength);

// Anode wavelengths in Å: Kα (weighted mean (2 Kα1 + Kα2) / 3) and Kα1 of Cu, Mo, Ag, Co,
// Cr and Fe, to the six decimals the wavelength entry shows.
struct wavelength_preset {
  const char* label;  // "Cu Kα", "Cu Kα1", ...
  double wavelength;
};
extern const wavelength_preset wavelength_presets[];
extern const int nwavelength_presets;

// Position of the preset equal to `wavelength`, -1 when none is.
int wavelength_preset_index(double wavelength);
