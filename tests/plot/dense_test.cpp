// Dense curves: bands over dense pixel columns draw the same picture as stroking the whole
// line, and dash patterns run on along the data instead of restarting at every segment.

#include "plot/draw.h"
#include "plot_fixture.h"

using dense_test = plot_test;

namespace {

struct options_guard { plot_options saved = plot_opts(); ~options_guard() { plot_opts() = saved; } };


void noisy(std::vector<double>& x, std::vector<double>& y, int n, double sigma, unsigned seed = 7) {
  std::mt19937 gen(seed);
  std::normal_distribution<double> noise(0.0, sigma);
  x.resize(n), y.resize(n);
  for (int i = 0; i < n; ++i) {
    x[i] = 20.0 * i / (n - 1);
    y[i] = std::sin(x[i]) * std::exp(-0.05 * x[i]) + (sigma > 0 ? noise(gen) : 0.0);
  }
}

// Differences of the green channel between two pictures, over the pixels the line touches
// in either.
struct picture_difference { int line = 0, over32 = 0, worst = 0; };


picture_difference compare(const image& a, const image& b) {
  picture_difference d;
  for (int yy = 0; yy < a.h; ++yy)
    for (int xx = 0; xx < a.w; ++xx) {
      int ga = a.green(xx, yy), gb = b.green(xx, yy);
      if (ga == 255 && gb == 255) continue;
      ++d.line;
      int diff = std::abs(ga - gb);
      d.worst = std::max(d.worst, diff);
      if (diff > 32) ++d.over32;
    }
  return d;
}

}  // namespace

// The reference is the whole line stroked at once. "The same picture": no line pixel off by
// more than 64/255 and at most 0.5 % of them by more than 32/255 (antialiased edge shading).
// Under a scaling (as on a vector target) the line keeps every segment.
TEST_F(dense_test, BandsKeepThePicture) {
  options_guard guard;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  // shape: 0 plain, 1 gaps of missing values, 2 runs back in x, 3 dense and sparse halves, 4 steep: a fast sine.
  const struct { const char* name; int n; double sigma, thickness, ymin, ymax; int shape; int scale = 1; } cases[] = {
      {"300000 noisy", 300000, 0.02, 1.0, -1.2, 1.2, 0},
      {"30000 noisy, leaves the frame", 30000, 0.05, 1.0, -0.8, 0.8, 0},
      {"30000 noisy, width 3.5", 30000, 0.02, 3.5, -1.2, 1.2, 0},
      {"30000 with gaps", 30000, 0.02, 1.0, -1.2, 1.2, 1},
      {"30000 running back", 30000, 0.02, 1.0, -1.2, 1.2, 2},
      {"dense and sparse", 30000, 0.02, 1.0, -1.2, 1.2, 3},
      {"2000 smooth, two or three per column", 2000, 0.0, 1.0, -1.2, 1.2, 0},
      {"20000 steep, width 2", 20000, 0.0, 2.0, -1.2, 1.2, 4},
      {"30000 noisy, scaled by 2", 30000, 0.02, 1.0, -1.2, 1.2, 0, 2},
  };
  for (const auto& tc : cases) {
    std::vector<double> x, y;
    noisy(x, y, tc.n, tc.sigma);
    if (tc.shape == 1)
      for (int i = tc.n / 7; i < tc.n; i += tc.n / 5) y[i] = nan, x[i + 3] = nan;
    if (tc.shape == 2)  // a stretch drawn again backwards over itself, shifted down
      for (int i = tc.n / 2; i < tc.n / 2 + tc.n / 10; ++i) x[i] = x[tc.n - i], y[i] -= 0.2;
    if (tc.shape == 4)
      for (int i = 0; i < tc.n; ++i) y[i] = std::sin(40.0 * x[i]);
    if (tc.shape == 3) {  // the right half keeps one point in 200
      std::vector<double> sx, sy;
      for (int i = 0; i < tc.n; ++i)
        if (x[i] < 10.0 || i % 200 == 0) sx.push_back(x[i]), sy.push_back(y[i]);
      x = sx, y = sy;
    }
    curve& c = with_points(1, 2, x, y);
    c.thickness = tc.thickness;
    axes(c, 2, 18, tc.ymin, tc.ymax);  // the line runs past the left and right edges
    image banded(840, 600), full(840, 600);
    for (image* img : {&banded, &full}) {
      plot_opts().reduce_dense = img == &banded;
      cairo_t* cr = cairo_create(img->surface);
      cairo_scale(cr, tc.scale, tc.scale);
      ASSERT_EQ(render_curve(cr, 840 / tc.scale, 600 / tc.scale, 1.0, 0, 1, 2), 1);
      cairo_destroy(cr);
    }
    picture_difference d = compare(banded, full);
    EXPECT_GT(d.line, 2000) << tc.name;
    EXPECT_LE(d.worst, 64) << tc.name;
    EXPECT_LE(d.over32, d.line / 200) << tc.name << ": " << d.over32 << " of " << d.line;
  }
}

// Drawn with dash 6 (10 on, 10 off), a smooth dense stretch covers about half the pixels
// of the solid line and a noisy one, crossing its columns many times, all of them.
// Stroking every tiny segment on its own would restart the pattern and draw a smooth
// stretch solid.
TEST_F(dense_test, DashesStayDashesOnDenseData) {
  options_guard guard;
  // sigma_left, sigma_right: noise left and right of x = 8; n_right: points right of x = 8 (120000 on the left).
  const struct { const char* name; double sigma_left, sigma_right; int n_right; } cases[] = {
      {"smooth", 0.0, 0.0, 180000}, {"noisy dense, then smooth sparse", 0.02, 0.0, 1800},
  };
  for (const auto& tc : cases) {
    std::vector<double> x, y, xr, yr;
    noisy(x, y, 300000, tc.sigma_left);
    x.resize(120000), y.resize(120000);
    const int all = tc.n_right * 5 / 3;
    noisy(xr, yr, all, tc.sigma_right);
    for (int i = all - tc.n_right; i < all; ++i) x.push_back(xr[i]), y.push_back(yr[i]);
    curve& c = with_points(1, 2, x, y);
    bare(c);
    axes(c, 0, 20, -1.2, 1.2);
    // Coloured pixels left and right of the middle (x = 8 lies left of it).
    auto red_pixels = [&](int dash, int each, int reduce) {
      c.dash = dash, plot_opts().stroke_each_segment = each, plot_opts().reduce_dense = reduce;
      image img(840, 600);
      EXPECT_EQ(draw(img, 1, 2), 1);
      auto red = [&](int px, int py) { return img.green(px, py) < 160; };
      return std::array<int, 2>{img.count(0, 0, 420, 600, red), img.count(420, 0, 840, 600, red)};
    };
    const auto solid = red_pixels(1, 0, 0), dashed = red_pixels(6, 0, 1);  // solid: stroked at once
    const auto each = tc.n_right > 100000 ? red_pixels(6, 1, 1) : solid;
    for (int half : {0, 1}) {
      SCOPED_TRACE(std::string(tc.name) + " half " + std::to_string(half));
      const bool dense_noise = (half == 0 ? tc.sigma_left : tc.sigma_right) > 0.0;
      const double ratio = static_cast<double>(dashed[half]) / solid[half];
      EXPECT_GT(solid[half], 1000);
      EXPECT_TRUE(dense_noise ? ratio > 0.95 && ratio <= 1.01 : ratio > 0.35 && ratio < 0.65) << ratio;
      EXPECT_TRUE(dense_noise || each[half] > solid[half] * 85 / 100);  // the fault a continuous pattern avoids
    }
  }
}
