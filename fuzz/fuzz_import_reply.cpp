// The answer of the instrument reader process: it runs a library we did not write on
// untrusted files, so whatever it writes on its pipe is decoded within bounds and makes
// either a refusal or a curve of finite pairs whose joined blocks continue one increasing
// abscissa.
#include <cmath>
#include <cstdint>
#include <string_view>

#include "fuzz_support.h"
#include "import/data_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // The answer stands for the file's bytes too, whose start the header is read from.
  const imported_data d = import_from_reply(bytes, bytes);
  if (!d.reason.empty()) {
    if (!d.x.empty() || d.reason.size() > 400) fuzz_fail("a refusal with data or a long reason");
    return 0;
  }
  if (d.x.empty() || d.x.size() != d.y.size()) fuzz_fail("no pairs, or x and y of different lengths");
  for (size_t i = 0; i < d.x.size(); ++i)
    if (!std::isfinite(d.x[i]) || !std::isfinite(d.y[i])) fuzz_fail("a pair that is not finite");
  size_t used_points = 0, used_blocks = 0;
  bool after_unused = false;
  for (const import_block& b : d.blocks) {
    if (b.used && after_unused) fuzz_fail("a block used after one left out");
    after_unused = after_unused || !b.used;
    if (b.used) used_points += static_cast<size_t>(b.points), ++used_blocks;
  }
  if (!d.blocks.empty() && used_points != d.x.size()) fuzz_fail("the used blocks do not make up the curve");
  if (used_blocks > 1)
    for (size_t i = 1; i < d.x.size(); ++i)
      if (!(d.x[i] > d.x[i - 1])) fuzz_fail("joined blocks that do not increase");
  return 0;
}
