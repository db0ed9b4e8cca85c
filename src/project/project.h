// The project record (one analysis) and the global project table.
#pragma once

#include <array>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "numeric/lowr.h"
#include "project/curve.h"

inline constexpr int ncalc = 4;         // calculation steps, indexed by calc (= rid)
inline constexpr int nspec_max = 10;    // chemical species per project
inline constexpr int nspec_props = 15;  // Z, concentration, f', f'', 11 coefficients
inline constexpr int nexp_props = 19;
inline constexpr int nfilenames = 6;
inline constexpr double not_set = -10.0;  // marker of an unset exp_prop value

// The calculation steps, positions of initok, dialok, visok, calcok and the curve tables.
inline constexpr int calc_ra = 0;  // raw data correction
inline constexpr int calc_sq = 1;  // S(q)
inline constexpr int calc_bq = 2;  // S(q) bending correction
inline constexpr int calc_gr = 3;  // g(r) and G(r)

// Positions in exp_prop (unset: not_set). The entries of the settings and step dialogs
// pass them as props 5..16; the combo boxes 0..4 store codes from k_geometry on.
inline constexpr int k_wavelength = 0;       // Å
inline constexpr int k_abs_sample = 1;       // linear absorption of the sample, μt
inline constexpr int k_abs_cell = 2;         // of the substrate or cell, μt
inline constexpr int k_density = 3;          // experimental number density, atoms/Å³
inline constexpr int k_dead_time = 4;        // detector dead time, s
inline constexpr int k_additive = 5;         // additive correction of the S(q) step
inline constexpr int k_qlim = 6;             // integration limit of the high-angle method, Å⁻¹
inline constexpr int k_trial_constant = 7;   // constant of the trial-and-error method
inline constexpr int k_bending_point = 8;    // Å⁻¹
inline constexpr int k_rmax = 9;             // Å
inline constexpr int k_delta_r = 10;         // Å
inline constexpr int k_damping = 11;         // damping factor of the transform, Å²
inline constexpr int k_geometry = 12;        // code: 1 reflection, 2 transmission, 3 capillary, 4 none
inline constexpr int k_polarisation = 13;    // code: 1 in-house/circular, 2 synchrotron/linear
inline constexpr int k_compton = 14;         // code: 1 all in, 2 all out
inline constexpr int k_smoothing = 15;       // code: 1 slight, 2 moderate, 3 heavy
inline constexpr int k_breit_dirac = 16;     // recoil factor code 1..3 (exponent 1, 4, 1/2), 4 none
inline constexpr int k_norm_constant = 17;   // estimated by the S(q) step
inline constexpr int k_slope_density = 18;   // estimated from the slope of G(r)

// Positions in params (position 1 is unused).
inline constexpr int nparams = 4;
inline constexpr int k_abscissa = 0;      // raw data abscissa: -1 none, 0 2θ, 1 Q
inline constexpr int k_method = 2;        // S(q) normalisation method
inline constexpr int k_density_mode = 3;  // g(r) with the density from the slope of G(r)

// Positions in checks (1 = on).
inline constexpr int nchecks = 4;
inline constexpr int k_subtract_background = 0;
inline constexpr int k_subtract_cell = 1;
inline constexpr int k_smooth_data = 2;
inline constexpr int k_use_additive = 3;

// Curves per calculation once the curve records exist.
inline constexpr int calc_curves[ncalc] = {4, 3, 2, 4};
// Result curves held after those, never written to project or workspace files (files keep
// numc = calc_curves, so every version reads them): S(q) before the low-r optimisation,
// and the radial distribution function, derived from G(r) again when a file is read.
inline constexpr int calc_extra_curves[ncalc] = {0, 2, 0, 1};
inline constexpr int cid_qs_plain = 3;  // step 1: Q[S(Q)-1] before the optimisation
inline constexpr int cid_s_plain = 4;   // step 1: S(Q) before the optimisation
inline constexpr int cid_rdf = 4;       // step 3: R(r) = 4 pi rho r^2 g(r)

// Settings added after the original record. Each default reproduces the original
// behaviour, so a file without them reads as it always did; files store only the values
// that differ from the default, in an optional trailing block (files/project_options).
// not_set means "unset": the step behaves as before.
struct project_options {
  double bkgscale = 1.0;      // background scale factor
  double cellscale = 1.0;     // cell scale factor
  double window = 0;          // transform window: 0 exp(-damp Q^2), 1 Lorch
  double lowr_rmin = not_set; // low-r optimisation: no pairs below r_min (Å); unset = off
  double lowr_iter = 5;       // low-r optimisation: maximum count of corrections
  double lowr_density = 0;    // low-r optimisation: 1 also refines the density
  double incoherent = 0;      // incoherent scattering: 0 analytic, 1 tabulated
  double qmin = not_set;      // S(q): lowest Q used for the normalisation (Å^-1)
  double qmax = not_set;      // g(r): highest Q entering the transform (Å^-1)
  double ttmin = not_set;     // raw data: lowest abscissa kept (2θ or Q as the data)
  double ttmax = not_set;     // raw data: highest abscissa kept
  double monoangle = not_set; // in-house polarisation: monochromator 2θ_M (degrees)
  double polfraction = not_set;  // synchrotron polarisation: linear fraction p
  double lowr_rho = not_set;  // low-r optimisation result: density used or refined
  double lowr_chi2 = not_set; // low-r optimisation result: chi^2 of the optimised curve
  double coord_r1 = not_set;  // coordination number: range r1..r2 of R(r) (Å)
  double coord_r2 = not_set;
  double coord_a = -1;        // coordination number: species A and B of the pair (-1: total
  double coord_b = -1;        // only)
  double autorecalc = 0;      // 1: every accepted change reruns the out-of-date steps
  // Uncertainties (uncertainty.h): 0 none, 1 counting statistics, 2 the third column of
  // the data files.
  double errors = 0;
};

// The stored name of each option, its member and its default, in file order.
struct project_option_field {
  const char* key;
  double project_options::*member;
};
extern const project_option_field project_option_fields[];
extern const int nproject_option_fields;

// A file as it was read: the path given, the number of bytes read and their SHA-256
// (64 hex digits). The record of a reduction takes these, never the name read again.
struct read_source {
  std::string path;
  long long size = 0;
  std::string sha256;
};

// The curves of one calculation, held by pointer so that they keep their address when the
// project table grows. A copy of a project copies its curves (the series engine starts
// each input from a copy of the project as prepared for the first).
struct curve_store : std::vector<std::unique_ptr<curve>> {
  curve_store() = default;
  curve_store(curve_store&&) noexcept = default;
  curve_store& operator=(curve_store&&) noexcept = default;
  curve_store(const curve_store& other) : std::vector<std::unique_ptr<curve>>() { copy_from(other); }
  curve_store& operator=(const curve_store& other) {
    if (this != &other) {
      clear();
      copy_from(other);
    }
    return *this;
  }

 private:
  void copy_from(const curve_store& other) {
    reserve(other.size());
    for (const auto& c : other) push_back(c ? std::make_unique<curve>(*c) : nullptr);
  }
};

struct project {
  int id = 0;
  std::string name;
  std::optional<std::string> path;
  int newproj = 1;
  int run = 0;
  int trun = 1;
  int prun = 0;
  int initok[ncalc]{};
  int dialok[ncalc]{};
  int visok[ncalc]{};
  int calcok[ncalc]{};
  int numc[ncalc]{};
  int num_delta[ncalc]{};
  double delta[ncalc]{};
  double min[ncalc]{};
  double max[ncalc]{};
  int nspec = 0;
  std::array<std::vector<double>, nspec_props> spec_prop;  // [k][species]
  double exp_prop[nexp_props]{};
  int params[nparams]{-1, 0, 0, 0};
  int checks[nchecks]{};
  int usecalc[3]{};
  std::vector<std::string> spec_symbol;  // two characters, "C " style
  std::vector<std::string> spec_name;    // blank-padded element name
  std::optional<std::string> filename[nfilenames];
  // The project file and the data files as they were read, for the record of a
  // reduction; not stored in files.
  std::optional<read_source> source;
  std::optional<read_source> filepath[nfilenames];
  void* calc_box[ncalc]{};
  // Exist (numc[calc] entries each) exactly when run is 1.
  std::vector<curve_id> curve_ids[ncalc];
  curve_store curves[ncalc];
  void* spec_combo = nullptr;
  void* view = nullptr;
  project_options options;
  // Files the plain reader refuses: 0 not asked yet, 1 read them with format detection,
  // 2 do not. Asked once per project and session; never saved.
  int import_choice = 0;
  // The S(q) step warned about the analytic incoherent function (once per project).
  bool incoherent_warned = false;
  // State of this session, not stored in files.
  int changed = 0;               // edited since it was last saved or opened
  int out_of_date[ncalc]{};      // the step's results no longer follow its settings
  // The last S(q) result as nm's terms, Q[S(Q)-1] = alpha a - b on the points of its input
  // (nm_parts.h), and the last low-r optimisation: for the scan over r_min and the pages.
  std::vector<double> sq_a, sq_b;
  std::optional<lowr_result> lowr_last;
  // Standard deviations of the numbers the steps report, when uncertainties are
  // propagated (NaN: none): the normalisation constant, the density from the slope of G(r).
  double norm_constant_sigma = std::numeric_limits<double>::quiet_NaN();
  double slope_density_sigma = std::numeric_limits<double>::quiet_NaN();
};

// Global project table. nprojects always equals proj.size().
extern std::vector<project> proj;
extern int nprojects;
extern int activep;   // position of the active project, -1 when none
extern int projid;    // identifier counter, starts at -1
extern int activer;   // calculation of the curve being drawn or edited
extern int activec;   // curve index within that calculation
extern int inactep;   // position of the project whose widgets are shown, -1 when none
extern int newspace;  // 1 while nothing was created or opened in this workspace

extern const char* const calcname[ncalc];
// Geometry codes 1..4; code 4, "None", applies no absorption correction. Files whose
// formats only know codes 0..3 (entry counts) write it as entry 0, "Unknown".
inline constexpr int ngeometry = 5;
inline constexpr int geometry_none = 4;
extern const char* const geometry[ngeometry];
extern const char* const monochr[3];
extern const char* const compt[3];
extern const char* const tdata[2];
extern const char* const txdata[2];

// Appends a new project with every default, makes it active and returns the result of
// active_project_changed.
int init_project();

// Gives the record at position p the defaults of a new project, keeping its identifier.
void reset_project_record(int p);

// Hides the shown project's widgets, makes p active and refreshes the widgets. Returns 1,
// or 0 after reporting "Impossible to refresh project: %s\n".
int active_project_changed(int p);

// Releases project position p and removes it from the table (positions above p move down
// by one). activep becomes the last position (-1 when the table is empty); the widget
// side of closing is the shell's.
void close_project_record(int p);

// Releases every project and returns the table to its start-up state: no project, no
// active one, identifiers counted from 0 again, an empty new workspace and no slot tables.
void clear_project_table();

// Reallocates the species arrays of project p for n species, all zeroed.
void prepspec(int p, int n);

// Sets the atomic number of species s and copies the element's symbol, name and 11
// scattering coefficients from the element tables. z outside 1..98 clears them.
void set_species_element(int p, int s, int z);

// True when 0 <= p < nprojects.
inline bool valid_project(int p) { return p >= 0 && p < nprojects; }

// The whole project table and its companions (the extra-set slot sizes), copied: a front
// end that keeps a project between calls (the series engine's prepared project, the Python
// module's Project) puts it back instead of reading its file again.
struct project_snapshot {
  std::vector<project> table;
  int nprojects = 0, activep = -1, projid = -1, activer = 0, activec = 0, inactep = -1, newspace = 1;
  std::vector<int> psize, pparamstmp;
};
project_snapshot take_project_table();
void restore_project_table(const project_snapshot& s);
