// Message boxes and file dialogs answered by a script instead of a person,
// and the record of every one so answered. The headless face answers every
// box this way; the Qt face does in its scripted mode (tests). Both faces
// inherit it, so the script is written, and behaves, the same in both.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace kv {

struct MessageRecord {
  std::string text;
  std::string caption;
  unsigned flags = 0;
  int answer = 0;
};

struct FileDialogRecord {
  FileDialogSpec spec;
  bool answered = false;
  std::string path;
};

class ScriptedAnswers {
 public:
  // Answers for the next message boxes, in order; when none is queued the
  // default answer is given, as far as the box's buttons allow it (IDOK for
  // a box with only an OK button).
  void QueueAnswer(int answer) { answers_.push_back(answer); }
  void SetDefaultAnswer(int answer) { default_answer_ = answer; }
  // Answers for the next file dialogs: a path, or nullopt for Cancel. With
  // none queued the dialog is cancelled.
  void QueueFile(std::optional<std::string> path) { files_.push_back(std::move(path)); }

  const std::vector<MessageRecord>& messages() const { return messages_; }
  const std::vector<FileDialogRecord>& file_dialogs() const { return file_dialogs_; }
  void ClearRecords() {
    messages_.clear();
    file_dialogs_.clear();
  }

 protected:
  // The answer to a box, taken from the script and recorded.
  int AnswerMessage(std::string_view text, std::string_view caption, unsigned flags);
  // A file dialog answered from the script and recorded: false when
  // cancelled, else path receives the answer.
  bool AnswerFileDialog(const FileDialogSpec& spec, std::string& path);

 private:
  std::deque<int> answers_;
  int default_answer_ = IDYES;
  std::deque<std::optional<std::string>> files_;
  std::vector<MessageRecord> messages_;
  std::vector<FileDialogRecord> file_dialogs_;
};

}  // namespace kv
