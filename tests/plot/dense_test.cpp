// Dense curves: the per-column reduction draws the same picture as the full path, and
// dash patterns run on along the data instead of restarting at every segment.
#include <cmath>
#include <cstdlib>
#include <random>

#include "curve/draw.h"
#include "plot_fixture.h"

using dense_test = plot_test;

namespace {

struct options_guard {
  plot_options saved = plot_opts();
  ~options_guard() { plot_opts() = saved; }
};

void noisy(std::vector<double>& x, std::vector<double>& y, int n, double sigma) {
  std::mt19937 gen(7);
  std::normal_distribution<double> noise(0.0, sigma);
  x.resize(n);
  y.resize(n);
  for (int i = 0; i < n; ++i) {
    x[i] = 20.0 * i / (n - 1);
    y[i] = std::sin(x[i]) * std::exp(-0.05 * x[i]) + (sigma > 0 ? noise(gen) : 0.0);
  }
}

}  // namespace

TEST_F(dense_test, ColumnReductionKeepsThePicture) {
  options_guard guard;
  const struct {
    int n;
    double sigma, thickness;
  } cases[] = {{300000, 0.02, 1.0}, {30000, 0.05, 1.0}, {100000, 0.0, 2.0}, {5000, 0.3, 1.0}};
  for (const auto& tc : cases) {
    std::vector<double> x, y;
    noisy(x, y, tc.n, tc.sigma);
    curve& c = with_points(1, 2, x, y);
    c.thickness = tc.thickness;
    axes(c, 2, 18, -0.8, 0.8);  // part of the data lies outside: clipping is included
    image reduced(840, 600), full(840, 600);
    plot_opts().reduce_dense = 1;
    ASSERT_EQ(draw(reduced, 1, 2), 1);
    plot_opts().reduce_dense = 0;
    ASSERT_EQ(draw(full, 1, 2), 1);
    int differ = 0, coloured = 0, worst = 0;
    for (int yy = 0; yy < 600; ++yy)
      for (int xx = 0; xx < 840; ++xx) {
        int d = std::abs(reduced.green(xx, yy) - full.green(xx, yy));
        worst = std::max(worst, d);
        if (d > 24) ++differ;
        if (full.green(xx, yy) < 200) ++coloured;
      }
    EXPECT_GT(coloured, 1000) << tc.n;
    // Antialiasing may shade an edge pixel slightly differently, nothing more.
    EXPECT_LT(differ, coloured / 200 + 5) << tc.n << " sigma " << tc.sigma;
    EXPECT_LT(worst, 128) << tc.n << " sigma " << tc.sigma;
  }
}

// A smooth dense curve drawn with dash 6 (10 on, 10 off) covers about half the pixels of
// the solid line; stroking every tiny segment on its own would restart the pattern and
// give a solid line.
TEST_F(dense_test, DashesStayDashesOnDenseData) {
  options_guard guard;
  std::vector<double> x, y;
  noisy(x, y, 300000, 0.0);
  curve& c = with_points(1, 2, x, y);
  bare(c);
  axes(c, 0, 20, -1.2, 1.2);
  auto red_pixels = [&](int dash, int each) {
    c.dash = dash;
    plot_opts().stroke_each_segment = each;
    image img(840, 600);
    EXPECT_EQ(draw(img, 1, 2), 1);
    return img.count(0, 0, 840, 600, [&](int px, int py) { return img.green(px, py) < 160; });
  };
  int solid = red_pixels(1, 0);
  int dashed = red_pixels(6, 0);
  int restarted = red_pixels(6, 1);
  EXPECT_GT(solid, 2000);
  EXPECT_GT(dashed, solid * 35 / 100);
  EXPECT_LT(dashed, solid * 65 / 100);
  EXPECT_GT(restarted, solid * 90 / 100);  // the fault the continuous pattern avoids
}
