// Test presenter: records every message and answers questions from a script. Installs
// itself on construction and restores the previous presenter when it goes out of scope.
#pragma once

#include "support/test.h"

#include "project/messages.h"

struct recorded_message {
  std::string kind;  // "info", "warning", "error", "question" or "save"
  std::string text;
  std::string title{};  // questions only
  bool operator==(const recorded_message&) const = default;
};

struct recording_presenter {
  std::vector<recorded_message> messages;
  std::deque<int> answers;  // 1 = Yes, 0 = No; No when the script is exhausted
  std::deque<int> save_answers;  // save_answer values; Cancel when exhausted
  message_presenter previous;

  recording_presenter() {
    message_presenter p;
    p.info = [this](const std::string& t) { messages.push_back({"info", t, ""}); };
    p.warning = [this](const std::string& t) { messages.push_back({"warning", t, ""}); };
    p.error = [this](const std::string& t) { messages.push_back({"error", t, ""}); };
    p.question = [this](const std::string& title, const std::string& t) {
      messages.push_back({"question", t, title});
      if (answers.empty()) return 0;
      int a = answers.front();
      answers.pop_front();
      return a;
    };
    p.save_changes = [this](const std::string& t) {
      messages.push_back({"save", t, ""});
      if (save_answers.empty()) return static_cast<int>(answer_cancel);
      int a = save_answers.front();
      save_answers.pop_front();
      return a;
    };
    previous = set_message_presenter(std::move(p));
  }
  ~recording_presenter() { set_message_presenter(std::move(previous)); }
  recording_presenter(const recording_presenter&) = delete;
  recording_presenter& operator=(const recording_presenter&) = delete;

  std::vector<std::string> texts(const std::string& kind) const {
    std::vector<std::string> out;
    for (const auto& m : messages)
      if (m.kind == kind) out.push_back(m.text);
    return out;
  }
};
