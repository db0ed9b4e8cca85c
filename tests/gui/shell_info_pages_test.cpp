// The information pages: exact texts and tags of the pieces users read.
#include <string>

#include "gui_fixture.h"
#include "project/info_pages.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/settings.h"
#include "gui/shell/info_view.h"

namespace {

class ShellInfoPages : public ::testing::Test {
 protected:
  void SetUp() override {
    GuiTest::reset_projects();
    init_project();
  }
  void TearDown() override { GuiTest::reset_projects(); }
  // The run whose text is `text` (first match), or null.
  static const text_run* run(const info_text& t, const std::string& text) {
    for (const auto& r : t)
      if (r.text == text) return &r;
    return nullptr;
  }
  static int count(const std::string& s, const std::string& what) {
    int n = 0;
    for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
    return n;
  }
};

TEST_F(ShellInfoPages, NewProjectPages) {
  info_text exp = info_page_text(0, page_experiment);
  ASSERT_FALSE(exp.empty());
  EXPECT_EQ(exp[0].text, "\n\nExperiment details\n\n\n");
  EXPECT_EQ(exp[0].tag, "heading");
  EXPECT_EQ(count(plain_text(exp), "\tParameter unknown !\n"), 8);
  for (const auto& r : exp) {
    if (r.text == "\tParameter unknown !\n") {
      EXPECT_EQ(r.tag, "bold_red");
    }
  }

  // Unapplied settings: Applied and Used are "no".
  info_text set = info_page_text(0, page_settings);
  EXPECT_EQ(plain_text(set),
            "\n\nSettings information\n\n\nDescription             \tFull    \tApplied \tUsed\n"
            "\nSample                  \tno\t\tno\t\tno"
            "\nExperiment              \tno\t\tno\t\tno");

  info_text ra = info_page_text(0, page_ra);
  EXPECT_EQ(plain_text(ra), "\n\nData correction details\n\n\nRaw data format:\tnot set !");
  EXPECT_EQ(ra.back().tag, "bold_red");
  EXPECT_TRUE(info_page_text(0, 9).empty());
}

TEST_F(ShellInfoPages, SmoothingAndFileColumns) {
  project& r = proj[0];
  r.params[0] = 0;
  r.checks[2] = 1;
  r.exp_prop[15] = 2.0;
  r.filename[0] = "abc.dat";   // 7 characters: three tabs
  r.filename[1] = "abcd.dat";  // 8 characters: two tabs
  info_text ra = info_page_text(0, page_ra);
  EXPECT_EQ(ra.back().text, "Moderate");
  EXPECT_EQ(ra.back().tag, "bold_blue");
  std::string t = plain_text(ra);
  EXPECT_NE(t.find("abc.dat\t\t\t0\t\t0.000000\n"), std::string::npos) << t;
  EXPECT_NE(t.find("abcd.dat\t\t0\t\t0.000000\n"), std::string::npos) << t;
  EXPECT_NE(t.find("Substrate/cell scattering\tnot used / set\n"), std::string::npos) << t;
  const text_run* max = run(ra, "max");
  ASSERT_NE(max, nullptr);
  EXPECT_EQ(max->tag, "sub");
  r.exp_prop[15] = 0.0;
  EXPECT_EQ(info_page_text(0, page_ra).back().text, "not set !");
}

TEST_F(ShellInfoPages, SpeciesColoursAndTable) {
  set_prop(prop_species, 7, 0);
  for (int s = 0; s < 7; ++s) set_species_element(0, s, 8 + s);
  proj[0].spec_prop[1][0] = 0.5;
  info_text chem = info_page_text(0, page_sample);
  const char* expect_colour[7] = {"red", "blue", "green", "orange", "cyan", "pink", "red"};
  int line = 0;
  for (const auto& r : chem)
    if (r.text.rfind("\n\t", 0) == 0 && r.text.find("Element") == std::string::npos) {
      ASSERT_LT(line, 7);
      EXPECT_EQ(r.tag, expect_colour[line]) << r.text;
      ++line;
    }
  EXPECT_EQ(line, 7);
  std::string t = plain_text(chem);
  EXPECT_NE(t.find(format("\n\t%s\t%2s\t%3.0lf\t%11.6lf", proj[0].spec_name[0].c_str(),
                          proj[0].spec_symbol[0].c_str(), 8.0, 0.5)),
            std::string::npos);
  EXPECT_NE(t.find("Number of species = 7\n\n"), std::string::npos);
  EXPECT_NE(t.find("\n\n\nDispertion correction(s):\n\n"), std::string::npos);
  EXPECT_STREQ(textcolor(12), "");
  EXPECT_STREQ(textcolor(11), "red");
}

TEST_F(ShellInfoPages, ResultsOfTheSteps) {
  project& r = proj[0];
  r.params[2] = 0;
  r.exp_prop[6] = 8.0;
  r.exp_prop[17] = 1.25;
  r.visok[1] = 1;
  std::string sq = plain_text(info_page_text(0, page_sq));
  EXPECT_NE(sq.find("high angle method\n\n\t with an integration limit = 8.000000\tÅ-1"
                    "\n\n\t Estimated normalization constant: 1.250000\t"),
            std::string::npos)
      << sq;
  r.visok[1] = 0;
  EXPECT_EQ(plain_text(info_page_text(0, page_sq)).find("Estimated"), std::string::npos);
  r.exp_prop[9] = 10.0;
  r.exp_prop[18] = 0.0661;
  std::string gr = plain_text(info_page_text(0, page_gr));
  EXPECT_NE(gr.find("\n\n\nRmax:           \t\t10.000000\tÅ"), std::string::npos) << gr;
  EXPECT_NE(gr.find("\n\nδr step:       \t\tnot set !"), std::string::npos) << gr;
  EXPECT_NE(gr.find("\n\nEstimated number density after G(r) slope:\t\t0.066100\tAtoms / Å3"),
            std::string::npos)
      << gr;
}

// The GTK side: every tag exists in the page buffer and carries the runs.
TEST_F(ShellInfoPages, TextBufferTags) {
  ASSERT_TRUE(gtk_init_check(nullptr, nullptr));
  GtkTextBuffer* b = gtk_text_buffer_new(nullptr);
  setup_text_tags(b);
  GtkTextTagTable* table = gtk_text_buffer_get_tag_table(b);
  EXPECT_EQ(gtk_text_tag_table_get_size(table), info_tag_count);
  for (int i = 0; i < info_tag_count; ++i)
    EXPECT_NE(gtk_text_tag_table_lookup(table, info_tag_names[i]), nullptr) << info_tag_names[i];
  print_info("x", "bold_red", b);
  print_info("y", "", b);
  GtkTextIter it;
  gtk_text_buffer_get_start_iter(b, &it);
  EXPECT_TRUE(gtk_text_iter_has_tag(&it, gtk_text_tag_table_lookup(table, "bold_red")));
  gtk_text_iter_forward_char(&it);
  GSList* tags = gtk_text_iter_get_tags(&it);
  EXPECT_EQ(tags, nullptr);
  g_slist_free(tags);
  g_object_unref(b);
}

}  // namespace
