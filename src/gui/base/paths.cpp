#include "gui/base/paths.h"

#include <glib.h>
#include <unistd.h>

#include <climits>

std::string PACKAGE_PREFIX;
std::string PACKAGE_LOCALE_DIR;
std::string PACKAGE_XML_FILE;
std::string PACKAGE_LOGO, PACKAGE_PNG, PACKAGE_PDF, PACKAGE_SVG, PACKAGE_VOID;
std::string PACKAGE_EDIT, PACKAGE_P, PACKAGE_M, PACKAGE_GR, PACKAGE_SQ;
std::string PACKAGE_PRO, PACKAGE_SET, PACKAGE_RUN, PACKAGE_AMOQ;

const char* const dfi[2] = {"rb", "wb"};

GdkPixbuf* THEAMOQ = nullptr;
GtkBuilder* BuilderGtk = nullptr;
GtkWidget* amoq = nullptr;

namespace {

std::string join(const std::string& dir, const char* name) {
  gchar* s = g_build_filename(dir.c_str(), name, nullptr);
  std::string out(s);
  g_free(s);
  return out;
}

}  // namespace

std::string install_dir_of(const std::string& executable) {
  if (executable.empty()) return {};
  gchar* dir = g_path_get_dirname(executable.c_str());
  gchar* base = g_path_get_basename(dir);
  std::string out(dir);
  if (g_strcmp0(base, "bin") == 0 || g_strcmp0(base, "lib") == 0) {
    gchar* parent = g_path_get_dirname(dir);
    out = parent;
    g_free(parent);
  }
  g_free(base);
  g_free(dir);
  return out;
}

std::string find_install_dir() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  buf[n] = '\0';
  return install_dir_of(buf);
}

void set_package_paths(const std::string& prefix) {
  PACKAGE_PREFIX = prefix;
  PACKAGE_LOCALE_DIR = join(prefix, "locale");
  PACKAGE_XML_FILE = join(prefix, "amoq.gui");
  PACKAGE_LOGO = join(prefix, "pixmaps/logo.png");
  PACKAGE_PNG = join(prefix, "pixmaps/png.png");
  PACKAGE_PDF = join(prefix, "pixmaps/pdf.png");
  PACKAGE_SVG = join(prefix, "pixmaps/svg.png");
  PACKAGE_VOID = join(prefix, "pixmaps/void.png");
  PACKAGE_EDIT = join(prefix, "pixmaps/cedit.png");
  PACKAGE_P = join(prefix, "pixmaps/plus.png");
  PACKAGE_M = join(prefix, "pixmaps/times.png");
  PACKAGE_GR = join(prefix, "pixmaps/gr.png");
  PACKAGE_SQ = join(prefix, "pixmaps/sq.png");
  PACKAGE_PRO = join(prefix, "pixmaps/prop.png");
  PACKAGE_SET = join(prefix, "pixmaps/settings.png");
  PACKAGE_RUN = join(prefix, "pixmaps/run.png");
  PACKAGE_AMOQ = join(prefix, "pixmaps/logo-vs.png");
}

GdkPixbuf* load_pixbuf(const std::string& path) {
  return gdk_pixbuf_new_from_file(path.c_str(), nullptr);
}

GdkPixbuf* program_icon() {
  static bool loaded = false;
  if (!loaded) {
    loaded = true;
    THEAMOQ = load_pixbuf(PACKAGE_AMOQ);
  }
  return THEAMOQ;
}
