// Reported numbers with their standard deviation, as the dialogs, the information pages and
// the status line show them: "0.019770 ± 0.000012". While a project propagates no
// uncertainties, or a deviation is not known, the texts are those without it.
#pragma once

#include <string>

// " ± sigma" in the number's own format ("%f", "%lf", "%.3f"), or empty.
std::string plus_minus(int p, double sigma, const char* fmt = "%f");
// format(fmt, value) followed by plus_minus(p, sigma, fmt).
std::string with_sigma(int p, double value, double sigma, const char* fmt = "%f");

// The result lines of the S(q) and g(r) dialogs: the normalisation constant and the density
// from the slope of G(r), "%f" with their deviations; empty when not computed.
std::string normalisation_text(int p);
std::string slope_density_text(int p);
