#include "files/xml_project.h"
#include "numeric/elements.h"
#include "project/project.h"
#include "support/project_fixture.h"
#include "support/recording_presenter.h"
#include "support/temp_files.h"

namespace fs = std::filesystem;

namespace {

const fs::path data_dir = fs::path(AMOQ_TEST_DATA) / "xml";

// Replaces the one occurrence of `from` (the case is wrong if there is none).
std::string replaced(std::string text, const std::string& from, const std::string& to) {
  size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

class xml_project_test : public project_table_test {
 protected:
  void SetUp() override {
    project_table_test::SetUp();
    front().xml_import.apply_project = [this] { ++applied_; };
    front().xml_import.show_settings = [this] { ++settings_shown_; };
  }

  // The project the golden file describes: SiO2 at Mo K-alpha in transmission.
  static void make_sio2() {
    init_project();
    prepspec(activep, 2);
    set_species_element(activep, 0, 14);
    set_species_element(activep, 1, 8);
    project& r = proj[activep];
    r.spec_prop[1] = {1.0, 2.0}, r.spec_prop[2] = {0.1, 0.04}, r.spec_prop[3] = {0.2, 0.03};
    r.exp_prop[k_wavelength] = 0.7093, r.exp_prop[k_abs_sample] = 1.5, r.exp_prop[k_abs_cell] = 0.0;
    r.exp_prop[k_density] = 0.066, r.exp_prop[k_dead_time] = 1e-6;
    r.exp_prop[k_geometry] = 2, r.exp_prop[k_polarisation] = 1, r.prun = 1;
  }

  // Reads `text` from a file into a new project; returns open_xml's code.
  int import_text(const std::string& text) {
    fs::path f = dir_ / "in.apf";
    std::ofstream(f, std::ios::binary) << text;
    init_project();
    return open_xml(f.c_str());
  }

  scratch_dir scratch_;
  const fs::path& dir_ = scratch_.path;
  int applied_ = 0, settings_shown_ = 0;
};

TEST_F(xml_project_test, GoldenDocumentRoundTripFillsTheSpeciesFromTheTables) {
  make_sio2();
  fs::path first = dir_ / "first.apf", second = dir_ / "second.apf";
  ASSERT_EQ(write_xml(first.c_str()), 1);
  EXPECT_EQ(slurp(first), slurp(data_dir / "golden_sio2.apf"));

  recording_presenter messages;
  init_project();
  ASSERT_EQ(open_xml(first.c_str()), 0);

  const project& r = proj[activep];
  ASSERT_EQ(r.nspec, 2);
  EXPECT_EQ(r.spec_symbol[1], "O ");
  for (int j = 0; j < 11; ++j) EXPECT_EQ(r.spec_prop[4 + j][0], rx_coefficient(j, 14));
  EXPECT_EQ(r.spec_prop[2][1], 0.04);  // species values keep full precision
  // Experiment values pass through single precision (the rest: the second write).
  EXPECT_EQ(r.exp_prop[k_wavelength], static_cast<double>(0.7093f));
  EXPECT_EQ(r.exp_prop[k_compton], not_set);  // "Unknown"
  // trun; "TRUE": the settings are applied, the dialog not shown
  EXPECT_EQ(std::tuple(r.trun, applied_, settings_shown_), std::tuple(1, 1, 0));

  proj[activep].prun = 1;
  ASSERT_EQ(write_xml(second.c_str()), 1);
  EXPECT_EQ(slurp(second), slurp(first));
}

// The settings the original format lacks travel in elements of their own; geometry
// "None" stands as "Unknown" in `geometry`, which every reader accepts.
TEST_F(xml_project_test, ExperimentRefinementsRoundTrip) {
  make_sio2();
  project& w = proj[activep];
  w.exp_prop[k_geometry] = geometry_none;
  w.options.incoherent = 1, w.options.monoangle = 26.6, w.options.polfraction = 0.95;
  fs::path f = dir_ / "refined.apf";
  ASSERT_EQ(write_xml(f.c_str()), 1);
  const std::string text = slurp(f);
  EXPECT_NE(text.find("  <geometry>Unknown</geometry>\n  <monochromator>In-house/circular</monochromator>\n"
                      "  <compton>Unknown</compton>\n  <geometry-correction>None</geometry-correction>\n"
                      "  <incoherent-scattering>Tables</incoherent-scattering>\n"
                      "  <monochromator-angle>26.600000</monochromator-angle>\n"
                      "  <polarisation-fraction>0.950000</polarisation-fraction>\n </experiment>"),
            std::string::npos)
      << text;
  recording_presenter messages;
  init_project();
  ASSERT_EQ(open_xml(f.c_str()), 0);
  const project& r = proj[activep];
  EXPECT_EQ(std::tuple(r.exp_prop[k_geometry], r.options.incoherent, r.options.monoangle, r.options.polfraction),
            std::tuple(geometry_none, 1, 26.6, 0.95));
  EXPECT_EQ(import_text(replaced(text, ">None<", ">none<")), 6);
  EXPECT_EQ(import_text(replaced(text, ">26.600000<", ">inf<")), 6);
}

TEST_F(xml_project_test, ZeroSpeciesRoundTrip) {
  recording_presenter messages;
  init_project();
  fs::path f = dir_ / "empty.apf";
  ASSERT_EQ(write_xml(f.c_str()), 1);
  std::string text = slurp(f);
  EXPECT_NE(text.find("<species number=\"0\"/>"), std::string::npos) << text;
  EXPECT_NE(text.find("<project>FALSE</project>"), std::string::npos);

  init_project();
  EXPECT_EQ(open_xml(f.c_str()), 0);
  // "FALSE": nothing applied, the user completes the settings in the dialog
  EXPECT_EQ(std::tuple(proj[activep].nspec, proj[activep].exp_prop[k_geometry], applied_, settings_shown_),
            std::tuple(0, not_set, 0, 1));
}

TEST_F(xml_project_test, ImportCodesAndMessages) {
  const std::string golden = slurp(data_dir / "golden_sio2.apf");
  const std::string experiment_block =
      golden.substr(golden.find(" <experiment>"), golden.find(" <!-- Apply") - golden.find(" <experiment>"));
  const std::string project_line = " <project>TRUE</project>\n";
  struct import_case { const char* what; std::string text; int code; };
  const import_case cases[] = {
      {"golden", golden, 0}, {"Reflection with its blank", replaced(golden, ">Transmission<", ">Reflection <"), 0},
      {"unknown compton text", replaced(golden, ">Unknown<", ">Unknow<"), 6},
      {"wrong id", replaced(golden, "<Z id=\"1\">", "<Z id=\"2\">"), 4},
      {"Z = 99", replaced(golden, ">14</Z>", ">99</Z>"), 4},
      {"count above ten", replaced(golden, "number=\"2\"", "number=\"11\""), 4},
      {"count rounds to two", replaced(golden, "number=\"2\"", "number=\"2.4\""), 0},
      {"huge count", replaced(golden, "number=\"2\"", "number=\"1e300\""), 4},
      {"count beyond the Z elements", replaced(golden, "number=\"2\"", "number=\"3\""), 4},
      {"species without count", replaced(golden, " number=\"2\"", ""), 4},
      {"symbol of another element", replaced(golden, "symbol=\"Si\"", "symbol=\"S \""), 5},
      {"fpp missing reads as not given", replaced(golden, "   <fpp>0.030000</fpp>\n", ""), 0},
      {"concentration missing", replaced(golden, "   <concentration>2.000000</concentration>\n", ""), 5},
      {"concentration not finite", replaced(golden, ">1.000000</concentration>", ">1e999</concentration>"), 5},
      {"absorption before wavelength",
       replaced(replaced(golden, "  <wavelength>0.709300</wavelength>\n", ""), "  <absorption-substrate>",
                "  <wavelength>0.709300</wavelength>\n  <absorption-substrate>"), 6},
      {"density first is fine",
       replaced(replaced(golden, "  <density>0.066000</density>\n", ""), " <experiment>\n",

                " <experiment>\n  <density>0.066000</density>\n"), 0},
      {"deadtime missing", replaced(golden, "  <deadtime>0.000001</deadtime>\n", ""), 6},
      {"wavelength text reads as 0", replaced(golden, ">0.709300<", ">abc<"), 0},
      {"wavelength nan", replaced(golden, ">0.709300<", ">nan<"), 6},
      {"project before experiment",
       replaced(replaced(golden, project_line, ""), experiment_block, project_line + experiment_block), 3},
      {"experiment missing", replaced(golden, experiment_block, ""), 3},
      {"other root", replaced(replaced(golden, "<amoq-xml>", "<amoq>"), "</amoq-xml>", "</amoq>"), 2},
      {"not well formed", golden.substr(0, golden.size() / 2), 1},
      {"billion laughs", slurp(data_dir / "billion_laughs.apf"), 1},
      {"external entity", slurp(data_dir / "external_entity.apf"), 1},
      {"larger than the limit",
       replaced(golden, "<!-- Apply project -->", "<!--" + std::string(size_t(xml_max_bytes), 'x') + "-->"), 1},
  };
  static const char* const expected_text[7] = {
      "AmoqGTK project file (XML) successfully opened\n",
      "Impossible to open the AmoqGTK project file (XML) file\n",
      "The file is not a valid AmoqGTK project file (XML) file\n",
      "The AmoqGTK project file (XML) file is uncomplete\n",
      "Problem(s) in the <chemistry> section of the AmoqGTK project file (XML)\n",
      "Problem(s) in the <element> section of the AmoqGTK project file (XML)\n",
      "Problem(s) in the <experiment> section of the AmoqGTK project file (XML)\n",
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    recording_presenter messages;
    EXPECT_EQ(import_text(c.text), c.code);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].kind, c.code == 0 ? "info" : "error");
    // Errors name the file and the reason after their first line, and carry the dialog's
    // trailing newline.
    const std::string& text = messages.messages[0].text;
    const std::string head = c.code == 0 ? expected_text[0] : expected_text[c.code] + (dir_ / "in.apf").string() + ": ";
    EXPECT_EQ(text.substr(0, head.size()), head);
    EXPECT_TRUE(c.code == 0 ? text == head : text.size() > head.size() + 1 && text.back() == '\n') << text;
    const project& r = proj[activep];
    EXPECT_LE(r.nspec, nspec_max);
    for (const auto& column : r.spec_prop) EXPECT_EQ(static_cast<int>(column.size()), r.nspec);
  }
}

TEST_F(xml_project_test, ValuesReadBeforeAFailureAndLooseTexts) {
  recording_presenter messages;
  std::string golden = slurp(data_dir / "golden_sio2.apf");
  // Values read before a failure stay.
  EXPECT_EQ(import_text(replaced(golden, ">Transmission<", ">Reflectio<")), 6);
  const project& r = proj[activep];
  // the species count, a concentration, the density in single precision, nothing applied or shown
  EXPECT_EQ(std::tuple(r.nspec, r.spec_prop[1][1], r.exp_prop[k_density], applied_ + settings_shown_),
            std::tuple(2, 2.0, static_cast<double>(0.066f), 0));

  // Symbols, names and code texts compare without surrounding blanks and case.
  std::string loose = replaced(golden, "symbol=\"O \"", "symbol=\" o\"");
  loose = replaced(replaced(loose, ">Oxygen        <", ">oxygen<"), ">Transmission<", "> TRANSMISSION <");

  ASSERT_EQ(import_text(loose), 0);
  fs::path out = dir_ / "again.apf";
  ASSERT_EQ(write_xml(out.c_str()), 1);
  const std::string written = slurp(out);
  for (const char* as_today : {"symbol=\"O \"", ">Oxygen        <", ">Transmission<"})
    EXPECT_NE(written.find(as_today), std::string::npos) << as_today;
}

TEST_F(xml_project_test, MissingFileNoProjectAndFailedSave) {
  recording_presenter messages;
  init_project();
  EXPECT_EQ(check_xml((dir_ / "absent.apf").c_str()), 1);
  clear();
  EXPECT_EQ(check_xml((data_dir / "golden_sio2.apf").c_str()), 1);
  EXPECT_TRUE(write_xml((dir_ / "x.apf").c_str()) == 0 && !fs::exists(dir_ / "x.apf"));  // no project

  // A failed save keeps the old file.
  fs::path target = dir_ / "keep.apf";
  std::ofstream(target) << "old contents";
  make_sio2();
  proj[activep].spec_prop[3].resize(1);  // a record the writer refuses
  EXPECT_TRUE(write_xml(target.c_str()) == 0 && slurp(target) == "old contents");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

// The parser's time grows with the square of the attributes of one element: the 1 MiB
// element of 148,802 attributes is refused after one attribute more than the bound, a
// document of too many nodes after one node more, before the parser sees either.
TEST_F(xml_project_test, NodeBoundsStopTheAttributeBomb) {
  const std::string letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::string bomb = "<amoq-xml><e";
  for (int i = 0; i < 148802; ++i)
    bomb += std::string(" ") + letters[i % 52] + letters[i / 52 % 62] + letters[i / 3224] + "=''";
  bomb += "/></amoq-xml>";
  ASSERT_LE(bomb.size(), static_cast<size_t>(xml_max_bytes));
  xml_census c = count_xml_nodes(bomb.data(), bomb.size());
  EXPECT_EQ(std::tuple(c.within_bounds, c.attributes), std::tuple(false, xml_max_attributes + 1));
  EXPECT_EQ(import_text(bomb), 1);

  std::string many = "<amoq-xml>";
  for (long i = 0; i < xml_max_nodes; ++i) many += "<a/>";
  c = count_xml_nodes(many.data(), many.size());
  EXPECT_EQ(std::tuple(c.within_bounds, c.nodes), std::tuple(false, xml_max_nodes + 1));

  const std::string small = "<r a='1' b=\"x=y\"><!-- <c> --><x/>t<?p?><![CDATA[<]]></r>";
  c = count_xml_nodes(small.data(), small.size());
  // r, a, b, the comment, x, t, the instruction, the section; two attributes
  EXPECT_EQ(std::tuple(c.within_bounds, c.nodes, c.attributes), std::tuple(true, 8, 2));
  const std::string doctype = "<!DOCTYPE r [<!ENTITY e 'x'>]><r/>";
  EXPECT_FALSE(count_xml_nodes(doctype.data(), doctype.size()).within_bounds);
}

}  // namespace
