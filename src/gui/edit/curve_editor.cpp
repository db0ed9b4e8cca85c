// The curve editor dialog: its controls move values between widgets and the rules of
// project/curve_edit.h; every accepted value is stored at once and the curve redrawn.
#include <algorithm>
#include <cmath>
#include <string>

#include "gui/base/dialogs.h"
#include "gui/base/placement.h"
#include "gui/base/paths.h"
#include "gui/edit/curve_editor.h"
#include "gui/edit/curve_editor_private.h"
#include "gui/plot/curve_window.h"
#include "plot/glyphs.h"
#include "plot/render.h"
#include "plot/style_sample.h"
#include "project/allocextra.h"
#include "project/changes.h"
#include "project/entry_text.h"
#include "project/project.h"
#include "project/toolbox.h"
#include "gui/base/i18n.h"

namespace {

curve_editor_state state;

int field_of(GtkWidget* w) { return GPOINTER_TO_INT(g_object_get_data(G_OBJECT(w), "amoq-field")); }

bool live(const curve_edit_live& l, live_group g) {
  switch (g) {
    case live_group::title: return l.title;
    case live_group::title_text: return l.title_text;
    case live_group::frame: return l.frame;
    case live_group::set_choice: return l.set_choice;
    case live_group::glyph_type: return l.glyph_type;
    case live_group::line_width: return l.line_width;
    case live_group::glyph: return l.glyph;
    case live_group::legend: return l.legend;
    case live_group::legend_box: return l.legend_box;
    case live_group::axis_range: return l.axis_range;
    case live_group::axis_title: return l.axis_title;
    default: return true;
  }
}

GdkColor to_gdk(const color& c) { return GdkColor{c.pixel, c.red, c.green, c.blue}; }

void load(const control& k) {
  curve_edit e = editor_target();
  GtkWidget* w = k.widget;
  switch (k.kind) {
    case control_kind::number:
      gtk_entry_set_text(GTK_ENTRY(w), curve_entry_text(e, curve_entry(k.field)).c_str());
      break;
    case control_kind::choice: {
      int v = curve_choice_value(e, curve_choice(k.field));
      if (GTK_IS_COMBO_BOX(w))
        gtk_combo_box_set_active(GTK_COMBO_BOX(w), v);
      else if (GTK_IS_TOGGLE_BUTTON(w))
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w), v != 0);
      else if (GTK_IS_SPIN_BUTTON(w))
        gtk_spin_button_set_value(GTK_SPIN_BUTTON(w), v);
      else
        gtk_range_set_value(GTK_RANGE(w), v);
      break;
    }
    case control_kind::text:
      gtk_entry_set_text(GTK_ENTRY(w), curve_text_ref(e, curve_text(k.field)).c_str());
      break;
    case control_kind::font:
      gtk_font_button_set_font_name(GTK_FONT_BUTTON(w),
                                    curve_text_ref(e, curve_text(k.field)).c_str());
      break;
    case control_kind::colour: {
      GdkColor c = to_gdk(curve_colour_ref(e, curve_colour(k.field)));
      gtk_color_button_set_color(GTK_COLOR_BUTTON(w), &c);
      break;
    }
  }
}

// After every edit: the controls show the record, the curve and the previews follow.
void edited() {
  load_controls();
  redraw_edited();
}

bool editing() { return state.dialog && !state.loading && edited_curve(editor_target()); }

// Entries: stored when the text differs from the stored value's (so leaving an untouched
// entry changes nothing); a refused value is shown again as stored.
void set_number(GtkWidget* w) {
  if (!editing()) return;
  curve_edit e = editor_target();
  curve_entry f = curve_entry(field_of(w));
  const char* text = gtk_entry_get_text(GTK_ENTRY(w));
  if (curve_entry_text(e, f) == text) return;
  state.loading = true;  // the warning takes the focus: no second edit from focus-out
  int ok = set_curve_entry(e, f, text);
  state.loading = false;
  if (ok && (f == curve_entry::width || f == curve_entry::height)) {
    const curve* c = edited_curve(e);
    if (c->window)
      gtk_window_resize(GTK_WINDOW(c->window), c->wsize[0], c->wsize[1] + curve_window_bar);
  }
  edited();
}

void set_text(GtkWidget* w) {
  if (!editing()) return;
  std::string& field = curve_text_ref(editor_target(), curve_text(field_of(w)));
  const char* text = gtk_entry_get_text(GTK_ENTRY(w));
  if (field == text) return;
  field = text;
  edited();
}

void on_entry_activate(GtkEntry* entry, gpointer kind) {
  if (GPOINTER_TO_INT(kind) == int(control_kind::number))
    set_number(GTK_WIDGET(entry));
  else
    set_text(GTK_WIDGET(entry));
}

gboolean to_set_entry(GtkWidget* entry, GdkEventFocus*, gpointer kind) {
  on_entry_activate(GTK_ENTRY(entry), kind);
  return FALSE;
}

void set_choice(GtkWidget* w, int value) {
  if (!editing()) return;
  set_curve_choice(editor_target(), curve_choice(field_of(w)), value);
  edited();
}

void on_combo_changed(GtkComboBox* combo, gpointer) {
  if (gtk_combo_box_get_active(combo) >= 0)
    set_choice(GTK_WIDGET(combo), gtk_combo_box_get_active(combo));
}
void on_check_toggled(GtkToggleButton* check, gpointer) {
  set_choice(GTK_WIDGET(check), gtk_toggle_button_get_active(check));
}
void on_spin_changed(GtkSpinButton* spin, gpointer) {
  set_choice(GTK_WIDGET(spin), gtk_spin_button_get_value_as_int(spin));
}
void on_slider_changed(GtkRange* range, gpointer) {
  set_choice(GTK_WIDGET(range), static_cast<int>(std::lround(gtk_range_get_value(range))));
}

// Typed spin values follow the entry rule: text that is not a number keeps the value.
gint on_spin_input(GtkSpinButton* spin, gdouble* value, gpointer) {
  auto v = parse_entry(gtk_entry_get_text(GTK_ENTRY(spin)));
  if (!v) return GTK_INPUT_ERROR;
  *value = *v;
  return TRUE;
}

void on_font_set(GtkFontButton* button, gpointer) {
  if (!editing()) return;
  curve_text_ref(editor_target(), curve_text(field_of(GTK_WIDGET(button)))) =
      gtk_font_button_get_font_name(button);
  edited();
}

void on_color_set(GtkColorButton* button, gpointer) {
  if (!editing()) return;
  GdkColor g;
  gtk_color_button_get_color(button, &g);
  curve_colour_ref(editor_target(), curve_colour(field_of(GTK_WIDGET(button)))) =
      color{g.pixel, g.red, g.green, g.blue};
  edited();
}

GtkWidget* add(GtkWidget* w, control_kind kind, int field, live_group g) {
  g_object_set_data(G_OBJECT(w), "amoq-field", GINT_TO_POINTER(field));
  state.controls.push_back({w, kind, field, g});
  state.loading = true;
  load(state.controls.back());
  state.loading = false;
  return w;
}

GtkWidget* entry_of(control_kind kind, int field, live_group g, int width) {
  GtkWidget* w = gtk_entry_new();
  gtk_widget_set_size_request(w, width, -1);
  if (kind == control_kind::number) gtk_entry_set_alignment(GTK_ENTRY(w), 1.0);
  g_signal_connect(w, "activate", G_CALLBACK(on_entry_activate), GINT_TO_POINTER(int(kind)));
  g_signal_connect(w, "focus-out-event", G_CALLBACK(to_set_entry), GINT_TO_POINTER(int(kind)));
  return add(w, kind, field, g);
}

GtkWidget* add_choice(GtkWidget* w, const char* signal, GCallback handler, curve_choice f,
                      live_group g) {
  g_signal_connect(w, signal, handler, nullptr);
  return add(w, control_kind::choice, int(f), g);
}

void choose_set(GtkComboBox* combo, gpointer) {
  if (!state.dialog || state.loading || gtk_combo_box_get_active(combo) < 0) return;
  state.set = gtk_combo_box_get_active(combo);
  load_controls();
  redraw_edited();
}

void update_axis(GtkComboBox* combo, gpointer) {
  if (!state.dialog || state.loading) return;
  state.axis = gtk_combo_box_get_active(combo) == 1 ? 1 : 0;
  load_controls();
}

gboolean on_preview_expose(GtkWidget* w, GdkEventExpose*, gpointer which) {
  curve_edit e = editor_target();
  const curve* c = edited_curve(e);
  if (!c || !w->window) return TRUE;
  cairo_t* cr = gdk_cairo_create(w->window);
  int width = w->allocation.width, height = w->allocation.height;
  if (GPOINTER_TO_INT(which) == 0) {
    draw_frame_preview(cr, width, height, *c);
  } else {
    set_style s = chosen_set_style(e);
    draw_style_preview(cr, width, height,
                       {*s.col, *s.aspect, *s.dash, *s.thickness, *s.glyph, *s.gsize, *s.gfreq},
                       c->backc);
  }
  cairo_destroy(cr);
  return TRUE;
}

// The window's size entries follow the window: reloaded once the resized window has
// been drawn, which records its size.
gboolean reload_size_entries(gpointer) {
  if (!state.dialog || state.loading) return FALSE;
  state.loading = true;
  for (const control& k : state.controls)
    if (k.kind == control_kind::number && !GTK_WIDGET_HAS_FOCUS(k.widget) &&
        (curve_entry(k.field) == curve_entry::width || curve_entry(k.field) == curve_entry::height))
      load(k);
  state.loading = false;
  return FALSE;
}

gboolean on_window_configured(GtkWidget*, GdkEventConfigure*, gpointer) {
  g_idle_add(reload_size_entries, nullptr);
  return FALSE;
}

void on_dialog_destroy(GtkWidget*, gpointer) {
  state = curve_editor_state{};
  plot_autoscaled_hook() = nullptr;
}

void on_response(GtkDialog* dialog, gint, gpointer) { gtk_widget_destroy(GTK_WIDGET(dialog)); }

}  // namespace

curve_editor_state& editor() { return state; }

curve_edit editor_target() {
  if (!state.triple) return {-1, 0, 0, 0, 0};
  return {proj_by_id(state.triple->pid), state.triple->rid, state.triple->cid, state.set,
          state.axis};
}

GtkWidget* number_entry(curve_entry f, live_group g) {
  return entry_of(control_kind::number, int(f), g, 80);
}
GtkWidget* text_entry(curve_text f, live_group g) {
  return entry_of(control_kind::text, int(f), g, 250);
}

GtkWidget* choice_combo(curve_choice f, std::initializer_list<const char*> items, live_group g) {
  GtkWidget* w = gtk_combo_box_new_text();
  for (const char* item : items) gtk_combo_box_append_text(GTK_COMBO_BOX(w), item);
  return add_choice(w, "changed", G_CALLBACK(on_combo_changed), f, g);
}

GtkWidget* numbered_combo(curve_choice f, const char* first, int n, live_group g) {
  GtkWidget* w = gtk_combo_box_new_text();
  if (first) gtk_combo_box_append_text(GTK_COMBO_BOX(w), first);
  for (int i = 1; i <= n; ++i) gtk_combo_box_append_text(GTK_COMBO_BOX(w), std::to_string(i).c_str());
  return add_choice(w, "changed", G_CALLBACK(on_combo_changed), f, g);
}

namespace {

// A glyph drawn on a transparent size x size picture, as a pixbuf (straight alpha).
GdkPixbuf* glyph_picture(int glyph, int size) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
  cairo_t* cr = cairo_create(surface);
  draw_glyph(cr, glyph, size / 2.0, size / 2.0, color_black, size / 3.0);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, size, size);
  const unsigned char* from = cairo_image_surface_get_data(surface);
  const int from_stride = cairo_image_surface_get_stride(surface);
  unsigned char* to = gdk_pixbuf_get_pixels(pixbuf);
  const int to_stride = gdk_pixbuf_get_rowstride(pixbuf);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const uint32_t argb = reinterpret_cast<const uint32_t*>(from + y * from_stride)[x];
      const unsigned a = argb >> 24;
      unsigned char* px = to + y * to_stride + 4 * x;
      for (int k = 0; k < 3; ++k) {  // cairo's colours are premultiplied
        const unsigned v = (argb >> (16 - 8 * k)) & 255;
        px[k] = static_cast<unsigned char>(a ? std::min(255u, v * 255 / a) : 0);
      }
      px[3] = static_cast<unsigned char>(a);
    }
  cairo_surface_destroy(surface);
  return pixbuf;
}

}  // namespace

GtkWidget* glyph_combo(curve_choice f, const char* first, live_group g) {
  GtkListStore* store = gtk_list_store_new(2, GDK_TYPE_PIXBUF, G_TYPE_STRING);
  for (int i = 0; i <= max_glyph; ++i) {
    GtkTreeIter it;
    gtk_list_store_append(store, &it);
    GdkPixbuf* picture = i > 0 ? glyph_picture(i, 18) : nullptr;
    gtk_list_store_set(store, &it, 0, picture, 1, i == 0 ? first : std::to_string(i).c_str(), -1);
    if (picture) g_object_unref(picture);
  }
  GtkWidget* w = gtk_combo_box_new_with_model(GTK_TREE_MODEL(store));
  g_object_unref(store);
  GtkCellRenderer* picture = gtk_cell_renderer_pixbuf_new();
  gtk_cell_layout_pack_start(GTK_CELL_LAYOUT(w), picture, FALSE);
  gtk_cell_layout_set_attributes(GTK_CELL_LAYOUT(w), picture, "pixbuf", 0, nullptr);
  GtkCellRenderer* text = gtk_cell_renderer_text_new();
  gtk_cell_layout_pack_start(GTK_CELL_LAYOUT(w), text, TRUE);
  gtk_cell_layout_set_attributes(GTK_CELL_LAYOUT(w), text, "text", 1, nullptr);
  gtk_combo_box_set_wrap_width(GTK_COMBO_BOX(w), 6);  // a grid of glyphs, not a long list
  return add_choice(w, "changed", G_CALLBACK(on_combo_changed), f, g);
}

GtkWidget* choice_check(const char* text, curve_choice f, live_group g) {
  return add_choice(gtk_check_button_new_with_label(text), "toggled",
                    G_CALLBACK(on_check_toggled), f, g);
}

GtkWidget* choice_spin(curve_choice f, live_group g) {
  choice_range r = curve_choice_range(f);
  GtkWidget* w = gtk_spin_button_new_with_range(r.lo, r.hi, 1);
  gtk_spin_button_set_digits(GTK_SPIN_BUTTON(w), 0);
  g_signal_connect(w, "input", G_CALLBACK(on_spin_input), nullptr);
  return add_choice(w, "value-changed", G_CALLBACK(on_spin_changed), f, g);
}

GtkWidget* choice_slider(curve_choice f, live_group g) {
  choice_range r = curve_choice_range(f);
  GtkWidget* w = gtk_hscale_new_with_range(r.lo, r.hi, 1);
  gtk_scale_set_digits(GTK_SCALE(w), 0);
  return add_choice(w, "value-changed", G_CALLBACK(on_slider_changed), f, g);
}

GtkWidget* font_button(curve_text f, live_group g) {
  GtkWidget* w = gtk_font_button_new();
  g_signal_connect(w, "font-set", G_CALLBACK(on_font_set), nullptr);
  return add(w, control_kind::font, int(f), g);
}

GtkWidget* colour_button(curve_colour f, live_group g) {
  GtkWidget* w = gtk_color_button_new();
  g_signal_connect(w, "color-set", G_CALLBACK(on_color_set), nullptr);
  return add(w, control_kind::colour, int(f), g);
}

GtkWidget* text_label(const char* text, bool markup) {
  GtkWidget* w = gtk_label_new(nullptr);
  if (markup)
    gtk_label_set_markup(GTK_LABEL(w), text);
  else
    gtk_label_set_text(GTK_LABEL(w), text);
  return w;
}

GtkWidget* row(GtkWidget* box, std::initializer_list<GtkWidget*> widgets) {
  GtkWidget* r = gtk_hbox_new(FALSE, 5);
  for (GtkWidget* w : widgets) gtk_box_pack_start(GTK_BOX(r), w, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), r, FALSE, FALSE, 0);
  return r;
}

GtkWidget* page(GtkWidget* notebook, const char* title) {
  GtkWidget* box = gtk_vbox_new(FALSE, 4);
  gtk_container_set_border_width(GTK_CONTAINER(box), 6);
  gtk_notebook_append_page(GTK_NOTEBOOK(notebook), box, gtk_label_new(title));
  return box;
}

GtkWidget* preview(int which, int w, int h) {
  GtkWidget* area = gtk_drawing_area_new();
  gtk_widget_set_size_request(area, w, h);
  g_signal_connect(area, "expose_event", G_CALLBACK(on_preview_expose), GINT_TO_POINTER(which));
  (which == 0 ? state.frame_preview : state.style_preview) = area;
  GtkWidget* frame = gtk_alignment_new(0.5, 0.5, 0, 0);  // keeps the picture at its size
  gtk_container_add(GTK_CONTAINER(frame), area);
  return frame;
}

void prepbox() {
  if (!state.set_combo) return;
  std::vector<std::string> labels = data_set_labels(editor_target());
  if (state.set >= static_cast<int>(labels.size())) state.set = 0;
  bool was = state.loading;
  state.loading = true;
  GtkComboBox* combo = GTK_COMBO_BOX(state.set_combo);
  gtk_list_store_clear(GTK_LIST_STORE(gtk_combo_box_get_model(combo)));
  for (const std::string& l : labels) gtk_combo_box_append_text(combo, l.c_str());
  gtk_combo_box_set_active(combo, state.set);
  state.loading = was;
}

void load_controls() {
  curve_edit e = editor_target();
  if (!edited_curve(e)) return;
  state.loading = true;
  for (const control& k : state.controls) load(k);
  if (state.axis_combo) gtk_combo_box_set_active(GTK_COMBO_BOX(state.axis_combo), state.axis);
  curve_edit_live l = curve_edit_sensitivity(e);
  for (const control& k : state.controls) gtk_widget_set_sensitive(k.widget, live(l, k.group));
  if (state.set_combo) gtk_widget_set_sensitive(state.set_combo, l.set_choice);
  state.loading = false;
}

void redraw_edited() {
  curve_edit e = editor_target();
  mark_project_changed(e.p);  // every redraw follows an edit of the curve's display
  update_curve(e.p, e.rid, e.cid);
  for (GtkWidget* w : {state.frame_preview, state.style_preview})
    if (w) gtk_widget_queue_draw(w);
}

GtkWidget* set_chooser() {
  state.set_combo = gtk_combo_box_new_text();
  prepbox();
  g_signal_connect(state.set_combo, "changed", G_CALLBACK(choose_set), nullptr);
  return state.set_combo;
}

GtkWidget* axis_chooser() {
  state.axis_combo = gtk_combo_box_new_text();
  for (const char* a : {N_("X axis"), N_("Y axis")})
    gtk_combo_box_append_text(GTK_COMBO_BOX(state.axis_combo), _(a));
  gtk_combo_box_set_active(GTK_COMBO_BOX(state.axis_combo), 0);
  g_signal_connect(state.axis_combo, "changed", G_CALLBACK(update_axis), nullptr);
  return state.axis_combo;
}

GtkWidget* curve_editor() { return state.dialog; }

GtkWidget* edit_curve(GtkWidget*, const curve_id* triple) {
  int p = proj_by_id(triple->pid);
  curve* c = find_curve(p, triple->rid, triple->cid);
  if (!c) return nullptr;
  if (state.dialog) gtk_widget_destroy(state.dialog);
  activer = triple->rid;
  activec = triple->cid;
  GtkWidget* parent = static_cast<GtkWidget*>(c->window);
  GtkWidget* dialog = gtk_dialog_new_with_buttons(
      _("Edit curve"), parent ? GTK_WINDOW(parent) : nullptr,
      GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT), GTK_STOCK_CLOSE,
      GTK_RESPONSE_CLOSE, nullptr);
  state.dialog = dialog;
  state.triple = triple;
  frame_dialog(dialog);
  GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
  gtk_box_set_spacing(GTK_BOX(content), 15);

  GtkWidget* notebook = gtk_notebook_new();
  gtk_box_pack_start(GTK_BOX(content), notebook, TRUE, TRUE, 0);
  create_tab_1(notebook);
  create_tab_2(notebook);
  create_tab_3(notebook);
  if (c->cend - c->cstart != 1) {
    allocextra(0, p, triple->rid, triple->cid);
    create_projects_tree(notebook);
  }
  load_controls();

  plot_autoscaled_hook() = [](int p, int rid, int cid, int axes) {
    curve_edit e = editor_target();
    if (state.dialog && e.p == p && e.rid == rid && e.cid == cid && (axes >> e.axis & 1))
      load_controls();
  };
  if (c->window)
    g_signal_connect_object(G_OBJECT(c->window), "configure-event",
                            G_CALLBACK(on_window_configured), dialog, GConnectFlags(0));
  g_signal_connect(dialog, "response", G_CALLBACK(on_response), nullptr);
  g_signal_connect(dialog, "destroy", G_CALLBACK(on_dialog_destroy), nullptr);
  gtk_widget_show_all(gtk_bin_get_child(GTK_BIN(dialog)));
  // At least 400 x 700, as wide as the longest row asks (in every language), and no
  // higher than the work area.
  GtkRequisition natural;
  gtk_widget_size_request(dialog, &natural);
  const win_rect area = work_area(parent);
  const win_frame frame = window_frame();
  gtk_widget_set_size_request(dialog, std::max(400, natural.width),
                              std::min(std::max(700, natural.height), area.h - frame.top - frame.bottom));
  show_near_parent(dialog, parent);
  return dialog;
}
