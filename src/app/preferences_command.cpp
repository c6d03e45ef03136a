// Options > Preferences.
#include "app/preferences_dlg.h"
#include "model/main_dlg.h"

namespace kv {

void TMainDlg::CmPreferences() {
  TOptionsDlg prefs(&dlg);
  prefs.Execute();
  // Figures that depend on the money settings are drawn again.
  dlg.Invalidate();
}

}  // namespace kv
