// The program itself: help and version print their texts and exit 0 without a display.
// Built with the user interface only (the program is needed).
#include "support/test.h"

#include "gui/shell/command_line.h"

#ifdef AMOQ_PROGRAM
namespace {

struct run_result { std::string out; int status = -1; };

run_result run(const std::string& args) {
  std::string cmd = "env -u DISPLAY " AMOQ_PROGRAM " " + args;
  run_result r;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  r.status = pclose(p);
  return r;
}

TEST(ShellProgram, HelpAndVersionWithoutDisplay) {
  for (const char* arg : {"-h", "--help", "-v", "--version"}) {
    run_result r = run(arg);
    EXPECT_EQ(r.status, 0) << arg;
    EXPECT_EQ(r.out, arg[1] == 'h' || arg[2] == 'h' ? help_text() : version_text()) << arg;
  }
  // The separators tell the two texts apart: 80 dashes in the help, 72 in the version.
  EXPECT_NE(help_text().find("\n" + std::string(80, '-') + "\n"), std::string::npos);
  EXPECT_EQ(version_text().find(std::string(73, '-')), std::string::npos);
}

}  // namespace
#endif
