#include "project/info_pages.h"

#include <cmath>

#include "project/changes.h"
#include "project/incoherent_tables.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/setting_table.h"
#include "project/rdf.h"
#include "project/sq_refine.h"
#include "project/settings.h"
#include "project/steps.h"
#include "project/toolbox.h"
#include "project/i18n.h"
#include "project/uncertainty.h"
#include "project/uncertainty_text.h"

const char* const info_tag_names[] = {
    "sans", "monospace", "underline", "underline_double", "italic", "bold", "sup", "sub",
    "justify-left", "justify-center", "justify-right", "heading", "red", "orange", "green",
    "cyan", "blue", "pink", "grey_back", "bold_grey_back", "bold_red", "bold_green",
    "bold_blue", "sub_italic", "sub_bold"};
const int info_tag_count = sizeof info_tag_names / sizeof info_tag_names[0];

namespace {

bool is_set(double v) { return v != not_set; }

// Number of characters of a UTF-8 string.
size_t utf8_length(const std::string& s) {
  size_t n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

void not_set_mark(info_text& out) { print_info(out, tr("\tnot set !"), "bold_red"); }

// Name, point count and last abscissa of the input of data file id: the file's base
// name, or the result of the step it was taken from.
void file_line(info_text& out, int p, int id, const std::string& name) {
  print_info(out, name, "bold");
  print_info(out, utf8_length(name) < 8 ? "\t\t\t" : "\t\t");
  const curve* c = find_curve(p, file_calc(id), file_curve(id));
  int n = c ? curve_points(*c) : 0;
  double last = n > 0 ? c->data[0][n - 1] : 0.0;
  print_info(out, format("%d\t\t", n), "bold_blue");
  print_info(out, format("%lf\n", last), "bold_blue");
}

void file_line_or_unset(info_text& out, int p, int id) {
  const project& r = proj[p];
  const int src = step_source(r, file_calc(id));
  const curve* in = find_curve(p, file_calc(id), file_curve(id));
  if (src >= 0 && in && curve_points(*in) > 0)
    file_line(out, p, id, format(tr("%s result"), tr(calcname[src])));
  else if (r.filename[id])
    file_line(out, p, id, *r.filename[id]);
  else
    not_set_mark(out);
}

void column_header(info_text& out, const char* abscissa) {
  print_info(out, format(tr("File name\tNumber of points\t%s"), abscissa));
  print_info(out, "max", "sub");
  print_info(out, "\n\n\n");
}

void workspace_page(info_text& out, int p) {
  print_info(out, tr("\n\nWorkspace information\n\n\n"), "heading");
  print_info(out, format("\t%d", nprojects), "bold_blue");
  print_info(out, tr(" project(s) in workspace: "));
  for (int q = 0; q < nprojects; ++q) {
    print_info(out, "\n\n\t\t- ");
    print_info(out, proj[q].name, "italic");
  }
  print_info(out, tr("\n\n\tActive project: "));
  int a = valid_project(activep) ? activep : p;
  print_info(out, proj[a].name, "bold_green");
}

// One table of display_chemrx: rows first..last of the species property rows.
void chem_table(info_text& out, const project& r, int first, int last) {
  static const char* const labels[13] = {"f' ", "f''", "a1 ", "a2 ", "a3 ", "a4 ", "a5 ",
                                         "b1 ", "b2 ", "b3 ", "b4 ", "b5 ", "c  "};
  print_info(out, "\t\t   ");
  for (int s = 0; s < r.nspec; ++s) {
    if (s > 0) print_info(out, "\t\t   ");
    print_info(out, s < static_cast<int>(r.spec_symbol.size()) ? r.spec_symbol[s] : "", textcolor(s));
  }
  print_info(out, "\n\n");
  for (int row = first; row <= last; ++row) {
    print_info(out, "\t");
    print_info(out, labels[row], "bold");
    const auto& values = r.spec_prop[row + 2];  // f' is spec_prop[2]
    for (int s = 0; s < r.nspec; ++s)
      print_info(out, format("\t%11.6lf", s < static_cast<int>(values.size()) ? values[s] : 0.0),
                 textcolor(s));
    print_info(out, "\n");
  }
}

// The constant of this project's own step 1, once computed.
void estimated_constant(info_text& out, int p) {
  const project& r = proj[p];
  if (r.visok[1] == 1 && is_set(r.exp_prop[k_norm_constant])) {
    print_info(out, tr("\n\n\t Estimated normalization constant: "), "italic");
    print_info(out, with_sigma(p, r.exp_prop[k_norm_constant], normalisation_sigma(p), "%lf") + "\t",
               "bold_blue");
  }
}

// A value line of grinfo: "\t%lf\t" and the unit, or "not set !"; with " ± %lf" after
// the value when project position p carries its deviation `sigma`.
void value_with_unit(info_text& out, double v, const char* unit, const char* sup, int p = -1,
                     double sigma = NAN) {
  if (!is_set(v)) {
    not_set_mark(out);
    return;
  }
  print_info(out, "\t" + with_sigma(p, v, sigma, "%lf") + "\t", "bold_blue");
  print_info(out, unit);
  if (sup) print_info(out, sup, "sup");
}

// A line "\n<label>\t<value>\t<unit>" for a refinement that is set; nothing otherwise, so
// the pages of projects without it read as before.
void option_line(info_text& out, const char* label, double v, const char* unit, const char* sup) {
  if (!is_set(v)) return;
  print_info(out, "\n");
  print_info(out, label, "italic");
  value_with_unit(out, v, unit, sup);
}

// Polarisation refinements and the incoherent scattering functions of the experiment.
void beam_options_info(info_text& out, const project& r) {
  const project_options& o = r.options;
  if (r.exp_prop[k_polarisation] == 1.0) option_line(out, tr("\tMonochromator angle 2θM:         "), o.monoangle, "deg", nullptr);
  if (r.exp_prop[k_polarisation] == 2.0) option_line(out, tr("\tLinear polarisation fraction:    "), o.polfraction, "", nullptr);
  if (o.incoherent == incoherent_tabulated) {
    print_info(out, "\n\t");
    print_info(out, tr("Incoherent scattering:           "), "italic");
    print_info(out, tr("\tTables (Hubbell et al. 1975)\n"), "bold_blue");
  }
}

}  // namespace

const char* textcolor(int i) {
  static const char* const colours[6] = {"red", "blue", "green", "orange", "cyan", "pink"};
  if (i >= 0 && i < 6) return colours[i];
  if (i >= 6 && i < 12) return "red";
  return "";
}

void print_info(info_text& out, const std::string& text, const char* tag) {
  out.push_back({text, tag ? tag : ""});
}

void print_id(info_text& out, int flag) {
  if (flag == 1)
    print_info(out, tr("\tyes"), "bold_green");
  else
    print_info(out, tr("\tno"), "bold_red");
}

void setinfo(info_text& out, int p) {
  const project& r = proj[p];
  print_info(out, tr("\n\nSettings information\n\n\n"), "heading");
  print_info(out, tr("Description             \tFull    \tApplied \tUsed\n"));
  bool used = false;
  for (int calc = 0; calc < ncalc; ++calc) used = used || r.calcok[calc] == 1;
  int applied = r.trun == 1 ? 0 : 1;
  int in_use = r.trun == 0 && used ? 1 : 0;
  const char* const labels[2] = {N_("\nSample                  "), N_("\nExperiment              ")};
  for (int row = 0; row < 2; ++row) {
    print_info(out, tr(labels[row]), "italic");
    print_id(out, row == 0 ? test_sample(p, 0) : test_experiment(p, 0));
    print_info(out, "\t");
    print_id(out, applied);
    print_info(out, "\t");
    print_id(out, in_use);
  }
}

void cheminfo(info_text& out, int p) {
  const project& r = proj[p];
  print_info(out, tr("\n\nSample description\n\n\n"), "heading");
  print_info(out, tr("Number of species = "));
  print_info(out, format("%d\n\n", r.nspec), r.nspec < 1 ? "bold_red" : "bold");
  print_info(out, tr("\n\tElement\t\tSymbol\t Z\t Concentration\n"), "italic");
  for (int s = 0; s < r.nspec; ++s) {
    const char* name = s < static_cast<int>(r.spec_name.size()) ? r.spec_name[s].c_str() : "";
    const char* symbol = s < static_cast<int>(r.spec_symbol.size()) ? r.spec_symbol[s].c_str() : "";
    double z = s < static_cast<int>(r.spec_prop[0].size()) ? r.spec_prop[0][s] : 0.0;
    double conc = s < static_cast<int>(r.spec_prop[1].size()) ? r.spec_prop[1][s] : 0.0;
    print_info(out, format("\n\t%s\t%2s\t%3.0lf\t%11.6lf", name, symbol, z, conc), textcolor(s));
  }
}

void display_chemrx(info_text& out, int p) {
  const project& r = proj[p];
  print_info(out, tr("\n\n\nDispertion correction(s):\n\n"));
  chem_table(out, r, 0, 1);
  print_info(out, tr("\n\nParameters of the 5 Gaussian fit to the X-ray atomic scattering factors:\n\n"));
  chem_table(out, r, 2, 12);
}

void expinfo(info_text& out, int p) {
  const project& r = proj[p];
  print_info(out, tr("\n\nExperiment details\n\n\n"), "heading");
  static const char* const labels[5] = {
      N_("X-ray wavelength:                "), N_("Sample linear absorption:        "),
      N_("Substrate/cell linear absorption:"), N_("Sample's denisty:                "),
      N_("Detector's dead time:            ")};
  static const char* const units[5] = {"Å ", "µt", "µt", "Atoms / Å", "s "};
  for (int i = 0; i < 5; ++i) {
    print_info(out, "\t");
    print_info(out, tr(labels[i]), "italic");
    if (r.exp_prop[i] >= 0) {
      print_info(out, format("\t%lf\t", r.exp_prop[i]), "bold_blue");
      print_info(out, units[i]);
      if (i == 3) print_info(out, "3", "sup");
      print_info(out, "\n");
    } else {
      print_info(out, tr("\tParameter unknown !\n"), "bold_red");
    }
  }
  static const char* const code_labels[3] = {N_("Experimental geometry:           "),
                                             N_("Polarization type:               "),
                                             N_("Compton scattering:              ")};
  const char* const* names[3] = {geometry, monochr, compt};
  const int counts[3] = {ngeometry, 3, 3};
  for (int i = 0; i < 3; ++i) {
    print_info(out, "\t");
    print_info(out, tr(code_labels[i]), "italic");
    double code = r.exp_prop[k_geometry + i];
    int k = static_cast<int>(code);
    if (code >= 1 && k < counts[i])
      print_info(out, format("\t%s\n", tr(names[i][k])), "bold_blue");
    else
      print_info(out, tr("\tParameter unknown !\n"), "bold_red");
  }
  beam_options_info(out, r);
}

void calcinfo(info_text& out, int p) {
  const project& r = proj[p];
  print_info(out, tr("\n\nCalculation information\n\n\n"), "heading");
  print_info(out, tr("Calculation             \tReady\t\tCompleted\n"));
  static const char* const labels[ncalc] = {N_("\nRaw data correction     "), N_("\nS(Q) calculation        "),
                                            N_("\nS(Q) bending corrections"), N_("\ng(r)/G(r) calculation   ")};
  int (*const ready[ncalc])(int, int) = {test_ra, test_sq, test_bq, test_gr};
  for (int calc = 0; calc < ncalc; ++calc) {
    print_info(out, tr(labels[calc]), "italic");
    print_id(out, ready[calc](p, 0));
    print_info(out, "\t");
    print_id(out, r.calcok[calc]);
  }
}

void rainfo(info_text& out, int p) {
  const project& r = proj[p];
  print_info(out, tr("\n\nData correction details\n\n\n"), "heading");
  print_info(out, tr("Raw data format:\t"), "italic");
  if (r.params[k_abscissa] != 0 && r.params[k_abscissa] != 1) {
    print_info(out, tr("not set !"), "bold_red");
    return;
  }
  const char* abscissa = tdata[r.params[k_abscissa]];
  print_info(out, abscissa, "bold_blue");
  print_info(out, "\n\n\n                          \t");
  column_header(out, abscissa);
  static const char* const labels[3] = {N_("Sample scattering        \t"), N_("Background scattering    \t"),
                                        N_("Substrate/cell scattering\t")};
  for (int id = 0; id < 3; ++id) {
    print_info(out, tr(labels[id]), "italic");
    if (r.filename[id])
      file_line(out, p, id, *r.filename[id]);
    else
      print_info(out, tr("not used / set\n"), "bold_red");
  }
  if (is_set(r.options.ttmin) || is_set(r.options.ttmax)) {
    print_info(out, tr("\nRange used:\t"), "italic");
    auto bound = [](double v, const char* open) { return is_set(v) ? format("%lf", v) : open; };
    print_info(out, bound(r.options.ttmin, tr("first point")) + tr(" to ") + bound(r.options.ttmax, tr("last point")),
               "bold_blue");
    print_info(out, format("\t%s\n", abscissa));
  }
  print_info(out, tr("\nData smoothing:\t"), "italic");
  if (r.checks[k_smooth_data] == 0) {
    print_info(out, tr("not used !"), "bold_red");
    return;
  }
  static const char* const intensity[3] = {N_("Slight  "), N_("Moderate"), N_("Heavy   ")};
  double v = r.exp_prop[k_smoothing];
  if (v == 1.0 || v == 2.0 || v == 3.0)
    print_info(out, tr(intensity[static_cast<int>(v) - 1]), "bold_blue");
  else
    print_info(out, tr("not set !"), "bold_red");
}

void sqinfo(info_text& out, int p) {
  const project& r = proj[p];
  print_info(out, tr("\n\nS(q) calculation details\n\n\n"), "heading");
  print_info(out, "                          \t");
  column_header(out, "Q");
  print_info(out, tr("Corrected data           \t"), "italic");
  file_line_or_unset(out, p, 3);
  print_info(out, tr("\n\n\nAdditive corrections:\t"), "italic");
  if (r.checks[k_use_additive] == 1) {
    if (is_set(r.exp_prop[k_additive]))
      print_info(out, format("%lf", r.exp_prop[k_additive]), "bold_blue");
    else
      not_set_mark(out);
  } else {
    print_info(out, tr("not used !"), "bold_blue");
  }
  print_info(out, tr("\n\n\nBreit-Dirac recoil factor:\t"), "italic");
  if (r.exp_prop[k_breit_dirac] == 4.0)
    print_info(out, tr("None"), "bold_blue");
  else if (is_set(r.exp_prop[k_breit_dirac]))
    print_info(out, format("%d", setting_int(*setting_of_exp_prop(k_breit_dirac), r.exp_prop[k_breit_dirac], 0)),
               "bold_blue");
  else
    not_set_mark(out);
  option_line(out, tr("Lowest Q of the normalisation:"), r.options.qmin, "Å", "-1");
  option_line(out, tr("\nHighest Q used (normalisation, optimisation, transform):"), r.options.qmax, "Å", "-1");
  print_info(out, tr("\n\n\nUsing the\t"), "italic");
  if (r.params[k_method] == 1) {
    print_info(out, tr("trial and error method\n\n"), "bold");
    print_info(out, tr("\t with a damping factor = "));
    if (is_set(r.exp_prop[k_trial_constant]))
      print_info(out, format("%lf", r.exp_prop[k_trial_constant]), "bold_blue");
    else
      not_set_mark(out);
  } else if (r.params[k_method] == method_integral) {
    print_info(out, tr("integral method\n\n"), "bold");
    print_info(out, tr("\t with the sample's density = "));
    value_with_unit(out, r.exp_prop[k_density], "Atoms / Å", "3");
    estimated_constant(out, p);
  } else {
    print_info(out, tr("high angle method\n\n"), "bold");
    print_info(out, tr("\t with an integration limit = "));
    if (is_set(r.exp_prop[k_qlim])) {
      print_info(out, format("%lf\t", r.exp_prop[k_qlim]), "bold_blue");
      print_info(out, "Å");
      print_info(out, "-1", "sup");
    } else {
      not_set_mark(out);
    }
    estimated_constant(out, p);
  }
  if (lowr_on(p)) {
    print_info(out, tr("\n\n\nOptimised below r"), "italic");
    print_info(out, "min", "sub_italic");
    print_info(out, " =", "italic");
    value_with_unit(out, r.options.lowr_rmin, "Å", nullptr);
    const int iterations = setting_int(*setting_of_option(&project_options::lowr_iter), r.options.lowr_iter, 0);
    print_info(out, format(tr("\tat most %d corrections%s"), iterations,
                           r.options.lowr_density == 1.0 ? tr(", density refined") : ""));
    if (r.options.lowr_chi2 != not_set) {
      print_info(out, tr("\n\n\t Optimised density:"), "italic");
      value_with_unit(out, r.options.lowr_rho, "Atoms / Å", "3");
      print_info(out, tr("\n\n\t Low-r χ²: "), "italic");
      print_info(out, format("%g", r.options.lowr_chi2), "bold_blue");
    }
    if (r.lowr_last && r.options.lowr_chi2 != not_set) {
      const lowr_result& l = *r.lowr_last;
      print_info(out, format(tr("\n\n\t χ² after each correction (%d, %s):"), l.iterations,
                             l.converged ? tr("converged") : tr("not converged")),
                 "italic");
      std::string steps;
      for (std::size_t i = 0; i < l.chi2_steps.size(); ++i)
        steps += format(i % 8 == 0 ? "\n\t\t%.3g" : "  %.3g", l.chi2_steps[i]);
      print_info(out, steps, "bold_blue");
    }
  }
}

void bqinfo(info_text& out, int p) {
  const project& r = proj[p];
  print_info(out, tr("\n\nS(q) bending correction details\n\n\n"), "heading");
  print_info(out, "                          \t");
  column_header(out, "Q");
  print_info(out, tr("q[S(q)] data           \t"), "italic");
  file_line_or_unset(out, p, 4);
  print_info(out, tr("\n\n\nBending point position:\t"), "italic");
  if (is_set(r.exp_prop[k_bending_point])) {
    print_info(out, format("%lf", r.exp_prop[k_bending_point]), "bold_blue");
    print_info(out, "Å");
    print_info(out, "-1", "sup");
  } else {
    not_set_mark(out);
  }
}

void grinfo(info_text& out, int p) {
  const project& r = proj[p];
  print_info(out, tr("\n\ng(r)/G(r) calculation details\n\n\n"), "heading");
  print_info(out, "                          \t");
  column_header(out, "Q");
  print_info(out, tr("q[S(q)] data           \t"), "italic");
  file_line_or_unset(out, p, 5);
  print_info(out, "\n\n\nR", "italic");
  print_info(out, "max", "sub_italic");
  print_info(out, tr(":           \t"), "italic");
  value_with_unit(out, r.exp_prop[k_rmax], "Å", nullptr);
  print_info(out, "\n\nδ", "italic");
  print_info(out, "r", "sub_italic");
  print_info(out, tr(" step:       \t"), "italic");
  value_with_unit(out, r.exp_prop[k_delta_r], "Å", nullptr);
  print_info(out, tr("\n\nDamping factor:\t"), "italic");
  value_with_unit(out, r.exp_prop[k_damping], "Å", "-1");
  option_line(out, tr("\nHighest Q of the transform:"), r.options.qmax, "Å", "-1");
  if (is_set(r.exp_prop[k_slope_density])) {
    print_info(out, tr("\n\nEstimated number density after G(r) slope:\t"), "italic");
    value_with_unit(out, r.exp_prop[k_slope_density], "Atoms / Å", "3", p, slope_density_sigma(p));
  }
  if (r.options.window == 1) print_info(out, tr("\n\nWindow:\tLorch"), "italic");
  if (const step_density used = gr_density(p); used.source == density_refined) {
    print_info(out, tr("\n\nDensity of g(r), refined below r_min:\t"), "italic");
    value_with_unit(out, used.value, "Atoms / Å", "3");
  }
  const std::string coordination = coordination_text(p);
  if (!coordination.empty()) {
    print_info(out, format(tr("\n\nCoordination %g-%g Å:\t"), r.options.coord_r1, r.options.coord_r2), "italic");
    print_info(out, coordination, "bold_blue");
  }
}

info_text info_page_text(int p, int page) {
  info_text out;
  if (!valid_project(p)) return out;
  switch (page) {
    case page_workspace: workspace_page(out, p); break;
    case page_settings: setinfo(out, p); break;
    case page_sample: cheminfo(out, p); display_chemrx(out, p); break;
    case page_experiment: expinfo(out, p); break;
    case page_calculations: calcinfo(out, p); break;
    case page_ra: rainfo(out, p); break;
    case page_sq: sqinfo(out, p); break;
    case page_bq: bqinfo(out, p); break;
    case page_gr: grinfo(out, p); break;
    default: break;
  }
  return out;
}

std::string plain_text(const info_text& runs) {
  std::string s;
  for (const auto& r : runs) s += r.text;
  return s;
}
