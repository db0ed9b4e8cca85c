// Installed data files: the installation directory and the paths built beneath it, the
// two file-open modes, the program icon and the main window.
#pragma once

#include <gtk/gtk.h>

#include <string>

extern std::string PACKAGE_PREFIX;
extern std::string PACKAGE_LOCALE_DIR;
extern std::string PACKAGE_XML_FILE;
extern std::string PACKAGE_LOGO, PACKAGE_PNG, PACKAGE_PDF, PACKAGE_SVG, PACKAGE_VOID;
extern std::string PACKAGE_EDIT, PACKAGE_P, PACKAGE_M, PACKAGE_GR, PACKAGE_SQ;
extern std::string PACKAGE_PRO, PACKAGE_SET, PACKAGE_RUN, PACKAGE_AMOQ;

// "rb" and "wb": project and workspace files are always opened in binary mode.
extern const char* const dfi[2];

// The program icon, set on every window and dialog; null until loaded (or when the
// image file is missing).
extern GdkPixbuf* THEAMOQ;

// The builder holding the loaded interface description, and the main window taken from
// it (the parent of the message dialogs).
extern GtkBuilder* BuilderGtk;
extern GtkWidget* amoq;

// Directory of the running executable, or its parent when that directory is named bin
// or lib; empty when the executable cannot be located.
std::string find_install_dir();
// Same rule for a given executable path.
std::string install_dir_of(const std::string& executable);

// Sets PACKAGE_PREFIX and builds every path above from it.
void set_package_paths(const std::string& prefix);

// Loads THEAMOQ from PACKAGE_AMOQ once; later calls keep the first result.
GdkPixbuf* program_icon();
// An image file at `path` as a pixbuf, null when it cannot be loaded (no message).
GdkPixbuf* load_pixbuf(const std::string& path);
