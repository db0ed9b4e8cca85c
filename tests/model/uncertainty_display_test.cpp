// Reported numbers and table rows with their deviations: " ± sigma" only while the project
// propagates uncertainties, and the deviations' column of the data table editor.

#include "project/data_edit.h"
#include "project/info_pages.h"
#include "project/project.h"
#include "project/uncertainty.h"
#include "project/uncertainty_text.h"
#include "support/project_fixture.h"

namespace {

class uncertainty_display_test : public project_table_test {
 protected:
  void SetUp() override {
    project_table_test::SetUp();
    init_project();
    project& r = proj[0];
    r.params[k_method] = 0, r.visok[1] = 1;  // high angle, S(q) computed
    r.exp_prop[k_norm_constant] = 0.01977, r.exp_prop[k_slope_density] = 0.0662;
  }
  static bool has(int page, const std::string& text) {
    return plain_text(info_page_text(0, page)).find(text) != std::string::npos;
  }
};

TEST_F(uncertainty_display_test, ResultLinesAndInformationPages) {
  struct { int mode; double nc_sigma, rho_sigma; const char *nc, *rho; } cases[] = {
      {errors_none, 1.2e-5, 4e-4, "0.019770", "0.066200"},  // deviations left over: not shown
      {errors_counts, 1.2e-5, 4e-4, "0.019770 ± 0.000012", "0.066200 ± 0.000400"},
      {errors_column, NAN, NAN, "0.019770", "0.066200"},  // not computed
  };
  for (const auto& c : cases) {
    project& r = proj[0];
    r.options.errors = c.mode, r.norm_constant_sigma = c.nc_sigma, r.slope_density_sigma = c.rho_sigma;
    EXPECT_EQ(normalisation_text(0) + " | " + slope_density_text(0), c.nc + std::string(" | ") + c.rho) << c.mode;
    EXPECT_TRUE(has(page_sq, std::string("Estimated normalization constant: ") + c.nc + "\t")) << c.mode;
    EXPECT_TRUE(has(page_gr, std::string("G(r) slope:\t\t") + c.rho + "\tAtoms")) << c.mode;
  }
  proj[0].exp_prop[k_norm_constant] = 0.0;  // not computed: the view stays empty
  EXPECT_EQ(normalisation_text(0), "");
  EXPECT_EQ(with_sigma(0, 3.4321, 0.05, "%.2f"), "3.43 ± 0.05");
}

TEST(uncertainty_table, DeviationsShownWithTheirRows) {
  curve c;
  c.ndata = 3, c.data[0] = {1, 2, 3}, c.data[1] = {10, 20, 30}, c.sigma = {1, 2, 3};
  data_table t = table_of(c);
  ASSERT_TRUE(table_has_sigma(t));
  ASSERT_EQ(column_operation(t, 1, "-2"), 1);  // y·c: sigma·|c|
  ASSERT_EQ(column_operation(t, 0, "5"), 1);   // y + c: sigma unchanged
  delete_rows(t, {0});
  ASSERT_EQ(set_cell(t, 0, 2, "7"), 1);  // a typed value has none
  insert_rows(t, {1}, 1);
  ASSERT_EQ(t.size(), 3u);
  EXPECT_TRUE(std::isnan(t[0].sigma) && std::isnan(t[2].sigma));
  EXPECT_DOUBLE_EQ(t[1].sigma, 6);

  c.sigma.clear();
  EXPECT_FALSE(table_has_sigma(table_of(c)));
}

}  // namespace
