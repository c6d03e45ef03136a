#include "model/main_dlg.h"

#include "app/options.h"
#include "model/dialog_progress.h"
#include "forecast/projection_window.h"
#include "forecast/stats_window.h"
#include "forecast/walkforward_window.h"
#include "platform/platform.h"
#include "resources/ids.h"

namespace kv {

TMainDlg::TMainDlg(Dialog& d)
    : dlg(d), dialog_progress(std::make_unique<DialogProgress>(*this)) {
  progress = dialog_progress.get();
  dlg.SetHandler(this);
  // The preferences store is created last, as the dialog's final step; it
  // loads kv.dat.
  delete theOptions;
  theOptions = new Options();
}

TMainDlg::~TMainDlg() {
  // The chart windows paint from this model: they go first.
  CloseStatWindow();
  CloseProjectionWindows();
  CloseWalkForwardWindows();
  plat().KillTimers(this);
  if (dlg.Handler() == this) dlg.SetHandler(nullptr);
  for (auto& s : stocks) s.reset();
  // Deleting the store saves kv.dat.
  delete theOptions;
  theOptions = nullptr;
}

int TMainDlg::ErrorBox(const std::string& text, const char* caption) {
  return plat().MessageBox(text, caption, MB_OK | MB_ICONEXCLAMATION);
}

bool TMainDlg::RefuseDamaged(const char* what) {
  if (!Damaged()) return false;
  if (!batch_running)
    ErrorBox(std::string("The model cannot ") + what + ": " + stocks_error +
                 "\nRestore the file or correct its path with MOD, then select Reread from the "
                 "File menu.",
             "Kestrivane");
  return true;
}

void TMainDlg::SetStatus(const std::string& text) { dlg.SetText(ids::IDC_STATUS, text); }

// Reread: the stocks from their files again, and the window from them.
void TMainDlg::CmOpen_stock() {
  Update_Stocks();
  DisplayEvaluation();
  dlg.Invalidate();
  RefreshStatWindow();
}

}  // namespace kv
