// Workspace file reader (.naw), through the file interface with its kind and size
// checks. A workspace that reads must save, and what it saves must
// read back to the same bytes.
#include <cstdint>
#include <vector>

#include "files/project_file.h"
#include "files/workspace_file.h"
#include "fuzz_support.h"
#include "project/project.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_silence();
  fuzz_check_refusals([](const std::string& p) {
    const bool refused = open_workspace_file(p) != 0;
    fuzz_reset_projects();
    return refused;
  }, project_max_bytes);
  const std::string& path = fuzz_input_path(data, size);
  int code = open_workspace_file(path);
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
