#include "gui/shell/info_view.h"

#include <string>

#include "project/info_pages.h"
#include "project/project.h"
#include "gui/shell/workspace_tree.h"

void setup_text_tags(GtkTextBuffer* b) {
  gtk_text_buffer_create_tag(b, "sans", "family", "sans", nullptr);
  gtk_text_buffer_create_tag(b, "monospace", "family", "monospace", nullptr);
  gtk_text_buffer_create_tag(b, "underline", "underline", PANGO_UNDERLINE_SINGLE, nullptr);
  gtk_text_buffer_create_tag(b, "underline_double", "underline", PANGO_UNDERLINE_DOUBLE, nullptr);
  gtk_text_buffer_create_tag(b, "italic", "style", PANGO_STYLE_ITALIC, nullptr);
  gtk_text_buffer_create_tag(b, "bold", "weight", 700, nullptr);
  gtk_text_buffer_create_tag(b, "sup", "scale", 0.6, "rise", 6000, nullptr);
  gtk_text_buffer_create_tag(b, "sub", "scale", 0.6, "rise", -6000, nullptr);
  gtk_text_buffer_create_tag(b, "justify-left", "justification", GTK_JUSTIFY_LEFT, nullptr);
  gtk_text_buffer_create_tag(b, "justify-center", "justification", GTK_JUSTIFY_CENTER, nullptr);
  gtk_text_buffer_create_tag(b, "justify-right", "justification", GTK_JUSTIFY_RIGHT, nullptr);
  gtk_text_buffer_create_tag(b, "heading", "weight", 700, "scale", 1.5, "justification",
                             GTK_JUSTIFY_CENTER, "underline", PANGO_UNDERLINE_DOUBLE, nullptr);
  for (const char* colour : {"red", "orange", "green", "cyan", "blue", "pink"})
    gtk_text_buffer_create_tag(b, colour, "foreground", colour, nullptr);
  gtk_text_buffer_create_tag(b, "grey_back", "background", "lightgrey", nullptr);
  gtk_text_buffer_create_tag(b, "bold_grey_back", "background", "lightgrey", "weight", 700, nullptr);
  gtk_text_buffer_create_tag(b, "bold_red", "foreground", "red", "weight", 700, nullptr);
  gtk_text_buffer_create_tag(b, "bold_green", "foreground", "green", "weight", 700, nullptr);
  gtk_text_buffer_create_tag(b, "bold_blue", "foreground", "blue", "weight", 700, nullptr);
  gtk_text_buffer_create_tag(b, "sub_italic", "style", PANGO_STYLE_ITALIC, "scale", 0.6, "rise",
                             -6000, nullptr);
  gtk_text_buffer_create_tag(b, "sub_bold", "weight", 700, "scale", 0.6, "rise", -6000, nullptr);
}

void print_info(const char* text, const char* tag, GtkTextBuffer* buffer) {
  GtkTextIter end;
  gtk_text_buffer_get_end_iter(buffer, &end);
  if (tag && *tag)
    gtk_text_buffer_insert_with_tags_by_name(buffer, &end, text, -1, tag, nullptr);
  else
    gtk_text_buffer_insert(buffer, &end, text, -1);
}

void workinfo(int p, int page) {
  if (!valid_project(p)) return;
  if (page < 0 || page > 8) {
    clean_view();
    return;
  }
  if (!proj[p].view) add_view(p);
  GtkWidget* view = static_cast<GtkWidget*>(proj[p].view);
  PangoFontDescription* font = pango_font_description_from_string("monospace 8");
  gtk_widget_modify_font(view, font);
  pango_font_description_free(font);
  GtkTextBuffer* buffer = gtk_text_buffer_new(nullptr);
  setup_text_tags(buffer);
  for (const text_run& run : info_page_text(p, page)) print_info(run.text.c_str(), run.tag.c_str(), buffer);
  gtk_text_view_set_buffer(GTK_TEXT_VIEW(view), buffer);
  g_object_unref(buffer);
}

std::string view_text(int p) {
  if (!valid_project(p) || !proj[p].view) return {};
  GtkTextBuffer* b = gtk_text_view_get_buffer(GTK_TEXT_VIEW(proj[p].view));
  GtkTextIter start, end;
  gtk_text_buffer_get_bounds(b, &start, &end);
  gchar* t = gtk_text_buffer_get_text(b, &start, &end, FALSE);
  std::string out(t);
  g_free(t);
  return out;
}
