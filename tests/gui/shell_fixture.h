// The whole main window under Xvfb: the installed data taken from the source tree, a
// fresh window per test, messages recorded and questions, file choosers and the project
// name dialog answered from scripts.
#pragma once

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "numeric/callbacks.h"
#include "numeric/d_red.h"
#include "project/hooks.h"
#include "project/project.h"
#include "project/step_hooks.h"
#include "project/steps.h"
#include "shell/chooser.h"
#include "shell/dialogs.h"
#include "shell/file_actions.h"
#include "shell/main_window.h"
#include "shell/paths.h"
#include "support/recording_presenter.h"

inline void shell_pump() {
  while (gtk_events_pending()) gtk_main_iteration();
}

class ShellTest : public ::testing::Test {
 public:
  std::unique_ptr<recording_presenter> messages;
  std::vector<chooser_request> choosers;  // every chooser the code opened
  std::deque<std::string> paths;          // scripted answers; Cancel when exhausted
  std::deque<std::optional<std::string>> names;  // answers of the project name dialog
  std::filesystem::path dir;              // scratch folder of the test
  refresh_hooks old_hooks;
  step_hooks old_step_hooks;
  std::FILE* old_echo = nullptr;

  static void SetUpTestSuite() {
    static bool initialised = [] {
      if (!gdk_display_get_default()) gtk_disable_setlocale();
      return gtk_init_check(nullptr, nullptr);
    }();
    ASSERT_TRUE(initialised) << "no display (run under xvfb-run)";
  }

  void SetUp() override {
    clear_projects();
    set_package_paths(AMOQ_SOURCE_DIR "/data");
    messages = std::make_unique<recording_presenter>();
    old_hooks = set_hooks({});
    old_step_hooks = set_step_hooks({});
    old_echo = set_echo_stream(nullptr);
    connect_step_callbacks();
    set_file_chooser([this](const chooser_request& r) {
      choosers.push_back(r);
      if (paths.empty()) return std::string();
      std::string a = paths.front();
      paths.pop_front();
      return a;
    });
    set_name_prompt([this](const std::string&) -> std::optional<std::string> {
      if (names.empty()) return std::nullopt;
      auto a = names.front();
      names.pop_front();
      return a;
    });
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = std::filesystem::temp_directory_path() /
          (std::string("amoq_shell_") + info->name() + "_" + std::to_string(getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    quit_requested = 0;
    newspace = 1;
    ASSERT_NE(start_main_window(), nullptr);
    shell_pump();
  }

  void TearDown() override {
    on_close_workspace_silently();
    GSList* objects = gtk_builder_get_objects(BuilderGtk);
    for (GSList* l = objects; l; l = l->next)
      if (GTK_IS_WINDOW(l->data)) gtk_widget_destroy(GTK_WIDGET(l->data));
    g_slist_free(objects);
    shell_pump();
    g_object_unref(BuilderGtk);
    BuilderGtk = nullptr;
    amoq = nullptr;
    clear_projects();
    set_file_chooser({});
    set_name_prompt({});
    set_echo_stream(old_echo);
    set_hooks(std::move(old_hooks));
    set_step_hooks(std::move(old_step_hooks));
    messages.reset();
    std::filesystem::remove_all(dir);
  }

  void on_close_workspace_silently() {
    if (nprojects > 0) on_close_workspace(nullptr, GINT_TO_POINTER(0));
  }

  static void clear_projects() {
    proj.clear();
    nprojects = 0;
    activep = -1;
    projid = -1;
    inactep = -1;
  }

  std::string file(const char* name) const { return (dir / name).string(); }
  static std::string example(const char* name) {
    return std::string(AMOQ_SOURCE_DIR "/examples/sio2/") + name;
  }

  GtkWidget* widget(const char* id) { return gui_widget(id); }
  std::string title() { return gtk_window_get_title(GTK_WINDOW(amoq)); }
  std::string label(const char* id) { return gtk_label_get_text(GTK_LABEL(widget(id))); }
  void enter(const char* id, const char* text) {
    gtk_entry_set_text(GTK_ENTRY(widget(id)), text);
    gtk_widget_activate(widget(id));
    shell_pump();
  }
  void choose(const char* id, int entry) {
    gtk_combo_box_set_active(GTK_COMBO_BOX(widget(id)), entry);
    shell_pump();
  }
  void click(const char* id) {
    gtk_button_clicked(GTK_BUTTON(widget(id)));
    shell_pump();
  }
  void release(const char* id) {
    gtk_button_released(GTK_BUTTON(widget(id)));
    shell_pump();
  }
  void toggle(const char* id, bool on) {
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget(id)), on);
    shell_pump();
  }
  bool sensitive(const char* id) {
    GObject* o = gui_object(id);
    if (GTK_IS_ACTION(o)) return gtk_action_is_sensitive(GTK_ACTION(o));
    return gtk_widget_is_sensitive(GTK_WIDGET(o));
  }

  // The entry of the main menu labelled `text` ("_Open workspace", "gtk-new", ...),
  // activated as a click would.
  void menu(const char* text) {
    GtkWidget* bar = widget("MainMenuBar");
    GList* tops = gtk_container_get_children(GTK_CONTAINER(bar));
    GtkWidget* file_menu = gtk_menu_item_get_submenu(GTK_MENU_ITEM(tops->data));
    g_list_free(tops);
    // "Parent/Entry" names an entry of a submenu.
    std::string path = text;
    GtkWidget* item = nullptr;
    size_t slash = path.find('/');
    if (slash != std::string::npos) {
      GtkWidget* parent = find_menu_item(file_menu, path.substr(0, slash).c_str());
      ASSERT_NE(parent, nullptr) << text;
      item = find_menu_item(gtk_menu_item_get_submenu(GTK_MENU_ITEM(parent)),
                            path.substr(slash + 1).c_str());
    } else {
      item = find_menu_item(file_menu, text);
    }
    ASSERT_NE(item, nullptr) << text;
    gtk_menu_item_activate(GTK_MENU_ITEM(item));
    shell_pump();
  }
  static GtkWidget* find_menu_item(GtkWidget* menu, const char* text) {
    GtkWidget* found = nullptr;
    GList* children = gtk_container_get_children(GTK_CONTAINER(menu));
    for (GList* l = children; l && !found; l = l->next) {
      GtkWidget* item = GTK_WIDGET(l->data);
      if (!GTK_IS_MENU_ITEM(item)) continue;
      const char* label = gtk_menu_item_get_label(GTK_MENU_ITEM(item));
      if (label && std::string(label) == text) found = item;
      else if (GtkWidget* sub = gtk_menu_item_get_submenu(GTK_MENU_ITEM(item)))
        found = find_menu_item(sub, text);
    }
    g_list_free(children);
    return found;
  }

  std::vector<std::string> texts(const char* kind) const { return messages->texts(kind); }
  void clear_messages() { messages->messages.clear(); }
};
