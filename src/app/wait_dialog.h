// The progress window shown during long computations (the strategy search):
// "Working ...Please Wait" and a progress bar. Without a window system the
// bar is drawn on stderr instead.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace kv {

class TWaitDlg {
 public:
  // Opens the window over parent (may be null); the bar starts at 0 of 0..100.
  explicit TWaitDlg(Dialog* parent);
  ~TWaitDlg();   // closes the window
  TWaitDlg(const TWaitDlg&) = delete;
  TWaitDlg& operator=(const TWaitDlg&) = delete;

  void SetRange(int min, int max);
  void SetValue(int value);

  Dialog& window() { return *dlg_; }

 private:
  void DrawText();   // headless: the bar on stderr

  std::unique_ptr<Dialog> dlg_;
  bool text_bar_;
  bool tty_;
  int min_ = 0, max_ = 100, value_ = 0;
  int shown_percent_ = -1;
};

// The progress window of the running search, null when none is open.
extern TWaitDlg* theWaitDlg;

}  // namespace kv
