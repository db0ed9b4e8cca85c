#include "project/xray_tables.h"

#include <cmath>

#include <xraylib.h>

#include "numeric/elements.h"

namespace {

// One library call with its error slot; an error or a value that is not finite gives
// nullopt (the library returns 0 and sets the error, which must be freed).
template <class Call>
std::optional<double> checked(Call call) {
  xrl_error* error = nullptr;
  double v = call(&error);
  if (error) {
    xrl_error_free(error);
    return std::nullopt;
  }
  return std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

bool valid(int z, double wavelength) {
  return z >= 1 && z <= ncoeff_elements && wavelength > 0.0 && std::isfinite(wavelength);
}

}  // namespace

std::optional<anomalous_factors> tabulated_anomalous(int z, double wavelength) {
  if (!valid(z, wavelength)) return std::nullopt;
  const double e = hc_kev_angstrom / wavelength;
  auto fp = checked([&](xrl_error** err) { return Fi(z, e, err); });
  auto fpp = checked([&](xrl_error** err) { return Fii(z, e, err); });
  if (!fp || !fpp) return std::nullopt;
  return anomalous_factors{*fp, -*fpp};
}

std::optional<double> tabulated_attenuation(int z, double wavelength) {
  if (!valid(z, wavelength)) return std::nullopt;
  const double e = hc_kev_angstrom / wavelength;
  return checked([&](xrl_error** err) { return CS_Total(z, e, err); });
}

std::optional<double> tabulated_incoherent_function(int z, double x) {
  if (!valid(z, 1.0) || !(x > 0.0)) return std::nullopt;
  return checked([&](xrl_error** err) { return SF_Compt(z, x, err); });
}

std::optional<double> tabulated_atomic_weight(int z) {
  if (!valid(z, 1.0)) return std::nullopt;
  return checked([&](xrl_error** err) { return AtomicWeight(z, err); });
}

std::optional<double> mixture_attenuation(std::span<const int> z, std::span<const double> x,
                                          double wavelength) {
  if (z.empty() || z.size() != x.size()) return std::nullopt;
  double mass = 0.0, weighted = 0.0;
  for (size_t i = 0; i < z.size(); ++i) {
    auto a = tabulated_atomic_weight(z[i]);
    auto mu = tabulated_attenuation(z[i], wavelength);
    if (!a || !mu || !(x[i] >= 0.0)) return std::nullopt;
    mass += x[i] * *a;
    weighted += x[i] * *a * *mu;
  }
  if (!(mass > 0.0)) return std::nullopt;
  return weighted / mass;
}

// Kα1 and Kα2: Cr to Cu from Hölzer et al., Phys. Rev. A 56 (1997) 4554; Mo and Ag from
// Deslattes et al., Rev. Mod. Phys. 75 (2003) 35. Kα weights Kα1 : Kα2 as 2 : 1.
const wavelength_preset wavelength_presets[] = {
    {"Cu Kα", 1.541871}, {"Cu Kα1", 1.540593}, {"Mo Kα", 0.710747}, {"Mo Kα1", 0.709317},
    {"Ag Kα", 0.560886}, {"Ag Kα1", 0.559422}, {"Co Kα", 1.790276}, {"Co Kα1", 1.788996},
    {"Cr Kα", 2.291034}, {"Cr Kα1", 2.289726}, {"Fe Kα", 1.937352}, {"Fe Kα1", 1.936041},
};
const int nwavelength_presets =
    static_cast<int>(sizeof wavelength_presets / sizeof wavelength_presets[0]);

int wavelength_preset_index(double wavelength) {
  for (int i = 0; i < nwavelength_presets; ++i)
    if (wavelength_presets[i].wavelength == wavelength) return i;
  return -1;
}
