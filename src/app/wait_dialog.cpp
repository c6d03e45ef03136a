#include "app/wait_dialog.h"

#include <cstdio>
#include <unistd.h>

#include "resources/ids.h"

namespace kv {

TWaitDlg* theWaitDlg = nullptr;

TWaitDlg::TWaitDlg(Dialog* parent)
    : dlg_(plat().CreateDialog(ids::DLG_WAIT, parent)),
      text_bar_(plat().ProgressAsTextBar()),
      tty_(::isatty(2) == 1) {
  dlg_->SetCaption("");
  SetRange(0, 100);
  SetValue(0);
}

TWaitDlg::~TWaitDlg() {
  // The window goes with dlg_.
  if (text_bar_ && tty_ && shown_percent_ >= 0) {
    std::fputc('\n', stderr);
    std::fflush(stderr);
  }
  if (theWaitDlg == this) theWaitDlg = nullptr;
}

void TWaitDlg::SetRange(int min, int max) {
  min_ = min;
  max_ = max;
  dlg_->SetRange(ids::IDC_WAIT_PROGRESS, min, max);
  if (text_bar_) DrawText();
}

void TWaitDlg::SetValue(int value) {
  value_ = value;
  dlg_->SetValue(ids::IDC_WAIT_PROGRESS, value);
  if (text_bar_) DrawText();
}

void TWaitDlg::DrawText() {
  long span = static_cast<long>(max_) - min_;
  long percent = span > 0 ? (static_cast<long>(value_) - min_) * 100 / span : 0;
  if (percent < 0) percent = 0;
  if (percent > 100) percent = 100;
  // Redrawn only when the shown figure changes, so a caller that sets the
  // value thousands of times does not flood the terminal.
  if (percent == shown_percent_) return;
  // Into a log file or pipe, a line per tenth rather than a rewritten line.
  if (!tty_ && shown_percent_ >= 0 && percent / 10 == shown_percent_ / 10) return;
  shown_percent_ = static_cast<int>(percent);
  constexpr int kWidth = 40;
  char bar[kWidth + 1];
  const long filled = percent * kWidth / 100;
  for (int i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '.';
  bar[kWidth] = 0;
  if (tty_) std::fprintf(stderr, "\rWorking ...Please Wait [%s] %3ld%%", bar, percent);
  else std::fprintf(stderr, "Working ...Please Wait [%s] %3ld%%\n", bar, percent);
  std::fflush(stderr);
}

}  // namespace kv
