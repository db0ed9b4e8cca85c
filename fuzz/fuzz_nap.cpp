// Project file reader (.nap), through the file interface with its kind and size checks.
// An input that reads must also survive a save and a second read unchanged: the bytes
// written from what was read read back to the same bytes.
#include <cstdint>
#include <vector>

#include "files/project_file.h"
#include "fuzz_support.h"
#include "project/project.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_silence();
  fuzz_check_refusals([](const std::string& p) {
    init_project();
    const bool refused = open_project_file(p) != file_ok;
    fuzz_reset_projects();
    return refused;
  }, project_max_bytes);
  const std::string& path = fuzz_input_path(data, size);
  init_project();
  int code = open_project_file(path);
  if (code == file_ok) {
    byte_writer first;
    encode_project_file(first, activep);
    init_project();
    byte_reader in(first.data());
    read_context ctx{0, 0, nullptr};
    if (decode_project(in, ctx, activep) != file_ok) fuzz_fail("a saved project does not read");
    byte_writer second;
    encode_project_file(second, activep);
    if (second.data() != first.data()) fuzz_fail("save, read, save changed the project");
  }
  fuzz_reset_projects();
  return 0;
}
