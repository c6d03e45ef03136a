// The download dialog's two automatic uses, driven from outside the dialog.
#pragma once

namespace kv {

class TMainDlg;

// When a model is opened with inet_d_kvn set: downloads the quote files of
// the model's stocks before they are read.
void DownloadModelQuotes(TMainDlg& main);
// At start-up with inet_dall_start set: downloads again every quote file of
// the destination directory.
void DownloadAllAtStartup(TMainDlg& main);

}  // namespace kv
