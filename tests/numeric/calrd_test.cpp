#include "numeric/calrd.h"

#include "numeric/elements.h"
#include "numeric/recorder.h"
#include "numeric/sine_transform.h"

namespace {

struct grid { std::vector<double> q, qs; };

// Q[S(Q)-1] = q exp(-a q^2) on q = 0, dq, ..., (n-1) dq.
grid gaussian_input(int n, double dq, double a) {
  grid g;
  for (int k = 0; k < n; ++k) g.q.push_back(k * dq), g.qs.push_back(k * dq * std::exp(-a * k * dq * k * dq));
  return g;
}

}  // namespace

// Against the analytic transform: int_0^inf q e^{-A q^2} sin(q r) dq
//   = sqrt(pi) r / (4 A^{3/2}) e^{-r^2 / (4A)},  with A = a + damp; the last input point
// never contributes. Grid sizes, curve indexes, g(0) = 0 and g(r) = 1 + G / (4 pi rho r) with
// rho given (densmode 2, reported as 0) or fitted through (0, 0) and (j dr, G_j), also when
// the r range is shorter than the fit range (nr <= M).
TEST(Cd, GaussianTransformGridsAndDensity) {
  // fit_points: G values used by the slope fit.
  struct { double a, damp, rmax, dr; int densmode; std::size_t nr; int fit_points; } cases[] = {
      {0.5, 0.0, 12.0, 0.02, 2, 600, 0},  {0.2, 0.3, 12.0, 0.02, 2, 600, 0}, {0.08, 0.01, 10.0, 0.01, 1, 1000, 100},
      {0.08, 0.01, 10.0, 0.03, 2, 333, 0}, {0.08, 0.01, 0.5, 0.01, 1, 50, 49}, {0.08, 0.01, 0.02, 0.02, 1, 1, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.a) + " " + std::to_string(c.rmax) + " " + std::to_string(c.dr));
    grid in = gaussian_input(3001, 0.01, c.a);
    numeric_recorder rec;
    ASSERT_EQ(cd(3001, c.densmode, 0.07, c.rmax, c.damp, c.dr, in.qs.data(), in.q.data()), 1);
    ASSERT_EQ(rec.calls, "ccd");
    const recorded_curve &gr = rec.curves[0], &g = rec.curves[1];
    EXPECT_EQ(gr.calc * 10 + gr.curve, 31);
    EXPECT_EQ(g.curve, c.densmode == 1 ? 3 : 2);
    ASSERT_EQ(gr.y.size(), c.nr);
    const double big_a = c.a + c.damp;
    for (std::size_t j = 0; j < c.nr; ++j) {
      const double r = j * c.dr;
      const double integral = std::sqrt(M_PI) * r / (4 * std::pow(big_a, 1.5)) * std::exp(-r * r / (4 * big_a));
      EXPECT_NEAR(gr.x[j], r, 1e-12);
      EXPECT_NEAR(gr.y[j], 2.0 / pi_f * integral, 1e-10);
    }
    EXPECT_EQ(g.y[0], 0.0);  // no pair at zero distance
    double rho = 0.0;        // reported when given, or with r = 0 alone left to fit
    if (c.fit_points > 0) {  // closed-form least-squares slope over the M + 1 points
      double n = 1, sx = 0, sy = 0, sxx = 0, sxy = 0;
      for (int j = 1; j <= c.fit_points; ++j, ++n) {
        const double x = j * c.dr, y = gr.y[j];
        sx += x, sy += y, sxx += x * x, sxy += x * y;
      }
      rho = -((n * sxy - sx * sy) / (n * sxx - sx * sx)) / four_pi_f;
    }
    EXPECT_NEAR(rec.dens[0], rho, 1e-9 * std::fabs(rho));
    const double used = c.densmode == 1 ? rec.dens[0] : 0.07;
    for (std::size_t j = 1; j < c.nr; ++j) EXPECT_NEAR(g.y[j], 1.0 + gr.y[j] / (four_pi_f * used * j * c.dr), 1e-9);
    in.qs.back() += 1000.0;
    numeric_recorder again;
    ASSERT_EQ(cd(3001, c.densmode, 0.07, c.rmax, c.damp, c.dr, in.qs.data(), in.q.data()), 1);
    EXPECT_EQ(again.curves[0].y, gr.y);
  }
}

// Inputs that cannot be transformed are refused with a message and deliver nothing; NaN and
// infinities in the data do not crash and NaN reaches the output.
TEST(Cd, RefusedAndNonFiniteInputs) {
  const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
  const char* empty_r = "The r grid is empty: Rmax and dr must be > 0 and Rmax >= dr";
  // q1 replaces the second abscissa.
  struct { int n, densmode; double rmax, dr, q1; const char *first_line, *third_line; } cases[] = {
      {1, 2, 10.0, 0.01, 0.1, "At least two data points are required", "Points: 1"},
      {101, 2, 10.0, 0.01, nan, "The q step must be a positive number", "q step: nan"},
      {101, 2, 10.0, 0.0, 0.1, empty_r, "Rmax: 10, dr: 0"},
      {101, 2, 0.005, 0.01, 0.1, empty_r, "Rmax: 0.005, dr: 0.01"},
      {101, 1, 10.0, 1.5, 0.1, "The density from the slope of G(r) needs dr <= 1.0", "dr: 1.5"},
      {101, 2, inf, 0.01, 0.1, "Impossible to allocate memory", "Table: B"},
  };
  for (const auto& c : cases) {
    grid in = gaussian_input(101, 0.1, 0.1);
    in.q[1] = c.q1;
    numeric_recorder rec;
    EXPECT_EQ(cd(c.n, c.densmode, 0.05, c.rmax, 0.0, c.dr, in.qs.data(), in.q.data()), 0);
    EXPECT_EQ(rec.errors, std::vector<std::string>{std::string(c.first_line) + "\nSubroutine: cd \n" + c.third_line});
    EXPECT_TRUE(rec.curves.empty() && rec.dens.empty());
  }

  grid in = gaussian_input(3001, 0.01, 0.3);
  in.qs[1500] = nan, in.q[2000] = inf;
  for (int densmode : {1, 2}) {
    numeric_recorder rec;
    ASSERT_EQ(cd(3001, densmode, 0.05, 20.0, 0.0, 0.01, in.qs.data(), in.q.data()), 1);
    ASSERT_EQ(rec.curves.size(), 2u);
    EXPECT_TRUE(std::isnan(rec.curves[0].y[100]));
  }
}

// The Lorch window: the transform equals the direct sum over the points that enter it with
// M(q) = sin(pi q / qmax) / (pi q / qmax), qmax the last of them; the damping is not used.
TEST(Cd, LorchWindowMatchesDirectSum) {
  const grid in = gaussian_input(1501, 0.012, 0.01);
  const int nk = 1500, nr = 800;
  const double dr = 0.01, qmax = in.q[nk - 1];
  std::vector<double> w(nk), direct(nr);
  for (int k = 0; k < nk; ++k) {
    const double x = M_PI * in.q[k] / qmax;
    w[k] = in.qs[k] * (k == 0 ? 1.0 : std::sin(x) / x);
  }
  cd_direct_transform(w.data(), in.q.data(), nk, dr, nr, direct.data());
  numeric_recorder rec;
  ASSERT_EQ(cd(1501, 2, 0.07, nr * dr, 5.0, dr, in.qs.data(), in.q.data(), 1), 1);
  for (int j = 0; j < nr; ++j) EXPECT_NEAR(rec.curves[0].y[j], direct[j] * 0.012 * 2 / pi_f, 1e-7);
}
