// Messages to the user. Validation and file code report through one presenter: the GUI
// installs modal dialogs, the batch tool and the default write to stderr, tests record.
#pragma once

#include <functional>
#include <string>

struct message_presenter {
  // Kind of message and its final text (markup for info, already composed for errors).
  std::function<void(const std::string& text)> info;
  std::function<void(const std::string& text)> warning;
  std::function<void(const std::string& text)> error;
  // A Yes/No question; returns 1 for Yes.
  std::function<int(const std::string& title, const std::string& text)> question;
  // The question before unsaved work is closed: returns a save_answer.
  std::function<int(const std::string& text)> save_changes;
};

// Answers to the question before closing unsaved work.
enum save_answer { answer_cancel = 0, answer_save = 1, answer_discard = 2 };

// Installs a presenter and returns the previous one. Members left empty fall back to the
// stderr default (questions are then answered No).
message_presenter set_message_presenter(message_presenter p);

// Address named in error dialogs for bug reports, after the line that asks for them.
extern const char* const bug_address;
extern const char* const bug_line;

void show_info(const char* text, int extra);
void show_warning(const char* text);
// extra = 1 shows "%s\n" of text; otherwise the text, the bug line and the address.
void show_error(const char* text, int extra);
// The numeric core's three-line error ("%s\n%s\n%s\n" then the bug line and address).
void show_numeric_error(const char* a, const char* b, const char* c);
// Returns 1 when the user answers Yes.
int ask_question(const char* title, const char* text);
// Asks "Save changes to "<name>" before closing?" with Save / Close without saving /
// Cancel; Cancel when no presenter can ask.
int ask_save_changes(const std::string& name);

// Text shown inside an information message, which is markup: &, < and > escaped.
std::string markup_escape(const std::string& text);

// printf-style formatting into a std::string (C locale).
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
