// Saving and reopening projects and workspaces through the menu, the XML import and
// export, the file named on the command line, and the failures of each.

#include "shell_fixture.h"

namespace {

namespace fs = std::filesystem;

class ShellFiles : public ShellTest {
 public:
  std::string copy_example(const char* name) {
    fs::copy_file(example(name), file(name));
    return file(name);
  }
  void open_project_menu(const std::string& path) {
    answers = {path};
    menu("gtk-open");
  }
};

// A project opened from the menu is saved back to its file; Save as asks and moves the
// project to the new file; a first save that fails leaves no path, so the next Save asks
// again instead of writing to an empty name.
TEST_F(ShellFiles, ProjectSavedAndReopenedThroughTheMenu) {
  std::string nap = copy_example("sio2.nap");
  open_project_menu(nap);
  ASSERT_EQ(nprojects, 1);
  ASSERT_TRUE(texts("error").empty()) << texts("error")[0];
  EXPECT_EQ(std::tuple(proj[0].newproj, newspace), std::tuple(0, 0));
  EXPECT_EQ(title(), "AMOQ-Gtk - Project N° 0 — sio2.nap");
  fs::remove(nap);
  menu("gtk-save");
  EXPECT_TRUE(choosers.size() == 1u && fs::exists(nap));  // written back without asking
  std::string other = file("other.nap");
  answers = {other};
  menu("gtk-save-as");
  ASSERT_EQ(choosers.size(), 2u);
  EXPECT_EQ(choosers[1].preset_file, nap);
  EXPECT_TRUE(proj[0].path == other && slurp(nap) == slurp(other));

  menu("gtk-new");
  std::string nowhere = file("no/such/folder/p.nap");
  answers = {nowhere, file("p.nap")};
  menu("gtk-save");
  ASSERT_EQ(texts("error").size(), 1u);
  EXPECT_EQ(texts("error")[0].rfind("Impossible to save project file:\n" + nowhere + "\nError code: ", 0), 0u)
      << texts("error")[0];
  EXPECT_TRUE(proj[1].newproj == 0 && !proj[1].path);
  menu("gtk-save");
  EXPECT_TRUE(choosers.size() == 4u && proj[1].path == file("p.nap"));
}

TEST_F(ShellFiles, WorkspaceSavedAndReopenedThroughTheMenu) {
  menu("_Save workspace");
  EXPECT_EQ(texts("info"), std::vector<std::string>{"Nothing to be saved !"});
  open_project_menu(copy_example("sio2.nap"));
  menu("gtk-new");
  menu("_Open workspace");
  EXPECT_EQ(texts("info").back(), "A workspace is already open !");
  ASSERT_EQ(nprojects, 2);
  std::string second_name = proj[1].name;

  std::string naw = file("work.naw");
  answers = {naw};
  menu("_Save workspace");
  EXPECT_EQ(choosers.back().proposed_name, "New.naw");
  ASSERT_TRUE(fs::exists(naw) && texts("error").empty()) << texts("error").at(0);

  on_close_workspace_silently();
  answers = {naw};
  menu("_Open workspace");
  ASSERT_EQ(nprojects, 2);
  EXPECT_EQ(workspace_row_text("0:1"), second_name);
  // Projects of a workspace have no file of their own: Save asks, proposing name.nap.
  menu("gtk-save");
  EXPECT_EQ(choosers.back().proposed_name, "Project_N_1.nap");
}

// Import and export through the menu (the file's contents are the files tests' business):
// a file that is not a project description closes the new project with its message;
// export with no project asks, and Yes writes a default project.
TEST_F(ShellFiles, XmlImportAndExport) {
  std::ofstream(file("bad.apf")) << "<not-amoq/>";
  answers = {example("sio2.apf"), file("bad.apf")};
  menu("_Import/AMOQ XML Project File '*.apf'");
  ASSERT_EQ(std::tuple(nprojects, proj[0].nspec), std::tuple(1, 2));
  menu("_Import/AMOQ XML Project File '*.apf'");
  EXPECT_EQ(nprojects, 1);
  EXPECT_EQ(texts("error").back(), "Impossible to use the Amoq-XML project file\n\n");
  on_close_workspace_silently();
  clear_messages();
  messages->answers = {1};
  answers = {file("empty.apf")};
  menu("_Export/AMOQ XML Project File '*.apf'");
  EXPECT_EQ(messages->messages.at(0).text, "Do you want to save an empty project ?");
  EXPECT_TRUE(nprojects == 1 && fs::exists(file("empty.apf")));
}

TEST_F(ShellFiles, FileNamedOnTheCommandLine) {
  // Arguments, open projects afterwards, start of the last error ("" for none).
  struct cl_case { std::vector<std::string> args; int projects; const char* error_start; };
  std::string nap = copy_example("sio2.nap");
  std::ofstream(file("bad.apf")) << "<amoq-xml><chemistry/></amoq-xml>";
  const cl_case cases[] = {
      {{example("sio2.apf")}, 1, ""}, {{nap}, 1, ""},
      {{file("none.nap")}, 0, "Impossible to open project file: \n"},
      {{"-naw", file("none.naw")}, 0, "Error while reading workspace file\n"},
      {{"-apf", file("bad.apf")}, 1, "Impossible to use the AMOQ XML project file\n"},
  };
  for (const auto& c : cases) {
    std::vector<const char*> argv{"amoq"};
    for (const auto& a : c.args) argv.push_back(a.c_str());
    clear_messages();
    open_command_line_file(parse_command_line(static_cast<int>(argv.size()), argv.data()));
    EXPECT_EQ(nprojects, c.projects) << c.args[0];
    EXPECT_TRUE(c.args[0] != nap || proj[0].path == nap);  // opened as from the menu: Save writes back
    const std::string last = texts("error").empty() ? "" : texts("error").back();  // starts as expected, or is none
    EXPECT_EQ(*c.error_start ? last.substr(0, std::strlen(c.error_start)) : last, c.error_start) << c.args[0];

    on_close_workspace_silently();
  }
}

}  // namespace
