// Header recognition of files read with format detection: whatever the bytes, a unit
// comes with the line it was found in and a wavelength lies in the accepted range.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "import/data_import.h"
#include "import/header_units.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const header_units h = recognise_header(leading_text(bytes));
  if ((h.unit == abscissa_unit::none) != h.unit_line.empty()) fuzz_fail("unit without its line");
  if (h.wavelength != 0.0 && !(h.wavelength >= 0.01 && h.wavelength <= 20.0))
    fuzz_fail("wavelength out of range");
  if ((h.wavelength == 0.0) != h.wavelength_line.empty()) fuzz_fail("wavelength without its line");
  return 0;
}
