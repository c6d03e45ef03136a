// The start-up work, one second after the main window opened: the optional
// download of every quote file, then the file named on the command line,
// opened as a model or run as a batch file by its first word.
#include <cstdio>

#include "app/options.h"
#include "download/auto_download.h"
#include "model/main_dlg.h"
#include "resources/ids.h"
#include "util/file.h"

namespace kv {

namespace {
// The first three characters of the file's first blank-delimited word;
// empty when the file does not open or is not a regular file.
std::string FirstWordPrefix(const std::string& path) {
  // A FIFO named on the command line would block the start-up for good.
  File f = OpenRegularFile(path);
  if (!f) return {};
  std::string w;
  int c;
  while ((c = std::getc(f.get())) != EOF && (c == ' ' || c == '\t' || c == '\n' || c == '\r')) {}
  while (c != EOF && c != ' ' && c != '\t' && c != '\n' && c != '\r' && w.size() < 3) {
    w.push_back(static_cast<char>(c));
    c = std::getc(f.get());
  }
  return w;
}
}  // namespace

void TMainDlg::StartupWork() {
  plat().KillTimer(this, ids::TIMER_STARTUP);
  if (theOptions && theOptions->iGetOption("inet_dall_start") >= 1) DownloadAllAtStartup(*this);

  if (!startup_file.empty()) {
    const std::string kind = FirstWordPrefix(startup_file);
    if (kind == "Kes") {
      model_path = startup_file;
      if (Read_Param([this] { DownloadModelQuotes(*this); }).ok) {
        DisplayEvaluation();
      } else if (!Damaged()) {
        modified = false;   // nothing worth saving was left by the failed read
        CmFilenew();
        DisplayEvaluation();
      }
    } else if (kind == "KBF") {
      RunBatch(startup_file.c_str());
    }
  }

  dlg.Enable(ids::IDC_DOWNLOAD, true);
  training_on = false;
  dlg.Invalidate();
}

}  // namespace kv
