#include "support/test.h"

#include "gui/shell/command_line.h"

namespace {

struct cl_case { std::vector<const char*> args; bool help, version; start_file kind; const char* file; };

TEST(ShellCommandLine, FormsOfTheCommandLine) {
  const cl_case cases[] = {
      {{}, false, false, start_file::none, ""},
      {{"--help"}, true, false, start_file::none, ""},
      {{"-v"}, false, true, start_file::none, ""},
      {{"-H"}, false, false, start_file::none, ""},
      {{"data.Apf"}, false, false, start_file::xml, "data.Apf"},
      {{"dataapf"}, false, false, start_file::xml, "dataapf"},
      {{"x.nap"}, false, false, start_file::project, "x.nap"},
      {{"work.NAW"}, false, false, start_file::workspace, "work.NAW"},
      {{"data.txt"}, false, false, start_file::none, ""},
      {{"ap"}, false, false, start_file::none, ""},
      {{"-h", "x"}, false, false, start_file::none, ""},
      {{"-APF", "a"}, false, false, start_file::xml, "a"},
      {{"-nap", "p.naw"}, false, false, start_file::project, "p.naw"},
      {{"-NAW", "work.naw"}, false, false, start_file::workspace, "work.naw"},
      {{"-Naw", "work.naw"}, false, false, start_file::none, ""},
      {{"-Apf", "x.apf"}, false, false, start_file::none, ""},
      {{"-nap", "a.nap", "b"}, false, false, start_file::none, ""},
  };
  for (const auto& c : cases) {
    std::vector<const char*> argv{"amoq"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    command_line cl = parse_command_line(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(std::tuple(cl.help, cl.version, cl.kind, cl.file),
              std::tuple(c.help, c.version, c.kind, std::string(c.file)))
        << (c.args.empty() ? "(none)" : c.args[0]);


  }
}

}  // namespace
