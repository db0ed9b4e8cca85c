#include "project/file_names.h"

#include <cctype>

#include "project/messages.h"
#include "project/project.h"
#include "project/i18n.h"

namespace {

bool safe(unsigned char c) { return std::isalnum(c) || c == '-' || c == '_' || c == '.'; }

}  // namespace

std::string safe_file_name(const std::string& name) {
  std::string out;
  for (unsigned char c : name) {
    // isalnum in the C locale: ASCII only; every byte of a UTF-8 sequence is unsafe.
    if (safe(c) && c < 0x80)
      out += static_cast<char>(c);
    else if (out.empty() || out.back() != '_')
      out += '_';
  }
  size_t first = out.find_first_not_of("_.");
  if (first == std::string::npos) return "untitled";
  size_t last = out.find_last_not_of("_.");
  return out.substr(first, last - first + 1);
}

std::string proposed_file_name(const std::string& name, const char* ext) {
  return safe_file_name(name) + ext;
}

bool has_extension(const std::string& path, const char* ext) {
  std::string e = ext;
  size_t slash = path.find_last_of('/');
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  if (base.size() <= e.size()) return false;
  for (size_t i = 0; i < e.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(base[base.size() - e.size() + i])) !=
        std::tolower(static_cast<unsigned char>(e[i])))
      return false;
  return true;
}

std::string with_extension(const std::string& path, const char* ext) {
  return has_extension(path, ext) ? path : path + ext;
}

std::string data_file_name(const std::string& path, int format) {
  if (format == 2) return with_extension(path, ".agr");
  size_t slash = path.find_last_of('/');
  size_t dot = path.find_last_of('.');
  bool extension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
  return extension ? path : path + ".dat";
}

std::string folder_of(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string project_folder(int p) {
  return valid_project(p) && proj[p].path ? folder_of(*proj[p].path) : std::string();
}

int limited_image_side(double typed, bool& reduced) {
  reduced = typed > max_image_side;
  return reduced ? max_image_side : static_cast<int>(typed);
}

std::string size_reduced_message(int axis) {
  return format(axis == 0 ? tr("The width was reduced to %d pixels, the largest side of an image")
                         : tr("The height was reduced to %d pixels, the largest side of an image"),
                max_image_side);
}
