// The walk-forward results window: the chart of the stitched out-of-sample
// run against buy-and-hold and the in-sample replay, the table of folds, the
// two runs' statistics side by side, and Export, which writes the result's
// JSON document to a file the user picks. It shows a copy of the result, so
// it needs no model; each run opens a window of its own.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "forecast/walkforward_report.h"
#include "platform/platform.h"
#include "util/json.h"

namespace kv {

class TWalkForwardWindow final : public WindowHandler {
 public:
  // Creates the window (resource 202) as a child of parent (may be null) and
  // fills the table and the statistics.
  TWalkForwardWindow(Dialog* parent, JsonValue doc, WalkForwardReport report);
  ~TWalkForwardWindow() override;
  TWalkForwardWindow(const TWalkForwardWindow&) = delete;
  TWalkForwardWindow& operator=(const TWalkForwardWindow&) = delete;

  void EvPaint(Canvas& canvas) override;
  void OnControl(int id, Notify code) override;
  void OnCloseRequest() override;
  // Asks for a file and writes the document there whole or not at all; a
  // failure is said in a message box. True when written.
  bool Export();

  Dialog& dlg() { return *window_; }
  const WalkForwardReport& report() const { return report_; }

 private:
  std::unique_ptr<Dialog> window_;
  JsonValue doc_;
  WalkForwardReport report_;
};

// Opens a results window for a walk-forward document. nullptr, with *err
// saying why, when the document is not a walk-forward result.
TWalkForwardWindow* OpenWalkForwardWindow(Dialog* parent, const JsonValue& doc, std::string* err);

// The newest open results window, or nullptr.
TWalkForwardWindow* NewestWalkForwardWindow();
// Closes every results window (the end of the main dialog).
void CloseWalkForwardWindows();

// The lines of the two tables as the window shows them: a heading, then one
// line per fold; a heading, then one line per statistic the result has.
std::vector<std::string> WalkForwardFoldLines(const WalkForwardReport& report);
std::vector<std::string> WalkForwardStatLines(const WalkForwardReport& report);

}  // namespace kv
