#include "download/auto_download.h"

#include "app/options.h"
#include "download/loader_dlg.h"
#include "model/main_dlg.h"

namespace kv {

namespace {

// The dialog works modeless: the user sees it only while it downloads.
void RunAutomatic(TMainDlg& main, bool every_file) {
  LoaderDlg ld(&main, &main.dlg);
  download_dlg = &ld;
  // Without a configuration every symbol would only fail, each with its own
  // message: the set-up has already told the user.
  if (ld.SetupWindow()) {
    if (every_file) {
      ld.dlg().ClearList(ids::IDC_LD_SYMBOLS);
      ld.SEL_ALL_BNClicked();
      ld.ADD_FILES_BNClicked();
    }
    ld.DOWNLOAD_BNClicked();
  }
  download_dlg = nullptr;
}

}  // namespace

void DownloadModelQuotes(TMainDlg& main) {
  if (!theOptions || theOptions->iGetOption("inet_d_kvn") < 1) return;
  RunAutomatic(main, false);
}

void DownloadAllAtStartup(TMainDlg& main) {
  if (!theOptions || theOptions->iGetOption("inet_dall_start") < 1) return;
  RunAutomatic(main, true);
}

}  // namespace kv
