// Image export dialog, with the file chooser answered from a script; the image is read
// back with cairo's PNG reader (the data files are the writer's, checked in the numeric tests).

#include "curvewin_fixture.h"

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
  EXPECT_EQ(texts("warning").back() + " " + shown(1), "Y size must be > 0 400");  // the old size shown again
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
  EXPECT_TRUE(dialog_gone && choosers.back().proposed_name == "G_r.png");
  cairo_surface_t* png = cairo_image_surface_create_from_png(file("plot.png").c_str());
  ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
  EXPECT_EQ(std::tuple(cairo_image_surface_get_width(png), cairo_image_surface_get_height(png)), std::tuple(300, 400));

  EXPECT_EQ(reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(png))[0] >> 24, 0u);
  cairo_surface_destroy(png);
}

// Data export: the file chosen holds the curve, the curve remembers it, the reduction
// record is written beside it when asked for.
TEST_F(ExportTest, DataExportWritesTheChosenFile) {
  messages->answers.push_back(1);
  answers.push_back({file("gr"), 0});  // the name gets its ".dat"
  write_curve(nullptr, ids(p, 3, 1));
  EXPECT_EQ(choosers.back().proposed_name, "G_r.dat");
  EXPECT_EQ(rec(p, 3, 1).cfile.value_or(""), file("gr.dat"));
  EXPECT_NE(slurp(file("gr.dat.json")).find("\"program\": \"AMOQ-GTK+\""), std::string::npos);
}
