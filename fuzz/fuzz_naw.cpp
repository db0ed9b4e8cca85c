// Workspace file reader (.naw). A workspace that reads must save, and what it saves must
// read back to the same bytes.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "files/workspace_file.h"
#include "fuzz_support.h"
#include "project/project.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_silence();
  const std::string& path = fuzz_input_path(data, size);
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) fuzz_fail("cannot open the input file");
  int code = open_save_workspace(f, 0);
  std::fclose(f);
  if (code == 0) {
    byte_writer first;
    if (encode_workspace(first) != 0) fuzz_fail("a workspace that read does not save");
    fuzz_reset_projects();
    byte_reader in(first.data());
    if (decode_workspace(in) != 0) fuzz_fail("a saved workspace does not read");
    byte_writer second;
    encode_workspace(second);
    if (second.data() != first.data()) fuzz_fail("save, read, save changed the workspace");
  }
  fuzz_reset_projects();
  return 0;
}
