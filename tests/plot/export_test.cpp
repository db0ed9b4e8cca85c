// Image export: files of exactly the typed size that real tools open, and refusals.

#include "plot_fixture.h"
#include "support/temp_files.h"

namespace fs = std::filesystem;

namespace {

bool have(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// "W H" of an image file as identify reads it.
std::string identify_size(const std::string& path) {
  std::string cmd = "identify -format '%w %h' '" + path + "' 2>/dev/null";
  FILE* f = popen(cmd.c_str(), "r");
  if (!f) return "";
  char buf[64] = {};
  size_t n = fread(buf, 1, sizeof buf - 1, f);
  pclose(f);
  return std::string(buf, n);
}

class export_test : public plot_test {
 protected:
  void SetUp() override {
    plot_test::SetUp();
    with_points(3, 1, {0, 1, 2, 3}, {0, 2, -1, 0.5});
  }
  std::string path(const char* name) const { return dir_.file(name); }
  scratch_dir dir_;
};

}  // namespace

// PNG, PDF and SVG of the typed size (PDF and SVG in points: pixels at 72 dpi) that the
// real tools open (make test installs them: a missing one fails); a PNG background of
// opacity 0 stays transparent.
TEST_F(export_test, TypedSizeInRealTools) {
  for (const char* tool : {"pdftoppm", "rsvg-convert", "identify"}) ASSERT_TRUE(have(tool)) << tool << " missing";
  std::string png = path("g.png"), pdf = path("g.pdf"), svg = path("g.svg");
  ASSERT_EQ(export_curve_image(image_png, png.c_str(), 301, 217, 0.0, 0, 3, 1), 1);
  ASSERT_EQ(export_curve_image(image_pdf, pdf.c_str(), 400, 300, 0.0, 0, 3, 1), 1);
  ASSERT_EQ(export_curve_image(image_svg, svg.c_str(), 400, 300, 0.0, 0, 3, 1), 1);
  EXPECT_EQ(identify_size(png), "301 217");
  cairo_surface_t* s = cairo_image_surface_create_from_png(png.c_str());
  ASSERT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
  cairo_surface_flush(s);
  EXPECT_EQ(reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(s))[300] >> 24, 0u);  // top right
  cairo_surface_destroy(s);
  ASSERT_EQ(std::system(("pdftoppm -r 72 -png -singlefile '" + pdf + "' '" + path("pdf") + "'").c_str()), 0);
  EXPECT_EQ(identify_size(path("pdf") + ".png"), "400 300");
  ASSERT_EQ(std::system(("rsvg-convert -d 72 -p 72 -o '" + path("svg.png") + "' '" + svg + "'").c_str()), 0);
  EXPECT_EQ(identify_size(path("svg.png")), "400 300");
}

TEST_F(export_test, Refusals) {
  const struct { const char* what; int target, w, h, rid; std::string file; } cases[] = {
      {"no such curve", image_png, 100, 100, 7, path("a.png")},
      {"negative height", image_svg, 100, -5, 3, path("c.svg")}, {"unknown target", 4, 100, 100, 3, path("d.png")},
      {"missing folder (PDF)", image_pdf, 100, 100, 3, path("none/f.pdf")},
  };
  for (const auto& tc : cases) {
    EXPECT_EQ(export_curve_image(tc.target, tc.file.c_str(), tc.w, tc.h, 1.0, 0, tc.rid, 1), 0) << tc.what;
    EXPECT_FALSE(fs::exists(tc.file)) << tc.what;
  }
  EXPECT_EQ(render_curve(nullptr, 100, 100, 1.0, 0, 3, 1), 0);
}

// Every image kind goes through the program's one output path (what it does with links,
// FIFOs and size limits: the safe-files tests): a FIFO at the name is refused.
TEST_F(export_test, EveryKindThroughTheSafeOutput) {
  for (int target : {image_png, image_pdf, image_svg}) {
    const std::string fifo = path(("fifo" + std::to_string(target)).c_str());
    ASSERT_TRUE(make_fifo(fifo));
    EXPECT_EQ(export_curve_image(target, fifo.c_str(), 200, 100, 1.0, 0, 3, 1), 0) << target;
    EXPECT_TRUE(fs::is_fifo(fifo));
  }
}

TEST_F(export_test, DefaultStyleIgnoresAndKeepsTheCurvesOwnStyle) {
  const std::string plain = path("plain.png"), styled = path("styled.png");
  ASSERT_EQ(export_curve_image_default_style(image_png, plain.c_str(), 300, 200, 0, 3, 1), 1);
  with_points(3, 2, {0, 3}, {1, 1});
  curve& c = *find_curve(0, 3, 1);
  allocextra(0, 0, 3, 1);
  for (auto& set : c.extrasets) set[0] = set[1] == 0 && set[2] == 3 && set[3] == 2;
  c.datac = color{0, 0, 0, 65535};
  c.axmin[0] = 7;
  const std::vector<std::array<int, 4>> sets = c.extrasets;
  ASSERT_EQ(export_curve_image_default_style(image_png, styled.c_str(), 300, 200, 0, 3, 1), 1);
  EXPECT_EQ(slurp(styled), slurp(plain));
  EXPECT_EQ(std::tuple(c.datac.blue, c.axmin[0], c.extrasets), std::tuple(65535, 7.0, sets));  // the style kept

}
