// Image export dialog and data export, with the file chooser answered from a script.
// Images are read back with cairo's PNG reader; data files are compared with the
// writer's own output for the same sets.
#include <cairo.h>

#include "curvewin_fixture.h"
#include "numeric/writedata.h"

namespace {

class ExportTest : public CurveWindowTest {
 public:
  int p = 0;
  GtkWidget* dialog = nullptr;
  GtkWidget *combo = nullptr, *transparent = nullptr, *save = nullptr;
  std::vector<GtkWidget*> size;
  bool dialog_gone = false;

  void SetUp() override {
    CurveWindowTest::SetUp();
    p = add_project("silica");
    put_curve(3, 1, 200, 0.05, 10.0, [](double r) { return std::sin(2 * r) * std::exp(-r / 5); });
    open_window(p, 3, 1, 600, 400);
  }

  void open_dialog() {
    dialog = save_image(nullptr, ids(p, 3, 1));
    ASSERT_NE(dialog, nullptr);
    dialog_gone = false;
    g_signal_connect(dialog, "destroy", G_CALLBACK(+[](GtkWidget*, gpointer gone) { *static_cast<bool*>(gone) = true; }),
                     &dialog_gone);
    combo = all_of(dialog, GTK_TYPE_COMBO_BOX).at(0);
    size = all_of(dialog, GTK_TYPE_ENTRY);
    ASSERT_EQ(size.size(), 2u);
    transparent = find_labelled(dialog, "Make background transparent");
    save = find_labelled(dialog, "gtk-save");
    ASSERT_TRUE(transparent && save);
  }
  void type(int axis, const char* text) {
    gtk_entry_set_text(GTK_ENTRY(size[axis]), text);
    gtk_widget_activate(size[axis]);
  }
  std::string shown(int axis) { return gtk_entry_get_text(GTK_ENTRY(size[axis])); }
};

}  // namespace

TEST_F(ExportTest, DialogChecksItsChoicesAndWritesTheTypedSize) {
  open_dialog();
  EXPECT_EQ(shown(0) + "x" + shown(1), "600x400");
  gtk_button_released(GTK_BUTTON(save));
  EXPECT_EQ(texts("warning"), std::vector<std::string>{"To save an image please enter a file format"});
  type(1, "-3");
  EXPECT_EQ(texts("warning").back(), "Y size must be > 0");
  EXPECT_EQ(shown(1), "400");
  type(0, "300.7");  // whole pixels
  EXPECT_EQ(shown(0), "300");
  // PDF clears and disables the transparent background; PNG offers it.
  gtk_combo_box_set_active(GTK_COMBO_BOX(combo), 1);
  EXPECT_FALSE(GTK_WIDGET_SENSITIVE(transparent));
  gtk_combo_box_set_active(GTK_COMBO_BOX(combo), 0);
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(transparent), TRUE);
  // An unwritable place: reported, the dialog stays; then a good one closes it.
  answers = {file("missing/dir/plot.png"), file("plot")};  // the name gets its ".png"
  gtk_button_released(GTK_BUTTON(save));
  ASSERT_EQ(texts("error").size(), 1u);
  EXPECT_FALSE(dialog_gone);
  gtk_button_released(GTK_BUTTON(save));
  pump();
  EXPECT_TRUE(dialog_gone);
  EXPECT_EQ(choosers.back().proposed_name, "G_r.png");
  cairo_surface_t* png = cairo_image_surface_create_from_png(file("plot.png").c_str());
  ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
  EXPECT_EQ(cairo_image_surface_get_width(png), 300);
  EXPECT_EQ(cairo_image_surface_get_height(png), 400);
  EXPECT_EQ(reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(png))[0] >> 24, 0u);
  cairo_surface_destroy(png);
}

// The curve alone in each format, then with two drawn extra sets (bars for the last) as one
// file of three sets in slot order; a name without the format's extension gets it.
TEST_F(ExportTest, DataFilesAreTheWritersOutput) {
  const curve& c = rec(p, 3, 1);
  messages->answers.push_back(1);  // the reduction record beside the first file only
  for (int fmt = 0; fmt < 3; ++fmt) {
    std::string out = file("gr" + std::to_string(fmt) + (fmt == 2 ? ".agr" : ".dat"));
    std::string ref = file("ref" + std::to_string(fmt) + ".dat");
    answers.push_back({out, fmt});
    write_curve(nullptr, ids(p, 3, 1));
    ASSERT_EQ(save_to_file(static_cast<int>(ref.size()), ref.c_str(), c.ndata, c.data[0].data(),
                           c.data[1].data(), c.scale[0], c.scale[1], c.aspect, 3, 1, fmt),
              1);
    EXPECT_EQ(slurp(out), slurp(ref)) << fmt;
    EXPECT_EQ(c.cfile.value_or(""), out);
  }
  EXPECT_EQ(choosers[0].proposed_name, "G_r.dat");
  EXPECT_EQ(choosers[1].preset_file, file("gr0.dat"));  // afterwards on the file chosen before
  EXPECT_NE(slurp(file("gr0.dat.json")).find("\"program\": \"AMOQ-GTK+\""), std::string::npos);
  EXPECT_TRUE(slurp(file("gr1.dat.json")).empty());
  EXPECT_EQ(texts("question").size(), 3u);

  put_curve(3, 2, 120, 0.05, 10.0, [](double r) { return 1.0 - std::exp(-r); });
  put_curve(3, 3, 80, 0.05, 10.0, [](double r) { return std::cos(r); });
  curve& host = rec(p, 3, 1);
  allocextra(0, p, 3, 1);
  int last = -1;
  for (int k = 0; k < host.extras; ++k)
    if (host.extrasets[k][3] != 1) host.extrasets[k][0] = 1, last = k;
  host.extras_shown = 2;
  host.extraspect[last] = 1;
  answers.push_back({file("multi"), 2});
  write_curve(nullptr, ids(p, 3, 1));
  const std::string ref = file("multiref");
  ASSERT_EQ(prep_file(static_cast<int>(ref.size()), ref.c_str(), 2, 0, 0, 3, 1), 1);
  for (int k = 0; k < 3; ++k) {
    const curve& e = rec(p, 3, k + 1);
    ASSERT_EQ(append_to_file(e.ndata, e.data[0].data(), e.data[1].data(), k == 2, 3, k + 1, 2, k, 3), 1);
  }
  EXPECT_EQ(slurp(file("multi.agr")), slurp(ref));
  EXPECT_EQ(texts("question").size(), messages->messages.size());  // nothing but the record question
}
