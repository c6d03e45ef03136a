// The File menu: New, Open, Save, Save As, their enablers, and the question
// asked before a modified model is closed or replaced.
#include <algorithm>

#include "download/auto_download.h"
#include "forecast/stats_window.h"
#include "model/main_dlg.h"
#include "resources/ids.h"

namespace kv {

namespace {
const char* const kModelFilter = "Kestri (*.kvn)|*.kvn|All Files (*.*)|*.*|";
}

void TMainDlg::CmFilenew() {
  if (!CanClose()) return;
  dlg.ClearList(ids::IDC_TICKER_LIST);
  dlg.ClearList(ids::IDC_TRAIN_START);
  dlg.ClearList(ids::IDC_TRAIN_END);

  for (auto& s : stocks) s.reset();
  stocks_error.clear();
  n_files = 0;
  patterns.n_days = 0;
  net.in_nodes = 0;     // no stocks, no input rows
  model_path.clear();   // a new model has no file yet

  for (int row = 0; row < 12; ++row)
    std::fill(patterns.inputs[row], patterns.inputs[row] + kMaxDays, 0.0f);
  for (int d = 0; d < kMaxDays; ++d)
    for (int o = 0; o < kMaxOutputs; ++o) net.guess[d][o] = patterns.result[d][o] = 0;
  good_calls = bad_calls = abs_error_sum = 0;
  Strategy = defaults::kStrategy;

  dlg.SetText(ids::IDC_SYMBOL, "");
  dlg.SetText(ids::IDC_FILENAME, "");
  dlg.SetText(ids::IDC_INFL_PERIOD, "");
  for (int id : {ids::IDC_LONG, ids::IDC_SHORT, ids::IDC_PRICE, ids::IDC_VOLUME}) dlg.Check(id, false);

  clear_network();
  training_on = false;
  modified = false;
  untitled = true;
  dlg.Invalidate();
}

void TMainDlg::CmFileopen() {
  if (!CanClose()) return;
  CloseStatWindow();   // it shows the model about to be replaced
  FileDialogSpec spec;
  spec.save = false;
  spec.filter = kModelFilter;
  spec.options = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  std::string path;
  if (plat().FileDialog(spec, path)) {
    model_path = path;
    // The model's quotes are downloaded, when the preferences say so, before
    // its price files are read.
    if (Read_Param([this] { DownloadModelQuotes(*this); }).ok) {
      DisplayEvaluation();
    } else if (Damaged()) {
      // Kept, not replaced by a new model: the user mends the path with MOD
      // or restores the file and rereads. The status line says why.
    } else {
      // The user has already been asked about the old model; what a failed
      // read left behind is no model to save, least of all over the file
      // that just failed to open.
      modified = false;
      CmFilenew();
    }
  }
  training_on = false;
  dlg.Invalidate();
}

FileOutcome TMainDlg::CmFilesave() {
  if (untitled) return CmFilesaveas();
  if (modified) return Save_Param();
  return FileOutcome::Ok();   // nothing changed since the file was written
}

FileOutcome TMainDlg::CmFilesaveas() {
  const std::string previous = model_path;
  model_path.clear();
  FileDialogSpec spec;
  spec.save = true;
  spec.filter = kModelFilter;
  spec.options = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  std::string path;
  FileOutcome outcome;
  if (plat().FileDialog(spec, path)) {
    // The new name stays even when the write fails: the user chose to keep
    // the old file as it was, so a later Save must not go there. The model
    // stays modified and the message says it is not saved.
    model_path = path;
    outcome = Save_Param();
  } else {
    model_path = previous;
    outcome = FileOutcome::Failed(0, "", "no file was chosen");
  }
  dlg.Invalidate();
  return outcome;
}

void TMainDlg::CeFilesave(CommandEnabler& ce) { ce.Enable(modified && n_files > 0 && !training_on); }

void TMainDlg::CeFilesaveas(CommandEnabler& ce) { ce.Enable(n_files > 0 && !training_on); }

bool TMainDlg::CanClose() {
  const bool base = true;   // the dialog itself never objects
  training_on = false;
  Check_Events();           // let a running training loop see the flag and end
  if (modified) {
    // A damaged model cannot be saved: ask, so that No can still close.
    if (AutoSave && !Damaged()) {
      CmFilesave();
    } else {
      int answer = plat().MessageBox("Content has changed, do you want to save now?", "Save File",
                                     MB_YESNOCANCEL | MB_ICONQUESTION);
      if (answer == IDNO) return base;
      if (answer != IDYES) return false;
      CmFilesave();
    }
    // A save that failed or was cancelled keeps the window (and the model):
    // closing now would lose the changes the user just asked to keep.
    if (modified) return false;
  }
  // Our help is a page in the user's browser; there is no viewer to tell to
  // quit, only the flag to clear.
  if (base && help_open) help_open = false;
  return base;
}

}  // namespace kv
