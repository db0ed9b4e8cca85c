// Writes the sample and experiment description of the bundled SiO2 example as an XML
// project file, through the program's own settings rules and XML writer. The values are
// those the forward model (sio2_model.cpp) made the data with.
//
// Usage: sio2_project FILE.apf
#include <cstdio>

#include "files/xml_project.h"
#include "project/project.h"
#include "project/settings.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("Usage: sio2_project FILE.apf\n", stderr);
    return 2;
  }
  init_project();
  set_prop(prop_species, 2, 0);
  // Species 0 = Si, 1 = O: Z, concentration, f', f'' at Mo K-alpha.
  const double species[2][4] = {{14, 1.0 / 3.0, 0.0817, 0.0704}, {8, 2.0 / 3.0, 0.0106, 0.0060}};
  for (int s = 0; s < 2; ++s)
    for (int k = 0; k < 4; ++k) set_prop(prop_z + k, species[s][k], s);
  set_prop(5, 0.7093, 0);   // wavelength, A (Mo K-alpha)
  set_prop(6, 0.77, 0);     // sample mu*t
  set_prop(7, 0.0, 0);      // no substrate or cell
  set_prop(8, 0.0662, 0);   // number density, atoms/A^3
  set_prop(9, 1.0e-6, 0);   // detector dead time, s
  propbox_changed(0, 1);    // transmission
  propbox_changed(1, 0);    // in-house polarisation
  propbox_changed(2, 0);    // Compton "All in"
  if (apply_project() != 2) return 1;
  return write_xml(argv[1]) ? 0 : 1;
}
