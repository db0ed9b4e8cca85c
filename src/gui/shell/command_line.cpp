#include "gui/shell/command_line.h"

#include <cstdio>
#include <cstring>

#include "project/messages.h"
#include "version.h"

#ifndef AMOQ_C_COMPILER
#define AMOQ_C_COMPILER "unknown"
#endif
#ifndef AMOQ_C_FLAGS
#define AMOQ_C_FLAGS ""
#endif
#ifndef AMOQ_CXX_COMPILER
#define AMOQ_CXX_COMPILER "unknown"
#endif
#ifndef AMOQ_CXX_FLAGS
#define AMOQ_CXX_FLAGS ""
#endif

namespace {

// Letter-by-letter, case-blind comparison of the last three characters.
int ends_with3(const char* name, const char* tail) {
  if (!name) return 0;
  size_t n = std::strlen(name);
  if (n < 3) return 0;
  for (int i = 0; i < 3; ++i) {
    char c = name[n - 3 + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != tail[i]) return 0;
  }
  return 1;
}

const char* const usage =
    "Usage: AMOQ [OPTION]\n"
    "       AMOQ [FILE]\n"
    "       AMOQ [OPTION] [FILE]\n";

std::string bug_lines() { return format("\nReport a bug to <%s>\n\n", bug_address); }

}  // namespace

int test_xml(const char* name) { return ends_with3(name, "apf"); }
int test_nap(const char* name) { return ends_with3(name, "nap"); }
int test_naw(const char* name) { return ends_with3(name, "naw"); }

command_line parse_command_line(int argc, const char* const* argv) {
  command_line cl;
  int n = argc - 1;
  if (n == 1) {
    const char* a = argv[1];
    if (!std::strcmp(a, "-h") || !std::strcmp(a, "--help")) {
      cl.help = true;
    } else if (!std::strcmp(a, "-v") || !std::strcmp(a, "--version")) {
      cl.version = true;
    } else {
      cl.file = a;
      if (test_xml(a)) cl.kind = start_file::xml;
      else if (test_nap(a)) cl.kind = start_file::project;
      else if (test_naw(a)) cl.kind = start_file::workspace;
      else cl.file.clear();
    }
  } else if (n == 2) {
    const char* o = argv[1];
    if (!std::strcmp(o, "-apf") || !std::strcmp(o, "-APF")) cl.kind = start_file::xml;
    else if (!std::strcmp(o, "-nap") || !std::strcmp(o, "-NAP")) cl.kind = start_file::project;
    else if (!std::strcmp(o, "-naw") || !std::strcmp(o, "-NAW")) cl.kind = start_file::workspace;
    if (cl.kind != start_file::none) cl.file = argv[2];
  }
  return cl;
}

std::string help_text() {
  std::string s = usage;
  s += "\n" + std::string(80, '-') + "\n\n";
  s += "AMOQ is a scientific program that analyses XRD diffraction data\n";
  s += "from amorphous materials: S(Q), G(r) and g(r) from the measured intensity.\n";
  s += "\noptions:\n";
  s += "  -v, --version             version informations\n";
  s += "  -h, --help                display this help message\n";
  s += "  -apf [AMOQ XML FILE]\n";
  s += "  -nap [AMOQ PROJECT FILE]\n";
  s += "  -naw [AMOQ WORKSPACE FILE]\n";
  s += "\nThe project, workspace and XML project files are described in file-formats.md\n"
       "(docs/ of the sources, /usr/share/doc/amoq/ when installed) and in amoq(1).\n";
  return s + bug_lines();
}

std::string version_text() {
  std::string s = usage;
  s += "\n" + std::string(72, '-') + "\n";
  s += format("\n%s version %s :\n", "AMOQ", amoq_version);
  s += format("C compiler: %s\n", AMOQ_C_COMPILER);
  s += format("C compiler flags: %s\n", AMOQ_C_FLAGS);
  s += format("C++ compiler: %s\n", AMOQ_CXX_COMPILER);
  s += format("C++ compiler flags: %s\n", AMOQ_CXX_FLAGS);
  return s + bug_lines();
}

void printhelp() { std::fputs(help_text().c_str(), stdout); }
void printversion() { std::fputs(version_text().c_str(), stdout); }
