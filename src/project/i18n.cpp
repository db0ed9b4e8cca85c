#include "project/i18n.h"

#include <clocale>
#include <cstdlib>
#include <cstring>

void setup_messages(const char* locale_dir) {
  bindtextdomain("tessal", locale_dir);
  bind_textdomain_codeset("tessal", "UTF-8");
  textdomain("tessal");
  const char* m = std::setlocale(LC_MESSAGES, "");
  const char* language = std::getenv("LANGUAGE");
  if ((!m || !std::strcmp(m, "C") || !std::strcmp(m, "POSIX")) && language && *language)
    std::setlocale(LC_MESSAGES, "C.UTF-8");
}
