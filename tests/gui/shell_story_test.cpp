// Work that is kept and results that follow the settings, through the main window:
// unsaved changes asked about before they are closed, out-of-date marks, and the automatic
// recalculation of G(r) after a wavelength edit.

#include "gui/project/step_widgets.h"
#include "shell_fixture.h"

namespace {

class ShellStory : public ShellTest {
 public:
  void open_example() {
    std::string nap = example("sio2.nap");
    const char* argv[] = {"amoq", nap.c_str()};
    open_command_line_file(parse_command_line(2, argv));
    ASSERT_EQ(nprojects, 1);
  }
  curve& gr() { return *proj[activep].curves[3][1]; }
  std::string window_title(const curve& c) { return gtk_window_get_title(GTK_WINDOW(c.window)); }
};

TEST_F(ShellStory, UnsavedChangesAreAskedAboutBeforeTheyAreClosed) {
  struct close_case {
    const char* entry;
    int answer;
    bool closed;
  };
  const close_case cases[] = {
      {"gtk-close", answer_cancel, false},        {"gtk-close", answer_discard, true},
      {"gtk-close", answer_save, true},           {"_Close workspace", answer_cancel, false},
      {"_Close workspace", answer_discard, true}, {"gtk-quit", answer_cancel, false},
      {"gtk-quit", answer_save, true},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(std::string(k.entry) + " " + std::to_string(k.answer));
    std::filesystem::remove(file("kept.nap"));
    menu("gtk-new");
    EXPECT_EQ(title(), "AMOQ-Gtk - Project N° 0");
    type("wavel", "0.7");
    EXPECT_EQ(title(), "AMOQ-Gtk - *Project N° 0");
    EXPECT_EQ(workspace_row_text("0:0"), "*Project N° 0");
    // A workspace cannot be opened over it: nothing is lost there either.
    menu("_Open workspace");
    EXPECT_EQ(texts("info").back(), "A workspace is already open !");
    messages->save_answers = {k.answer};
    answers = {file("kept")};  // the chooser of Save: the extension is added
    menu(k.entry);
    EXPECT_EQ(messages->messages.back().kind, "save");
    EXPECT_EQ(messages->messages.back().text, "Save changes to \"Project N° 0\" before closing?");
    EXPECT_EQ(nprojects, k.closed ? 0 : 1);
    EXPECT_EQ(std::filesystem::exists(file("kept.nap")), k.answer == answer_save);
    if (k.answer == answer_save) {
      EXPECT_EQ(choosers.back().proposed_name, "Project_N_0.nap");
    }
    on_close_workspace_silently();
    quit_requested = 0;
  }
  // Saved work closes without the question.
  menu("gtk-new");
  type("wavel", "0.7");
  answers = {file("p.nap")};
  menu("gtk-save");
  EXPECT_EQ(title(), "AMOQ-Gtk - Project N° 0");
  EXPECT_EQ(status(), "Saved " + file("p.nap"));
  clear_messages();
  menu("gtk-close");
  EXPECT_EQ(nprojects, 0);
  EXPECT_TRUE(messages->messages.empty());
}

TEST_F(ShellStory, ResultsFollowTheSettings) {
  open_example();
  view(gr());
  EXPECT_EQ(window_title(gr()), "Project N° 0 - G(r)");
  // Without automatic recalculation a new wavelength marks the results out of date.
  type("wavel", "0.56");
  gtk_button_clicked(GTK_BUTTON(widget("SettingsApply")));
  pump();
  EXPECT_EQ(window_title(gr()), "Project N° 0 - G(r) (out of date)");

  // With it, the chain reruns at once and the open window shows the new G(r).
  GtkWidget* window = static_cast<GtkWidget*>(gr().window);
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(auto_recalc_check()), TRUE);
  pump();
  EXPECT_EQ(window_title(gr()), "Project N° 0 - G(r)");
  const std::vector<double> before = gr().data[1];
  type("wavel", "0.7093");
  EXPECT_EQ(gr().window, window);
  EXPECT_TRUE(gtk_widget_get_visible(window));
  EXPECT_NE(gr().data[1], before);
  EXPECT_EQ(status().rfind("G(r): 1000 points", 0), 0u) << status();
}

}  // namespace
