// The settings dialog, the step dialogs and the tool box window on the real interface
// description under Xvfb: a fresh builder per test, messages recorded, file choosers
// answered from a script, and the refresh of the active project wired as the shell does.
#pragma once

#include "project/curve.h"
#include "gui_fixture.h"
#include "gui/project/step_widgets.h"
#include "project/messages.h"
#include "project/toolbox.h"

class StepWidgetsTest : public GuiTest {
 public:
  GtkBuilder* builder = nullptr;
  std::vector<GtkWidget*> file_items;  // New, Open, Save, Save as of the menu

  void SetUp() override {
    GuiTest::SetUp();
    builder = gtk_builder_new();
    GError* error = nullptr;
    ASSERT_TRUE(gtk_builder_add_from_file(builder, AMOQ_SOURCE_DIR "/data/amoq.gui", &error))
        << (error ? error->message : "");
    // The stock file entries of the project menu, as in the shell's main menu.
    GtkWidget* menu = gtk_menu_new();
    for (const char* stock : {GTK_STOCK_NEW, GTK_STOCK_OPEN, GTK_STOCK_SAVE, GTK_STOCK_SAVE_AS}) {
      file_items.push_back(gtk_image_menu_item_new_from_stock(stock, nullptr));
      gtk_menu_shell_append(GTK_MENU_SHELL(menu), file_items.back());
    }
    GtkWidget* top = gtk_menu_item_new_with_label("Experiment & Sample");
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(top), menu);
    gtk_menu_shell_prepend(GTK_MENU_SHELL(widget("MainMenuBar")), top);
    setup_step_widgets(builder, widget("MainWindow"));
    gtk_builder_connect_signals(builder, nullptr);
    hooks().update_project = [] { return refresh_settings_pages(), refresh_step_widgets(), 1; };

    hooks().hide_project = hide_step_widgets;
    refresh_settings_pages();
    refresh_step_widgets();
  }

  void TearDown() override {
    for (int p = 0; p < nprojects; ++p) release_step_widgets(p);
    gtk_widget_destroy(tool_box_window());
    GSList* objects = gtk_builder_get_objects(builder);
    for (GSList* l = objects; l; l = l->next)
      if (GTK_IS_WINDOW(l->data)) gtk_widget_destroy(GTK_WIDGET(l->data));
    g_slist_free(objects);
    g_object_unref(builder);
    pump();
    GuiTest::TearDown();
  }

  GObject* object(const char* id) override {
    GObject* o = gtk_builder_get_object(builder, id);
    EXPECT_TRUE(o) << id;
    return o;
  }
  void species_select(int s) {
    gtk_combo_box_set_active(GTK_COMBO_BOX(proj[activep].spec_combo), s);
    pump();
  }
  bool active(const char* id) {
    GObject* o = object(id);
    return GTK_IS_TOGGLE_ACTION(o) ? gtk_toggle_action_get_active(GTK_TOGGLE_ACTION(o))
                                   : gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(o));
  }
  int combo(const char* id) { return gtk_combo_box_get_active(GTK_COMBO_BOX(widget(id))); }
  std::vector<std::string> warnings() const { return texts("warning"); }
  project& record() { return proj[activep]; }
  static int points(int calc, int cid) { return curve_points(*proj[activep].curves[calc][cid]); }

  // The SiO2 project of the bundled example, applied.
  void new_sio2_project() {
    init_project();
    type_sio2_settings();
    ASSERT_EQ(record().trun, 0);
    messages->messages.clear();
  }

  // Step 0 on 2theta with the example's raw data, and the example's step parameters.
  void raw_data_loaded() {
    new_sio2_project();
    choose("formatbox", 0);
    answers.push_back(example("sio2_raw.dat"));
    press("datafile");
    choose("bdbox", 1);
    for (auto [id, value] : {std::pair{"ham", "8"}, {"rmax", "10"}, {"deltar", "0.01"}, {"df", "0.006"}})
      type(id, value);
  }
};
