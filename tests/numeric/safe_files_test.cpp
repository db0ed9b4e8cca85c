// Writing named files: what stands at the name decides, and a failure leaves the old file
// and no temporary. (Reading is tested with each reader, in tests/files and tests/steps.)

#include "numeric/safe_files.h"
#include "support/temp_files.h"

namespace fs = std::filesystem;

TEST(SafeOutput, WhatStandsAtTheName) {
  scratch_dir dir;
  const std::string other = dir.write("other", "someone else's data");
  // An empty refusal: written.
  const struct { const char* name; std::function<void(const std::string&)> plant; std::string refusal; } cases[] = {
      {"absent", [](const std::string&) {}, ""},
      {"regular", [&](const std::string& p) { dir.write("regular", "old"), ::chmod(p.c_str(), 0640); }, ""},
      {"link", [&](const std::string& p) { fs::create_symlink(other, p); }, ""},
      {"folder", [](const std::string& p) { fs::create_directory(p); }, ": is a directory"},
      {"fifo", [](const std::string& p) { ASSERT_TRUE(make_fifo(p)); }, ": is not a regular file"},
  };
  for (const auto& c : cases) {
    const std::string path = dir.file(c.name);
    c.plant(path);
    const fs::file_type before = fs::symlink_status(path).type();
    std::string why;
    EXPECT_EQ(write_file_safely(path, "new", 3, &why), c.refusal.empty()) << c.name;
    if (c.refusal.empty()) {
      EXPECT_EQ(fs::symlink_status(path).type(), fs::file_type::regular) << c.name;
      EXPECT_EQ(slurp(path), "new") << c.name;
    } else {
      EXPECT_EQ(why, path + c.refusal);
      EXPECT_EQ(fs::symlink_status(path).type(), before) << c.name;
    }
  }
  EXPECT_EQ(slurp(other), "someone else's data");  // a link's target is never written
  EXPECT_EQ(fs::status(dir.file("regular")).permissions(), static_cast<fs::perms>(0640));
  EXPECT_EQ(dir.entries(), 6);  // no temporaries
}

TEST(SafeOutput, RefusesAFileTheUserMayNotWrite) {
  scratch_dir dir;
  fs::permissions(dir.path, fs::perms::all);  // a folder anyone may write in
  const std::string target = dir.write("theirs.nap", "kept");
  ::chmod(target.c_str(), 0444);
  const int status = in_child([&] {
    // Root may write any file: be someone else for the check.
    if (::geteuid() == 0 && ::setuid(65534) != 0) return 3;
    std::string why;
    if (write_file_safely(target, "x", 1, &why)) return 1;
    return why == target + ": is not writable by you" ? 0 : 2;
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(slurp(target), "kept");
  EXPECT_EQ(dir.entries(), 1);
}

// A file size limit (the child keeps the default SIGXFSZ action, which would end it) or
// a terminating signal while writing: the old file stays and no temporary is left.
TEST(SafeOutput, SizeLimitAndSignalsLeaveNoTemporary) {
  scratch_dir dir;
  const std::string target = dir.write("data.dat", "old");
  const std::string big(1 << 20, 'x');
  const int limited = in_child([&] {
    rlimit small{4096, 4096};
    if (::setrlimit(RLIMIT_FSIZE, &small) != 0) return 3;
    std::string why;
    if (write_file_safely(target, big.data(), big.size(), &why)) return 1;
    struct sigaction now {};
    ::sigaction(SIGXFSZ, nullptr, &now);
    return why == target + ": File too large" && now.sa_handler == SIG_DFL ? 0 : 2;
  });
  EXPECT_TRUE(WIFEXITED(limited) && WEXITSTATUS(limited) == 0) << limited;
  const int killed = in_child([&] {
    safe_output out;
    if (!out.open(target) || !out.write(big)) return 1;
    ::raise(SIGTERM);
    return 2;
  });
  EXPECT_TRUE(WIFSIGNALED(killed) && WTERMSIG(killed) == SIGTERM) << killed;
  EXPECT_EQ(slurp(target), "old");
  EXPECT_EQ(dir.entries(), 1);
}

