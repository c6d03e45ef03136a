#include "forecast/walkforward_command.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <future>
#include <memory>
#include <thread>

#include "forecast/walkforward_window.h"
#include "resources/ids.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr const char* kCaption = "Walk-Forward Test";
bool running = false;

// A whole number from lo to hi written in digits only, or -1.
long long Whole(const std::string& text, long long lo, long long hi) {
  if (text.empty() || text.size() > 12) return -1;
  long long v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    v = v * 10 + (c - '0');
  }
  return v >= lo && v <= hi ? v : -1;
}

class AskHandler final : public WindowHandler {
 public:
  explicit AskHandler(Dialog& d, WalkForwardChoice* c) : dlg_(d), choice_(c) {}
  void OnControl(int id, Notify code) override {
    if (code != Notify::Clicked) return;
    if (id == ids::IDC_WF_CANCEL) dlg_.EndDialog(IDCANCEL);
    if (id == ids::IDC_WF_OK && Accept()) dlg_.EndDialog(IDOK);
  }
  void OnCloseRequest() override { dlg_.EndDialog(IDCANCEL); }
  bool Accept() {
    const std::string why =
        CheckWalkForwardChoice(Trim(dlg_.GetText(ids::IDC_WF_FOLDS)), Trim(dlg_.GetText(ids::IDC_WF_TEST_DAYS)),
                               Trim(dlg_.GetText(ids::IDC_WF_STEPS)), choice_);
    if (why.empty()) return true;
    plat().MessageBox(why, kCaption, MB_OK | MB_ICONEXCLAMATION);
    return false;
  }

 private:
  static std::string Trim(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    return s.substr(i);
  }
  Dialog& dlg_;
  WalkForwardChoice* choice_;
};

class ProgressHandler final : public WindowHandler {
 public:
  ProgressHandler(Dialog& d, WalkForwardTicker& t) : dlg_(d), ticker_(t) {}
  void OnControl(int id, Notify code) override {
    if (id == ids::IDC_WF_CANCEL && code == Notify::Clicked) Cancel();
  }
  void OnCloseRequest() override { Cancel(); }

 private:
  void Cancel() {
    ticker_.Cancel();
    dlg_.SetText(ids::IDC_WF_PROGRESS_TEXT, "Cancelling...");
    dlg_.Enable(ids::IDC_WF_CANCEL, false);
  }
  Dialog& dlg_;
  WalkForwardTicker& ticker_;
};

}  // namespace

std::string CheckWalkForwardChoice(const std::string& folds, const std::string& test_days,
                                   const std::string& steps, WalkForwardChoice* out) {
  const long long k = Whole(folds, 1, 50), m = Whole(test_days, 5, 2000),
                  s = Whole(steps, 1, 1000000000);
  if (k < 0) return "Folds: give a whole number from 1 to 50.";
  if (m < 0) return "Test days per fold: give a whole number from 5 to 2000.";
  if (s < 0) return "Learning steps per fold: give a whole number from 1 to 1000000000.";
  out->folds = static_cast<int>(k);
  out->test_days = static_cast<int>(m);
  out->steps_per_fold = s;
  return "";
}

bool AskWalkForwardChoice(Dialog* parent, WalkForwardChoice* choice) {
  std::unique_ptr<Dialog> d = plat().CreateDialog(ids::DLG_WALKFORWARD_ASK, parent);
  d->SetCaption(kCaption);
  d->SetText(ids::IDC_WF_FOLDS, std::to_string(choice->folds));
  d->SetText(ids::IDC_WF_TEST_DAYS, std::to_string(choice->test_days));
  d->SetText(ids::IDC_WF_STEPS, std::to_string(choice->steps_per_fold));
  AskHandler handler(*d, choice);
  d->SetHandler(&handler);
  const int answer = plat().RunModal(*d);
  // A dialog closed with OK by other means than its button is checked too.
  const bool ok = answer == IDOK && handler.Accept();
  d->SetHandler(nullptr);
  return ok;
}

bool WalkForwardRunning() { return running; }

TWalkForwardWindow* RunWalkForward(Dialog* parent, const WalkForwardChoice& choice,
                                   const WalkForwardWork& work) {
  if (running) {
    plat().MessageBox("A walk-forward test is running: wait for it, or cancel it first.", kCaption,
                      MB_OK | MB_ICONEXCLAMATION);
    return nullptr;
  }
  struct Flag {
    Flag() { running = true; }
    ~Flag() { running = false; }
  } flag;
  WalkForwardTicker ticker;
  JsonValue doc;
  std::string err;
  bool ok = false;
  {
    std::unique_ptr<Dialog> d = plat().CreateDialog(ids::DLG_WALKFORWARD_RUN, parent);
    d->SetCaption(kCaption);
    d->SetRange(ids::IDC_WF_PROGRESS, 0, choice.folds);
    d->SetValue(ids::IDC_WF_PROGRESS, 0);
    ProgressHandler handler(*d, ticker);
    d->SetHandler(&handler);
    auto show = [&](int done) {
      if (ticker.cancelled()) return;
      d->SetText(ids::IDC_WF_PROGRESS_TEXT,
                 Format("Fold %d of %d", std::min(done + 1, choice.folds), choice.folds));
      d->SetValue(ids::IDC_WF_PROGRESS, done);
    };
    show(0);
    std::packaged_task<bool()> task([&] { return work(choice, ticker, &doc, &err); });
    std::future<bool> result = task.get_future();
    std::thread worker(std::move(task));
    int shown = 0;
    // The window stays alive while the worker runs: the pump delivers Cancel.
    while (result.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
      plat().CheckEvents();
      if (const int done = ticker.done(); done != shown) show(shown = done);
    }
    worker.join();
    try {
      ok = result.get();
    } catch (const std::exception& e) {
      ok = false;
      err = std::string("The walk-forward test failed: ") + e.what();
    }
    d->SetHandler(nullptr);
  }
  if (ticker.cancelled()) return nullptr;
  if (ok) {
    TWalkForwardWindow* w = OpenWalkForwardWindow(parent, doc, &err);
    if (w) return w;
  }
  plat().MessageBox(err.empty() ? std::string("The walk-forward test failed.") : err, kCaption,
                    MB_OK | MB_ICONEXCLAMATION);
  return nullptr;
}

}  // namespace kv
