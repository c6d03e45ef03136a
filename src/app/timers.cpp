// The main dialog's timers: auto-save, minutes trained, the batch time
// limit and the start-up work.
#include <string>

#include "model/main_dlg.h"
#include "resources/ids.h"

namespace kv {

void TMainDlg::EvTimer(unsigned id) {
  // A timer fires in the middle of whatever a long operation shows; the
  // status line must still show that operation afterwards.
  const std::string status = dlg.GetText(ids::IDC_STATUS);
  switch (id) {
    case ids::TIMER_AUTOSAVE:
      CmFilesave();
      break;
    case ids::TIMER_MINUTE:
      TimeTrained += 1;
      break;
    case ids::TIMER_TIME_LIMIT:
      training_on = false;
      plat().KillTimer(this, ids::TIMER_TIME_LIMIT);
      break;
    case ids::TIMER_STARTUP:
      plat().KillTimer(this, ids::TIMER_STARTUP);   // once only
      StartupWork();
      break;
    default:
      SetStatus(status);
      return;
  }
  SetStatus(status);
  dlg.Invalidate();
}

}  // namespace kv
