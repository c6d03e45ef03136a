#include "platform/scripted_answers.h"

namespace kv {

int ScriptedAnswers::AnswerMessage(std::string_view text, std::string_view caption,
                                   unsigned flags) {
  int answer;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  } else {
    const unsigned buttons = flags & MB_BUTTONS_MASK;
    if (buttons == MB_OK) answer = IDOK;
    else if (buttons == MB_OKCANCEL) answer = default_answer_ == IDCANCEL ? IDCANCEL : IDOK;
    else if (buttons == MB_YESNO) answer = default_answer_ == IDNO ? IDNO : IDYES;
    else answer = default_answer_;
  }
  messages_.push_back({std::string(text), std::string(caption), flags, answer});
  return answer;
}

bool ScriptedAnswers::AnswerFileDialog(const FileDialogSpec& spec, std::string& path) {
  FileDialogRecord rec{spec, false, {}};
  std::optional<std::string> answer;
  if (!files_.empty()) {
    answer = std::move(files_.front());
    files_.pop_front();
  }
  if (answer) {
    rec.answered = true;
    rec.path = *answer;
    path = *answer;
  }
  file_dialogs_.push_back(std::move(rec));
  return file_dialogs_.back().answered;
}

}  // namespace kv
