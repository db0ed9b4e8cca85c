// What every window test needs: GTK on the display of xvfb-run (numbers keep "." whatever
// the locale), an empty project table, the refresh hooks and the echo stream put aside,
// messages recorded, file choosers answered from a script and a scratch folder.
#pragma once

#include "support/test.h"

#include <gtk/gtk.h>

#include "project/allocextra.h"
#include "numeric/callbacks.h"
#include "project/hooks.h"
#include "project/project.h"
#include "project/step_hooks.h"
#include "gui/base/chooser.h"
#include "gui/base/paths.h"
#include "support/recording_presenter.h"
#include "support/temp_files.h"

inline void pump() {
  while (gtk_events_pending()) gtk_main_iteration();
}

// The number of children of a container.
inline unsigned children_of(GtkWidget* container) {
  GList* children = gtk_container_get_children(GTK_CONTAINER(container));
  const unsigned n = g_list_length(children);
  g_list_free(children);
  return n;
}

// A scripted chooser answer: the path ("" = Cancel) and the filter chosen.
// The menu item or button whose label (its text, or the stock id it was made from) is
// `text`, searched depth-first below `root`, menus and submenus included.
inline GtkWidget* find_labelled(GtkWidget* root, const char* text) {
  if (GTK_IS_MENU_ITEM(root)) {
    GtkWidget* child = gtk_bin_get_child(GTK_BIN(root));
    const char* label = gtk_menu_item_get_label(GTK_MENU_ITEM(root));
    if ((child && GTK_IS_LABEL(child) && std::string(gtk_label_get_label(GTK_LABEL(child))) == text) ||
        (label && std::string(label) == text))
      return root;
    if (GtkWidget* sub = gtk_menu_item_get_submenu(GTK_MENU_ITEM(root)))
      if (GtkWidget* w = find_labelled(sub, text)) return w;
  }
  if (GTK_IS_BUTTON(root)) {
    const char* label = gtk_button_get_label(GTK_BUTTON(root));
    if (label && std::string(label) == text) return root;
  }
  if (GTK_IS_CONTAINER(root)) {
    GList* children = gtk_container_get_children(GTK_CONTAINER(root));
    GtkWidget* found = nullptr;
    for (GList* l = children; l && !found; l = l->next)
      found = find_labelled(GTK_WIDGET(l->data), text);
    g_list_free(children);
    return found;
  }
  return nullptr;
}

// Labels of the items of a menu, in order.
inline std::vector<std::string> item_labels(GtkWidget* menu) {
  std::vector<std::string> out;
  GList* children = gtk_container_get_children(GTK_CONTAINER(menu));
  for (GList* l = children; l; l = l->next) {
    GtkWidget* child = gtk_bin_get_child(GTK_BIN(l->data));
    if (child && GTK_IS_LABEL(child)) out.push_back(gtk_label_get_label(GTK_LABEL(child)));
  }
  g_list_free(children);
  return out;
}

// Every descendant of the given type, depth-first.
inline std::vector<GtkWidget*> all_of(GtkWidget* root, GType type) {
  std::vector<GtkWidget*> out;
  if (G_TYPE_CHECK_INSTANCE_TYPE(root, type)) out.push_back(root);
  if (GTK_IS_CONTAINER(root)) {
    GList* children = gtk_container_get_children(GTK_CONTAINER(root));
    for (GList* l = children; l; l = l->next)
      for (GtkWidget* w : all_of(GTK_WIDGET(l->data), type)) out.push_back(w);
    g_list_free(children);
  }
  return out;
}

struct chooser_answer {
  std::string path;
  int filter = 0;
  chooser_answer(std::string p, int f = 0) : path(std::move(p)), filter(f) {}
  chooser_answer(const char* p) : path(p) {}
};

class GuiTest : public ::testing::Test {
 public:
  std::unique_ptr<recording_presenter> messages;
  std::vector<chooser_request> choosers;  // every chooser the code opened
  std::deque<chooser_answer> answers;     // Cancel when exhausted
  std::string dir;                        // scratch folder of the test

  static void SetUpTestSuite() {
    // The virtual server may refuse a connection while it is busy with another test
    // program: a refused first connection is tried again for up to five seconds.
    static bool initialised = [] {
      if (!gdk_display_get_default()) gtk_disable_setlocale();
      for (int attempt = 0; attempt < 50; ++attempt) {
        if (gtk_init_check(nullptr, nullptr)) return true;
        if (!std::getenv("DISPLAY")) return false;
        std::fprintf(stderr, "display %s not ready, trying again\n", std::getenv("DISPLAY"));
        g_usleep(100000);
      }
      return false;
    }();
    // A failed assertion here would show the suite as skipped: without a display it fails.
    if (!initialised) {
      std::fputs("no display (run under xvfb-run)\n", stderr);
      std::exit(1);
    }
  }

  void SetUp() override {
    clear_project_table();
    set_package_paths(AMOQ_SOURCE_DIR "/data");
    messages = std::make_unique<recording_presenter>();
    old_front_ = set_front_end({});
    old_echo_ = set_echo_stream(nullptr);
    old_chooser_ = set_file_chooser([this](const chooser_request& r) {
      choosers.push_back(r);
      if (answers.empty()) return std::string();
      chooser_answer a = answers.front();
      answers.pop_front();
      if (r.chosen_filter) *r.chosen_filter = a.filter;
      return a.path;
    });
    char tmpl[] = "/tmp/amoq-gui-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
  }

  void TearDown() override {
    clear_project_table();
    set_file_chooser(std::move(old_chooser_));
    set_echo_stream(old_echo_);
    set_front_end(std::move(old_front_));
    messages.reset();
    std::filesystem::remove_all(dir);
  }

  std::string file(const std::string& name) const { return dir + "/" + name; }
  static std::string example(const char* name) { return std::string(AMOQ_SOURCE_DIR "/examples/sio2/") + name; }

  std::vector<std::string> texts(const char* kind) const { return messages->texts(kind); }
  void clear_messages() { messages->messages.clear(); }

  // The object `id` of the interface description the test drives (none by default).
  virtual GObject* object(const char*) { return nullptr; }
  GtkWidget* widget(const char* id) { return GTK_WIDGET(object(id)); }

  // ---- The user's gestures ----
  void type(const char* id, const char* text) {
    gtk_entry_set_text(GTK_ENTRY(widget(id)), text);
    g_signal_emit_by_name(widget(id), "activate");
    pump();
  }
  void choose(const char* id, int entry) {
    gtk_combo_box_set_active(GTK_COMBO_BOX(widget(id)), entry);
    pump();
  }
  void tick(const char* id, bool on) {
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget(id)), on);
    pump();
  }
  void press(const char* id) {  // buttons act on "released"
    g_signal_emit_by_name(widget(id), "released");
    pump();
  }

  // ---- What the user sees ----
  std::string text(const char* id) {
    GtkWidget* w = widget(id);
    if (GTK_IS_ENTRY(w)) return gtk_entry_get_text(GTK_ENTRY(w));
    if (GTK_IS_LABEL(w)) return gtk_label_get_text(GTK_LABEL(w));
    GtkTextBuffer* b = gtk_text_view_get_buffer(GTK_TEXT_VIEW(w));
    GtkTextIter s, e;
    gtk_text_buffer_get_bounds(b, &s, &e);
    char* t = gtk_text_buffer_get_text(b, &s, &e, FALSE);
    std::string out = t;
    g_free(t);
    return out;
  }
  // The report line of the main window's status bar.
  std::string status() {
    GList* children = gtk_container_get_children(
        GTK_CONTAINER(gtk_statusbar_get_message_area(GTK_STATUSBAR(widget("Mainstatusbar")))));
    std::string out = children ? gtk_label_get_text(GTK_LABEL(children->data)) : "";
    g_list_free(children);
    return out;
  }
  bool visible(const char* id) { return gtk_widget_get_visible(widget(id)); }
  bool sensitive(const char* id) {
    GObject* o = object(id);
    return GTK_IS_ACTION(o) ? gtk_action_get_sensitive(GTK_ACTION(o)) : gtk_widget_get_sensitive(GTK_WIDGET(o));
  }

  // The sample and experiment of the bundled SiO2 example, typed into the settings dialog
  // and applied.
  void type_sio2_settings() {
    type("species", "2");
    const char* const ids[4] = {"Z", "conc", "fp", "fpp"};
    const char* const species[2][4] = {{"14", "0.333333", "0.0817", "0.0704"}, {"8", "0.666667", "0.0106", "0.0060"}};
    for (int s = 0; s < 2; ++s) {
      gtk_combo_box_set_active(GTK_COMBO_BOX(proj[activep].spec_combo), s);
      for (int k = 0; k < 4; ++k) type(ids[k], species[s][k]);
    }
    for (auto [id, value] : {std::pair{"wavel", "0.7093"}, {"abss", "0.77"}, {"abss2", "0"}, {"density", "0.0662"},
                             {"ddt", "0.000001"}})
      type(id, value);
    for (auto [id, entry] : {std::pair{"geombox", 1}, {"monobox", 0}, {"comptonbox", 0}}) choose(id, entry);
    gtk_button_clicked(GTK_BUTTON(widget("SettingsApply")));
    pump();
  }

 private:
  front_end old_front_;
  std::FILE* old_echo_ = nullptr;
  chooser_function old_chooser_;
};
