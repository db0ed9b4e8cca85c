// Image export: files of exactly the typed size that real tools open, and refusals.

#include "plot_fixture.h"
#include "support/temp_files.h"

namespace fs = std::filesystem;

namespace {

bool have(const char* tool) {
  std::string cmd = std::string("command -v ") + tool + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
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
      {"zero width", image_png, 0, 100, 3, path("b.png")},
      {"negative height", image_svg, 100, -5, 3, path("c.svg")},
      {"unknown target", 4, 100, 100, 3, path("d.png")},
      {"missing folder (PNG)", image_png, 100, 100, 3, path("none/e.png")},
      {"missing folder (PDF)", image_pdf, 100, 100, 3, path("none/f.pdf")},
  };
  for (const auto& tc : cases) {
    EXPECT_EQ(export_curve_image(tc.target, tc.file.c_str(), tc.w, tc.h, 1.0, 0, tc.rid, 1), 0)
        << tc.what;
    EXPECT_FALSE(fs::exists(tc.file)) << tc.what;
  }
  EXPECT_EQ(render_curve(nullptr, 100, 100, 1.0, 0, 3, 1), 0);
}

// Every image kind goes through the program's one output path: a link at the name is
// replaced (its target kept), a FIFO is refused, a file size limit leaves the old image.
TEST_F(export_test, LinksFifosAndSizeLimit) {
  const std::string other = dir_.write("other", "kept");
  int entries = 1;
  for (int target : {image_png, image_pdf, image_svg}) {
    const std::string n = std::to_string(target);
    const std::string link = path(("link" + n).c_str()), fifo = path(("fifo" + n).c_str());
    fs::create_symlink(other, link);
    EXPECT_EQ(export_curve_image(target, link.c_str(), 200, 100, 1.0, 0, 3, 1), 1) << target;
    EXPECT_EQ(fs::symlink_status(link).type(), fs::file_type::regular) << target;
    ASSERT_TRUE(make_fifo(fifo));
    EXPECT_EQ(export_curve_image(target, fifo.c_str(), 200, 100, 1.0, 0, 3, 1), 0) << target;
    EXPECT_TRUE(fs::is_fifo(fifo));
    const std::string before = slurp(link);
    int code;
    {
      file_size_limit limit(64);
      code = export_curve_image(target, link.c_str(), 200, 100, 1.0, 0, 3, 1);
    }
    EXPECT_EQ(code, 0) << target;
    EXPECT_EQ(slurp(link), before) << target;
    EXPECT_EQ(dir_.entries(), entries += 2) << target;  // no temporaries
  }
  EXPECT_EQ(slurp(other), "kept");
}

// The batch tool's images: the default style whatever the curve's own (restyled, with an
// extra set drawn), and the curve's record left as it was.
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
  EXPECT_EQ(c.datac.blue, 65535);
  EXPECT_EQ(c.axmin[0], 7.0);
  EXPECT_EQ(c.extrasets, sets);
}
