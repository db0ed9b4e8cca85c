// The band y ± sigma: its outline against the axis map's own mapping, and its pixels.

#include <gmock/gmock.h>

#include "plot/plot_fixture.h"
#include "plot/sigma_band.h"

namespace {

class sigma_band_test : public plot_test {};

// A map of 0..10 x 0..10 onto columns 100..840 and rows 530..0, by hand.
axis_map square_map(int ylog) {
  axis_map m;
  m.x_min = 100, m.x_max = 840, m.y_min = 530, m.y_max = 0;
  m.XDRAW = 740, m.YDRAW = -530;
  m.cxy[0] = 0, m.cxy[1] = ylog ? 0.1 : 0.0;
  m.xmax = 10, m.ymax = 10, m.scale[1] = ylog, m.ylog = 2, m.dylog = 1;
  return m;
}

TEST(sigma_band, OutlineFollowsThePointsAndBreaksWhereNothingMaps) {
  const axis_map m = square_map(0);
  const double x[] = {1, 2, 3, 4, 5};
  const double y[] = {5, 6, 5, 4, 5};
  const double s[] = {1, 0.5, NAN, -2, 1};  // a negative deviation counts by its size
  auto runs = sigma_band_runs(m, x, y, s, 5);
  ASSERT_TRUE(runs.size() == 2 && runs[0].px.size() == 2 && runs[1].px.size() == 2) << "two runs of two points";
  // x of the second point, the upper and lower edges
  EXPECT_THAT((std::vector{runs[0].px[1], runs[0].upper[0], runs[0].lower[1], runs[1].upper[0], runs[1].lower[0]}),
              testing::Pointwise(testing::DoubleEq(),
                                 {100 + 2 * 74.0, 530 - 6 * 53.0, 530 - 5.5 * 53.0, 530 - 6 * 53.0, 530 - 2 * 53.0}));

  // Log y: a lower edge at or below zero lies just under the frame; the upper one maps.
  const axis_map lg = square_map(1);
  const double yl[] = {1, 1}, sl[] = {2, 0.5};
  runs = sigma_band_runs(lg, x, yl, sl, 2);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_THAT((std::vector{runs[0].lower[0], runs[0].upper[0], runs[0].lower[1]}),
              testing::Pointwise(testing::DoubleEq(), {531.0, lg.to_y(3.0), lg.to_y(0.5)}));

}

TEST_F(sigma_band_test, TranslucentBandInTheCurveColourAroundTheLineOnly) {
  curve& c = with_points(0, 0, {0, 10}, {5, 5});
  bare(c);
  axes(c, 0, 10, 0, 10);
  c.datac = {0, 65535, 0, 0};  // red
  c.sigma = {1, 1};            // rows 212..318 around the line at row 265
  const int row_in = 530 - 53 * 5 - 30, row_out = 530 - 53 * 5 - 80, col = 470;
  for (int shown : {1, 0}) {
    c.show_sigma = shown;
    image img(840, 600);
    ASSERT_EQ(draw(img, 0, 0), 1);
    EXPECT_TRUE(img.is_white(col, row_out)) << shown;
    if (!shown) {
      EXPECT_TRUE(img.is_white(col, row_in));
      continue;
    }
    // Red at opacity 0.3 over white: red stays full, green and blue drop to 0.7 of 255.
    EXPECT_EQ(img.red(col, row_in), 255);
    EXPECT_NEAR(img.green(col, row_in), 255 * (1 - band_opacity), 2);
    EXPECT_EQ(img.green(col, row_in), img.blue(col, row_in));
    EXPECT_TRUE(img.is_white(col, 530 - 53 * 5 + 60));
  }
  // Deviations that do not match the points draw nothing.
  c.show_sigma = 1;
  c.sigma = {1};
  image img(840, 600);
  ASSERT_EQ(draw(img, 0, 0), 1);
  EXPECT_TRUE(img.is_white(col, row_in));
}

}  // namespace
