#include "numeric/regrid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

// Grids equal within the relative tolerance, and a resampling that reproduces a cubic (the
// spline's end conditions make it exact) and a smooth curve, with 0 outside the range.
TEST(Regrid, SameGridAndResampling) {
  const std::vector<double> a = {0.0, 1.0, 2.0, 3.0};
  const struct {
    std::vector<double> b;
    bool same;
  } grids[] = {{{0.0, 1.0 + 1e-7, 2.0, 3.0}, true}, {{0.0, 1.0 + 2e-6, 2.0, 3.0}, false},
               {{0.0, 1.0, 2.0}, false},              {{1e-9, 1.0, 2.0, 3.0}, false}};
  for (const auto& g : grids)
    EXPECT_EQ(same_grid(4, a.data(), static_cast<int>(g.b.size()), g.b.data(), 1e-6), g.same);

  const auto cubic = [](double x) { return 3.0 - 2.0 * x + 0.5 * x * x - 0.01 * x * x * x; };
  std::vector<double> xs, ys, smooth, u, out(400);
  for (int i = 0; i <= 100; ++i) {
    xs.push_back(2.0 + 0.3 * i + 0.05 * std::sin(i));  // uneven, ascending
    ys.push_back(cubic(xs.back()));
    smooth.push_back(std::sin(xs.back()));
  }
  for (int i = 0; i < 400; ++i) u.push_back(0.1 * i);
  EXPECT_EQ(resample_series(101, xs.data(), ys.data(), 400, u.data(), out.data()), 20 + 80);  // below 2, above 31.97
  for (int i = 0; i < 400; ++i) {
    const bool inside = u[i] >= xs.front() && u[i] <= xs.back();
    EXPECT_NEAR(out[i], inside ? cubic(u[i]) : 0.0, 1e-10) << u[i];
  }
  resample_series(101, xs.data(), smooth.data(), 400, u.data(), out.data());
  for (int i = 0; i < 400; ++i) {
    if (out[i] != 0.0) {
      EXPECT_NEAR(out[i], std::sin(u[i]), 5e-4) << u[i];
    }
  }
}
