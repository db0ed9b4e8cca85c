// Owning pointers for what GLib and GTK hand out: released with the function that the
// library names for each kind, when the owner goes out of scope.
#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <string>

template <auto release>
struct glib_release {
  template <class T>
  void operator()(T* p) const {
    if (p) release(p);
  }
};

template <class T, auto release>
using glib_ptr = std::unique_ptr<T, glib_release<release>>;

using glib_string = glib_ptr<gchar, g_free>;  // gchar* from g_strdup, gtk_tree_model_get, ...
template <class T>
using glib_object = glib_ptr<T, g_object_unref>;
using tree_path_ptr = glib_ptr<GtkTreePath, gtk_tree_path_free>;
using row_reference_ptr = glib_ptr<GtkTreeRowReference, gtk_tree_row_reference_free>;

// The text of a GLib string, empty for null.
inline std::string text_of(const glib_string& s) { return s ? s.get() : std::string(); }
