// XML project file reader (.apf), into a new project as the import does; the kind, size
// and node bounds are checked on the way.
#include <cstdint>

#include "files/xml_project.h"
#include "fuzz_support.h"
#include "project/project.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_silence();
  fuzz_check_refusals([](const std::string& p) {
    init_project();
    const bool refused = check_xml(p.c_str()) == 1;
    fuzz_reset_projects();
    return refused;
  }, static_cast<size_t>(xml_max_bytes));
  const std::string& path = fuzz_input_path(data, size);
  init_project();
  int code = open_xml(path.c_str());
  if (code < 0 || code > 6) fuzz_fail("open_xml returned a code outside 0..6");
  const project& r = proj[activep];
  if (r.nspec < 0 || r.nspec > nspec_max) fuzz_fail("species count outside 0..10");
  for (const auto& column : r.spec_prop)
    if (static_cast<int>(column.size()) != r.nspec) fuzz_fail("species arrays out of step");
  fuzz_reset_projects();
  return 0;
}
