// The information pages: exact texts and tags of the pieces users read.

#include "project/info_pages.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/settings.h"
#include "support/project_fixture.h"

namespace {

class info_pages_test : public project_table_test {
 protected:
  void SetUp() override {
    project_table_test::SetUp();
    init_project();
  }
  static std::string page(int which) { return plain_text(info_page_text(0, which)); }
};

TEST_F(info_pages_test, NewProjectPages) {
  info_text exp = info_page_text(0, page_experiment);
  ASSERT_FALSE(exp.empty());
  EXPECT_EQ(exp[0].tag + ": " + exp[0].text, "heading: \n\nExperiment details\n\n\n");
  int unknown = 0;
  for (const auto& r : exp)
    if (r.text == "\tParameter unknown !\n" && r.tag == "bold_red") ++unknown;
  EXPECT_EQ(unknown, 8);
  EXPECT_EQ(page(page_settings), "\n\nSettings information\n\n\nDescription             \tFull    \tApplied \tUsed\n"
                                 "\nSample                  \tno\t\tno\t\tno"
                                 "\nExperiment              \tno\t\tno\t\tno");
  EXPECT_EQ(page(page_ra), "\n\nData correction details\n\n\nRaw data format:\tnot set !");
  EXPECT_TRUE(info_page_text(0, 9).empty());
}

// File names are padded with tabs to a column; the smoothing choice is named.
TEST_F(info_pages_test, SmoothingAndFileColumns) {
  project& r = proj[0];
  r.params[k_abscissa] = 0, r.checks[k_smooth_data] = 1, r.exp_prop[k_smoothing] = 2.0;
  r.filename[0] = "abc.dat";   // 7 characters: three tabs
  r.filename[1] = "abcd.dat";  // 8 characters: two tabs
  info_text ra = info_page_text(0, page_ra);
  EXPECT_EQ(ra.back().tag + ": " + ra.back().text, "bold_blue: Moderate");
  std::string t = plain_text(ra);
  EXPECT_NE(t.find("abc.dat\t\t\t0\t\t0.000000\n"), std::string::npos) << t;
  EXPECT_NE(t.find("abcd.dat\t\t0\t\t0.000000\n"), std::string::npos) << t;
  EXPECT_NE(t.find("Substrate/cell scattering\tnot used / set\n"), std::string::npos) << t;
}

TEST_F(info_pages_test, SpeciesColoursAndResults) {
  set_prop(prop_species, 7, 0);
  for (int s = 0; s < 7; ++s) set_species_element(0, s, 8 + s);
  const char* expect_colour[7] = {"red", "blue", "green", "orange", "cyan", "pink", "red"};
  int line = 0;
  for (const auto& r : info_page_text(0, page_sample)) {
    if (r.text.rfind("\n\t", 0) != 0 || r.text.find("Element") != std::string::npos || line == 7) continue;
    EXPECT_EQ(r.tag, expect_colour[line++]) << r.text;
  }
  EXPECT_EQ(line, 7);
  EXPECT_STREQ(textcolor(12), "");
  EXPECT_NE(page(page_sample).find("\n\tOxygen        \tO \t  8\t   0.000000"), std::string::npos);

  project& r = proj[0];
  r.params[k_method] = 0, r.exp_prop[k_qlim] = 8.0, r.exp_prop[k_norm_constant] = 1.25, r.visok[1] = 1;
  EXPECT_NE(page(page_sq).find("high angle method\n\n\t with an integration limit = 8.000000\tÅ-1"
                               "\n\n\t Estimated normalization constant: 1.250000\t"),
            std::string::npos);
  r.visok[1] = 0;
  EXPECT_EQ(page(page_sq).find("Estimated"), std::string::npos);
  r.exp_prop[k_rmax] = 10.0, r.exp_prop[k_slope_density] = 0.0661;

  std::string gr = page(page_gr);
  EXPECT_NE(gr.find("\n\n\nRmax:           \t\t10.000000\tÅ"), std::string::npos) << gr;
  EXPECT_NE(gr.find("\n\nδr step:       \t\tnot set !"), std::string::npos) << gr;
  EXPECT_NE(gr.find("\n\nEstimated number density after G(r) slope:\t\t0.066100\tAtoms / Å3"), std::string::npos);
}

}  // namespace
