// Image export dialog and data export, with the file chooser answered from a script.
// Images are checked through their headers (PNG IHDR via cairo, PDF MediaBox, SVG
// width/height); data files against the writer's own output for the same sets.
#include <cairo.h>

#include <regex>

#include "curvewin_fixture.h"
#include "numeric/writedata.h"

namespace {

class ExportTest : public CurveWindowTest {
 public:
  int p = 0;
  GtkWidget* dialog = nullptr;
  GtkWidget* combo = nullptr;
  GtkWidget* size[2]{};
  GtkWidget* transparent = nullptr;
  GtkWidget* save = nullptr;
  GtkWidget* cancel = nullptr;
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
    g_signal_connect(dialog, "destroy", G_CALLBACK(+[](GtkWidget*, gpointer gone) {
                       *static_cast<bool*>(gone) = true;
                     }),
                     &dialog_gone);
    auto combos = all_of(dialog, GTK_TYPE_COMBO_BOX);
    auto entries = all_of(dialog, GTK_TYPE_ENTRY);
    ASSERT_EQ(combos.size() * entries.size(), 2u);
    combo = combos[0];
    size[0] = entries[0];
    size[1] = entries[1];
    transparent = find_labelled(dialog, "Make background transparent");
    save = find_labelled(dialog, "gtk-save");
    cancel = find_labelled(dialog, "gtk-cancel");
    ASSERT_TRUE(transparent && save && cancel);
  }

  void type(int axis, const char* text) {
    gtk_entry_set_text(GTK_ENTRY(size[axis]), text);
    gtk_widget_activate(size[axis]);
  }
  std::string shown(int axis) { return gtk_entry_get_text(GTK_ENTRY(size[axis])); }

  // Chooses format, size and background, answers the chooser with `file`, saves.
  void export_image(int format, const char* w, const char* h, bool clear, const std::string& file) {
    open_dialog();
    gtk_combo_box_set_active(GTK_COMBO_BOX(combo), format);
    type(0, w);
    type(1, h);
    if (clear) gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(transparent), TRUE);
    answers.push_back({file, 0});
    gtk_button_released(GTK_BUTTON(save));
    pump();
  }
};

}  // namespace

TEST_F(ExportTest, DialogRefusesMissingFormatAndNonPositiveSizes) {
  open_dialog();
  EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(dialog)), "Export image");
  EXPECT_EQ(shown(0), "600");
  EXPECT_EQ(shown(1), "400");
  EXPECT_FALSE(GTK_WIDGET_SENSITIVE(transparent));

  gtk_button_released(GTK_BUTTON(save));
  EXPECT_EQ(messages->texts("warning"),
            std::vector<std::string>{"To save an image please enter a file format"});
  EXPECT_TRUE(choosers.empty());

  const struct {
    int axis;
    const char* typed;
    const char* warning;
    const char* kept;
  } sizes[] = {
      {0, "0", "X size must be > 0", "600"},
      {1, "-3", "Y size must be > 0", "400"},
      {0, "abc", "X size: \"abc\" is not a number\nThe value is left as it was", "600"},
      {0, "0.9", "X size must be > 0", "600"},  // truncated to whole pixels
      {1, "250.7", nullptr, "250"},
  };
  for (const auto& s : sizes) {
    SCOPED_TRACE(s.typed);
    messages->messages.clear();
    type(s.axis, s.typed);
    if (s.warning) {
      EXPECT_EQ(messages->texts("warning"), std::vector<std::string>{s.warning});
    } else {
      EXPECT_TRUE(messages->messages.empty());
    }
    EXPECT_EQ(shown(s.axis), s.kept);
  }

  // PNG allows a transparent background; PDF clears and disables the choice.
  gtk_combo_box_set_active(GTK_COMBO_BOX(combo), 0);
  EXPECT_TRUE(GTK_WIDGET_SENSITIVE(transparent));
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(transparent), TRUE);
  gtk_combo_box_set_active(GTK_COMBO_BOX(combo), 1);
  EXPECT_FALSE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(transparent)));
  EXPECT_FALSE(GTK_WIDGET_SENSITIVE(transparent));
  gtk_combo_box_set_active(GTK_COMBO_BOX(combo), 2);
  EXPECT_TRUE(GTK_WIDGET_SENSITIVE(transparent));

  // Cancel in the chooser writes nothing and keeps the dialog.
  gtk_button_released(GTK_BUTTON(save));
  ASSERT_EQ(choosers.size(), 1u);
  EXPECT_EQ(choosers[0].title, "Save Scalable Vector Graphics");
  EXPECT_FALSE(dialog_gone);
  gtk_button_released(GTK_BUTTON(cancel));
  pump();
  EXPECT_TRUE(dialog_gone);
}

TEST_F(ExportTest, ImagesHaveExactlyTheTypedSize) {
  // PNG, transparent or opaque white, also at a name without extension: exactly the size.
  const struct {
    const char* name;
    int w, h;
    bool clear;
    uint32_t corner;
  } pngs[] = {{"plot.png", 300, 200, true, 0u}, {"noext", 123, 77, false, 0xffffffffu}};
  for (const auto& k : pngs) {
    SCOPED_TRACE(k.name);
    export_image(0, std::to_string(k.w).c_str(), std::to_string(k.h).c_str(), k.clear, file(k.name));
    EXPECT_TRUE(dialog_gone);
    cairo_surface_t* png = cairo_image_surface_create_from_png(file(k.name).c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(png), k.w);
    EXPECT_EQ(cairo_image_surface_get_height(png), k.h);
    const uint32_t* first = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(png));
    EXPECT_EQ(k.clear ? first[0] >> 24 : first[0], k.corner);
    cairo_surface_destroy(png);
  }
  ASSERT_EQ(choosers.size(), 2u);
  EXPECT_EQ(choosers[0].title, "Save Portable Network Graphics");
  EXPECT_TRUE(choosers[0].save);
  EXPECT_TRUE(choosers[0].confirm_overwrite);
  using fp = std::pair<std::string, std::string>;
  EXPECT_EQ(choosers[0].filters, std::vector<fp>{fp("PNG file (*.png)", "*.png")});

  // PDF: one page of 320 x 240 points; SVG: 450 x 260 points.
  export_image(1, "320", "240", false, file("plot.pdf"));
  std::string pdf = slurp(file("plot.pdf"));
  EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
  EXPECT_TRUE(std::regex_search(pdf, std::regex(R"(/MediaBox \[\s*0 0 320 240\s*\])"))) << pdf.substr(0, 400);
  export_image(2, "450", "260", true, file("plot.svg"));
  std::string svg = slurp(file("plot.svg"));
  EXPECT_NE(svg.find("<svg"), std::string::npos);
  EXPECT_TRUE(std::regex_search(svg, std::regex(R"(width="450(pt)?" height="260(pt)?")"))) << svg.substr(0, 300);
  EXPECT_TRUE(messages->messages.empty());

  // An unwritable place is reported and the dialog stays.
  export_image(0, "100", "100", false, file("missing/dir/plot.png"));
  EXPECT_FALSE(dialog_gone);
  ASSERT_EQ(texts("error").size(), 1u);
  EXPECT_NE(texts("error")[0].find("missing/dir/plot.png"), std::string::npos);
  gtk_widget_destroy(dialog);
}

TEST_F(ExportTest, DataFilesAreTheWritersOutput) {
  const curve& c = rec(p, 3, 1);
  messages->answers.push_back(1);  // the reduction record beside the first file only
  for (int fmt = 0; fmt < 3; ++fmt) {
    SCOPED_TRACE(fmt);
    std::string out = file("gr" + std::to_string(fmt) + ".dat");
    std::string ref = file("ref" + std::to_string(fmt) + ".dat");
    answers.push_back({out, fmt});
    write_curve(nullptr, ids(p, 3, 1));
    ASSERT_EQ(save_to_file(static_cast<int>(ref.size()), ref.c_str(), c.ndata, c.data[0].data(),
                           c.data[1].data(), c.scale[0], c.scale[1], c.aspect, 3, 1, fmt),
              1);
    EXPECT_FALSE(slurp(out).empty());
    EXPECT_EQ(slurp(out), slurp(ref));
    EXPECT_EQ(c.cfile.value_or(""), out);
  }
  // The chooser: its title and filters; the first time in the current folder on the
  // curve's name, afterwards on the file chosen before.
  ASSERT_EQ(choosers.size(), 3u);
  EXPECT_EQ(choosers[0].title, "Save data to disk");
  using fp = std::pair<std::string, std::string>;
  EXPECT_EQ(choosers[0].filters,
            (std::vector<fp>{{"(x,y) ASCII file (*.dat)", "*.*"},
                             {"(x,y,0.,1.) ASCII file (*.dat)", "*.*"},
                             {"Xmgrace file (*.agr)", "*.agr"}}));
  EXPECT_TRUE(choosers[0].confirm_overwrite);
  EXPECT_EQ(choosers[0].proposed_name, "G(r)");
  EXPECT_TRUE(choosers[0].preset_file.empty());
  EXPECT_EQ(choosers[1].preset_file, file("gr0.dat"));

  EXPECT_NE(slurp(file("gr0.dat.json")).find("\"program\": \"AMOQ-GTK+\""), std::string::npos);
  EXPECT_TRUE(slurp(file("gr1.dat.json")).empty());

  // Cancel: nothing written, cfile unchanged.
  write_curve(nullptr, ids(p, 3, 1));
  EXPECT_EQ(c.cfile.value_or(""), file("gr2.dat"));
  EXPECT_EQ(messages->texts("question").size(), 3u);
  EXPECT_EQ(messages->texts("question").size(), messages->messages.size());

  // An unwritable place is reported.
  answers.push_back({file("no/such/dir/x.dat"), 0});
  write_curve(nullptr, ids(p, 3, 1));
  EXPECT_EQ(messages->texts("error").size(), 1u);
}

TEST_F(ExportTest, DrawnExtraSetsFollowTheCurveInSlotOrder) {
  // Two more curves of the step with points, both drawn over G(r).
  put_curve(3, 2, 120, 0.05, 10.0, [](double r) { return 1.0 - std::exp(-r); });
  put_curve(3, 3, 80, 0.05, 10.0, [](double r) { return std::cos(r); });
  curve& c = rec(p, 3, 1);
  allocextra(0, p, 3, 1);
  std::vector<int> drawn;
  for (int k = 0; k < c.extras; ++k)
    if (c.extrasets[k][3] != 1) {
      c.extrasets[k][0] = 1;
      drawn.push_back(k);
    }
  ASSERT_EQ(drawn.size(), 2u);
  c.extras_shown = 2;
  c.extraspect[drawn[1]] = 1;  // bars for the last set
  for (int fmt : {0, 2}) {
    SCOPED_TRACE(fmt);
    std::string out = file("multi" + std::to_string(fmt));
    std::string ref = file("multiref" + std::to_string(fmt));
    answers.push_back({out, fmt});
    write_curve(nullptr, ids(p, 3, 1));
    int len = static_cast<int>(ref.size());
    ASSERT_EQ(prep_file(len, ref.c_str(), fmt, 0, 0, 3, 1), 1);
    ASSERT_EQ(append_to_file(c.ndata, c.data[0].data(), c.data[1].data(), 0, 3, 1, fmt, 0, 3), 1);
    const curve& e1 = rec(p, 3, 2);
    ASSERT_EQ(append_to_file(e1.ndata, e1.data[0].data(), e1.data[1].data(), 0, 3, 2, fmt, 1, 3), 1);
    const curve& e2 = rec(p, 3, 3);
    ASSERT_EQ(append_to_file(e2.ndata, e2.data[0].data(), e2.data[1].data(), 1, 3, 3, fmt, 2, 3), 1);
    EXPECT_FALSE(slurp(out).empty());
    EXPECT_EQ(slurp(out), slurp(ref));
  }
  EXPECT_EQ(messages->texts("question").size(), messages->messages.size());
}
