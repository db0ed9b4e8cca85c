// The interface description holds every object id and handler name the code relies on,
// with the roles it gives them.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

const char* const gui_file = AMOQ_SOURCE_DIR "/data/amoq.gui";

struct description {
  std::map<std::string, std::string> classes;  // id -> class
  std::set<std::string> handlers;
};

void walk(xmlNode* node, description& d) {
  for (xmlNode* n = node; n; n = n->next) {
    if (n->type != XML_ELEMENT_NODE) continue;
    auto attr = [n](const char* name) {
      xmlChar* v = xmlGetProp(n, reinterpret_cast<const xmlChar*>(name));
      std::string s = v ? reinterpret_cast<const char*>(v) : "";
      xmlFree(v);
      return s;
    };
    std::string tag = reinterpret_cast<const char*>(n->name);
    if (tag == "object") d.classes[attr("id")] = attr("class");
    if (tag == "signal") d.handlers.insert(attr("handler"));
    walk(n->children, d);
  }
}

description parse() {
  description d;
  xmlDoc* doc = xmlReadFile(gui_file, nullptr, XML_PARSE_NONET);
  EXPECT_NE(doc, nullptr);
  if (!doc) return d;
  xmlNode* root = xmlDocGetRootElement(doc);
  EXPECT_STREQ(reinterpret_cast<const char*>(root->name), "interface");
  walk(root->children, d);
  xmlFreeDoc(doc);
  return d;
}

TEST(ShellInterface, EveryIdAndHandlerWithItsRole) {
  description d = parse();
  // id, expected class (empty: any class).
  const std::vector<std::pair<const char*, const char*>> ids = {
      {"MainWindow", "GtkWindow"}, {"MainMenuBar", "GtkMenuBar"}, {"MainView", ""},
      {"Mainstatusbar", "GtkStatusbar"}, {"workspace", ""}, {"ProjectSettings", "GtkWindow"},
      {"ProjectSettingsTabs", "GtkNotebook"}, {"Help", "GtkWindow"}, {"BoxFixed", ""},
      {"calcra", "GtkAction"}, {"calcsq", "GtkAction"}, {"calcbq", "GtkAction"},
      {"calcgr", "GtkAction"}, {"racheck", "GtkToggleAction"}, {"sqcheck", "GtkToggleAction"},
      {"bqcheck", "GtkToggleAction"}, {"grcheck", "GtkToggleAction"},
      {"ssettings", "GtkAction"}, {"esettings", "GtkAction"},
      {"rabox", "GtkWindow"}, {"sqbox", "GtkWindow"}, {"bqbox", "GtkWindow"}, {"grbox", "GtkWindow"},
      {"Calcra", "GtkButton"}, {"Calcsq", "GtkButton"}, {"Calcbq", "GtkButton"}, {"Calcgr", "GtkButton"},
      {"formatbox", "GtkComboBox"}, {"smoothing", "GtkCheckButton"}, {"checkcorr", "GtkCheckButton"},
      {"grview", "GtkTextView"}, {"ncview", "GtkTextView"},
      {"datafile", "GtkButton"}, {"backfile", "GtkButton"}, {"subfile", "GtkButton"},
      {"qfile", "GtkButton"}, {"qcfile", "GtkButton"}, {"sqfile", "GtkButton"},
      {"backcorr", "GtkCheckButton"}, {"subscatt", "GtkCheckButton"},
      {"checkham", "GtkCheckButton"}, {"checktem", "GtkCheckButton"},
      {"Elt", "GtkLabel"}, {"Eltname", "GtkLabel"}};
  for (const auto& [id, cls] : ids) {
    auto it = d.classes.find(id);
    ASSERT_NE(it, d.classes.end()) << id;
    if (*cls) {
      EXPECT_EQ(it->second, cls) << id;
    }
  }
  for (const char* id : {"datalab", "backlab", "sublab", "qlab", "qclab", "sqlab", "nldata", "nlback",
                         "nlsub", "nlsq", "nlsqc", "nldqfile", "a1", "a2", "a3", "a4", "a5", "b1",
                         "b2", "b3", "b4", "b5", "c"})
    EXPECT_EQ(d.classes[id], "GtkLabel") << id;
  for (const char* id : {"species", "Z", "conc", "fp", "fpp", "wavel", "abss", "abss2", "density",
                         "ddt", "corr", "ham", "tem", "bcpv", "rmax", "deltar", "df"})
    EXPECT_EQ(d.classes[id], "GtkEntry") << id;
  for (const char* id : {"geombox", "monobox", "comptonbox", "smoothbox", "bdbox", "combocor",
                         "combobq", "combogr"})
    EXPECT_EQ(d.classes[id], "GtkComboBox") << id;
  for (const char* h : {"on_Correctdata_released", "on_Calcsq_released", "on_Calcbq_released",
                        "on_Calcgr_released", "on_checkcorr_toggled", "on_checkndr_toggled",
                        "on_smoothing_toggled", "on_formatbox_changed", "on_dctb_activate",
                        "on_ProjHelp_activate", "on_RunHelp_activate", "hide_ProjectSettings",
                        "create_aboutdialog"})
    EXPECT_TRUE(d.handlers.count(h)) << h;
}

// The entries of the combo boxes, in the order whose position is stored as a code.
TEST(ShellInterface, ComboBoxEntries) {
  ASSERT_TRUE(gtk_init_check(nullptr, nullptr));
  GtkBuilder* b = gtk_builder_new();
  ASSERT_TRUE(gtk_builder_add_from_file(b, gui_file, nullptr));
  const std::vector<std::pair<const char*, std::vector<std::string>>> combos = {
      {"geombox", {"Reflection", "Transmission", "Capillary"}},
      {"monobox", {"In-house/circular", "Synchrotron/linear"}},
      {"comptonbox", {"All in", "All out"}},
      {"smoothbox", {"Slight", "Moderate", "Heavy"}},
      {"bdbox", {"1", "2", "3"}},
      {"formatbox", {"2θ", "Q"}},
      {"combocor", {"File", "Data correction"}},
      {"combobq", {"File", "S(q)"}},
      {"combogr", {"File", "S(q) - bending correction", "S(q)"}}};
  for (const auto& [id, want] : combos) {
    GtkTreeModel* m = gtk_combo_box_get_model(GTK_COMBO_BOX(gtk_builder_get_object(b, id)));
    std::vector<std::string> got;
    GtkTreeIter it;
    for (bool ok = gtk_tree_model_get_iter_first(m, &it); ok; ok = gtk_tree_model_iter_next(m, &it)) {
      gchar* s = nullptr;
      gtk_tree_model_get(m, &it, 0, &s, -1);
      got.push_back(s);
      g_free(s);
    }
    EXPECT_EQ(got, want) << id;
  }
  GtkNotebook* tabs = GTK_NOTEBOOK(gtk_builder_get_object(b, "ProjectSettingsTabs"));
  EXPECT_EQ(gtk_notebook_get_n_pages(tabs), 2);
  GSList* objects = gtk_builder_get_objects(b);
  for (GSList* l = objects; l; l = l->next)
    if (GTK_IS_WINDOW(l->data)) gtk_widget_destroy(GTK_WIDGET(l->data));
  g_slist_free(objects);
  g_object_unref(b);
}

}  // namespace
