// A training session's progress as the command line sees it: the running
// phase and cycle are kept for the progress line, and everything is passed
// on to the dialog's own view. Installed for its lifetime.
#pragma once

#include <string>

#include "model/main_dlg.h"

namespace kv::cli {

class ProgressTap final : public TrainingProgress {
 public:
  explicit ProgressTap(TMainDlg& m) : m_(m), window_(*m.progress) { m_.progress = this; }
  ~ProgressTap() override { m_.progress = &window_; }
  ProgressTap(const ProgressTap&) = delete;
  ProgressTap& operator=(const ProgressTap&) = delete;

  void Phase(const std::string& text) override {
    phase_ = text;
    window_.Phase(text);
  }
  void Cycle(long long cycle) override {
    cycle_ = cycle;
    window_.Cycle(cycle);
  }
  void Improved(double best_fit) override { window_.Improved(best_fit); }
  void Finished(const std::string& text) override {
    phase_ = text;
    window_.Finished(text);
  }

  const std::string& phase() const { return phase_; }
  long long cycle() const { return cycle_; }

 private:
  TMainDlg& m_;
  TrainingProgress& window_;
  std::string phase_;
  long long cycle_ = 0;
};

}  // namespace kv::cli
