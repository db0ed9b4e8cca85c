// The steps beyond the original chain on the record: the integral method and the low-r
// optimisation of step 1, the Lorch window, R(r) and the coordination numbers of step 3.
#include "numeric/elements.h"
#include "project/physics_options.h"
#include "project/rdf.h"
#include "project/sq_refine.h"
#include "step_fixture.h"

class RefineTest : public StepTest {
 protected:
  void SetUp() override {
    StepTest::SetUp();
    applied_project();
    std::vector<double> q(1201), i(1201);
    for (int k = 0; k < 1201; ++k)  // a silica-like intensity with a structure peak at 1.6 A
      q[k] = k * 0.01,
      i[k] = 60.0 * std::exp(-0.004 * q[k] * q[k]) + 40.0 + 8.0 * std::sin(1.6 * q[k]) * std::exp(-0.01 * q[k] * q[k]);
    put_curve(1, 0, q, i);
    propbox_changed(4, 1);
    set_prop(11, 8.0, 0);
    active().usecalc[1] = 1;
    messages.clear();
  }
  static const curve& at(int calc, int cid) { return *proj[activep].curves[calc][cid]; }
};

// Each setting the new parts need is checked after the original checks, with its warning
// (iterations out of range come from a record, as the entry refuses them).
TEST_F(RefineTest, ChecksOfTheIntegralMethodAndTheOptimisation) {
  struct { int method; double density, rmin, iterations; const char* warning; } cases[] = {
      {2, 0.0, not_set, 5, "You decided to use the integral method\nIn that case the sample's density must be > 0.0"},
      {0, 0.0662, 0.0, 5, "The optimisation below r_min needs r_min > 0.0"},
      {0, 0.0662, 10.0, 5, "r_min must be > 0.0 and < Rmax"},
      {0, 0.0662, 1.4, 1001, "The optimisation below r_min needs 0 to 1000 iterations"},
      {0, 0.0, 1.4, 5, "The optimisation below r_min needs the sample's density > 0.0"}, {2, 0.0662, 1.4, 0, nullptr},
  };
  active().exp_prop[k_rmax] = 10.0;
  for (const auto& c : cases) {
    set_method(c.method);
    set_prop(11, 8.0, 0);
    active().exp_prop[k_density] = c.density;
    set_lowr(c.rmin != not_set);
    if (c.rmin != not_set) set_lowr_setting(0, c.rmin);
    active().options.lowr_iter = c.iterations;
    messages.clear();
    EXPECT_EQ(test_sq(activep, 1), c.warning ? 0 : 1);
    EXPECT_EQ(messages, (c.warning ? std::vector<message>{{"warning", c.warning}} : std::vector<message>{}));
  }
}

// The constant shown is always the one of the delivered curves, optimised or not.
TEST_F(RefineTest, IntegralMethodAndOptimisationOnTheRecord) {
  set_method(method_integral);
  ASSERT_EQ(run_sq(), step_done);
  const double integral = active().exp_prop[k_norm_constant];
  const std::vector<double> before = at(1, 1).data[1];

  set_lowr(1);
  set_lowr_setting(0, 1.2);
  set_lowr_setting(2, 1.0);
  ASSERT_EQ(run_sq(), step_done);
  EXPECT_EQ(at(1, cid_qs_plain).data[1], before);
  EXPECT_EQ(curve_points(at(1, cid_s_plain)), 1201);
  EXPECT_NE(at(1, 1).data[1], before);
  EXPECT_EQ(lowr_result_text(activep), format("α %f  ρ %f  χ² %g", active().exp_prop[k_norm_constant], active().options.lowr_rho,
                                              active().options.lowr_chi2));
  EXPECT_EQ(active().options.lowr_iter, lowr_default_count);  // switched on from the original 5

  // The refined density is the one of g(r) while step 3 transforms step 1's result, with
  // the bending correction between them or not; a file as input keeps the typed one.
  on_set_use_calc(2, 2);
  gr_settings(8.0, 0.01, 0.0);
  ASSERT_EQ(run_gr(), step_done);
  const step_density used = gr_density(activep);
  EXPECT_EQ(used.source, density_refined);
  EXPECT_EQ(used.value, active().options.lowr_rho);
  const curve& big_g = at(3, 1);
  EXPECT_NEAR(at(3, 2).data[1][150], 1.0 + big_g.data[1][150] / (four_pi_f * used.value * big_g.data[0][150]), 1e-9);
  EXPECT_EQ(rdf_density(activep), used.value);
  active().usecalc[2] = 1, active().usecalc[1] = 1;
  EXPECT_EQ(gr_density(activep).source, density_refined);
  active().usecalc[2] = 0;
  EXPECT_EQ(gr_density(activep).source, density_typed);
  active().usecalc[2] = 2;
  EXPECT_EQ(adopt_refined_density(), 1);
  EXPECT_EQ(active().exp_prop[k_density], active().options.lowr_rho);
  active().exp_prop[k_density] = 0.0662;
  set_lowr_setting(2, 0.0);  // density held: nothing refined
  EXPECT_EQ(gr_density(activep).source, density_typed);
  EXPECT_EQ(adopt_refined_density(), 0);

  set_lowr(0);
  ASSERT_EQ(run_sq(), step_done);
  EXPECT_EQ(active().exp_prop[k_norm_constant], integral);
  EXPECT_EQ(curve_points(at(1, cid_qs_plain)), 0);
  EXPECT_EQ(active().options.lowr_chi2, not_set);
  EXPECT_TRUE(messages.empty());
}

// Step 3 with the Lorch window (no damping factor needed) fills R(r) = r G + 4 pi rho r^2,
// and the coordination numbers are counted on it.
TEST_F(RefineTest, LorchWindowRdfAndCoordination) {
  ASSERT_EQ(run_sq(), step_done);
  on_set_use_calc(2, 2);
  set_prop(14, 8.0, 0);
  set_prop(15, 0.01, 0);
  set_window(1);
  ASSERT_EQ(run_gr(), step_done);
  EXPECT_EQ(curve_points(at(3, cid_rdf)), curve_points(at(3, 1)));  // its values: the numeric tests' business
  coordination_count c;
  ASSERT_EQ(count_coordination(activep, 1.0, 2.0, 0, 1, c), count_done);
  EXPECT_GT(c.pair, c.total);
  EXPECT_EQ(std::pair(species_by_symbol(activep, "O"), species_by_symbol(activep, "X")), std::pair(1, -1));
  EXPECT_EQ(count_coordination(activep, 2.0, 1.0, -1, -1, c), count_reversed);
  EXPECT_EQ(count_coordination(activep, 7.0, 9.0, -1, -1, c), count_outside);  // R(r) ends at 7.99 A
}

// Q_min: the integral method uses the points from it on, as on the data cut there by hand;
// below it S(Q) follows the line through the origin and the first point used.
TEST_F(RefineTest, IntegralMethodFromTheLowestQ) {
  active().exp_prop[3] = 0.0662;
  set_method(method_integral);
  set_physics_option(opt_qmin, 1.0);  // point 100 on
  ASSERT_EQ(run_sq(), step_done);
  const double alpha = active().exp_prop[17];
  const std::vector<double> q = at(1, 0).data[0], s = at(1, 2).data[1];
  set_physics_option(opt_qmin, not_set);
  put_curve(1, 0, std::vector<double>(q.begin() + 100, q.end()),
            std::vector<double>(at(1, 0).data[1].begin() + 100, at(1, 0).data[1].end()));
  ASSERT_EQ(run_sq(), step_done);
  EXPECT_NEAR(active().exp_prop[17], alpha, 1e-12 * alpha);
  for (int k = 101; k < 1201; ++k) ASSERT_NEAR(s[k], at(1, 2).data[1][k - 100], 1e-9) << k;
  for (int k = 0; k <= 100; ++k) ASSERT_NEAR(s[k], (at(1, 1).data[1][0] / q[100] + 1.0) * q[k] / q[100], 1e-9) << k;
}

