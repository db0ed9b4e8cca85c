// The whole main window under Xvfb: the installed data taken from the source tree, a
// fresh window per test, and the project name dialog answered from a script.
#pragma once

#include "support/test.h"

#include "gui_fixture.h"
#include "numeric/d_red.h"
#include "project/steps.h"
#include "gui/base/dialogs.h"
#include "gui/shell/file_actions.h"
#include "gui/shell/main_window.h"
#include "gui/shell/workspace_tree.h"

class ShellTest : public GuiTest {
 public:
  std::deque<std::optional<std::string>> names;  // answers of the project name dialog

  void SetUp() override {
    GuiTest::SetUp();
    connect_step_callbacks();
    set_name_prompt([this](const std::string&) -> std::optional<std::string> {
      if (names.empty()) return std::nullopt;
      auto a = names.front();
      names.pop_front();
      return a;
    });
    quit_requested = 0, newspace = 1;

    ASSERT_NE(start_main_window(), nullptr);
    pump();
  }

  void TearDown() override {
    on_close_workspace_silently();
    GSList* objects = gtk_builder_get_objects(BuilderGtk);
    for (GSList* l = objects; l; l = l->next)
      if (GTK_IS_WINDOW(l->data)) gtk_widget_destroy(GTK_WIDGET(l->data));
    g_slist_free(objects);
    pump();
    g_object_unref(BuilderGtk);
    BuilderGtk = nullptr, amoq = nullptr;
    set_name_prompt({});
    GuiTest::TearDown();
  }

  void on_close_workspace_silently() {
    if (nprojects > 0) on_close_workspace(nullptr, GINT_TO_POINTER(0));
  }

  GObject* object(const char* id) override { return gui_object(id); }
  std::string title() { return gtk_window_get_title(GTK_WINDOW(amoq)); }
  // Ticks the view button of curve c: the button is usable and the window opens.
  static void view(curve& c) {
    ASSERT_NE(c.view_button, nullptr);
    ASSERT_TRUE(gtk_widget_is_sensitive(GTK_WIDGET(c.view_button))) << c.name;
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(c.view_button), TRUE);
    pump();
    ASSERT_NE(c.window, nullptr);
    EXPECT_TRUE(gtk_widget_get_visible(GTK_WIDGET(c.window)));
  }
  // A row of the workspace tree ("0:0:1:1"), double-clicked.
  void activate_row(const char* path) {
    GtkTreePath* tp = gtk_tree_path_new_from_string(path);
    gtk_tree_view_row_activated(workspace_view(), tp, gtk_tree_view_get_column(workspace_view(), 0));
    gtk_tree_path_free(tp);
    pump();
  }

  // The entry of the main menu labelled `text` ("_Open workspace", "gtk-new", or
  // "Parent/Entry" in a submenu), activated as a click would.
  void menu(const char* text) {
    std::string path = text;
    GList* tops = gtk_container_get_children(GTK_CONTAINER(widget("MainMenuBar")));  // the first: the file menu
    GtkWidget* m = gtk_menu_item_get_submenu(GTK_MENU_ITEM(tops->data));
    g_list_free(tops);
    if (size_t slash = path.find('/'); slash != std::string::npos) {
      GtkWidget* parent = find_labelled(m, path.substr(0, slash).c_str());
      ASSERT_NE(parent, nullptr) << text;
      m = gtk_menu_item_get_submenu(GTK_MENU_ITEM(parent));
      path.erase(0, slash + 1);
    }
    GtkWidget* item = find_labelled(m, path.c_str());
    ASSERT_NE(item, nullptr) << text;
    gtk_menu_item_activate(GTK_MENU_ITEM(item));
    pump();
  }
};
