// Files with headers (written here) and instrument files (two small scans in data/import),
// read with format detection and compared with the plain two-column values they hold.

#include "import/data_import.h"
#include "support/temp_files.h"

const std::vector<double> tth = {10.0, 10.5, 11.0, 11.5};
const std::vector<double> counts = {100.0, 150.0, 130.0, 120.0};

// The pairs as text rows, the abscissa scaled by `scale`, separated by `sep`.
static std::string rows(double scale, const char* sep = "  ") {
  std::string out;
  char line[64];
  for (size_t i = 0; i < tth.size(); ++i) {
    std::snprintf(line, sizeof line, "%.6f%s%.1f\n", tth[i] * scale, sep, counts[i]);
    out += line;
  }
  return out;
}

TEST(DataImport, EachFormatGivesThePlainValuesInTheProgramsUnits) {
  scratch_dir dir;
  // scale: abscissa of the file = tth * scale; format: 0 2θ, 1 Q; wavelength: Å, 0 none.
  struct format_case { const char* name; std::string bytes; double scale; int format; double wavelength; };
  const format_case cases[] = {
      {"pattern_2th.xy", "# Wavelength: 1.5405929e-10\n# 2th_deg  I\n" + rows(1.0), 1.0, 0, 1.5405929},
      {"pattern_qa.xy", "# Wavelength: 7.093e-11\n# q_A^-1  I\n" + rows(1.0), 1.0, 1, 0.7093},
      {"pattern_qnm.xy", "# Wavelength: 7.093e-11\n# q_nm^-1  I\n" + rows(10.0), 10.0, 1, 0.7093},
      {"glass.chi", "glass\nQ (Inverse Nanometres)\nIntensity\n       4\n" + rows(10.0), 10.0, 1, 0},
      {"scan.xrdml", slurp(AMOQ_TEST_DATA "/import/scan.xrdml"), 1.0, 0, 1.540598},
      {"scan.uxd", slurp(AMOQ_TEST_DATA "/import/scan.uxd"), 1.0, 0, 1.540598},
      {"pattern.csv", "2theta,I\n" + rows(1.0, ","), 1.0, 0, 0},
  };
  for (const format_case& c : cases) {
    imported_data d = import_data_file(dir.write(c.name, c.bytes));
    ASSERT_EQ(d.reason, "") << c.name;
    EXPECT_EQ(d.format, c.format) << c.name;
    EXPECT_EQ(d.y, counts) << c.name;
    ASSERT_EQ(d.x.size(), tth.size()) << c.name;
    // nm⁻¹ are divided by 10: the same doubles as the Å⁻¹ file's within rounding.
    for (size_t i = 0; i < tth.size(); ++i) EXPECT_NEAR(d.x[i], tth[i], 1e-12) << c.name;
    EXPECT_NEAR(d.header.wavelength, c.wavelength, 1e-9) << c.name;
  }
}

TEST(DataImport, RefusalsSayWhy) {
  scratch_dir dir;
  const std::pair<std::string, std::string> cases[] = {
      {dir.write("empty.xy", ""), "the file is empty"}, {dir.path.string(), "not a regular file"},
      {dir.file("missing.xy"), "file does not exist"}, {dir.write("words.txt", "no numbers here\nat all\n"), ""},
  };
  for (const auto& [path, reason] : cases) {
    imported_data d = import_data_file(path);
    EXPECT_TRUE(d.x.empty()) << path;
    if (reason.empty()) EXPECT_NE(d.reason, "") << path;
    else EXPECT_EQ(d.reason, reason) << path;
  }
}

