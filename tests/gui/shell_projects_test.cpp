// Opening, switching, renaming and closing projects in the workspace tree.
#include <string>
#include <vector>

#include "shell/info_view.h"
#include "shell/workspace_tree.h"
#include "shell_fixture.h"

namespace {

class ShellProjects : public ShellTest {
 public:
  void activate_row(const char* path) {
    GtkTreePath* tp = gtk_tree_path_new_from_string(path);
    gtk_tree_view_row_activated(workspace_view(), tp, gtk_tree_view_get_column(workspace_view(), 0));
    gtk_tree_path_free(tp);
    shell_pump();
  }
  // Three projects named A, B, C through the "_Edit name" entry of their context menus.
  void three_projects() {
    for (const char* name : {"A", "B", "C"}) {
      menu("gtk-new");
      names.push_back(std::string(name));
      context_menu_entry(activep, "_Edit name");
    }
  }
  void context_menu_entry(int p, const char* text) {
    GtkWidget* m = projmenu(1, p);
    GtkWidget* item = find_menu_item(m, text);
    ASSERT_NE(item, nullptr) << text;
    gtk_menu_item_activate(GTK_MENU_ITEM(item));
    shell_pump();
    gtk_widget_destroy(m);
  }
  std::vector<std::string> names_in_table() {
    std::vector<std::string> out;
    for (const auto& r : proj) out.push_back(r.name);
    return out;
  }
  std::vector<std::string> rows() {
    std::vector<std::string> out;
    for (int p = 0;; ++p) {
      std::string path = "0:" + std::to_string(p);
      std::string m = workspace_row_markup(path.c_str());
      if (m.empty()) return out;
      out.push_back(m);
    }
  }
};

TEST_F(ShellProjects, NamesRowsAndTheBoldActiveRow) {
  three_projects();
  EXPECT_EQ(names_in_table(), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(rows(), (std::vector<std::string>{"A", "B", "<b>C</b>"}));
  // The title follows a new name at the next refresh.
  EXPECT_EQ(title(), "AMOQ-Gtk - " + std::string("Project N°") + " 2");
  // Row activation of an inactive project row makes it active.
  activate_row("0:0");
  EXPECT_EQ(activep, 0);
  EXPECT_EQ(rows(), (std::vector<std::string>{"<b>A</b>", "B", "C"}));
  EXPECT_EQ(title(), "AMOQ-Gtk - A");
  // "_Make active" is offered for inactive projects only.
  GtkWidget* m = projmenu(1, 0);
  EXPECT_EQ(find_menu_item(m, "_Make active"), nullptr);
  gtk_widget_destroy(m);
  context_menu_entry(2, "_Make active");
  EXPECT_EQ(activep, 2);
  // Cancel in the name dialog keeps the name; markup characters stay text.
  context_menu_entry(1, "_Edit name");
  EXPECT_EQ(proj[1].name, "B");
  names.push_back(std::string("B & <i>"));
  context_menu_entry(1, "_Edit name");
  EXPECT_EQ(proj[1].name, "B & <i>");
  EXPECT_EQ(workspace_row_text("0:1"), "B & <i>");
}

TEST_F(ShellProjects, ClosingPositionsFollowTheRules) {
  struct close_case {
    int active_before;      // position made active first
    const char* how;        // "menu" closes the active project, else the context menu of `target`
    int target;
    std::vector<std::string> left;
    int active_after;
  };
  const close_case cases[] = {
      // The active project of three at position 0: the others move to 0 and 1.
      {0, "menu", 0, {"B", "C"}, 0},
      // The active project as the last of several: the new last one is active.
      {2, "menu", 2, {"A", "B"}, 1},
      // An inactive project before the active one: the active one keeps its record.
      {2, "context", 0, {"B", "C"}, 1},
      // An inactive project after the active one.
      {0, "context", 1, {"A", "C"}, 0},
  };
  for (const auto& c : cases) {
    three_projects();
    activate_row(("0:" + std::to_string(c.active_before)).c_str());
    if (std::string(c.how) == "menu")
      menu("gtk-close");
    else
      context_menu_entry(c.target, "gtk-close");
    EXPECT_EQ(names_in_table(), c.left) << c.how << " " << c.target;
    ASSERT_EQ(activep, c.active_after) << c.how << " " << c.target;
    std::vector<std::string> want = c.left;
    want[c.active_after] = "<b>" + want[c.active_after] + "</b>";
    EXPECT_EQ(rows(), want) << c.how << " " << c.target;
    EXPECT_EQ(title(), "AMOQ-Gtk - " + c.left[c.active_after]);
    on_close_workspace_silently();
  }
}

TEST_F(ShellProjects, ClosingTheOnlyProjectLeavesAFreshWorkspace) {
  menu("gtk-new");
  activate_row("0:0:0:0");  // Sample description
  EXPECT_FALSE(main_view_shows_logo());
  menu("gtk-close");
  EXPECT_EQ(nprojects, 0);
  EXPECT_EQ(activep, -1);
  EXPECT_FALSE(gtk_widget_is_sensitive(GTK_WIDGET(workspace_view())));
  EXPECT_TRUE(main_view_shows_logo());
  EXPECT_EQ(title(), "AMOQ-Gtk");
  EXPECT_EQ(newspace, 1);
  EXPECT_EQ(rows(), std::vector<std::string>{});
  // A fresh workspace may be opened again (the chooser appears), and Close says so.
  menu("_Open workspace");
  ASSERT_EQ(choosers.size(), 1u);
  EXPECT_EQ(choosers[0].title, "Open Workspace");
  menu("gtk-close");
  EXPECT_EQ(texts("warning"), std::vector<std::string>{"No project to be closed"});
}

TEST_F(ShellProjects, InformationRowOfAnInactiveProjectShowsThatProject) {
  menu("gtk-new");
  prepspec(0, 3);
  menu("gtk-new");
  ASSERT_EQ(activep, 1);
  activate_row("0:0:0:0");  // Sample description of project 0
  EXPECT_EQ(activep, 1);
  EXPECT_NE(view_text(0).find("Number of species = 3"), std::string::npos) << view_text(0);
  EXPECT_EQ(workspace_row_markup("0:0:0:0"), std::string("<b>") + items[2] + "</b>");
  // The root row shows the workspace page of the active project.
  activate_row("0");
  EXPECT_EQ(workspace_row_markup("0:0:0:0"), items[2]);
  EXPECT_NE(view_text(1).find("\t2 project(s) in workspace: "), std::string::npos) << view_text(1);
  EXPECT_EQ(view_text(0), "");
}

TEST_F(ShellProjects, CloseWorkspaceAsksFirst) {
  three_projects();
  messages->answers = {0};
  menu("_Close workspace");
  EXPECT_EQ(nprojects, 3);
  ASSERT_EQ(messages->messages.back().kind, "question");
  EXPECT_EQ(messages->messages.back().title, "Closing workspace");
  EXPECT_EQ(messages->messages.back().text, "Close workspace ?");
  messages->answers = {1};
  menu("_Close workspace");
  EXPECT_EQ(nprojects, 0);
  EXPECT_EQ(newspace, 1);
}

TEST_F(ShellProjects, QuitQuestion) {
  messages->answers = {0};
  menu("gtk-quit");
  EXPECT_EQ(quit_requested, 0);
  EXPECT_TRUE(gtk_widget_get_visible(amoq));
  EXPECT_EQ(messages->messages.back().title, "Leaving AmoqGTK");
  EXPECT_EQ(messages->messages.back().text, "Are you sure you want to quit ?");
  menu("gtk-new");
  messages->answers = {1};
  menu("gtk-quit");
  EXPECT_EQ(quit_requested, 1);
  EXPECT_EQ(nprojects, 0);
}

}  // namespace

namespace {

TEST_F(ShellProjects, DialogFrameAndBusyMenu) {
  GtkWidget* d = dialogmodal(amoq, "Columns");
  EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(d)), "Columns");
  EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(d)));
  EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(d)), GTK_WINDOW(amoq));
  EXPECT_FALSE(gtk_window_get_resizable(GTK_WINDOW(d)));
  EXPECT_EQ(gtk_container_get_border_width(GTK_CONTAINER(d)), 5u);
  GList* buttons = gtk_container_get_children(GTK_CONTAINER(gtk_dialog_get_action_area(GTK_DIALOG(d))));
  EXPECT_EQ(g_list_length(buttons), 2u);
  g_list_free(buttons);
  GtkWidget* close = gtk_dialog_get_widget_for_response(GTK_DIALOG(d), GTK_RESPONSE_CLOSE);
  GtkWidget* ok = gtk_dialog_get_widget_for_response(GTK_DIALOG(d), GTK_RESPONSE_OK);
  ASSERT_TRUE(close && ok);
  EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(close)), GTK_STOCK_CLOSE);
  EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(ok)), GTK_STOCK_OK);
  gtk_widget_destroy(d);

  // While a step runs, the project entries New, Open, Save and Save as are insensitive.
  menu("gtk-new");
  ASSERT_TRUE(shooks().busy);
  GtkWidget* bar = widget("MainMenuBar");
  GList* tops = gtk_container_get_children(GTK_CONTAINER(bar));
  GtkWidget* file_menu = gtk_menu_item_get_submenu(GTK_MENU_ITEM(tops->data));
  g_list_free(tops);
  shooks().busy(0, 0, 0.75, "Please wait Raw data correction calculation in progress");
  for (const char* stock : {GTK_STOCK_NEW, GTK_STOCK_OPEN, GTK_STOCK_SAVE, GTK_STOCK_SAVE_AS})
    EXPECT_FALSE(gtk_widget_is_sensitive(find_menu_item(file_menu, stock))) << stock;
  EXPECT_TRUE(gtk_widget_is_sensitive(find_menu_item(file_menu, GTK_STOCK_QUIT)));
  shooks().busy(1, 0, 1.0, "");
  for (const char* stock : {GTK_STOCK_NEW, GTK_STOCK_OPEN, GTK_STOCK_SAVE, GTK_STOCK_SAVE_AS})
    EXPECT_TRUE(gtk_widget_is_sensitive(find_menu_item(file_menu, stock))) << stock;
}

}  // namespace
