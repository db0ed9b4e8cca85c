// A reader process that misbehaves on purpose, started by the import tests in the place of
// amoq-import: the first argument says how (the file's name follows, the bytes come on
// standard input and are ignored).
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  const std::string how = argc > 1 ? argv[1] : "";
  if (how == "abort") {
    std::fputs("free(): double free detected in tcache 2\n", stderr);
    std::abort();
  }
  if (how == "segv") std::raise(SIGSEGV);
  if (how == "sleep") ::pause();  // never answers, uses no CPU time
  if (how == "spin") {
    volatile unsigned long turns = 0;
    for (;;) turns = turns + 1;
  }
  if (how == "flood") {  // an answer without end
    std::vector<char> junk(1 << 16, 'x');
    for (;;)
      if (::write(1, junk.data(), junk.size()) < 0) return 1;
  }
  if (how == "allocate") {  // until the memory limit stops it
    std::vector<std::vector<char>> held;
    for (;;) held.emplace_back(std::size_t{64} << 20, 'x');
  }
  if (how == "garbage") {
    std::fputs("AMOQimp1 and then nothing that decodes", stdout);
    return 0;
  }
  if (how == "linger") {  // closes its pipes, then goes on without ending
    ::close(1), ::close(2);
    ::pause();
  }
  return 3;
}
