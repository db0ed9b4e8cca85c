// Shared between the source files of the curve editor; not for other modules.
#pragma once

#include <gtk/gtk.h>

#include <initializer_list>
#include <vector>

#include "project/curve_edit.h"

// Controls that take input only in some states of the record (see curve_edit_live).
enum class live_group {
  always, title, title_text, frame, set_choice, glyph_type, line_width, glyph, legend,
  legend_box, axis_range, axis_title,
};

enum class control_kind { number, choice, text, font, colour };

// One control and the field it edits (a curve_entry, curve_choice, curve_text or
// curve_colour, by kind).
struct control {
  GtkWidget* widget;
  control_kind kind;
  int field;
  live_group group;
};

struct curve_editor_state {
  GtkWidget* dialog = nullptr;
  const curve_id* triple = nullptr;
  int set = 0, axis = 0;
  std::vector<control> controls;
  GtkWidget* set_combo = nullptr;
  GtkWidget* axis_combo = nullptr;
  GtkWidget* frame_preview = nullptr;
  GtkWidget* style_preview = nullptr;
  GtkTreeStore* sets = nullptr;  // "Add data set" tree, null without that tab
  bool loading = false;          // widgets are being rewritten: their signals are not edits
};
curve_editor_state& editor();

// The curve and choices of the open editor.
curve_edit editor_target();

// Control factories: each control is registered, loaded from the record and connected.
GtkWidget* number_entry(curve_entry f, live_group g = live_group::always);
GtkWidget* choice_combo(curve_choice f, std::initializer_list<const char*> items,
                        live_group g = live_group::always);
// A combo of `first` followed by "1" .. "n".
// The glyph types 0 .. max_glyph, each with its picture; entry 0 reads `first`.
GtkWidget* glyph_combo(curve_choice f, const char* first, live_group g = live_group::always);
GtkWidget* numbered_combo(curve_choice f, const char* first, int n,
                          live_group g = live_group::always);
GtkWidget* choice_check(const char* label, curve_choice f, live_group g = live_group::always);
GtkWidget* choice_spin(curve_choice f, live_group g = live_group::always);
GtkWidget* choice_slider(curve_choice f, live_group g = live_group::always);
GtkWidget* text_entry(curve_text f, live_group g = live_group::always);
GtkWidget* font_button(curve_text f, live_group g = live_group::always);
GtkWidget* colour_button(curve_colour f, live_group g = live_group::always);

// Layout helpers: a label, and a row of widgets packed into a box.
GtkWidget* text_label(const char* text, bool markup = false);
GtkWidget* row(GtkWidget* box, std::initializer_list<GtkWidget*> widgets);
GtkWidget* page(GtkWidget* notebook, const char* title);

// The frame (which 0) or data style (which 1) preview, w x h pixels.
GtkWidget* preview(int which, int w, int h);
// "Select set" and "Select axis".
GtkWidget* set_chooser();
GtkWidget* axis_chooser();

// Reloads every control from the record, their sensitivity and the previews.
void load_controls();
// Reloads the entries of "Select set" and chooses editor().set.
void prepbox();
// Stores nothing; redraws the curve window and the previews.
void redraw_edited();

// The tabs.
void create_tab_1(GtkWidget* notebook);
void create_tab_2(GtkWidget* notebook);
void create_tab_3(GtkWidget* notebook);
void create_projects_tree(GtkWidget* notebook);
// Rewrites the toggles of the "Add data set" tree from the slot table.
void fill_proj_model();
