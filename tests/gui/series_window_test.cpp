// The Series window in the main window: its controls wired to the rules, and the story of
// a temperature series: the patterns chosen, reduced in the background with the active
// project's settings, the waterfall and the trend, a pattern opened as its own project,
// the table exported.

#include "curvewin_fixture.h"
#include "gui/project/series_window.h"
#include "plot/series_plot.h"
#include "shell_fixture.h"

namespace {

namespace fs = std::filesystem;

class SeriesWindow : public ShellTest {
 public:
  const series_window_widgets* w = nullptr;

  void TearDown() override {
    close_series_window();
    ShellTest::TearDown();
  }
  void open_window() {
    gtk_menu_item_activate(GTK_MENU_ITEM(gui_object("m_series")));
    pump();
    w = series_window();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(gtk_widget_get_visible(w->window));
  }
  // The example's raw data scaled and shifted, with a temperature in its header.
  std::string pattern(const std::string& name, int k, double kelvin) {
    std::ifstream in(example("sio2_raw.dat"));
    std::ostringstream out;
    out << "# Temperature = " << kelvin << " K\n";
    char line[96];
    for (double x, y; in >> x >> y;) {
      std::snprintf(line, sizeof line, "%.3f %.6f\n", x, y * (1 + 0.02 * k) + 4.0 * k);
      out << line;
    }
    std::ofstream(file(name)) << out.str();
    return file(name);
  }
  void click(GtkWidget* b) {
    gtk_button_clicked(GTK_BUTTON(b));
    pump();
  }
  std::string label(GtkWidget* l) { return gtk_label_get_text(GTK_LABEL(l)); }
  // Runs the main loop until the window has nothing under way (at most a minute).
  void wait_until_idle() {
    for (int i = 0; i < 6000 && series_window_busy(); ++i) {
      while (gtk_events_pending()) gtk_main_iteration();
      g_usleep(10000);
    }
    pump();
    ASSERT_FALSE(series_window_busy());
  }
  std::string table_cell(int row, int column) {
    GtkTreeModel* m = gtk_tree_view_get_model(GTK_TREE_VIEW(w->table));
    GtkTreeIter it;
    gtk_tree_model_iter_nth_child(m, &it, nullptr, row);
    gchar* text = nullptr;
    gtk_tree_model_get(m, &it, column, &text, -1);
    std::string out = text ? text : "";
    g_free(text);
    return out;
  }
  // A press of mouse button 1 (type GDK_BUTTON_PRESS or GDK_2BUTTON_PRESS) on a plot.
  void press(GtkWidget* area, double x, double y, GdkEventType type) {
    GdkEventButton e{};
    e.type = type, e.window = gtk_widget_get_window(area), e.button = 1;
    e.x = x, e.y = y;
    gboolean handled = FALSE;
    g_signal_emit_by_name(area, "button-press-event", &e, &handled);
    pump();
  }

};

}  // namespace

// Each kind of control once: the menu entry, the file and folder choosers with the
// pattern, Clear, the value source and the controls it enables, the checks before a run,
// and closing the window.
TEST_F(SeriesWindow, ControlsAreWiredToTheRules) {
  open_window();
  EXPECT_EQ(label(w->files_label), "No pattern chosen");
  for (GtkWidget* b : {w->run, w->export_table, w->open_pattern}) EXPECT_FALSE(gtk_widget_is_sensitive(b));
  pattern("b10.dat", 1, 300), pattern("b9.dat", 2, 400), pattern("b9.xy", 3, 500);
  // A folder and its files that match the pattern, in natural order; then files chosen.
  gtk_entry_set_text(GTK_ENTRY(w->pattern), "*.dat");
  answers = {dir};
  click(w->add_folder);
  EXPECT_EQ(std::tuple(choosers.back().select_folder, label(w->files_label)), std::tuple(true, "Patterns: 2"));
  answers = {file("b9.xy") + "\n" + file("b9.dat")};  // one again: each file once
  click(w->add_files);
  EXPECT_EQ(std::tuple(choosers.back().multiple, label(w->files_label)), std::tuple(true, "Patterns: 3"));
  answers = {file("none")};
  click(w->add_folder);
  EXPECT_NE(texts("error").at(0).find("Impossible to read the folder"), std::string::npos);
  EXPECT_TRUE(gtk_widget_is_sensitive(w->run));
  // No project: nothing runs.
  click(w->run);
  EXPECT_EQ(texts("warning").back(), "Open or create a project first: its settings reduce the series");
  EXPECT_FALSE(series_window_busy());
  menu("gtk-new");
  click(w->run);
  EXPECT_EQ(texts("warning").back(), "Apply the settings of the active project first: they reduce the series");
  // The series value: each source enables its own control and asks for what it needs.
  EXPECT_FALSE(gtk_widget_is_sensitive(w->value_key));
  gtk_combo_box_set_active(GTK_COMBO_BOX(w->value_source), 1);
  pump();
  EXPECT_TRUE(gtk_widget_is_sensitive(w->value_key) && !gtk_widget_is_sensitive(w->value_list));
  proj[activep].run = 1;  // the settings' own checks are not this window's
  gtk_combo_box_set_active(GTK_COMBO_BOX(w->value_source), 2);
  pump();
  EXPECT_TRUE(gtk_widget_is_sensitive(w->value_list));
  click(w->run);
  EXPECT_EQ(texts("warning").back(), "Choose the list file of the series values");
  std::ofstream(file("values.txt")) << "b9.dat 400\nb10.dat 300\n";
  answers = {file("values.txt")};
  click(w->value_list);
  EXPECT_EQ(label(w->value_list_label), "values.txt");
  click(w->run);
  EXPECT_EQ(texts("warning").back(), file("values.txt") + ": no value for " + file("b9.xy"));
  click(w->clear);
  EXPECT_EQ(std::tuple(label(w->files_label), gtk_widget_is_sensitive(w->run)), std::tuple("No pattern chosen", FALSE));
  // Closing hides the window; the menu shows it again.
  gboolean handled = FALSE;
  g_signal_emit_by_name(w->window, "delete-event", nullptr, &handled);
  EXPECT_FALSE(gtk_widget_get_visible(w->window));
  open_window();
}

// The story: a temperature series of the SiO2 example reduced with the settings of the
// project open, ordered by temperature; the waterfall, the trend of the first peak, one
// pattern marked by a click on its curve and opened as a project by a double click.
TEST_F(SeriesWindow, TemperatureSeriesFromFilesToAProjectOfItsOwn) {
  answers = {example("sio2.nap")};
  menu("gtk-open");
  ASSERT_EQ(nprojects, 1);
  open_window();
  const std::vector<std::string> files = {pattern("s_T700.dat", 2, 700), pattern("s_T300.dat", 0, 300),
                                          pattern("s_T500.dat", 1, 500)};
  answers = {files[0] + "\n" + files[1] + "\n" + files[2]};
  click(w->add_files);
  gtk_combo_box_set_active(GTK_COMBO_BOX(w->value_source), 1);
  gtk_entry_set_text(GTK_ENTRY(w->value_key), "Temperature");
  gtk_combo_box_set_active(GTK_COMBO_BOX(w->order), 1);
  pump();
  gtk_button_clicked(GTK_BUTTON(w->run));  // no main loop yet: the run has just begun
  EXPECT_TRUE(series_window_busy() && !gtk_widget_is_sensitive(w->run) && gtk_widget_is_sensitive(w->cancel));
  wait_until_idle();
  ASSERT_TRUE(texts("warning").empty()) << texts("warning")[0];
  ASSERT_TRUE(texts("error").empty()) << texts("error")[0];
  const series_view& view = series_window_view();
  ASSERT_EQ(view.size(), 3u);
  EXPECT_EQ(gtk_progress_bar_get_text(GTK_PROGRESS_BAR(w->progress)) + (" " + label(w->status)).substr(0, 24),
            "3 / 3 3 of 3 patterns reduced");
  // The table by temperature.
  ASSERT_EQ(gtk_tree_model_iter_n_children(gtk_tree_view_get_model(GTK_TREE_VIEW(w->table)), nullptr), 3);
  EXPECT_EQ(table_cell(0, 0) + " " + table_cell(0, 1) + " " + table_cell(1, 2) + " " + table_cell(2, 0),
            "s_T300.dat 300 done s_T700.dat");
  EXPECT_TRUE(gtk_widget_is_sensitive(w->export_table));

  // A click on the lowest curve marks its pattern (300 K) in the table; a double click
  // opens it as a project of its own, with its results.
  const waterfall_input in = view.waterfall(curve_sq, gtk_range_get_value(GTK_RANGE(w->offset)), -1);
  GtkAllocation size;
  gtk_widget_get_allocation(w->waterfall, &size);
  const int width = size.width, height = size.height;
  const series_plot_layout l = waterfall_layout(in, width, height);
  const double x = l.x_min + 0.05 * (l.x_max - l.x_min);
  double y = -1;
  for (double py = l.y_bottom; py > l.y_top && y < 0; py -= 0.5)
    if (pick_waterfall(in, width, height, x, py) == 0) y = py;
  ASSERT_GT(y, 0);
  press(w->waterfall, x, y, GDK_BUTTON_PRESS);
  ASSERT_EQ(series_window_highlight(), 0);  // reduced in natural order: 300 K first
  EXPECT_TRUE(gtk_widget_is_sensitive(w->open_pattern));
  GtkTreePath* first = gtk_tree_path_new_first();
  EXPECT_TRUE(gtk_tree_selection_path_is_selected(gtk_tree_view_get_selection(GTK_TREE_VIEW(w->table)), first));
  gtk_tree_path_free(first);
  press(w->waterfall, x, y, GDK_2BUTTON_PRESS);
  wait_until_idle();
  ASSERT_TRUE(texts("error").empty()) << texts("error")[0];
  ASSERT_EQ(nprojects, 2);
  // active, named after the pattern, unsaved, with its results
  EXPECT_EQ(std::tuple(activep, proj[1].name, proj[1].changed, proj[1].calcok[calc_gr]), std::tuple(1, "s_T300", 1, 1));
  // a new project (Save asks where); the one whose settings were taken is as it was
  EXPECT_TRUE(!proj[1].path && proj[0].path == example("sio2.nap"));
  const curve* sq = find_curve(1, 1, 2);
  ASSERT_TRUE(sq && curve_points(*sq) > 0);
  EXPECT_NEAR(sq->data[1][100], view.entry(0).y[curve_sq][100], 1e-6);  // as its file reads back
  EXPECT_EQ(status(), "Opened s_T300 as a new project");

  // The table as shown, to a file of the user's choice.
  answers = {file("series")};
  click(w->export_table);
  std::ifstream csv(file("series.csv"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(csv, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1].rfind(files[1] + ",300,0,", 0), 0u) << lines[1];
}
