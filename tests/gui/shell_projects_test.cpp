// Opening, switching, renaming and closing projects in the workspace tree, and unsaved
// changes asked about before they are closed.

#include "gui/shell/info_view.h"
#include "project/changes.h"
#include "shell_fixture.h"

namespace {

class ShellProjects : public ShellTest {
 public:
  // Three projects named A, B, C through the "_Edit name" entry of their context menus,
  // then taken as saved.
  void three_projects() {
    for (const char* name : {"A", "B", "C"}) {
      menu("gtk-new");
      names.push_back(std::string(name));
      context_menu_entry(activep, "_Edit name");
    }
    for (int p = 0; p < nprojects; ++p) mark_project_saved(p);
  }
  void context_menu_entry(int p, const char* text) {
    GtkWidget* m = projmenu(1, p);
    GtkWidget* item = find_labelled(m, text);
    ASSERT_NE(item, nullptr) << text;
    gtk_menu_item_activate(GTK_MENU_ITEM(item));
    pump();
    gtk_widget_destroy(m);
  }
  std::vector<std::string> rows() {
    std::vector<std::string> out;
    for (int p = 0;; ++p) {
      const std::string m = workspace_row_markup(("0:" + std::to_string(p)).c_str());
      if (m.empty()) return out;
      out.push_back(m);
    }
  }
};

TEST_F(ShellProjects, NamesRowsAndTheBoldActiveRow) {
  three_projects();
  EXPECT_EQ(rows(), (std::vector<std::string>{"A", "B", "<b>C</b>"}));
  // The title follows a new name.
  EXPECT_EQ(title(), "AMOQ-Gtk - C");
  // Row activation of an inactive project row makes it active.
  activate_row("0:0");
  EXPECT_EQ(std::tuple(activep, rows(), title()),
            std::tuple(0, std::vector<std::string>{"<b>A</b>", "B", "C"}, "AMOQ-Gtk - A"));
  // "_Make active" is offered for inactive projects only.
  GtkWidget* m = projmenu(1, 0);
  EXPECT_EQ(find_labelled(m, "_Make active"), nullptr);
  gtk_widget_destroy(m);
  context_menu_entry(2, "_Make active");
  EXPECT_EQ(activep, 2);
  // Cancel in the name dialog keeps the name; markup characters stay text.
  context_menu_entry(1, "_Edit name");
  EXPECT_EQ(proj[1].name, "B");
  names.push_back(std::string("B & <i>"));
  context_menu_entry(1, "_Edit name");
  EXPECT_EQ(proj[1].name, "B & <i>");
  // A new name is a change to save: the row says so.
  EXPECT_EQ(workspace_row_text("0:1"), "*B & <i>");
  // Closing an inactive project from its context menu keeps the active one active (the
  // positions after a close are the model tests' business).
  context_menu_entry(0, "gtk-close");
  EXPECT_EQ(std::tuple(nprojects, proj[0].name, activep, workspace_row_markup("0:1")),
            std::tuple(2, "B & <i>", 1, "<b>C</b>"));
}

TEST_F(ShellProjects, ClosingTheOnlyProjectLeavesAFreshWorkspace) {
  menu("gtk-new");
  activate_row("0:0:0:0");  // Sample description
  EXPECT_FALSE(main_view_shows_logo());
  menu("gtk-close");
  EXPECT_EQ(std::tuple(nprojects, activep, newspace), std::tuple(0, -1, 1));
  EXPECT_TRUE(main_view_shows_logo() && !gtk_widget_is_sensitive(GTK_WIDGET(workspace_view())));
  EXPECT_TRUE(title() == "AMOQ-Gtk" && rows().empty());
  // A fresh workspace may be opened again (the chooser appears), and Close says so.
  menu("_Open workspace");
  EXPECT_EQ(choosers.size(), 1u);
  menu("gtk-close");
  EXPECT_EQ(texts("warning"), std::vector<std::string>{"No project to be closed"});
}

// Saved work: No keeps it, Yes closes it (and quits).
TEST_F(ShellProjects, CloseWorkspaceAndQuitAskFirst) {
  const struct { const char* entry; const char* question; } questions[] = {
      {"_Close workspace", "Closing workspace: Close workspace ?"},
      {"gtk-quit", "Leaving AmoqGTK: Are you sure you want to quit ?"}};
  for (const auto& q : questions) {
    SCOPED_TRACE(q.entry);
    menu("gtk-new");
    mark_project_saved(0);
    for (int answer : {0, 1}) {
      messages->answers = {answer};
      menu(q.entry);
      EXPECT_EQ(nprojects, 1 - answer);
      EXPECT_EQ(messages->messages.back().title + ": " + messages->messages.back().text, q.question);
      EXPECT_TRUE(answer || quit_requested == 0);
    }
    EXPECT_EQ(newspace, 1);
  }
  EXPECT_EQ(quit_requested, 1);
}

TEST_F(ShellProjects, UnsavedChangesAreAskedAboutBeforeTheyAreClosed) {
  struct close_case { const char* entry; int answer; bool closed; };
  const close_case cases[] = {
      {"gtk-close", answer_cancel, false}, {"_Close workspace", answer_discard, true}, {"gtk-quit", answer_save, true},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(std::string(k.entry) + " " + std::to_string(k.answer));
    std::filesystem::remove(file("kept.nap"));
    menu("gtk-new");
    type("wavel", "0.7");
    EXPECT_EQ(title() + " | " + workspace_row_text("0:0"), "AMOQ-Gtk - *Project N° 0 | *Project N° 0");
    messages->save_answers = {k.answer};
    answers = {file("kept")};  // the chooser of Save: the extension is added
    menu(k.entry);
    EXPECT_EQ(messages->messages.back().kind + ": " + messages->messages.back().text,
              "save: Save changes to \"Project\u00a0N°\u00a00\" before closing?");
    EXPECT_EQ(nprojects, k.closed ? 0 : 1);
    EXPECT_EQ(std::filesystem::exists(file("kept.nap")), k.answer == answer_save);
    EXPECT_TRUE(k.answer != answer_save || choosers.back().proposed_name == "Project_N_0.nap");

    on_close_workspace_silently();
    quit_requested = 0;
  }
  // Saved work closes without the question.
  menu("gtk-new");
  type("wavel", "0.7");
  answers = {file("p.nap")};
  menu("gtk-save");
  EXPECT_EQ(title() + " | " + status(), "AMOQ-Gtk - Project N° 0 — p.nap | Saved " + file("p.nap"));
  clear_messages();
  menu("gtk-close");
  EXPECT_TRUE(nprojects == 0 && messages->messages.empty());
}


}  // namespace
