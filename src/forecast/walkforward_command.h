// Training > Walk-Forward Test...: asks for the folds, the test days and the
// learning steps per fold, runs the test in a worker thread while a progress
// window (fold n of K, Cancel) keeps the program answering, then opens the
// results window.
#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "platform/platform.h"
#include "util/json.h"

namespace kv {

class TWalkForwardWindow;

struct WalkForwardChoice {
  int folds = 5;
  int test_days = 60;
  long long steps_per_fold = 100000;
};

// How the worker tells the window how far it is, and learns of Cancel. Any
// thread may call it.
class WalkForwardTicker {
 public:
  void FoldDone() { done_.fetch_add(1); }
  int done() const { return done_.load(); }
  void Cancel() { cancelled_.store(true); }
  bool cancelled() const { return cancelled_.load(); }

 private:
  std::atomic<int> done_{0};
  std::atomic<bool> cancelled_{false};
};

// The test itself, run on a worker thread: it must not touch any window.
// True with the result's document in *doc; false with the reason in *err (a
// cancelled run may return either; its result is not shown).
using WalkForwardWork = std::function<bool(const WalkForwardChoice& choice, WalkForwardTicker& ticker,
                                           JsonValue* doc, std::string* err)>;

// The settings dialog (resource 203), modal. False when cancelled. Values
// out of range are refused with a message and the dialog stays open.
bool AskWalkForwardChoice(Dialog* parent, WalkForwardChoice* choice);

// The whole command after the settings: runs work with the progress window
// (resource 204) and opens the results window. nullptr when cancelled, or
// when the run failed (the reason shown in a message box). The pump keeps
// the other windows working meanwhile; a second run asked for then is
// refused with a message (the menu's enabler should ask WalkForwardRunning).
TWalkForwardWindow* RunWalkForward(Dialog* parent, const WalkForwardChoice& choice,
                                   const WalkForwardWork& work);

// True while RunWalkForward runs.
bool WalkForwardRunning();

// What the settings dialog refuses, or "" when the values are usable.
std::string CheckWalkForwardChoice(const std::string& folds, const std::string& test_days,
                                   const std::string& steps, WalkForwardChoice* out);

}  // namespace kv
