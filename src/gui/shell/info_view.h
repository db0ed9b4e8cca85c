// The information pages in the main view: a read-only text view of the project with the
// page's text and tags.
#pragma once

#include <gtk/gtk.h>

#include <string>

// Rebuilds the view of project p with page `page` (0..8); other pages clear the view.
void workinfo(int p, int page);

// Creates the text tags of the pages in `buffer`.
void setup_text_tags(GtkTextBuffer* buffer);

// Appends `text` at the end of the buffer, with the named tag when it is not empty.
void print_info(const char* text, const char* tag, GtkTextBuffer* buffer);

// The text of project p's view (empty without a view).
std::string view_text(int p);
