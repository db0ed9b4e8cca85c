// Scratch folders, whole-file reads and writes, and a temporary file size limit for the
// tests that write files.
#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

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
  int entries() const {
    int n = 0;
    for (auto it = std::filesystem::directory_iterator(path); it != std::filesystem::directory_iterator(); ++it) ++n;
    return n;
  }
};

inline std::string slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
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
    rlimit small = saved;
    small.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &small);
  }
  ~file_size_limit() {
    setrlimit(RLIMIT_FSIZE, &saved);
    sigaction(SIGXFSZ, &old_action, nullptr);
  }
  file_size_limit(const file_size_limit&) = delete;
  file_size_limit& operator=(const file_size_limit&) = delete;
};
