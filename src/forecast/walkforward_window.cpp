#include "forecast/walkforward_window.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "forecast/walkforward_chart.h"
#include "platform/canvas.h"
#include "resources/ids.h"
#include "util/atomic_file.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr const char* kCaption = "Walk-Forward Test";

std::vector<TWalkForwardWindow*>& OpenWindows() {
  static std::vector<TWalkForwardWindow*> open;
  return open;
}

std::string Date(int ymd) {
  return Format("%04d-%02d-%02d", ymd / 10000, ymd / 100 % 100, ymd % 100);
}

std::string Pct(const std::optional<double>& v, const char* fmt) {
  return v ? Format(fmt, *v) : std::string("-");
}

std::string StatText(const std::string& name, const WalkForwardRun& run) {
  const std::optional<double> v = run.Get(name);
  if (!v) return "-";
  if ((name == "start" || name == "end") && *v >= 10000101 && *v <= 99991231)
    return Date(static_cast<int>(*v));
  if (*v == std::floor(*v) && std::fabs(*v) < 1e15) return Format("%.0f", *v);
  return Format("%.2f", *v);
}

}  // namespace

std::vector<std::string> WalkForwardFoldLines(const WalkForwardReport& r) {
  std::vector<std::string> lines;
  lines.push_back(Format("%-4s  %-22s  %-22s  %8s  %10s  %9s  %9s  %6s", "Fold", "Training window",
                         "Test window", "Hit rate", "Confidence", "Return", "Buy&hold", "Trades"));
  for (size_t i = 0; i < r.folds.size(); ++i) {
    const WalkForwardFold& f = r.folds[i];
    lines.push_back(Format("%4d  %s..%s  %s..%s  %8s  %10s  %9s  %9s  %6d", static_cast<int>(i + 1),
                           Date(f.train_start).c_str(), Date(f.train_end).c_str(),
                           Date(f.test_start).c_str(), Date(f.test_end).c_str(),
                           Pct(f.hit_rate_pct, "%.1f %%").c_str(), Pct(f.confidence_pct, "%.0f %%").c_str(),
                           Pct(f.return_pct, "%+.2f %%").c_str(),
                           Pct(f.buy_hold_return_pct, "%+.2f %%").c_str(), f.trades));
  }
  return lines;
}

std::vector<std::string> WalkForwardStatLines(const WalkForwardReport& r) {
  std::vector<std::string> lines = {Format("%-22s  %14s  %14s", "", "out-of-sample", "in-sample")};
  for (const std::string& name : WalkForwardStatNames()) {
    auto has = [&](const WalkForwardRun& run) {
      return std::any_of(run.stats.begin(), run.stats.end(),
                         [&](const WalkForwardRun::Stat& s) { return s.name == name; });
    };
    if (!has(r.out_of_sample) && !has(r.in_sample))
      continue;   // a statistic this result does not have
    lines.push_back(Format("%-22s  %14s  %14s", name.c_str(), StatText(name, r.out_of_sample).c_str(),
                           StatText(name, r.in_sample).c_str()));
  }
  return lines;
}

TWalkForwardWindow::TWalkForwardWindow(Dialog* parent, JsonValue doc, WalkForwardReport report)
    : doc_(std::move(doc)), report_(std::move(report)) {
  window_ = plat().CreateDialog(ids::DLG_WALKFORWARD, parent);
  window_->SetCaption(Format("%s: %d folds", kCaption, static_cast<int>(report_.folds.size())));
  window_->SetHandler(this);
  window_->ClearList(ids::IDC_WF_FOLD_TABLE);
  for (const std::string& line : WalkForwardFoldLines(report_))
    window_->AddItem(ids::IDC_WF_FOLD_TABLE, line);
  window_->ClearList(ids::IDC_WF_STATS);
  for (const std::string& line : WalkForwardStatLines(report_)) window_->AddItem(ids::IDC_WF_STATS, line);
  OpenWindows().push_back(this);
}

TWalkForwardWindow::~TWalkForwardWindow() {
  auto& open = OpenWindows();
  open.erase(std::remove(open.begin(), open.end(), this), open.end());
  if (window_ && window_->Handler() == this) window_->SetHandler(nullptr);
}

void TWalkForwardWindow::EvPaint(Canvas& canvas) {
  try {
    DrawWalkForwardChart(canvas, report_);
  } catch (...) {
    // A failed drawing simply ends.
  }
  canvas.ResetState();
}

void TWalkForwardWindow::OnControl(int id, Notify code) {
  if (id == ids::IDC_WF_EXPORT && code == Notify::Clicked) Export();
}

bool TWalkForwardWindow::Export() {
  FileDialogSpec spec;
  spec.save = true;
  spec.filter = "JSON (*.json)|*.json|All Files (*.*)|*.*|";
  spec.initial_name = "walkforward.json";
  spec.options = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
  std::string path;
  if (!plat().FileDialog(spec, path) || path.empty()) return false;
  std::string why;
  if (!WriteOutputFile(path, doc_.Dump() + "\n", &why)) {
    plat().MessageBox("The walk-forward result was not exported: " + why, kCaption,
                      MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  return true;
}

void TWalkForwardWindow::OnCloseRequest() {
  // The window goes away once the event that asked for it has been handled.
  auto& open = OpenWindows();
  open.erase(std::remove(open.begin(), open.end(), this), open.end());
  dlg().EndDialog(IDCANCEL);
  TWalkForwardWindow* self = this;
  plat().Post([self] { delete self; });
}

TWalkForwardWindow* OpenWalkForwardWindow(Dialog* parent, const JsonValue& doc, std::string* err) {
  WalkForwardReport report;
  if (!ParseWalkForwardReport(doc, &report, err)) return nullptr;
  auto* w = new TWalkForwardWindow(parent, doc, std::move(report));
  w->dlg().Invalidate();
  return w;
}

TWalkForwardWindow* NewestWalkForwardWindow() {
  return OpenWindows().empty() ? nullptr : OpenWindows().back();
}

void CloseWalkForwardWindows() {
  while (!OpenWindows().empty()) delete OpenWindows().back();
}

}  // namespace kv
