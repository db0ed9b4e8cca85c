// The interface description, read as the XML it is: every object id the code looks up,
// with its class, every handler name it connects, and the entries of the combo boxes in
// the order whose position is stored as a code.
#include "support/test.h"

#include <libxml/parser.h>

namespace {

struct interface_description {
  std::map<std::string, std::string> class_of;            // object id -> class
  std::map<std::string, std::string> model_of;            // combo box id -> list store id
  std::map<std::string, std::vector<std::string>> rows;   // list store id -> first column
  std::set<std::string> handlers;
};

// The text of a string libxml2 returned, which it frees.
std::string taken(xmlChar* v) {
  std::string out = v ? reinterpret_cast<const char*>(v) : "";
  xmlFree(v);
  return out;
}
std::string attribute(xmlNode* n, const char* name) {
  return taken(xmlGetProp(n, reinterpret_cast<const xmlChar*>(name)));
}

std::string text_of(xmlNode* n) { return taken(xmlNodeGetContent(n)); }


bool is(xmlNode* n, const char* name) {
  return n->type == XML_ELEMENT_NODE && std::string(reinterpret_cast<const char*>(n->name)) == name;
}

// Walks the tree; `object` is the id of the innermost enclosing object.
void collect(xmlNode* n, const std::string& object, interface_description& d) {
  for (; n; n = n->next) {
    std::string inner = object;
    if (is(n, "object")) {
      inner = attribute(n, "id");
      d.class_of[inner] = attribute(n, "class");
    } else if (is(n, "signal")) {
      d.handlers.insert(attribute(n, "handler"));
    } else if (is(n, "property") && attribute(n, "name") == "model") {
      d.model_of[object] = text_of(n);
    } else if (is(n, "col") && attribute(n, "id") == "0") {
      d.rows[object].push_back(text_of(n));
    }
    collect(n->children, inner, d);
  }
}

TEST(ShellInterface, EveryIdHandlerAndComboEntryWithItsRole) {
  xmlDoc* doc = xmlReadFile(AMOQ_SOURCE_DIR "/data/amoq.gui", nullptr, XML_PARSE_NONET);
  ASSERT_NE(doc, nullptr);
  interface_description d;
  collect(xmlDocGetRootElement(doc), "", d);
  xmlFreeDoc(doc);

  const std::map<std::string, std::vector<std::string>> ids = {
      {"GtkWindow", {"MainWindow", "ProjectSettings", "Help", "rabox", "sqbox", "bqbox", "grbox"}},
      {"GtkMenuBar", {"MainMenuBar"}}, {"GtkStatusbar", {"Mainstatusbar"}},
      {"GtkNotebook", {"ProjectSettingsTabs"}},
      {"GtkAction", {"calcra", "calcsq", "calcbq", "calcgr", "ssettings", "esettings"}},
      {"GtkToggleAction", {"racheck", "sqcheck", "bqcheck", "grcheck"}},
      {"GtkButton", {"Calcra", "Calcsq", "Calcbq", "Calcgr", "datafile", "backfile", "subfile", "qfile", "qcfile",
                     "sqfile"}},
      {"GtkCheckButton", {"smoothing", "checkcorr", "backcorr", "subscatt", "checkham", "checktem"}},
      {"GtkTextView", {"grview", "ncview"}},
      {"GtkLabel", {"Elt", "Eltname", "datalab", "backlab", "sublab", "qlab", "qclab", "sqlab", "nldata", "nlback",
                    "nlsub", "nlsq", "nlsqc", "nldqfile", "a1", "a2", "a3", "a4", "a5", "b1", "b2", "b3", "b4", "b5",
                    "c"}},
      {"GtkEntry", {"species", "Z", "conc", "fp", "fpp", "wavel", "abss", "abss2", "density", "ddt", "corr", "ham",
                    "tem", "bcpv", "rmax", "deltar", "df", "monoangle", "polfraction", "ttmin", "ttmax", "qmin",
                    "qmax"}},
  };
  for (const auto& [cls, list] : ids)
    for (const std::string& id : list) EXPECT_EQ(d.class_of[id], cls) << id;
  for (const char* id : {"MainView", "workspace", "BoxFixed"}) EXPECT_TRUE(d.class_of.count(id)) << id;
  for (const char* h : {"on_Correctdata_released", "on_Calcsq_released", "on_Calcbq_released", "on_Calcgr_released",
                        "on_checkcorr_toggled", "on_checkndr_toggled", "on_smoothing_toggled", "on_formatbox_changed",
                        "on_dctb_activate", "on_ProjHelp_activate", "on_RunHelp_activate", "hide_ProjectSettings",
                        "create_aboutdialog"})

    EXPECT_TRUE(d.handlers.count(h)) << h;

  const std::map<std::string, std::vector<std::string>> combos = {
      {"geombox", {"Reflection", "Transmission", "Capillary", "None"}},
      {"incoherentbox", {"Analytic function", "Tables (Hubbell et al.)"}},
      {"monobox", {"In-house/circular", "Synchrotron/linear"}}, {"comptonbox", {"All in", "All out"}},
      {"smoothbox", {"Slight", "Moderate", "Heavy"}}, {"bdbox", {"1", "2", "3", "None"}},
      {"formatbox", {"2θ", "Q"}}, {"combocor", {"File", "Data correction"}},
      {"combobq", {"File", "S(q)"}},
      {"combogr", {"File", "S(q) - bending correction", "S(q)"}}};
  for (const auto& [id, entries] : combos) {
    EXPECT_EQ(d.class_of[id], "GtkComboBox") << id;
    EXPECT_EQ(d.rows[d.model_of[id]], entries) << id;
  }
}

}  // namespace
