// The whole numeric chain on the bundled SiO2 example: read the raw and background
// patterns, correct them, normalise to S(Q) and transform to G(r). The example data come
// from a forward model with known structure (examples/model/sio2_model.cpp), so the
// reduction must return its normalisation constant and its first three distances.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "numeric/calrd.h"
#include "numeric/d_red.h"
#include "numeric/elements.h"
#include "numeric/nm.h"
#include "numeric/readfiles.h"
#include "recorder.h"

namespace {

const recorded_curve* find(const numeric_recorder& rec, int calc, int curve) {
  const recorded_curve* found = nullptr;
  for (const recorded_curve& c : rec.curves)
    if (c.calc == calc && c.curve == curve) found = &c;
  return found;
}

// Position of the largest value of y within [lo, hi], refined by a parabola through the
// maximum and its two neighbours.
double peak_position(const recorded_curve& c, double lo, double hi) {
  std::size_t best = 0;
  for (std::size_t i = 1; i + 1 < c.x.size(); ++i)
    if (c.x[i] >= lo && c.x[i] <= hi && (best == 0 || c.y[i] > c.y[best])) best = i;
  const double ym = c.y[best - 1], y0 = c.y[best], yp = c.y[best + 1];
  const double step = c.x[best + 1] - c.x[best];
  return c.x[best] + 0.5 * step * (ym - yp) / (ym - 2 * y0 + yp);
}

}  // namespace

TEST(ExampleChain, Sio2DistancesAndNormalisationAreRecovered) {
  numeric_recorder rec;
  const std::string raw = AMOQ_SOURCE_DIR "/examples/sio2/sio2_raw.dat";
  const std::string bkg = AMOQ_SOURCE_DIR "/examples/sio2/sio2_background.dat";
  ASSERT_EQ(read_data(0, 0, raw.c_str(), static_cast<int>(raw.size())), 2761);
  ASSERT_EQ(read_data(0, 1, bkg.c_str(), static_cast<int>(bkg.size())), 2761);
  const recorded_curve raw_c = *find(rec, 0, 0), bkg_c = *find(rec, 0, 1);
  const std::vector<double> no_cell(raw_c.x.size(), 0.0);

  // Mo K-alpha, transmission, in-house polarisation, background subtraction, no smoothing.
  ASSERT_EQ(dr(0.7093, 0.77, 0.0, 1.0e-6, 2.0, 1.0, 1, static_cast<int>(raw_c.x.size()),
               raw_c.x.data(), raw_c.y.data(), bkg_c.y.data(), no_cell.data(), 1, 1.0, 0.0),
            1);
  const recorded_curve corrected = *find(rec, 0, 3);
  EXPECT_EQ(corrected.x.front(), 0.0);
  EXPECT_NEAR(corrected.x.back(), 16.65, 0.01);

  // Si 1/3, O 2/3, Compton "All in" with the fourth-power recoil factor, high-angle method.
  double z[2] = {14, 8}, x[2] = {1.0 / 3, 2.0 / 3}, fp[2] = {0.0817, 0.0106}, fpp[2] = {0.0704, 0.0060};
  double a[5][2], b[5][2], c[2];
  for (int s = 0; s < 2; ++s) {
    for (int j = 0; j < 5; ++j) {
      a[j][s] = rx_coefficient(j, static_cast<int>(z[s]));
      b[j][s] = rx_coefficient(5 + j, static_cast<int>(z[s]));
    }
    c[s] = rx_coefficient(10, static_cast<int>(z[s]));
  }
  ASSERT_EQ(nm(2, z, x, fp, fpp, a[0], a[1], a[2], a[3], a[4], b[0], b[1], b[2], b[3], b[4], c,
               static_cast<int>(corrected.x.size()), 0.7093, 1.0, 8.0, 2, 0, -10.0, 0.0,
               corrected.x.data(), corrected.y.data()),
            1);
  ASSERT_EQ(rec.nc.size(), 1u);
  EXPECT_NEAR(rec.nc[0], 1.0 / 50.0, 0.02 / 50.0);  // the model's count rate is 50 per e.u.
  const recorded_curve qs = *find(rec, 1, 1);

  // Q stops at 16.65 1/A: the damping window exp(-0.006 Q^2) tames the termination ripples
  // of the sharp Si-O peak, which would otherwise pull the O-O maximum 0.05 A inwards.
  ASSERT_EQ(cd(static_cast<int>(qs.x.size()), 2, 0.0662, 10.0, 0.006, 0.01, qs.y.data(), qs.x.data()), 1);
  const recorded_curve gr = *find(rec, 3, 1);
  EXPECT_NEAR(peak_position(gr, 1.4, 1.8), 1.61, 0.03);  // Si-O
  EXPECT_NEAR(peak_position(gr, 2.4, 2.85), 2.63, 0.03); // O-O
  EXPECT_NEAR(peak_position(gr, 2.9, 3.3), 3.08, 0.03);  // Si-Si
}
