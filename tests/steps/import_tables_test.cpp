// Data files read with format detection after the plain reader refused them, the scale
// factors of background and cell, and f′, f″ and μt taken from the tables.
#include "numeric/d_red.h"
#include "project/xray_tables.h"
#include "step_fixture.h"
#include "support/temp_files.h"

class ImportTablesTest : public StepTest {
 protected:
  scratch_dir dir;

  std::vector<std::string> kinds() const {
    std::vector<std::string> k;
    for (const message& m : messages) k.push_back(m.kind);
    return k;
  }
  static const curve& raw() { return *proj[activep].curves[0][0]; }
};

TEST_F(ImportTablesTest, RefusedFileIsReadWithDetectionAfterOneQuestion) {
  applied_project();  // wavelength 0.7093 Å
  set_data_format(0);
  const std::string nm = dir.write("glass.xy", "# Wavelength: 1.5406e-10\n# q_nm^-1  I\n10 100\n20 200\n30 150\n");
  answers = {1};
  ASSERT_EQ(load_data_file(0, nm.c_str()), 1);
  EXPECT_EQ(kinds(), (std::vector<std::string>{"error", "question", "info"}));  // the error as in the next test
  const std::string& note = messages[2].text;
  EXPECT_NE(note.find("Q in nm⁻¹, converted to Å⁻¹"), std::string::npos) << note;
  EXPECT_NE(note.find("1.540600 Å, differs from the project's 0.709300 Å"), std::string::npos) << note;
  // The unit set the raw data's format; the pairs arrived as the reader delivers them.
  EXPECT_EQ(active().params[k_abscissa], 1);
  EXPECT_EQ(std::pair(raw().data[0], raw().data[1]),
            std::pair(std::vector{1.0, 2.0, 3.0}, std::vector{100.0, 200.0, 150.0}));
  EXPECT_EQ(lines[0].back(), "glass.xy|3  Q points\n Q<sub>max</sub> = 3.000000");

  // The choice holds for the project: the next refused file is read without asking.
  messages.clear();
  const std::string tth = dir.write("back.xy", "# 2th_deg  I\n1 10\n2 20\n3 15\n");
  ASSERT_EQ(load_data_file(1, tth.c_str()), 1);
  EXPECT_EQ(kinds(), (std::vector<std::string>{"warning", "info"}));  // 2θ against Q
}

TEST_F(ImportTablesTest, AnsweredNoTheFileIsRefusedAndNotAskedAgain) {
  applied_project();
  set_data_format(0);
  const std::string bad = dir.write("words.dat", "two theta, counts\n1 2\n");
  for (int round = 0; round < 2; ++round) {
    messages.clear();
    const record_snapshot before = snapshot(activep);
    EXPECT_EQ(load_data_file(1, bad.c_str()), 0);
    EXPECT_EQ(kinds(), (round == 0 ? std::vector<std::string>{"error", "question"} : std::vector<std::string>{"error"}));
    EXPECT_EQ(messages[0].text, "Error loading file: format not supported\n" + bad +
                                    ": no pair of numbers at the start of the file\n");
    EXPECT_TRUE(snapshot(activep) == before);
  }
  // With detection chosen, what xylib cannot read either is reported with its reason.
  active().import_choice = 1;
  messages.clear();
  EXPECT_EQ(load_data_file(1, dir.write("empty.xy", "\n\n").c_str()), 0);
  ASSERT_EQ(kinds(), std::vector<std::string>{"error"});
  EXPECT_EQ(messages[0].text.rfind("Error loading file: format not supported\n" + dir.file("empty.xy") + ": ", 0), 0u);
}

TEST_F(ImportTablesTest, BackgroundScaleEqualsTheBackgroundHalvedByHand) {
  applied_project();
  set_data_format(0);
  const series raw = raw_pattern(300), back = raw_pattern(300, 30.0);
  auto write = [&](const char* name, double factor) {
    std::string text;
    for (size_t i = 0; i < back.x.size(); ++i) text += format("%.17g %.17g\n", back.x[i], back.y[i] * factor);
    return dir.write(name, text);
  };
  put_curve(0, 0, raw);
  set_file_option(0, 1);
  std::vector<std::vector<double>> corrected;
  for (double scale : {0.5, 1.0}) {
    ASSERT_EQ(load_data_file(1, write(scale == 1.0 ? "half.dat" : "back.dat", 1.5 - scale).c_str()), 1);
    ASSERT_EQ(set_scale(0, scale), 1);
    ASSERT_EQ(run_ra(), step_done);
    corrected.push_back(active().curves[0][3]->data[1]);
  }
  EXPECT_EQ(corrected[0], corrected[1]);
}

TEST_F(ImportTablesTest, TabulatedFactorsFollowZAndWavelengthUntilTyped) {
  init_project();
  set_prop(prop_species, 2, 0);
  set_prop(prop_z, 14, 0);
  EXPECT_EQ(active().spec_prop[2][0], 0.0);  // no wavelength yet
  auto table = [](int z, double w) { return *tabulated_anomalous(z, w); };
  set_prop(prop_first_exp, 0.709317, 0);
  EXPECT_EQ(std::pair(active().spec_prop[2][0], active().spec_prop[3][0]),
            std::pair(table(14, 0.709317).fp, table(14, 0.709317).fpp));
  set_prop(prop_z, 8, 1);  // with the wavelength known, a new element is filled at once
  EXPECT_EQ(active().spec_prop[3][1], table(8, 0.709317).fpp);
  // A typed value stays through changes of element and wavelength; "From tables" restores.
  set_prop(prop_fp, -1.2, 0);
  set_prop(prop_first_exp, 1.541871, 0);
  set_prop(prop_z, 27, 0);
  EXPECT_EQ(std::pair(active().spec_prop[2][0], active().spec_prop[3][0]), std::pair(-1.2, table(27, 1.541871).fpp));
  EXPECT_EQ(anomalous_from_tables(0, 1), prop_unchanged);  // nothing absent
  EXPECT_EQ(anomalous_from_tables(0, 0), prop_stored);
  EXPECT_EQ(active().spec_prop[2][0], table(27, 1.541871).fp);
  // μt = (μ/ρ) ρ t of the mixture, t = 2 mm, ρ = 2.5 g/cm³.
  set_prop(prop_conc, 1.0, 0);
  set_prop(prop_conc, 3.0, 1);
  ASSERT_EQ(compute_mu_t(2.0, 2.5), prop_stored);
  const double mu = *mixture_attenuation(std::vector<int>{27, 8}, std::vector<double>{1.0, 3.0}, 1.541871);
  EXPECT_DOUBLE_EQ(active().exp_prop[k_abs_sample], mu * 2.5 * 0.2);
  EXPECT_TRUE(messages.empty());
}

