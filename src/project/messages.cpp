#include "project/messages.h"

#include <cstdarg>
#include <cstdio>
#include <utility>

#include "version.h"
#include "project/i18n.h"

const char* const bug_address = amoq_bug_address;
const char* const bug_line = N_("If this is a bug please report it to:\n");

namespace {

message_presenter presenter;

}  // namespace

message_presenter set_message_presenter(message_presenter p) {
  return std::exchange(presenter, std::move(p));
}

std::string format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  std::string out;
  if (n > 0) {
    out.resize(static_cast<size_t>(n) + 1);
    std::vsnprintf(out.data(), out.size(), fmt, args);
    out.resize(static_cast<size_t>(n));
  }
  va_end(args);
  return out;
}

std::string markup_escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else
      out += c;
  }
  return out;
}

void show_info(const char* text, int /*extra: no visible effect*/) {
  std::string t = text ? text : "";
  if (presenter.info)
    presenter.info(t);
  else
    std::fprintf(stderr, tr("Information: %s\n"), t.c_str());
}

void show_warning(const char* text) {
  std::string t = text ? text : "";
  if (presenter.warning)
    presenter.warning(t);
  else
    std::fprintf(stderr, tr("Warning: %s\n"), t.c_str());
}

namespace {
void deliver_error(const std::string& t) {
  if (presenter.error)
    presenter.error(t);
  else
    std::fprintf(stderr, tr("Error: %s\n"), t.c_str());
}
}  // namespace

void show_error(const char* text, int extra) {
  const char* t = text ? text : "";
  if (extra == 1)
    deliver_error(format("%s\n", t));
  else
    deliver_error(format("%s\n%s<%s>", t, tr(bug_line), bug_address));
}

void show_numeric_error(const char* a, const char* b, const char* c) {
  deliver_error(format("%s\n%s\n%s\n%s<%s>", a ? a : "", b ? b : "", c ? c : "", tr(bug_line),
                       bug_address));
}

int ask_save_changes(const std::string& name) {
  if (!presenter.save_changes) return answer_cancel;
  // The question wraps; the name it quotes ("Project N° 0 — chain1.nap") stays on one line.
  std::string unbroken;
  for (char ch : name) unbroken += ch == ' ' ? std::string("\u00a0") : std::string(1, ch);
  std::string text = format(tr("Save changes to \"%s\" before closing?"), unbroken.c_str());
  int a = presenter.save_changes(text);
  return a == answer_save || a == answer_discard ? a : answer_cancel;
}

int ask_question(const char* title, const char* text) {
  if (!presenter.question) return 0;
  return presenter.question(title ? title : "", text ? text : "") == 1 ? 1 : 0;
}
