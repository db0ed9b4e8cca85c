// Scratch folders, whole-file reads and writes, a temporary file size limit, the
// non-regular files (a FIFO) a writer must refuse, and a forked child for the tests
// that write files.
#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/test.h"

// A fresh folder under the system's temporary folder, removed with its contents at the end.
struct scratch_dir {
  std::filesystem::path path;
  scratch_dir() {
    static int serial = 0;
    path = std::filesystem::temp_directory_path() /
           ("amoq_test_" + std::to_string(::getpid()) + "_" + std::to_string(serial++));
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
  }
  ~scratch_dir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  scratch_dir(const scratch_dir&) = delete;
  scratch_dir& operator=(const scratch_dir&) = delete;
  std::string file(const std::string& name) const { return (path / name).string(); }
  // Writes `bytes` to `name` and returns its path.
  std::string write(const std::string& name, const std::string& bytes) const {
    std::string p = file(name);
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
    return p;
  }
  int entries() const { return static_cast<int>(std::distance(std::filesystem::directory_iterator(path), {})); }
};

inline std::string slurp(const std::filesystem::path& p) {
  std::ostringstream s;
  s << std::ifstream(p, std::ios::binary).rdbuf();
  return s.str();
}

// Lowers the file size limit to `bytes` while it lives, so that a write fails half way;
// SIGXFSZ is ignored so the failing write returns an error instead of ending the test.
struct file_size_limit {
  rlimit saved{};
  struct sigaction old_action {};
  explicit file_size_limit(rlim_t bytes) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &old_action);
    getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit small{bytes, saved.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
  }
  ~file_size_limit() {
    setrlimit(RLIMIT_FSIZE, &saved);
    sigaction(SIGXFSZ, &old_action, nullptr);
  }
  file_size_limit(const file_size_limit&) = delete;
  file_size_limit& operator=(const file_size_limit&) = delete;
};

// A FIFO at `path` (in a scratch folder: never a path under /dev, which a
// writer that fails its test would replace on the machine running the tests).
inline bool make_fifo(const std::string& path) { return ::mkfifo(path.c_str(), 0644) == 0; }

// Runs `body` in a forked child (for process-wide settings such as limits, signals or
// the user id) and returns its wait status; the child exits with body's result.
template <class F> int in_child(F body) {
  std::fflush(nullptr);
  pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  int status = -1;
  if (pid > 0) ::waitpid(pid, &status, 0);
  return status;
}
