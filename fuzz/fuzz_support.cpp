#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "project/allocextra.h"
#include "numeric/callbacks.h"
#include "project/hooks.h"
#include "project/messages.h"
#include "project/project.h"

void fuzz_silence() {
  static bool done = false;
  if (done) return;
  done = true;
  message_presenter p;
  p.info = [](const std::string&) {};
  p.warning = [](const std::string&) {};
  p.error = [](const std::string&) {};
  p.question = [](const std::string&, const std::string&) { return 0; };
  set_message_presenter(std::move(p));
  numeric_receiver r;
  r.save_curve = [](int, const double*, const double*, int, int) {};
  r.show_error = [](const char*, const char*, const char*) {};
  r.displaync = [](double) {};
  r.displaydens = [](double) {};
  set_numeric_receiver(std::move(r));
  set_echo_stream(nullptr);
}

const std::string& fuzz_input_path(const uint8_t* data, size_t size) {
  static int fd = -1;
  static std::string path;
  if (fd < 0) {
    fd = memfd_create("amoq-fuzz-input", MFD_CLOEXEC);
    if (fd < 0) fuzz_fail("memfd_create");
    path = "/proc/self/fd/" + std::to_string(fd);
  }
  if (ftruncate(fd, 0) != 0) fuzz_fail("ftruncate");
  size_t done = 0;
  while (done < size) {
    ssize_t w = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
    if (w <= 0) fuzz_fail("pwrite");
    done += static_cast<size_t>(w);
  }
  return path;
}

void fuzz_check_refusals(const std::function<bool(const std::string&)>& refused,
                         size_t max_bytes) {
  static bool done = false;
  if (done) return;
  done = true;
  char folder[] = "/tmp/amoq-fuzz-XXXXXX";
  if (!mkdtemp(folder)) fuzz_fail("mkdtemp");
  const std::string fifo = std::string(folder) + "/input";
  if (mkfifo(fifo.c_str(), 0600) != 0) fuzz_fail("mkfifo");
  const bool fifo_refused = refused(fifo);
  unlink(fifo.c_str());
  rmdir(folder);
  if (!fifo_refused) fuzz_fail("a FIFO was read");
  if (!refused("/dev/zero")) fuzz_fail("/dev/zero was read");
  if (max_bytes == 0) return;
  int fd = memfd_create("amoq-fuzz-large", MFD_CLOEXEC);
  if (fd < 0 || ftruncate(fd, static_cast<off_t>(max_bytes) + 1) != 0) fuzz_fail("memfd_create");
  const bool large_refused = refused("/proc/self/fd/" + std::to_string(fd));
  close(fd);
  if (!large_refused) fuzz_fail("a file beyond the size bound was read");
}

void fuzz_reset_projects() { clear_project_table(); }

void fuzz_fail(const char* what) {
  std::fprintf(stderr, "fuzz property broken: %s\n", what);
  std::abort();
}
