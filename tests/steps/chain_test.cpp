// The runs of the four steps on the record and the flow of each result into the next
// step's input: copies, "No data" cases, switching a source back to file.
#include "numeric/calrd.h"
#include "numeric/d_red.h"
#include "numeric/nm.h"
#include "project/incoherent_tables.h"
#include "project/physics_options.h"
#include "step_fixture.h"

class ChainTest : public StepTest {
 protected:
  void SetUp() override {
    StepTest::SetUp();
    applied_project();
  }

  // Step 0 ready on 2theta with a background switched on, step 1 and 3 parameters set.
  void chain_ready(int nraw, int nback) {
    set_data_format(0);
    put_curve(0, 0, raw_pattern(nraw));
    put_curve(0, 1, raw_pattern(nback, 30.0));
    active().checks[k_subtract_background] = 1;
    propbox_changed(4, 1);  // Breit-Dirac exponent code 2
    set_prop(11, 8.0, 0);   // high-angle integration limit
    gr_settings(10.0, 0.01, 0.002);
    messages.clear();
  }

  static std::vector<double> ys(int calc, int cid) { return proj[activep].curves[calc][cid]->data[1]; }
  static int points(int calc, int cid) { return curve_points(*proj[activep].curves[calc][cid]); }
  // nm called directly on `in` with the record's species and the example's S(q) settings.
  static int nm_on_record(const curve& in, const nm_extras& extra = {}) {
    const auto& s = proj[activep].spec_prop;
    const double* e = proj[activep].exp_prop;
    return nm(2, s[0].data(), s[1].data(), s[2].data(), s[3].data(), s[4].data(), s[5].data(),
              s[6].data(), s[7].data(), s[8].data(), s[9].data(), s[10].data(), s[11].data(),
              s[12].data(), s[13].data(), s[14].data(), in.ndata, e[k_wavelength], e[k_compton],
              e[k_qlim], 2, 0, e[k_trial_constant], 0.0, in.data[0].data(), in.data[1].data(), extra);
  }
};

TEST_F(ChainTest, ResultsFlowForwardIntoTheStepsThatTakeThem) {
  chain_ready(400, 400);
  active().usecalc[0] = active().usecalc[1] = active().usecalc[2] = 1;
  ASSERT_EQ(run_ra(), step_done);
  EXPECT_EQ(ys(1, 0), ys(0, 3));  // corrected data copied into the S(q) input
  ASSERT_EQ(run_sq(), step_done);
  EXPECT_EQ(ys(2, 0), ys(1, 1));  // Q[S(Q)-1] copied into the bending input
  // The bending input line shows the copied curve: its count and largest Q.
  const auto& q = proj[activep].curves[1][1]->data[0];
  EXPECT_EQ(lines[4].back(), "|" + format("%d Q points\nQ<sub>max</sub> = %f", points(1, 1), q.back()));
  set_prop(13, 12.0, 0);
  ASSERT_EQ(run_bq(), step_done);
  EXPECT_EQ(ys(3, 0), ys(2, 1));
  EXPECT_EQ(active().visok[3], 1);
  ASSERT_EQ(run_gr(), step_done);
  EXPECT_EQ(active().calcok[calc_gr], 1);
  EXPECT_EQ((std::vector{points(3, 1) > 0, points(3, 2) > 0, points(3, 3) > 0}), (std::vector{true, true, false}));
  EXPECT_EQ(active().exp_prop[k_slope_density], not_set);  // experimental density used
  EXPECT_TRUE(messages.empty());
}

TEST_F(ChainTest, SourceChoicesOfTheInputLines) {
  chain_ready(300, 300);
  // Step 1 not run: the third entry of "combogr" finds no data.
  EXPECT_EQ(on_set_use_calc(2, 2), 0);
  EXPECT_EQ(lines[5].back(), "|No data");
  EXPECT_EQ(active().visok[3], 0);
  // Step 1 run: the third entry copies its Q[S(Q)-1], skipping the bending correction.
  active().usecalc[0] = 1;
  ASSERT_NO_FATAL_FAILURE(run_steps({run_ra, run_sq}));
  EXPECT_EQ(on_set_use_calc(2, 2), points(1, 1));
  EXPECT_EQ(ys(3, 0), ys(1, 1));
  EXPECT_EQ(active().visok[3], 1);
  // Back to "file" with no file loaded: "(None)", "No data", the input curve emptied.
  EXPECT_EQ(on_set_use_calc(2, 0), 0);
  EXPECT_EQ(lines[5].back(), "(None)|No data");
  EXPECT_EQ(points(3, 0), 0);
  EXPECT_EQ(active().visok[3], 0);
  EXPECT_EQ(active().usecalc[2], 0);
  // A source without data empties the input that an earlier source filled.
  EXPECT_EQ(on_set_use_calc(2, 2), points(1, 1));
  erase_curves(activep, 1);
  EXPECT_EQ(on_set_use_calc(2, 2), 0);
  EXPECT_EQ(lines[5].back(), "|No data");
  EXPECT_EQ(points(3, 0), 0);
  // An out-of-range entry changes no curve.
  EXPECT_EQ(on_set_use_calc(1, 7), 0);
  EXPECT_EQ(lines[4].back(), "(None)|No data");
  EXPECT_EQ(points(2, 0), 0);
}

// A background on other abscissae (shifted, or 500 points fewer) is interpolated onto the
// raw ones with one warning, nothing subtracted outside its range; one on the raw grid
// within 1e-6 is subtracted as measured. Reference: dr given the background's cubic at the
// raw abscissae (the spline reproduces a cubic), or the background itself.
TEST_F(ChainTest, BackgroundOffTheRawGridIsInterpolated) {
  const auto cubic = [](double x) { return 20.0 + 0.5 * x - 0.003 * x * x + 1e-5 * x * x * x; };
  const std::string moved = "the background has other abscissae than the raw data: it is interpolated onto them";
  const struct { int n; double shift, scale; std::string warning; } cases[] = {{1500, 0.0, 1.0 + 1e-7, ""},
               {1500, 0.3, 1.0, moved + "\nOutside its range, 2.3 to 140.3°, nothing is subtracted"},
               {1000, 0.0, 1.0, moved}};
  chain_ready(1500, 1500);
  const curve& raw = *active().curves[0][0];
  const double* e = active().exp_prop;
  for (const auto& c : cases) {
    std::vector<double> bx(c.n), by(c.n), expected(1500);
    for (int i = 0; i < c.n; ++i) {
      bx[i] = (2.0 + 138.0 * i / (c.n - 1) + c.shift) * c.scale;
      by[i] = cubic(bx[i]);
    }
    put_curve(0, 1, bx, by);
    for (int i = 0; i < 1500; ++i) {
      const double x = raw.data[0][i];
      expected[i] = c.warning.empty() ? by[i] : x >= bx.front() && x <= bx.back() ? cubic(x) : 0.0;
    }
    messages.clear();
    ASSERT_EQ(run_ra(), step_done);
    EXPECT_EQ(messages, (c.warning.empty() ? std::vector<message>{} : std::vector<message>{{"warning", c.warning}}));
    const std::vector<double> got = ys(0, 3);
    ASSERT_EQ(dr(e[k_wavelength], e[k_abs_sample], e[k_abs_cell], e[k_dead_time], e[k_geometry], e[k_polarisation], 1, 1500, raw.data[0].data(), raw.data[1].data(),
                 expected.data(), expected.data(), 1, e[k_compton], 0.0), 1);
    ASSERT_EQ(got.size(), ys(0, 3).size());
    for (size_t k = 0; k < got.size(); ++k)
      ASSERT_NEAR(got[k], ys(0, 3)[k], c.warning.empty() ? 0.0 : 1e-9 * std::fabs(got[k]) + 1e-9) << k;
  }
}

TEST_F(ChainTest, BendingPointBoundsAndRoutineFailure) {
  put_curve(2, 0, qs_pattern(400, 60.0));
  for (double qb : {10.0, 50.0}) {
    set_prop(13, qb, 0);
    EXPECT_EQ(run_bq(), step_done) << qb;
  }
  // A grid that ends before the bending point: zd refuses, then the two dialogs.
  put_curve(2, 0, qs_pattern(20, 10.0));
  set_prop(13, 10.0, 0);
  messages.clear();
  EXPECT_EQ(run_bq(), step_failed);
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[0].kind, "error");  // zd's own message (the numeric tests pin it)
  EXPECT_EQ(messages[1].text.rfind("My error message\n", 0), 0u);
  EXPECT_EQ(messages[2], (message{"warning", "My warning message"}));
  EXPECT_EQ(std::pair(active().calcok[calc_bq], active().visok[2]), std::pair(0, 0));
}

// A result holding NaN or infinity fails its step: one error naming the step, the first
// such point and what to check; the step is not marked computed.
TEST_F(ChainTest, NonFiniteResultsFailTheStep) {
  const struct { int calc; double* setting; double value; std::string error; } cases[] = {
      {0, &active().exp_prop[k_abs_sample], 1e308,
       "Data correction is not a number at Q = 0: check the wavelength, the dead time, the "
       "absorptions and the intensities"},
      {1, &active().exp_prop[k_additive], -800.0,  // additive correction cancelling the intensities
       "S(q) is not a number at Q = 0: check the corrected intensities (all zero?), the "
       "normalisation parameters and the species"},
      {3, &active().exp_prop[k_density], 0.0,
       "g(r)/G(r) is not a number at r = 0.01: check the number density (0?), δr and the input data"},
  };
  int (*const run[ncalc])() = {run_ra, run_sq, run_bq, run_gr};
  for (const auto& c : cases) {
    chain_ready(300, 300);
    const series s = qs_pattern(300, 16.0);
    if (c.calc > 0) put_curve(c.calc, 0, s.x, c.calc == 1 ? std::vector<double>(300, 800.0) : s.y);
    active().checks[k_use_additive] = 1;
    *c.setting = c.value;
    messages.clear();
    EXPECT_EQ(run[c.calc](), step_failed) << c.calc;
    EXPECT_EQ(messages, (std::vector<message>{{"error", "The result of " + c.error + "\n"}}));
    EXPECT_EQ(std::pair(active().calcok[c.calc], active().visok[c.calc]), std::pair(0, 0));
  }
}

TEST_F(ChainTest, DensityFromSlopeFillsItsOwnCurve) {
  put_curve(3, 0, qs_pattern(800, 20.0));
  gr_settings(8.0, 0.02, 0.0);  // no damping is allowed
  set_density_mode(1);
  ASSERT_EQ(run_gr(), step_done);
  EXPECT_EQ(std::pair(points(3, 2), points(3, 3)), std::pair(0, 400));
  EXPECT_GT(active().exp_prop[k_slope_density], 0.0);
}

// Reference: each routine called directly on the data cut by hand, with the refinement's arguments.
TEST_F(ChainTest, RefinementsEqualTheRoutinesOnDataCutByHand) {
  chain_ready(300, 300);
  active().usecalc[0] = active().usecalc[1] = 1;
  active().usecalc[2] = 2;
  const std::pair<int, double> options[] = {{opt_ttmin, 10.0}, {opt_ttmax, 120.0}, {opt_monoangle, 26.6},
                                            {opt_incoherent, incoherent_tabulated}, {opt_qmin, 1.5}, {opt_qmax, 12.0}};
  for (auto [option, value] : options) set_physics_option(option, value);
  ASSERT_NO_FATAL_FAILURE(run_steps({run_ra, run_sq, run_gr}));
  const std::vector<double> corrected = ys(0, 3), qs = ys(1, 1), big_g = ys(3, 1);
  const double* e = active().exp_prop;

  std::vector<double> x, y, b, c;
  const curve &raw = *active().curves[0][0], &back = *active().curves[0][1];
  for (int k = 0; k < raw.ndata; ++k)
    if (raw.data[0][k] >= 10.0 && raw.data[0][k] <= 120.0)
      x.push_back(raw.data[0][k]), y.push_back(raw.data[1][k]), b.push_back(back.data[1][k]), c.push_back(0.0);
  ASSERT_EQ(dr(e[k_wavelength], e[k_abs_sample], e[k_abs_cell], e[k_dead_time], e[k_geometry], e[k_polarisation], 1, static_cast<int>(x.size()), x.data(), y.data(), b.data(),
               c.data(), 1, e[k_compton], 0.0, {26.6, {}}), 1);
  EXPECT_EQ(ys(0, 3), corrected);

  const curve& in = *active().curves[1][0];
  const std::vector<double> table = sample_incoherent_tables(activep, in.data[0].data(), in.ndata);
  ASSERT_EQ(nm_on_record(in, {table.data(), 1.5, 12.0}), 1);
  EXPECT_EQ(ys(1, 1), qs);

  const curve& gin = *active().curves[3][0];
  int kept = 0;
  while (kept < gin.ndata && gin.data[0][kept] <= 12.0) ++kept;
  ASSERT_EQ(cd(kept, 0, e[k_density], e[k_rmax], e[k_damping], e[k_delta_r], gin.data[1].data(), gin.data[0].data()), 1);
  EXPECT_EQ(ys(3, 1), big_g);
}

