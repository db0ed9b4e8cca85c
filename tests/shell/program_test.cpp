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

TEST(ShellProgram, HelpAndVersionTextsWithoutDisplay) {
  for (const char* arg : {"-h", "--help", "-v", "--version"}) {
    run_result r = run(arg);
    EXPECT_EQ(r.status, 0) << arg;
    EXPECT_EQ(r.out, arg[1] == 'h' || arg[2] == 'h' ? help_text() : version_text()) << arg;
  }
  const std::string usage =
      "Usage: AMOQ [OPTION]\n       AMOQ [FILE]\n       AMOQ [OPTION] [FILE]\n\n";
  std::string h = help_text();
  EXPECT_EQ(h.rfind(usage + std::string(80, '-') + "\n\n", 0), 0u);
  EXPECT_NE(h.find("\noptions:\n"
                   "  -v, --version             version informations\n"
                   "  -h, --help                display this help message\n"
                   "  -apf [AMOQ XML FILE]\n"
                   "  -nap [AMOQ PROJECT FILE]\n"
                   "  -naw [AMOQ WORKSPACE FILE]\n\n"),
            std::string::npos);
  std::string v = version_text();
  EXPECT_EQ(v.rfind(usage + std::string(72, '-') + "\n\nAMOQ version 2.0 :\n", 0), 0u);
  EXPECT_EQ(v.find(std::string(73, '-')), std::string::npos);
  for (const std::string& t : {h, v}) {
    size_t at = t.rfind("\nReport a bug to <");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(t.substr(t.size() - 3), ">\n\n");
  }
}

}  // namespace
#endif
