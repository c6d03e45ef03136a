// The walk-forward test from the menu: the dialog's glue between the
// settings and progress windows (forecast/walkforward_command.h) and the
// engine (forecast/walk_forward.h).
#include <memory>

#include "forecast/walkforward_command.h"
#include "model/main_dlg.h"
#include "model/walk_forward_model.h"

namespace kv {
namespace {

// Passes the engine's fold count to the progress window, and the window's
// Cancel to the engine; called on the worker thread.
class TickerProgress final : public WalkForwardProgress {
 public:
  TickerProgress(WalkForwardTicker& ticker, std::atomic<bool>& stop) : ticker_(ticker), stop_(stop) {}
  void Folds(int done, int) override {
    for (; reported_ < done; ++reported_) ticker_.FoldDone();
    if (ticker_.cancelled()) stop_.store(true);
  }

 private:
  WalkForwardTicker& ticker_;
  std::atomic<bool>& stop_;
  int reported_ = 0;
};

}  // namespace

bool WalkForwardCommandEnabled(const TMainDlg& m) {
  return !m.training_on && m.n_files > 0 && !WalkForwardRunning();
}

void WalkForwardCommand(TMainDlg& m) {
  if (!WalkForwardCommandEnabled(m)) return;
  if (m.RefuseDamaged("be tested")) return;
  WalkForwardChoice choice;
  if (!AskWalkForwardChoice(&m.dlg, &choice)) return;

  WalkForwardSettings settings;
  settings.folds = choice.folds;
  settings.test_days = choice.test_days;
  settings.steps_per_fold = choice.steps_per_fold;
  settings.money = MoneyFromPreferences();
  // The copy is taken here, on the window's thread: the worker never reads
  // the dialog, which the pump keeps changing while the test runs.
  auto model = std::make_shared<const WalkForwardModel>(WalkForwardModelOf(m));
  RunWalkForward(&m.dlg, choice,
                 [model, settings](const WalkForwardChoice&, WalkForwardTicker& ticker,
                                   JsonValue* doc, std::string* err) {
                   std::atomic<bool> stop{false};
                   TickerProgress progress(ticker, stop);
                   WalkForwardResult result;
                   if (!RunWalkForward(*model, settings, &progress, &stop, &result, err))
                     return false;
                   *doc = WalkForwardJson(result);
                   return true;
                 });
}

}  // namespace kv
