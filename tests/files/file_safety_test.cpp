// Project, workspace and XML files against the file system: a link at the name is
// replaced (its target kept), a FIFO target is refused; a FIFO, /dev/zero, a folder or a
// file beyond the size bound is refused at once as input; a zero-filled project file
// holds no project.

#include "files/project_file.h"
#include "files/workspace_file.h"
#include "files/xml_project.h"
#include "files_fixture.h"

namespace fs = std::filesystem;

namespace {

using file_safety_test = files_test;

TEST_F(file_safety_test, WritersReplaceLinksAndRefuseFifos) {
  scratch_dir dir;
  make_project("W", 2, true, true);
  const struct { const char* kind; std::function<int(const std::string&)> save; } writers[] = {
      {"nap", [](const std::string& f) { return save_project_file(f, activep); }},
      {"naw", [](const std::string& f) { return save_workspace_file(f); }},
      {"apf", [](const std::string& f) { return write_xml(f.c_str()) == 1 ? 0 : 1; }},
  };
  const std::string other = dir.write("other", "kept");
  for (const auto& w : writers) {
    const std::string link = dir.file("link."s + w.kind), fifo = dir.file("fifo."s + w.kind);
    fs::create_symlink(other, link);
    EXPECT_TRUE(w.save(link) == 0 && fs::symlink_status(link).type() == fs::file_type::regular) << w.kind;
    ASSERT_TRUE(make_fifo(fifo));
    EXPECT_TRUE(w.save(fifo) == 1 && fs::is_fifo(fifo)) << w.kind;

  }
  EXPECT_EQ(slurp(other), "kept");
  EXPECT_EQ(xml_write_failure(), dir.file("fifo.apf") + ": is not a regular file");
  EXPECT_EQ(dir.entries(), 7);  // no temporaries
}

TEST_F(file_safety_test, ReadersRefuseWhatIsNoFileOrTooLarge) {
  scratch_dir dir;
  ASSERT_TRUE(make_fifo(dir.file("fifo")));
  fs::create_symlink("/dev/zero", dir.path / "zero");
  using reader = std::function<int(const std::string&)>;
  const struct { const char* kind; reader read; std::uintmax_t max_bytes; } readers[] = {
      {"nap", [](const std::string& f) { return init_project(), open_project_file(f); }, project_max_bytes},
      {"naw", [](const std::string& f) { return open_workspace_file(f); }, project_max_bytes},
      {"apf", [](const std::string& f) { return init_project(), check_xml(f.c_str()); },
       static_cast<std::uintmax_t>(xml_max_bytes)},
  };
  for (const auto& r : readers) {
    const std::string large = dir.file("large."s + r.kind);
    { std::ofstream(large) << "x"; }
    fs::resize_file(large, r.max_bytes + 1);  // sparse: nothing is stored
    for (const std::string& input : {dir.file("fifo"), dir.file("zero"), dir.path.string(), large})
      EXPECT_EQ(r.read(input), 1) << r.kind << " " << input;
  }
}

// A project file within the size bound that does not fit in the memory left is refused
// like a damaged one, not ended by an uncaught allocation failure. (The sanitizers reserve
// more address space than any limit would leave.)
#if !defined(__SANITIZE_ADDRESS__)
TEST_F(file_safety_test, NoMemoryIsARefusalNotAnAbort) {
  scratch_dir dir;
  const std::string big = dir.file("big.nap");
  { std::ofstream(big) << "x"; }
  fs::resize_file(big, 200u << 20);
  const int status = in_child([&] {
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t now = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
    rlimit tight{now + (64u << 20), now + (64u << 20)};
    if (::setrlimit(RLIMIT_AS, &tight) != 0) return 3;
    init_project();
    return open_project_file(big) == file_short ? 0 : 1;
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}
#endif

// A block with neither header text nor name nor species is what a zero-filled file reads
// as; any one of the three makes it a project, as every file the program writes has one.
TEST_F(file_safety_test, ZeroFilledProjectFileHoldsNoProject) {
  scratch_dir dir;
  init_project();
  EXPECT_EQ(open_project_file(dir.write("zero.nap", std::string(4096, '\0'))), file_short);
  const struct { std::string header, name; int species; int code; } cases[] = {
      {"", "", 0, file_short}, {std::string(25, '\0'), "", 0, file_short},
      {"", "", 2, file_ok}, {"", "N", 0, file_ok},
      {"%\n% project file v-1.0\n%\n", "", 0, file_ok},  // a project renamed to nothing
  };
  for (const auto& c : cases) {
    int p = make_project(c.name.c_str(), c.species, false, false);
    byte_writer w;
    encode_project_file(w, p);
    byte_writer other;
    other.text(c.header);
    other.data().insert(other.data().end(), w.data().begin() + 29, w.data().end());
    init_project();
    byte_reader in(other.data());
    EXPECT_EQ(decode_project(in, read_context{}, activep), c.code) << c.header.size() << c.name << c.species;
  }
}

}  // namespace
