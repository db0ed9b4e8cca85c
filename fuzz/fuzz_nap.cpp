// Project file reader (.nap). An input that reads must also survive a save and a second
// read unchanged: the bytes written from what was read read back to the same bytes.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "files/project_file.h"
#include "fuzz_support.h"
#include "project/project.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_silence();
  const std::string& path = fuzz_input_path(data, size);
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) fuzz_fail("cannot open the input file");
  init_project();
  int code = open_project(f, 0);
  std::fclose(f);
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
