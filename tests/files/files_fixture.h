// Projects with every kind of content for the file tests, and a walker that finds the
// count fields of a written block from the format table alone.
#pragma once

#include "support/test.h"

#include "files/project_file.h"
#include "project/allocextra.h"
#include "project/calc_records.h"
#include "project/hooks.h"
#include "project/project.h"
#include "support/project_fixture.h"
#include "support/temp_files.h"

using namespace std::string_literals;

class files_test : public project_table_test {
 protected:
  void SetUp() override {
    project_table_test::SetUp();
    hooks().window_size = [](const curve&, int& w, int& h) { w = 900, h = 700; };
  }
  std::string temp_dir() { return scratch_.path.string(); }

 private:
  scratch_dir scratch_;
};

inline int window_marker;  // stands for a window handle

// Builds curve (1, 1) of project p as an open window with non-default settings and its
// slot table for the current project list.
inline void open_window(int p) {
  curve& c = *proj[p].curves[1][1];
  c.window = &window_marker;
  c.default_title = 0, c.title = "My % title", c.show_title = 1, c.title_font = "Serif 9";
  c.datac = color{0, 1, 4242, 3}, c.backc = color{0, 60000, 60000, 50000};
  c.dash = 4, c.glyph = 12, c.gsize = 6.5, c.gfreq = 3;
  c.scale[1] = 1, c.labels_digit[0] = 3, c.ticks_pos[1] = c.labels_pos[0] = 3;  // "None"
  c.axmin[0] = 0.5, c.axmax[1] = 2.5, c.frame[2] = 0.8, c.x_axis_title_pos[1] = 33;
  c.show_legend = 1, c.cfile = "out.agr";
  activate_curve(p, 1, 1);
}

// A project with 2 species (when species), curves with points (when calculations) and,
// when window, windows on curves (0, 3) and (1, 1) with extra sets of its own.
inline int make_project(const char* name, int species, bool calculations, bool window) {
  init_project();
  int p = activep;
  project& r = proj[p];
  r.name = name, r.trun = 0, r.prun = 1;
  r.params[k_abscissa] = 0, r.params[k_method] = 1;
  r.checks[k_subtract_background] = r.checks[k_smooth_data] = 1;
  r.exp_prop[k_wavelength] = 0.7107, r.exp_prop[k_density] = 0.066, r.exp_prop[k_geometry] = 1;
  r.exp_prop[k_polarisation] = 2, r.exp_prop[k_compton] = 1;
  r.num_delta[2] = 7, r.delta[1] = 0.25;
  r.filename[0] = "raw é.dat", r.filename[3] = "";
  if (species) {
    prepspec(p, 2);
    set_species_element(p, 0, 14);
    set_species_element(p, 1, 8);
    r.spec_prop[1] = {1.0 / 3.0, 2.0 / 3.0};
    r.spec_prop[2][1] = -0.5, r.spec_prop[3][0] = 0.125;
  }
  if (!calculations) return p;
  create_curve_records(p);
  init_curve_names(p, 0, 0);
  for (int c = 0; c < ncalc; ++c) r.dialok[c] = 1;
  r.visok[0] = r.visok[1] = 1, r.calcok[calc_ra] = 1;
  std::vector<double> x, y;
  for (int i = 0; i < 6; ++i) x.push_back(0.1 * i + 0.05), y.push_back(1.0 / (i + 1));
  activep = p;
  save_curve(6, x.data(), y.data(), 0, 0);
  save_curve(4, x.data(), y.data(), 0, 3);
  save_curve(5, x.data(), y.data(), 1, 1);
  save_curve(3, y.data(), x.data(), 1, 2);
  if (window) {
    proj[p].curves[0][3]->window = &window_marker;
    open_window(p);
    curve& c = *proj[p].curves[1][1];
    int base = slot_base(p);
    draw_slot(c, base + 1, 0);  // (1, 0)
    draw_slot(c, base + 3, 1);  // (1, 2)
    c.extras_shown = 2;
  }
  return p;
}

// Offsets of the fields of a project block that starts at `start`.
struct layout {
  size_t nspec = 0, numc = 0, params = 0, names = 0, count = 0, curve = 0, window = 0, extras = 0, end = 0;
};

inline int32_t read32(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<int32_t>(b.at(at) | b.at(at + 1) << 8 | b.at(at + 2) << 16 |
                              static_cast<uint32_t>(b.at(at + 3)) << 24);
}

inline void put32(std::vector<uint8_t>& b, size_t at, int32_t v) {
  for (int i = 0; i < 4; ++i) b.at(at + i) = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}

// Walks a valid block with the sizes of the format table.
inline layout locate(const std::vector<uint8_t>& b, int mode, size_t start = 0) {
  layout at;
  size_t pos = start;
  auto text = [&] { pos += 4 + read32(b, pos); };
  text();  // header
  text();  // name
  int run = read32(b, pos + 8);
  at.nspec = pos + 12;
  int nspec = read32(b, at.nspec);
  pos += 16;
  at.numc = pos + 4 * 16;
  pos += 6 * 16 + 3 * 32 + 19 * 8;
  at.params = pos;
  pos += 32;
  at.names = pos;
  for (int i = 0; i < 6; ++i) {
    int n = read32(b, pos);
    pos += 4 + (n > 0 ? n : 0);
  }
  pos += 15 * 8 * nspec;
  if (nspec == 0 || run == 0) {
    at.end = pos;
    return at;
  }
  at.count = pos;
  int count = read32(b, pos);
  pos += 4;
  for (int i = 0; i < count; ++i) {
    if (mode > 0) pos += 4;
    if (i == 0) at.curve = pos;
    const int flag = read32(b, pos + 8), n = read32(b, pos + 12);
    pos += 16 + 16 * n;
    if (flag != 1) continue;
    if (!at.window) at.window = pos;
    pos += 8 + 32;
    int default_title = read32(b, pos + 4);
    pos += 8;
    if (default_title == 0) text();
    pos += 16;
    text();
    pos += 12 + 32;
    for (int t = 0; t < 4; ++t) text();
    pos += 16 + 4 + 8 + 8 + 8 + 16 + 6 * 8 + 8;
    text();
    text();
    pos += 16 + 8 + 8 + 8 + 8 + 4;
    text();
    pos += 16 + 12 + 4 + 4 + 8 + 12 + 4 + 4 + 4 + 8 + 12 + 32 + 12 + 12 + 8 + 4 + 4 + 8 + 4 + 4 + 4;
    int sets = read32(b, pos);
    if (sets > 0 && !at.extras) at.extras = pos + 4;
    pos += 4 + sets * (mode > 0 ? 56 : 52);
    int has_file = read32(b, pos);
    pos += 4;
    if (has_file == 1) text();
  }
  at.end = pos;
  return at;
}

// Project p as the bytes of its file, and bytes read into a fresh project, left active
// (returns the reader's code).
inline std::vector<uint8_t> encode(int p) {
  byte_writer w;
  encode_project_file(w, p);
  return w.data();
}

inline int decode_fresh(const std::vector<uint8_t>& bytes) {
  init_project();
  byte_reader in(bytes);
  return decode_project(in, read_context{}, activep);
}
