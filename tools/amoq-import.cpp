// amoq-import: the instrument-file reader process. Reads the bytes of one file on its
// standard input (its name, for the extension, is the only argument), reads them with
// xylib and writes the answer (import/import_reply.h) on its standard output. The program
// and amoq-reduce start it for each file their own reader refuses, with limits on memory,
// stack, time and output (import/child_process.h): whatever the file does to the library
// ends here, not in the program.
#include <unistd.h>

#include <cerrno>
#include <string>

#include "import/import_reply.h"
#include "import/xylib_reader.h"

namespace {

constexpr std::size_t max_input = std::size_t{256} << 20;

bool write_all(int fd, const std::string& bytes) {
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    done += static_cast<std::size_t>(w);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  // The answer goes where standard output went; whatever the library prints there goes to
  // standard error instead, so that it cannot corrupt the answer.
  const int answer = ::dup(1);
  if (answer < 0 || ::dup2(2, 1) < 0) return 3;
  std::string bytes;
  char chunk[65536];
  for (;;) {
    const ssize_t got = ::read(0, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return 4;
    if (got == 0) break;
    if (bytes.size() + static_cast<std::size_t>(got) > max_input) {
      import_reply r;
      r.refused = true;
      r.reason = "the file is larger than 256 MiB";
      return write_all(answer, encode_reply(r)) ? 0 : 5;
    }
    bytes.append(chunk, static_cast<std::size_t>(got));
  }
  return write_all(answer, encode_reply(read_instrument_file(argv[1], bytes))) ? 0 : 5;
}
