// The interface description holds every object id and handler name the code relies on,
// with the roles it gives them.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <set>
#include <string>
#include <vector>

namespace {

void collect_handler(GtkBuilder*, GObject*, const gchar*, const gchar* handler, GObject*,
                     GConnectFlags, gpointer handlers) {
  static_cast<std::set<std::string>*>(handlers)->insert(handler);
}

TEST(ShellInterface, EveryIdHandlerAndComboEntryWithItsRole) {
  ASSERT_TRUE(gtk_init_check(nullptr, nullptr));
  GtkBuilder* b = gtk_builder_new();
  ASSERT_TRUE(gtk_builder_add_from_file(b, AMOQ_SOURCE_DIR "/data/amoq.gui", nullptr));
  auto class_of = [b](const char* id) -> std::string {
    GObject* o = gtk_builder_get_object(b, id);
    return o ? G_OBJECT_TYPE_NAME(o) : "(missing)";
  };
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
    EXPECT_NE(class_of(id), "(missing)") << id;
    if (*cls) {
      EXPECT_EQ(class_of(id), cls) << id;
    }
  }
  for (const char* id : {"datalab", "backlab", "sublab", "qlab", "qclab", "sqlab", "nldata", "nlback",
                         "nlsub", "nlsq", "nlsqc", "nldqfile", "a1", "a2", "a3", "a4", "a5", "b1",
                         "b2", "b3", "b4", "b5", "c"})
    EXPECT_EQ(class_of(id), "GtkLabel") << id;
  for (const char* id : {"species", "Z", "conc", "fp", "fpp", "wavel", "abss", "abss2", "density",
                         "ddt", "corr", "ham", "tem", "bcpv", "rmax", "deltar", "df", "monoangle",
                         "polfraction", "ttmin", "ttmax", "qmin", "qmax"})
    EXPECT_EQ(class_of(id), "GtkEntry") << id;
  for (const char* id : {"geombox", "monobox", "comptonbox", "smoothbox", "bdbox", "combocor",
                         "combobq", "combogr", "incoherentbox"})
    EXPECT_EQ(class_of(id), "GtkComboBox") << id;
  std::set<std::string> handlers;
  gtk_builder_connect_signals_full(b, collect_handler, &handlers);
  for (const char* h : {"on_Correctdata_released", "on_Calcsq_released", "on_Calcbq_released",
                        "on_Calcgr_released", "on_checkcorr_toggled", "on_checkndr_toggled",
                        "on_smoothing_toggled", "on_formatbox_changed", "on_dctb_activate",
                        "on_ProjHelp_activate", "on_RunHelp_activate", "hide_ProjectSettings",
                        "create_aboutdialog"})
    EXPECT_TRUE(handlers.count(h)) << h;

  // The entries of the combo boxes, in the order whose position is stored as a code.
  const std::vector<std::pair<const char*, std::vector<std::string>>> combos = {
      {"geombox", {"Reflection", "Transmission", "Capillary", "None"}},
      {"incoherentbox", {"Analytic function", "Tables (Hubbell et al.)"}},
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
