// Data file reader: whatever the file holds, the reader delivers only complete, finite
// pairs, and a positive result is exactly the number of pairs delivered.
#include <cmath>
#include <cstdint>

#include "fuzz_support.h"
#include "numeric/callbacks.h"
#include "numeric/readfiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_silence();
  static int delivered = -1;
  static bool installed = false;
  if (!installed) {
    installed = true;
    numeric_receiver r;
    r.save_curve = [](int n, const double* x, const double* y, int calc, int curve) {
      if (n <= 0 || !x || !y || calc != 0 || curve != 1) fuzz_fail("bad delivery");
      for (int i = 0; i < n; ++i)
        if (!std::isfinite(x[i]) || !std::isfinite(y[i])) fuzz_fail("non-finite value delivered");
      delivered = n;
    };
    r.show_error = [](const char*, const char*, const char*) {};
    set_numeric_receiver(std::move(r));
  }
  fuzz_check_refusals([](const std::string& p) {
    return read_data(0, 1, p.c_str(), static_cast<int>(p.size())) == -3;
  }, 0);
  const std::string& path = fuzz_input_path(data, size);
  delivered = -1;
  int n = read_data(0, 1, path.c_str(), static_cast<int>(path.size()));
  if (n > 0 && delivered != n) fuzz_fail("result differs from the pairs delivered");
  if (n <= 0 && delivered != -1) fuzz_fail("data delivered with a failure result");
  if (n < -2) fuzz_fail("an existing file reported as missing");
  return 0;
}
