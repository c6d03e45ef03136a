// The dialog's view of a training session: the status line, the Cycle
// field, a repaint of the chart and a refresh of the statistics window.
#pragma once

#include "model/main_dlg.h"

namespace kv {

class DialogProgress final : public TrainingProgress {
 public:
  explicit DialogProgress(TMainDlg& m) : m_(m) {}
  void Phase(const std::string& text) override;
  void Cycle(long long cycle) override;
  void Improved(double best_fit) override;
  void Finished(const std::string& text) override;

 private:
  TMainDlg& m_;
};

}  // namespace kv
