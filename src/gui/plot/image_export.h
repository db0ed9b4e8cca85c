// The image export dialog for any drawing: format (PNG, PDF, SVG), size, transparent
// background, then the file. The curve windows and the Series window use it alike.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>

struct image_request {
  int width = 0, height = 0;  // the size the dialog starts at
  std::string name;           // the file name proposed (with the format's extension)
  GtkWidget* parent = nullptr;
  int p = -1;  // the project whose folder the chooser opens in (-1: the current folder)
  // Writes the image: target 1 PNG, 2 PDF, 3 SVG (image_target), of w x h at background
  // opacity alpha; returns 1 when the file was written.
  std::function<int(int target, const std::string& path, int w, int h, double alpha)> write;
};

// Opens the dialog (modal) for the request and returns it.
GtkWidget* open_image_export(image_request request);
