#include "support/test.h"

#include "gui/shell/command_line.h"

namespace {

struct cl_case { std::vector<const char*> args; bool help, version; start_file kind; const char* file; };

TEST(ShellCommandLine, FormsOfTheCommandLine) {
  using sf = start_file;
  const cl_case cases[] = {
      {{}, false, false, sf::none, ""}, {{"--help"}, true, false, sf::none, ""},
      {{"-v"}, false, true, sf::none, ""}, {{"-H"}, false, false, sf::none, ""},
      {{"data.Apf"}, false, false, sf::xml, "data.Apf"}, {{"dataapf"}, false, false, sf::xml, "dataapf"},
      {{"x.nap"}, false, false, sf::project, "x.nap"}, {{"work.NAW"}, false, false, sf::workspace, "work.NAW"},
      {{"data.txt"}, false, false, sf::none, ""}, {{"ap"}, false, false, sf::none, ""},
      {{"-h", "x"}, false, false, sf::none, ""}, {{"-APF", "a"}, false, false, sf::xml, "a"},
      {{"-nap", "p.naw"}, false, false, sf::project, "p.naw"}, {{"-Naw", "work.naw"}, false, false, sf::none, ""},
      {{"-nap", "a.nap", "b"}, false, false, sf::none, ""},
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
