// The command line of amoq: help and version requests, and the file opened at start.
#pragma once

#include <string>

// Kind of file named on the command line.
enum class start_file { none, xml, project, workspace };

struct command_line {
  bool help = false;
  bool version = false;
  start_file kind = start_file::none;
  std::string file;
};

// Interprets the arguments (argv[0] is the program name).
command_line parse_command_line(int argc, const char* const* argv);

// 1 when the last three characters of name are "apf", "nap" or "naw" in any case.
int test_xml(const char* name);
int test_nap(const char* name);
int test_naw(const char* name);

// The help and version texts, and the functions that print them on stdout.
std::string help_text();
std::string version_text();
void printhelp();
void printversion();
