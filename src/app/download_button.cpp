// The main window's DOWNLOAD button: the download dialog, modal, then the
// model's stock files are read again (they may have just been replaced).
#include <memory>

#include "download/loader_dlg.h"
#include "model/main_dlg.h"

namespace kv {

void TMainDlg::DOWNLOAD_BNClicked() {
  auto ld = std::make_unique<LoaderDlg>(this, &dlg);
  download_dlg = ld.get();
  // A dialog whose set-up failed has already closed itself.
  if (ld->SetupWindow()) plat().RunModal(ld->dlg());
  ld.reset();
  download_dlg = nullptr;
  CmOpen_stock();
}

}  // namespace kv
