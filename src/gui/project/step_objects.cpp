#include "gui/project/step_objects.h"

#include "project/entry_text.h"
#include "project/project.h"

namespace {
GtkBuilder* builder = nullptr;
}  // namespace

int refreshing = 0;

GtkBuilder* step_builder() { return builder; }
void set_step_builder(GtkBuilder* b) { builder = b; }

GObject* step_object(const char* id) {
  return builder ? gtk_builder_get_object(builder, id) : nullptr;
}

GtkWidget* step_widget(const char* id) {
  GObject* o = step_object(id);
  return o && GTK_IS_WIDGET(o) ? GTK_WIDGET(o) : nullptr;
}

void object_set_sensitive(GObject* object, bool on) {
  if (!object) return;
  if (GTK_IS_ACTION(object))
    gtk_action_set_sensitive(GTK_ACTION(object), on);
  else if (GTK_IS_WIDGET(object))
    gtk_widget_set_sensitive(GTK_WIDGET(object), on);
}

bool object_sensitive(GObject* object) {
  if (!object) return false;
  if (GTK_IS_ACTION(object)) return gtk_action_get_sensitive(GTK_ACTION(object));
  if (GTK_IS_WIDGET(object)) return gtk_widget_get_sensitive(GTK_WIDGET(object));
  return false;
}

void object_set_active(GObject* object, bool on) {
  if (!object) return;
  if (GTK_IS_TOGGLE_ACTION(object))
    gtk_toggle_action_set_active(GTK_TOGGLE_ACTION(object), on);
  else if (GTK_IS_TOGGLE_BUTTON(object))
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(object), on);
  else if (GTK_IS_CHECK_MENU_ITEM(object))
    gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(object), on);
}

bool object_active(GObject* object) {
  if (!object) return false;
  if (GTK_IS_TOGGLE_ACTION(object)) return gtk_toggle_action_get_active(GTK_TOGGLE_ACTION(object));
  if (GTK_IS_TOGGLE_BUTTON(object)) return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(object));
  if (GTK_IS_CHECK_MENU_ITEM(object))
    return gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(object));
  return false;
}

void entry_show(const char* id, const char* text) {
  GtkWidget* w = step_widget(id);
  if (w && GTK_IS_ENTRY(w)) gtk_entry_set_text(GTK_ENTRY(w), text ? text : "");
}

void entry_show_double(const char* id, double value) {
  entry_show(id, value == not_set ? "" : entry_text(value).c_str());
}

void label_show(const char* id, const char* text) {
  GtkWidget* w = step_widget(id);
  if (w && GTK_IS_LABEL(w)) gtk_label_set_text(GTK_LABEL(w), text ? text : "");
}

void label_markup(const char* id, const char* markup) {
  GtkWidget* w = step_widget(id);
  if (w && GTK_IS_LABEL(w)) gtk_label_set_markup(GTK_LABEL(w), markup ? markup : "");
}

void view_show(const char* id, const char* text) {
  GtkWidget* w = step_widget(id);
  if (!w || !GTK_IS_TEXT_VIEW(w)) return;
  GtkTextBuffer* buffer = gtk_text_buffer_new(nullptr);
  gtk_text_buffer_set_text(buffer, text ? text : "", -1);
  gtk_text_view_set_buffer(GTK_TEXT_VIEW(w), buffer);
  g_object_unref(buffer);  // the view holds its own reference
  PangoFontDescription* font = pango_font_description_from_string("monospace 8");
  gtk_widget_modify_font(w, font);
  pango_font_description_free(font);
}

void combo_show(const char* id, int entry) {
  GtkWidget* w = step_widget(id);
  if (!w || !GTK_IS_COMBO_BOX(w)) return;
  // A code read from a file may lie beyond the entries: show no entry then.
  GtkTreeModel* model = gtk_combo_box_get_model(GTK_COMBO_BOX(w));
  int n = model ? gtk_tree_model_iter_n_children(model, nullptr) : 0;
  if (entry < 0 || entry >= n) entry = -1;
  if (gtk_combo_box_get_active(GTK_COMBO_BOX(w)) != entry)
    gtk_combo_box_set_active(GTK_COMBO_BOX(w), entry);
}
