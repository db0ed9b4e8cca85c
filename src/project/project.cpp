#include "project/project.h"

#include <cmath>

#include "project/allocextra.h"
#include "numeric/elements.h"
#include "project/hooks.h"
#include "project/messages.h"
#include "project/i18n.h"

std::vector<project> proj;
int nprojects = 0;
int activep = -1;
int projid = -1;
int activer = 0;
int activec = 0;
int inactep = -1;
int newspace = 1;

const char* const calcname[ncalc] = {N_("Data correction"), N_("S(q)"),
                                     N_("S(q) - bending correction"), N_("g(r)/G(r)")};
const char* const geometry[ngeometry] = {N_("Unknown"), N_("Reflection "), N_("Transmission"),
                                         N_("Capillary "), N_("None")};
const char* const monochr[3] = {N_("Unknown"), N_("In-house/circular"), N_("Synchrotron/linear")};
const char* const compt[3] = {N_("Unknown"), N_("All in"), N_("All out")};
const char* const tdata[2] = {" 2θ", " Q"};
const char* const txdata[2] = {"2θ [deg]", "q [Å-1]"};

const project_option_field project_option_fields[] = {
    {"bkgscale", &project_options::bkgscale},
    {"cellscale", &project_options::cellscale},
    {"window", &project_options::window},
    {"lowr_rmin", &project_options::lowr_rmin},
    {"lowr_iter", &project_options::lowr_iter},
    {"lowr_density", &project_options::lowr_density},
    {"incoherent", &project_options::incoherent},
    {"qmin", &project_options::qmin},
    {"qmax", &project_options::qmax},
    {"ttmin", &project_options::ttmin},
    {"ttmax", &project_options::ttmax},
    {"monoangle", &project_options::monoangle},
    {"polfraction", &project_options::polfraction},
    {"lowr_rho", &project_options::lowr_rho},
    {"lowr_chi2", &project_options::lowr_chi2},
    {"coord_r1", &project_options::coord_r1},
    {"coord_r2", &project_options::coord_r2},
    {"coord_a", &project_options::coord_a},
    {"coord_b", &project_options::coord_b},
    {"autorecalc", &project_options::autorecalc},
    {"errors", &project_options::errors},
};
const int nproject_option_fields =
    static_cast<int>(sizeof project_option_fields / sizeof project_option_fields[0]);

namespace {

void set_defaults(project& r, int position, int id) {
  r = project{};
  r.id = id;
  r.name = format("Project N°%2d", position);
  for (double& v : r.exp_prop) v = not_set;
}

}  // namespace

int init_project() {
  proj.emplace_back();
  nprojects = static_cast<int>(proj.size());
  activep = nprojects - 1;
  ++projid;
  set_defaults(proj[activep], activep, projid);
  return active_project_changed(activep);
}

void reset_project_record(int p) {
  if (!valid_project(p)) return;
  set_defaults(proj[p], p, proj[p].id);
}

int active_project_changed(int p) {
  if (inactep != p && valid_project(inactep) && proj[inactep].prun && hooks().hide_project)
    hooks().hide_project(inactep);
  activep = p;
  int ok = hooks().update_project ? hooks().update_project() : 1;
  if (ok) {
    inactep = p;
  } else {
    std::string text = format(tr("Impossible to refresh project: %s\n"),
                              valid_project(p) ? proj[p].name.c_str() : "");
    show_error(text.c_str(), 1);
  }
  return ok;
}

void close_project_record(int p) {
  if (!valid_project(p)) return;
  proj.erase(proj.begin() + p);
  nprojects = static_cast<int>(proj.size());
  if (inactep == p)
    inactep = -1;
  else if (inactep > p)
    --inactep;
  activep = nprojects - 1;
}

void prepspec(int p, int n) {
  if (!valid_project(p)) return;
  project& r = proj[p];
  if (n < 0) n = 0;
  r.nspec = n;
  for (auto& column : r.spec_prop) column.assign(n, 0.0);
  r.spec_symbol.assign(n, std::string());
  r.spec_name.assign(n, std::string());
  if (hooks().species_changed) hooks().species_changed(p);
}

void set_species_element(int p, int s, int z) {
  if (!valid_project(p)) return;
  project& r = proj[p];
  if (s < 0 || s >= r.nspec) return;
  bool known = z >= 1 && z <= ncoeff_elements;
  r.spec_prop[0][s] = known ? z : 0.0;
  r.spec_symbol[s] = known ? std::string(atsym_of(z)) : std::string();
  r.spec_name[s] = known ? std::string(element_of(z)) : std::string();
  for (int j = 0; j < 11; ++j) r.spec_prop[4 + j][s] = known ? rx_coefficient(j, z) : 0.0;
}

void clear_project_table() {
  proj.clear();
  nprojects = 0;
  activep = -1;
  projid = -1;
  activer = activec = 0;
  inactep = -1;
  newspace = 1;
  psize.clear();
  pparamstmp.clear();
}

project_snapshot take_project_table() {
  return {proj, nprojects, activep, projid, activer, activec, inactep, newspace, psize, pparamstmp};
}

void restore_project_table(const project_snapshot& s) {
  proj = s.table;
  nprojects = s.nprojects, activep = s.activep, projid = s.projid, activer = s.activer, activec = s.activec;
  inactep = s.inactep, newspace = s.newspace;
  psize = s.psize, pparamstmp = s.pparamstmp;
}
