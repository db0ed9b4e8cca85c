// Data files are read once, from one descriptor: the record of a reduction describes the
// bytes that were read, whatever the name has become since; a file past the size bound,
// also one that grows while it is read, is refused.

#include <nlohmann/json.hpp>

#include "files/reduction_record.h"
#include "numeric/readfiles.h"
#include "numeric/safe_files.h"
#include "step_fixture.h"
#include "support/temp_files.h"

namespace fs = std::filesystem;

namespace {

std::string sha256sum(const std::string& path) {
  std::FILE* pipe = popen(("sha256sum '" + path + "'").c_str(), "r");
  char digest[65] = {};
  if (!pipe || std::fscanf(pipe, "%64s", digest) != 1) digest[0] = '\0';
  if (pipe) pclose(pipe);
  return digest;
}

}  // namespace

TEST_F(StepTest, TheRecordDescribesTheBytesRead) {
  scratch_dir dir;
  const series s = raw_pattern(200);
  std::string text;
  for (size_t i = 0; i < s.x.size(); ++i) text += std::to_string(s.x[i]) + " " + std::to_string(s.y[i]) + "\n";
  const std::string raw = dir.write("raw.dat", text), kept = dir.write("kept.dat", text), back = dir.write("back.dat", text);
  applied_project();
  set_data_format(0);
  ASSERT_EQ(load_data_file(0, raw.c_str()), 1);
  ASSERT_EQ(load_data_file(1, back.c_str()), 1);
  // After loading, the raw file's name is a FIFO that no one writes, the background's a
  // link to a device without end: describing them must not open them again.
  fs::remove(raw);
  ASSERT_TRUE(make_fifo(raw));
  fs::remove(back);
  fs::create_symlink("/dev/zero", back);
  const nlohmann::json record =
      nlohmann::json::parse(reduction_record_json(activep, project_inputs(activep), {}, "2024-01-01T00:00:00Z"));
  ASSERT_EQ(record["inputs"].size(), 2u);
  for (const auto& in : record["inputs"]) {
    EXPECT_EQ(in["size"], text.size()) << in;
    EXPECT_EQ(in["sha256"], sha256sum(kept)) << in;
  }
}

TEST_F(StepTest, FilesPastTheSizeBoundAreRefused) {
  scratch_dir dir;
  applied_project();
  set_data_format(0);
  const std::string large = dir.write("large.dat", "1 2\n");
  fs::resize_file(large, data_max_bytes + 1);  // sparse: nothing is stored
  messages.clear();
  EXPECT_EQ(load_data_file(0, large.c_str()), 0);
  EXPECT_EQ(messages, (std::vector<message>{{"error", "Error loading file: file is too large\n" + large + "\n"}}));
  // A file whose size says nothing of its length (here a file of /proc, 0 bytes by its
  // size) is cut off at the bound while it is read, as one that grows is.
  std::vector<uint8_t> bytes;
  EXPECT_EQ(read_input_file("/proc/self/maps", 64, bytes), file_problem::too_large);
  EXPECT_TRUE(bytes.empty());
}
