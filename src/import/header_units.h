// What the header of a data file says about its abscissa and the wavelength: integrated
// patterns ("# q_nm^-1  I", "# 2th_deg I", "# Wavelength: 1.908e-11"), chi-plot files
// (second line "Q (Inverse Nanometres)"), instrument metadata ("WL1 = 1.540598",
// <kAlpha1 unit="Angstrom">1.5405980</kAlpha1>).
#pragma once

#include <string>
#include <string_view>

enum class abscissa_unit { none, two_theta_deg, two_theta_rad, q_per_angstrom, q_per_nm };

struct header_units {
  abscissa_unit unit = abscissa_unit::none;
  std::string unit_line;        // the header line the unit was recognised in, trimmed
  double wavelength = 0.0;      // Å; 0 when none was found
  std::string wavelength_line;  // the line it came from, trimmed
};

// Recognises the unit and the wavelength in header text (lines separated by '\n'). The
// unit is taken from the last line that names one (the column line of integrated
// patterns closes their header); the wavelength from the first line that gives one after
// a key (wavelength, lambda, λ, WL1, Kα1, alpha1), in Å, nm, pm or m (a bare value below
// 1e-6 is in metres), kept only between 0.01 and 20 Å.
header_units recognise_header(std::string_view text);

// The unit alone, of one line; none when the line names no unit.
abscissa_unit unit_of_line(std::string_view line);

// "2θ in degrees", "Q in nm⁻¹", ...
const char* unit_description(abscissa_unit unit);
