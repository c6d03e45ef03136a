// The walk-forward test of the dialog's model: what the engine
// (forecast/walk_forward.h) needs, copied out of the dialog, and the one call
// that runs the whole test for the desktop program and kestrivane-cli.
#pragma once

#include <atomic>
#include <string>

#include "forecast/walk_forward.h"

namespace kv {

class TMainDlg;

// The model's calendar, stocks as read, neurons, training rules, training
// window and strategy. The dialog is not changed.
WalkForwardModel WalkForwardModelOf(const TMainDlg& m);

// Runs the test on the dialog's model (RunWalkForward on WalkForwardModelOf);
// a model without price data or with a stock that did not read is refused
// with a message in *err. The model itself is not changed.
bool RunWalkForwardTest(const TMainDlg& m, const WalkForwardSettings& settings,
                        WalkForwardProgress* progress, const std::atomic<bool>* stop,
                        WalkForwardResult* out, std::string* err);

// Training > Walk-Forward Test...: asks for the folds, test days and steps
// per fold, runs the test on a copy of the model in a worker thread with a
// progress window that can cancel it, then shows the results window.
void WalkForwardCommand(TMainDlg& m);
// The menu item's state: a model with stocks, no training or search
// running, no test running already.
bool WalkForwardCommandEnabled(const TMainDlg& m);

}  // namespace kv
