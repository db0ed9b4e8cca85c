#include <cmath>

#include "plot/axis_map.h"
#include "plot_fixture.h"

using render_test = plot_test;

// The default frame (left and bottom sides at 100/840 and 530/600) on 840 x 600.
TEST_F(render_test, DefaultFrameEdgesAtTheirFractions) {
  curve& c = with_points(1, 2, {1, 2, 3}, {1, 2, 3});
  c.show_axis[0] = c.show_axis[1] = 0;
  image img(840, 600);
  ASSERT_EQ(draw(img, 1, 2), 1);
  // Left side at column 100 (a 1-pixel line straddles 99.5..100.5), bottom at row 530.
  EXPECT_GT(img.dark(99, 300) + img.dark(100, 300), 300);
  EXPECT_TRUE(img.is_white(102, 300));
  EXPECT_GT(img.dark(500, 529) + img.dark(500, 530), 300);
  EXPECT_TRUE(img.is_white(500, 300));
}
