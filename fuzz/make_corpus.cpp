// Writes the seed corpora of the fuzz targets with the program's own writers:
//   make_corpus <fuzz/corpus>
// Small valid files of every kind: an empty project, a project with species, curves, an
// open window and extra sets, a workspace whose second project shows curves of the
// first, XML project files, and data files in the layouts the reader accepts.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "project/allocextra.h"
#include "files/project_file.h"
#include "files/workspace_file.h"
#include "files/xml_project.h"
#include "fuzz_support.h"
#include "project/calc_records.h"
#include "project/hooks.h"
#include "project/project.h"

namespace fs = std::filesystem;

namespace {

int window_marker;  // stands for a window handle

void put(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void put(const fs::path& path, const std::string& text) {
  put(path, std::vector<uint8_t>(text.begin(), text.end()));
}

// A project with two species, points in four curves and, with `window`, an open window
// on curve (1, 1) that draws two other curves of the same project over itself.
int make_project(const char* name, bool calculations, bool window) {
  init_project();
  int p = activep;
  proj[p].name = name;
  proj[p].trun = 0;
  proj[p].prun = 1;
  proj[p].params[k_abscissa] = 1;
  proj[p].exp_prop[k_wavelength] = 0.7093;
  proj[p].exp_prop[k_geometry] = 2;
  proj[p].exp_prop[k_polarisation] = 1;
  proj[p].exp_prop[k_compton] = 1;
  proj[p].filename[0] = "raw.dat";
  prepspec(p, 2);
  set_species_element(p, 0, 14);
  set_species_element(p, 1, 8);
  proj[p].spec_prop[1] = {1.0, 2.0};
  proj[p].spec_prop[2] = {0.1, 0.04};
  proj[p].spec_prop[3] = {0.2, 0.03};
  if (!calculations) return p;
  create_curve_records(p);
  init_curve_names(p, 0, 0);
  for (int c = 0; c < ncalc; ++c) proj[p].dialok[c] = 1;
  proj[p].visok[0] = proj[p].visok[1] = 1;
  std::vector<double> x{0.5, 1.0, 1.5, 2.0}, y{3.0, 2.5, 1.0, 0.5};
  activep = p;
  save_curve(4, x.data(), y.data(), 0, 0);
  save_curve(3, x.data(), y.data(), 0, 3);
  save_curve(4, x.data(), y.data(), 1, 1);
  save_curve(2, y.data(), x.data(), 1, 2);
  if (window) {
    curve& c = *proj[p].curves[1][1];
    c.window = &window_marker;
    c.default_title = 0;
    c.title = "Q[S(Q)-1] of SiO2";
    c.cfile = "sq.agr";
    activep = p;
    activer = 1;
    activec = 1;
    allocextra(0, p, 1, 1);
    int base = slot_base(p);
    for (int k : {base + 1, base + 3}) {
      c.extrasets[k][0] = 1;
      c.extradash[k] = 2;
      c.extraglyph[k] = 5;
    }
    c.extras_shown = 2;
  }
  return p;
}

std::vector<uint8_t> project_bytes(int p) {
  byte_writer w;
  encode_project_file(w, p);
  return w.data();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_corpus <corpus directory>\n");
    return 2;
  }
  fuzz_silence();
  hooks().window_size = [](const curve&, int& w, int& h) {
    w = 640;
    h = 507;
  };
  const fs::path root(argv[1]);
  for (const char* t : {"nap", "naw", "apf", "read_data"}) fs::create_directories(root / t);

  // .nap
  init_project();
  proj[activep].name = "P";
  put(root / "nap" / "new_project.nap", project_bytes(activep));
  fuzz_reset_projects();
  put(root / "nap" / "two_elements.nap", project_bytes(make_project("Species", false, false)));
  fuzz_reset_projects();
  put(root / "nap" / "window.nap", project_bytes(make_project("Window", true, true)));
  fuzz_reset_projects();

  // .naw: the second project has calculations and shows a curve of the first.
  make_project("First", true, false);
  int second = make_project("Second", true, true);
  {
    curve& c = *proj[second].curves[1][1];
    activep = second;
    activer = 1;
    activec = 1;
    allocextra(1, second, 1, 1);
    int k = slot_base(0) + 1;  // curve (1, 0) of the first project
    c.extrasets[k][0] = 1;
    c.extras_shown = 3;
  }
  byte_writer w;
  if (encode_workspace(w) != 0) return 1;
  put(root / "naw" / "two_projects.naw", w.data());
  fuzz_reset_projects();
  init_project();
  byte_writer one;
  if (encode_workspace(one) != 0) return 1;
  put(root / "naw" / "one_empty_project.naw", one.data());
  fuzz_reset_projects();

  // .apf
  make_project("Xml", false, false);
  if (!write_xml((root / "apf" / "sio2.apf").c_str())) return 1;
  fuzz_reset_projects();
  init_project();
  if (!write_xml((root / "apf" / "no_species.apf").c_str())) return 1;
  fuzz_reset_projects();

  // Data files
  put(root / "read_data" / "two_columns.dat", "10.0 125.5\n10.5 130.25\n11.0 128.0\n");
  put(root / "read_data" / "three_columns.dat", "1.0 2.0 3.0\n4.0,5.0,6.0\n");
  put(root / "read_data" / "one_per_line.dat", "1\n2\n\n3\n4\n");
  put(root / "read_data" / "exponents.dat", "1.5E+01\t2.5d-3\n-3e2 +4.D0\n7 8 text\n");
  put(root / "read_data" / "header.dat", "2theta intensity\n1 2\n");
  return 0;
}
