// The two editors of a curve, each in one story: opened from the curve window, a change
// seen in the window.
#include "curvewin_fixture.h"
#include "gui/edit/curve_editor.h"
#include "gui/edit/curve_editor_private.h"

namespace {

class EditTest : public CurveWindowTest {
 public:
  void TearDown() override {
    if (curve_editor()) gtk_widget_destroy(curve_editor());
    set_constant_prompt({});
    CurveWindowTest::TearDown();
  }

  // A project with one species (so that its curves are saved) and S(q) curves.
  int add_sq_project(const char* name) {
    int p = add_project(name);
    prepspec(p, 1);
    set_species_element(p, 0, 8);
    put_curve(1, 1, 100, 0.5, 20.5, [](double q) { return std::sin(q); });
    put_curve(1, 2, 100, 0.5, 20.5, [](double q) { return 1 + std::sin(q) / q; });
    return p;
  }

  static GtkWidget* control_of(control_kind kind, int field) {
    for (const control& k : editor().controls)
      if (k.kind == kind && k.field == field) return k.widget;
    return nullptr;
  }
  void type_number(curve_entry f, const char* text) {
    GtkWidget* w = control_of(control_kind::number, int(f));
    gtk_entry_set_text(GTK_ENTRY(w), text);
    g_signal_emit_by_name(w, "activate");
    pump();
  }
};

bool blue(const guchar* p) { return p[0] < 60 && p[1] < 60 && p[2] > 200; }

}  // namespace

TEST_F(EditTest, CurveEditorRestylesTheWindowAndTheSavedProject) {
  int a = add_sq_project("alpha");
  GtkWidget* win = open_window(a, 1, 2);
  curve& c = rec(a, 1, 2);
  gtk_menu_item_activate(GTK_MENU_ITEM(find_labelled(win, "E_dit curve")));
  pump();
  GtkWidget* dialog = curve_editor();
  ASSERT_NE(dialog, nullptr);
  // The window redraws in the new style at once.
  EXPECT_EQ(frame_pixels(c, blue), 0);
  GtkWidget* data_colour = control_of(control_kind::colour, int(curve_colour::data));
  GdkColor b{0, 0, 0, 65535};
  gtk_color_button_set_color(GTK_COLOR_BUTTON(data_colour), &b);
  g_signal_emit_by_name(data_colour, "color-set");
  type_number(curve_entry::line_width, "3");
  settle(c);
  EXPECT_GT(frame_pixels(c, blue), 300);

  // A logarithmic y axis takes its range away from the entries.
  gtk_combo_box_set_active(GTK_COMBO_BOX(editor().axis_combo), 1);
  gtk_combo_box_set_active(GTK_COMBO_BOX(control_of(control_kind::choice, int(curve_choice::scale))), 1);
  EXPECT_TRUE(c.scale[1] == 1 && !GTK_WIDGET_SENSITIVE(control_of(control_kind::number, int(curve_entry::axis_min))));

  // The other curve of the project, ticked in "Add data set", is drawn and can be chosen.
  GtkCellRendererToggle* toggle = nullptr;
  for (GtkWidget* view : all_of(dialog, GTK_TYPE_TREE_VIEW)) {
    GList* cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(gtk_tree_view_get_column(GTK_TREE_VIEW(view), 1)));
    toggle = GTK_CELL_RENDERER_TOGGLE(cells->data);
    g_list_free(cells);
  }
  ASSERT_NE(toggle, nullptr);
  g_signal_emit_by_name(toggle, "toggled", "0:1:0");  // alpha / S(q) / Q[S(Q)-1]
  pump();
  GtkComboBox* sets = GTK_COMBO_BOX(editor().set_combo);
  EXPECT_EQ(std::tuple(c.extras_shown, gtk_tree_model_iter_n_children(gtk_combo_box_get_model(sets), nullptr),
                       GTK_WIDGET_SENSITIVE(sets)), std::tuple(1, 2, true));

  gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CLOSE);
  pump();
  EXPECT_EQ(curve_editor(), nullptr);
}

TEST_F(EditTest, DataEditorEditsRowsAndAppliesThemToTheCurve) {
  int a = add_sq_project("alpha");
  put_curve(1, 2, 4, 1.0, 4.0, [](double q) { return 10 * q; });
  open_window(a, 1, 2);
  curve& c = rec(a, 1, 2);

  // Opened from the context menu's "_Edit data"; a second time shows the same window.
  GtkWidget* menu = build_cpopmenu(ids(a, 1, 2));
  ASSERT_NE(find_labelled(menu, "S(Q)"), nullptr);
  gtk_menu_item_activate(GTK_MENU_ITEM(find_labelled(menu, "S(Q)")));
  gtk_widget_destroy(menu);
  pump();
  GtkWidget* editor_window = edit_data(proj[a].id, 1, 2);
  ASSERT_TRUE(editor_window && edit_data(proj[a].id, 1, 2) == editor_window);
  GtkTreeView* view = GTK_TREE_VIEW(all_of(editor_window, GTK_TYPE_TREE_VIEW).at(0));
  EXPECT_STREQ(gtk_tree_view_column_get_title(gtk_tree_view_get_column(view, 2)), "alpha\nS(Q)");

  auto edit = [&](int column, const char* path, const char* text) {
    GList* cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(gtk_tree_view_get_column(view, column)));
    g_signal_emit_by_name(cells->data, "edited", path, text);
    g_list_free(cells);
  };
  edit(2, "0", "-5");

  GtkTreeSelection* sel = gtk_tree_view_get_selection(view);
  auto act = [&](const char* label) {
    GtkWidget* m = data_editor_menu(editor_window);
    ASSERT_NE(m, nullptr);
    gtk_menu_item_activate(GTK_MENU_ITEM(find_labelled(m, label)));
    gtk_widget_destroy(m);
    pump();
  };
  set_constant_prompt([](const char*, const char*) -> std::optional<std::string> { return "2"; });
  gtk_tree_selection_select_all(sel);
  act("_Multiply last column by constant");

  EXPECT_EQ(c.data[1][0], 10.0);
  g_signal_emit_by_name(find_labelled(editor_window, GTK_STOCK_APPLY), "released");
  pump();
  EXPECT_EQ(c.data[1], (std::vector<double>{-10, 40, 60, 80}));

  // Cancel leaves the curve as it was.
  editor_window = edit_data(proj[a].id, 1, 2);
  gtk_tree_selection_select_all(gtk_tree_view_get_selection(GTK_TREE_VIEW(all_of(editor_window, GTK_TYPE_TREE_VIEW).at(0))));


  act("_Delete row(s)");
  g_signal_emit_by_name(find_labelled(editor_window, GTK_STOCK_CANCEL), "released");
  pump();
  EXPECT_EQ(c.ndata, 4);
}
