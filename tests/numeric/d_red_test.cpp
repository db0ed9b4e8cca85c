#include "support/test.h"

#include "numeric/d_red.h"
#include "numeric/filters.h"
#include "numeric/spline.h"
#include "recorder.h"

#include <functional>
#include <thread>

namespace {

constexpr double four_pi_single = 12.566370964050293;  // float(4 pi)

struct dr_input {
  double dlamb = 1.0, dtef1 = 0.0, dmu = 0.0, dead1 = 0.0, geom = 4.0, mono = 2.0;
  int qt = 1;
  std::vector<double> x, raw, back, cell;
  int mode = 0;
  double compt = 1.0, smo = 0.0;
  std::optional<int> ndq;  // x.size() when not set
  dr_polarisation pol;
};

struct dr_output { int rc; std::vector<recorded_curve> curves; std::vector<std::string> errors; };

dr_output run(const dr_input& in) {
  numeric_recorder rec;
  const int ndq = in.ndq.value_or(static_cast<int>(in.x.size()));
  auto ptr = [](const std::vector<double>& v) { return v.empty() ? nullptr : v.data(); };
  const int rc = dr_resampled(dr_resampling::forward_walk, in.dlamb, in.dtef1, in.dmu, in.dead1, in.geom, in.mono, in.qt,
                              ndq, ptr(in.x), ptr(in.raw), ptr(in.back), ptr(in.cell), in.mode,
                              in.compt, in.smo, in.pol);
  return {rc, rec.curves, rec.errors};
}

// Synthetic diffraction pattern over 2theta (degrees) with deterministic noise.
double pattern(double tt, std::mt19937& g) {
  std::uniform_real_distribution<double> noise(-0.02, 0.02);
  return (500 + 3000 * std::exp(-std::pow((tt - 30) / 4, 2)) + 800 * std::exp(-std::pow((tt - 55) / 6, 2))) *
         (1 + noise(g));
}

// Straightforward re-derivation of the whole correction, written from the physics rather
// than from dr: the angle terms from s = sin theta (cos theta = sqrt(1 - s^2), cos 2theta
// = 1 - 2 s^2), the extension count from a division, the grid by multiplication. Only the
// spline and the smoothing windows are the library's (tested on their own).
struct reference_result { std::vector<double> q, y; };

reference_result reference_chain(const dr_input& in) {
  const int n = static_cast<int>(in.x.size()) - 1;
  std::vector<double> tt(n), inten(n);
  for (int i = 0; i < n; ++i) {
    auto dead = [&](double v) { return v / (1 - v * in.dead1); };
    const double mu = in.dtef1;
    const double s = in.qt == 2 ? in.dlamb * in.x[i] / four_pi_single : std::sin(in.x[i] / 57.29578 / 2);
    const double c = std::sqrt(1 - s * s), c2 = 1 - 2 * s * s;
    tt[i] = 2 * std::asin(s);
    const double bg = (in.mode == 1 || in.mode == 3) ? dead(in.back[i]) : 0.0;
    const double cl = (in.mode == 2 || in.mode == 3) ? dead(in.cell[i]) : 0.0;
    double v = in.geom == 1 ? dead(in.raw[i]) - cl * std::exp(-2 * mu / s) - bg
                            : dead(in.raw[i]) - cl * std::exp(-mu / c) - bg * std::exp(-(mu + in.dmu) / c);
    // Polarisation factors: unpolarised (1 + cos^2 2theta)/2; through a monochromator at
    // 2theta_M the two components weigh 1 and cos^2 2theta_M; a fraction p polarised
    // perpendicular to the scattering plane scatters with factor 1, the rest unpolarised.
    if (in.mono == 1 && in.pol.monoangle) {
      const double cm2 = std::pow(std::cos(*in.pol.monoangle / 57.29578), 2);
      v /= (1 + cm2 * c2 * c2) / (1 + cm2);
    } else if (in.mono == 1) {
      v = v * 2 / (1 + c2 * c2);
    } else if (in.mono == 2 && in.pol.fraction) {
      const double p = *in.pol.fraction;
      v /= p + (1 - p) * (1 + c2 * c2) / 2;
    }
    if (in.geom == 1) v /= 1 - std::exp(-2 * mu / s);
    if (in.geom == 2) v *= c * std::exp(mu * (1 / c - 1));
    if (in.geom == 3) v *= (1 + mu * mu * (0.1397 - 0.125 * c * c)) * std::exp(-0.8488 * mu);
    inten[i] = v;
  }
  const double delta = tt[1] - tt[0];
  const double r = (tt[0] - 1e-5) / delta;
  const int k = r > 0 ? std::min(2000, static_cast<int>(std::ceil(r)) - 1) : 0;
  std::vector<double> ext_tt, ext_i;
  for (int j = 0; j < k; ++j) ext_tt.push_back(j * delta), ext_i.push_back(inten[0] / tt[0] * j * delta);
  ext_tt.insert(ext_tt.end(), tt.begin(), tt.end());
  ext_i.insert(ext_i.end(), inten.begin(), inten.end());
  const int m = static_cast<int>(ext_tt.size());
  std::vector<double> q(m);
  for (int j = 0; j < m; ++j) q[j] = four_pi_single * std::sin(ext_tt[j] / 2) / in.dlamb;

  std::vector<double> sm = ext_i;
  if (in.smo == 1) smooth5(m, ext_i.data(), sm.data());
  if (in.smo == 2) smooth9(m, ext_i.data(), sm.data());
  if (in.smo == 3) smooth7(m, ext_i.data(), sm.data());

  const double dq = std::round(1000 * (q[1] - q[0])) / 1000;
  const int nq = static_cast<int>(std::round(q[m - 1] / dq)) + 1;
  std::vector<double> b(m), c(m), d(m);
  spline(m, q.data(), sm.data(), b.data(), c.data(), d.data());
  reference_result out;
  for (int j = 0; j < nq; ++j) {
    out.q.push_back(q[0] + j * dq);
    out.y.push_back(seval(m, out.q.back(), q.data(), sm.data(), b.data(), c.data(), d.data()));
  }
  return out;
}

// Abscissae x0 + i step in 2theta (qt 1) or q (qt 2, the pattern drawn at 2theta = 10 q).
dr_input degrees_case(int ndq, double x0, double step, unsigned seed, int qt = 1) {
  std::mt19937 g(seed);
  dr_input in;
  in.dlamb = 0.7107, in.qt = qt;
  for (int i = 0; i < ndq; ++i) {
    const double tt = (qt == 2 ? 10 : 1) * (x0 + i * step);
    in.x.push_back(x0 + i * step), in.raw.push_back(pattern(tt, g));
    in.back.push_back(40 + 0.2 * tt), in.cell.push_back(120 - 0.5 * tt);
  }
  return in;
}

}  // namespace

// The whole chain against the independent re-derivation (the grid step rounded to 0.001,
// the unused last raw point and the extension line follow from it), also for a series
// longer than 30001 points.
TEST(DataCorrection, WholeChainMatchesReference) {
  struct { double geom, mono, dead1, smo; int mode, qt, ndq; double x0, step; dr_polarisation pol{}; } cases[] = {
      {1, 1, 0, 0, 3, 1, 600, 2.02, 0.05},    {2, 1, 1e-6, 1, 3, 1, 600, 2.02, 0.05},
      {3, 2, 0, 2, 1, 1, 600, 2.02, 0.05},    {4, 2, 0, 3, 2, 1, 600, 2.02, 0.05},
      {2, 3, 2e-5, 4, 0, 1, 600, 2.02, 0.05}, {1, 2, 0, 2, 3, 1, 600, 0.04, 0.05},
      {3, 1, 1e-6, 2, 3, 2, 400, 0.355, 0.01}, {2, 1, 0, 2, 3, 1, 35000, 1.0, 0.004},
      {2, 1, 0, 0, 3, 1, 600, 2.02, 0.05, {26.6, {}}}, {2, 2, 0, 0, 3, 1, 600, 2.02, 0.05, {{}, 0.93}},
      // The refinements at their neutral values: 2theta_M = 0 is the unpolarised beam, a
      // fully polarised synchrotron beam needs no correction.
      {2, 1, 0, 0, 3, 1, 400, 3.0, 0.2, {0.0, {}}}, {2, 2, 0, 0, 3, 1, 400, 3.0, 0.2, {{}, 1.0}},
  };
  for (const auto& cs : cases) {
    dr_input in = degrees_case(cs.ndq, cs.x0, cs.step, 9, cs.qt);
    std::tie(in.geom, in.mono, in.dead1, in.smo, in.mode, in.pol) =
        std::tie(cs.geom, cs.mono, cs.dead1, cs.smo, cs.mode, cs.pol);
    in.dtef1 = 0.35, in.dmu = 0.12;
    SCOPED_TRACE(testing::Message() << "geom " << cs.geom << " smo " << cs.smo << " qt " << cs.qt << " ndq " << cs.ndq);
    const dr_output got = run(in);
    ASSERT_TRUE(got.rc == 1 && got.errors.empty() && got.curves.size() == 1u) << got.rc;
    EXPECT_EQ(got.curves[0].calc * 10 + got.curves[0].curve, 3);
    const reference_result ref = reference_chain(in);
    ASSERT_EQ(got.curves[0].x.size(), ref.q.size());
    double scale = 0;
    for (double v : ref.y) scale = std::max(scale, std::fabs(v));
    for (std::size_t k = 0; k < ref.q.size(); ++k) {
      ASSERT_NEAR(got.curves[0].x[k], ref.q[k], 1e-9) << k;
      ASSERT_NEAR(got.curves[0].y[k], ref.y[k], 1e-9 * scale) << k << " q=" << ref.q[k];
    }
  }
}

// The step the data would get, as the driver checks it before the run: the first q step
// rounded half away from zero to 0.001 (the grid itself follows the reference above).
TEST(DataCorrection, GridStepAsTheDriverChecksIt) {
  EXPECT_EQ(dr_grid_step(1.0, 2, 0.0012, 0.0024), 0.001);
  EXPECT_EQ(dr_grid_step(1.0, 2, 0.0016, 0.0032), 0.002);
  EXPECT_EQ(dr_grid_step(1.0, 2, 0.001, 0.0014), 0.0);        // below 0.0005
  EXPECT_LT(dr_grid_step(1.0, 2, 0.5, 0.4), 0.0);             // descending
  EXPECT_TRUE(std::isnan(dr_grid_step(1.0, 2, 13.0, 13.1)));  // beyond 4 pi / lambda
}

// Free-format echo: labels, one blank, shortest round-tripping values, 1-based points.
TEST(DataCorrection, ParameterEchoText) {
  numeric_recorder rec;
  char* text = nullptr;
  std::size_t size = 0;
  std::FILE* f = open_memstream(&text, &size);
  set_echo_stream(f);
  const double x[] = {10, 10.5, 11}, raw[] = {100.25, 99, 98}, back[] = {5, 6, 7}, cell[] = {1, 2, 3};
  EXPECT_EQ(dr(1.5406, 0.25, 0.1, 0, 2, 1, 1, 3, x, raw, back, cell, 1, 1.0 / 3.0, 2), 1);
  set_echo_stream(nullptr);
  std::fclose(f);
  const std::string echo(text, size);
  std::free(text);
  EXPECT_EQ(echo, "DLAMB= 1.5406\nDTEF1= 0.25\nDMU= 0.1\nDEAD1= 0\nGEOM= 2\nMONO= 1\nQT= 1\n"
            "NDQ= 3\nNDQ= 1\nCOMPT= 0.3333333333333333\nSMO= 2\n"
            "i= 1, FT= 10\ni= 1, RA= 100.25\ni= 1, RD= 0\ni= 1, BA= 5\n"
            "i= 2, FT= 10.5\ni= 2, RA= 99\ni= 2, RD= 0\ni= 2, BA= 6\n");
}

// Inputs outside the design: refused with a message and nothing delivered, or, where the
// grid stays defined (an empty expected message), NaN or infinities carried into the curve.
TEST(DataCorrection, UndefinedInputs) {
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  constexpr double inf = std::numeric_limits<double>::infinity();
  const std::string refused = "Impossible to correct the data\nSubroutine: dr \n";
  const std::string no_memory = "Impossible to allocate memory\nSubroutine: dr \n";
  struct { const char* name; void (*edit)(dr_input&); std::string error; } cases[] = {
      {"ndq 2", [](dr_input& in) { in.ndq = 2; }, refused + "Fewer than 2 points"},
      {"no raw", [](dr_input& in) { in.raw.clear(); }, refused + "Missing data array"},
      {"q step 0.0004",
       [](dr_input& in) { in.qt = 2; for (std::size_t i = 0; i < in.x.size(); ++i) in.x[i] = 0.1 + 0.0004 * i; },
       refused + "First q step below 0.0005"},
      {"nan first abscissa", [](dr_input& in) { in.x[0] = nan; }, refused + "First q step not finite"},
      {"inf last abscissa", [](dr_input& in) { in.x[in.x.size() - 2] = inf; }, no_memory + "Table: CORRECTI"},
      {"grid too long",
       [](dr_input& in) { in.dlamb = 1e-3; in.x = {10, 10.00001, 120, 130}; in.raw = in.back = in.cell = {1, 1, 1, 1}; },
       no_memory + "Table: CORRECTI"},
      {"grid ends before it starts", [](dr_input& in) { in.x[in.x.size() - 2] = -60; }, refused + "Empty q grid"},
      {"nan intensity", [](dr_input& in) { in.raw[7] = nan; }, ""},
      {"nan abscissa inside", [](dr_input& in) { in.x[9] = nan; }, ""},
      {"dead time saturation", [](dr_input& in) { in.dead1 = 1.0 / in.raw[4]; }, ""},
  };
  for (const auto& cs : cases) {
    dr_input in = degrees_case(20, 5, 0.5, 2);
    cs.edit(in);
    SCOPED_TRACE(cs.name);
    const dr_output got = run(in);
    const bool refused = !cs.error.empty();
    EXPECT_EQ(got.rc, refused ? 0 : 1);
    EXPECT_EQ(got.errors, refused ? std::vector<std::string>{cs.error} : std::vector<std::string>{});
    ASSERT_EQ(got.curves.size(), refused ? 0u : 1u);
    if (refused) continue;
    const auto& y = got.curves[0].y;
    EXPECT_TRUE(std::any_of(y.begin(), y.end(), [](double v) { return !std::isfinite(v); }));
  }
}

// The extension count near its threshold: points are added only when the first angle
// exceeds the first step by at least 0.00001 rad (1e-5 rad = 0.000573 degrees).
TEST(DataCorrection, ExtensionCountThreshold) {
  struct { double tt0, step; bool extended; } cases[] = {
      {1.0, 1.0, false}, {1.0003, 1.0, false}, {1.0008, 1.0, true}, {0.5, 1.0, false}, {2.5, 1.0, true},
  };
  for (const auto& cs : cases) {
    dr_input in = degrees_case(40, cs.tt0, cs.step, 3);
    in.dlamb = 0.1;  // fine q steps stay above 0.0005
    const dr_output got = run(in);
    ASSERT_EQ(got.rc, 1) << cs.tt0;
    const double q0 = four_pi_single * std::sin(cs.tt0 / 57.29578 / 2) / in.dlamb;
    EXPECT_EQ(got.curves.at(0).x[0], cs.extended ? 0.0 : q0) << cs.tt0;
  }
}

// The terms of each angle are kept from one run to the next (a series corrects pattern after
// pattern on the same angles). Whatever they depend on changes from each case to the next;
// each case must give the curve that a new thread, with nothing kept, computes.
TEST(DataCorrection, KeptAnglesFollowEverySetting) {
  std::mt19937 g(3);
  dr_input base;
  for (int i = 0; i < 300; ++i) {
    base.x.push_back(2.0 + 0.4 * i);
    base.raw.push_back(pattern(base.x.back(), g));
    base.back.push_back(0.1 * base.raw.back());
  }
  base.dtef1 = 0.3, base.dmu = 0.1, base.mode = 1;
  // Each case changes one thing of the one before.
  std::vector<std::function<void(dr_input&)>> changes = {
      [](dr_input& in) { in.dlamb = 0.7107; },       [](dr_input& in) { in.dtef1 = 0.35; },
      [](dr_input& in) { in.dmu = 0.2; },            [](dr_input& in) { in.geom = 2.0; },
      [](dr_input& in) { in.geom = 1.0; },           [](dr_input& in) { in.geom = 3.0, in.mono = 1.0; },
      [](dr_input& in) { in.pol.monoangle = 26.6; }, [](dr_input& in) { in.pol.monoangle = 13.3; },
      [](dr_input& in) { in.mono = 2.0, in.pol.fraction = 0.9; },
      [](dr_input& in) { in.pol.fraction = 0.8; },   [](dr_input& in) { in.x[150] += 0.01; }};
  std::vector<dr_input> cases{base};
  for (const auto& change : changes) change(cases.emplace_back(cases.back()));
  cases.push_back(base);
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const dr_output kept = run(cases[i]);
    dr_output fresh;
    std::thread([&] { fresh = run(cases[i]); }).join();
    ASSERT_EQ(kept.rc, 1) << i;
    EXPECT_EQ(kept.curves.at(0).y, fresh.curves.at(0).y) << i;
  }
}
