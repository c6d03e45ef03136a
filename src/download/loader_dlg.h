// LoaderDlg: the download dialog. The user assembles a list of ticker
// symbols and downloads one quote file per symbol ("SYMBOL.csv") into a
// destination directory, from the quote database chosen in a drop-down list;
// the fetching is done by DlgSendStream. Used modally from the DOWNLOAD
// button, and modeless (driven by calling its handlers) for the start-up
// download and the download when a model is opened.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "download/http_client.h"
#include "platform/platform.h"
#include "resources/ids.h"

namespace kv {

class TMainDlg;

// A symbol that can safely become a file name in the destination directory:
// not empty, no path separators or control characters, not "." or "..".
bool IsSafeSymbol(std::string_view symbol);

class LoaderDlg : public WindowHandler {
 public:
  static constexpr int kBannerSize = 2048;
  static constexpr int kResultsLimit = 25500;   // text limit of the Results box
  static constexpr int kMaxSymbols = 32767;     // what the classic list box holds

  // main: the dialog whose model's symbols are offered (may be null).
  LoaderDlg(TMainDlg* main, Dialog* parent, int resource = ids::DLG_LOADER);
  explicit LoaderDlg(Dialog* parent, int resource = ids::DLG_LOADER);
  ~LoaderDlg() override;
  LoaderDlg(const LoaderDlg&) = delete;
  LoaderDlg& operator=(const LoaderDlg&) = delete;

  Dialog& dlg() { return *dlg_; }

  // Fills the controls, loads the configuration and the banner (neither when
  // quote files come by URL template), starts the banner timer. False (and
  // the dialog closed) when the configuration could not be fetched; a
  // missing banner leaves the banner empty.
  bool SetupWindow();
  // Stops the banner timer and any running transfer.
  void Destroy();

  // ---- commands and notifications ----
  void DOWNLOAD_BNClicked();
  void CANCEL_BNClicked();
  void EXIT_BNClicked();
  void REMOVE_TICKER_BNClicked();
  void SAVE_TICKERS_BNClicked();
  void LOAD_TICKERS_BNClicked();
  void ADD_MANUAL_BNClicked();
  void ADD_FILES_BNClicked();
  void SEL_ALL_BNClicked();
  void SEL_NONE_BNClicked();
  void BROWSE_BNClicked();
  void TL_LBNSelchange();
  void FILE_FILTER_ENChange();
  void PATH_STRING_ENChange();
  void DATABASE_CBNSelchange();

  void EvTimer(unsigned id) override;
  void OnControl(int id, Notify code) override;
  void OnCommand(int id) override;
  void OnCloseRequest() override;

  // ---- for the automatic uses and the command line ----
  // Adds symbol to the symbol list unless it is empty or already there.
  bool AddSymbol(std::string_view symbol);
  // Adds the first field of every line of a symbol-list file (LOAD LIST).
  void LoadListFile(const std::string& path);
  // Selects the database named name (without regard to case); false if none.
  bool SelectDatabase(std::string_view name);
  // One symbol's download as the Results box reports it.
  struct Outcome {
    std::string symbol;
    std::string path;     // the file written, or that would have been
    bool ok = false;
    std::string reason;   // why it failed ("" after a success or when unknown)
    std::string line;     // the Results box's line, CR LF included
  };
  // Called with every result as its line is added.
  std::function<void(const Outcome&)> on_result;

  bool setup_ok() const { return setup_ok_; }
  bool downloading() const { return downloading_; }
  bool closed() const { return closing_; }
  int succeeded() const { return succeeded_; }
  int failed() const { return failed_; }
  const char* banner() const { return banner_; }
  // Why the set-up failed ("" when it did not, or no reason is known).
  const std::string& setup_reason() const { return setup_reason_; }

 private:
  void Init(int resource, Dialog* parent);
  // The destination as file paths use it: backslashes turned into slashes,
  // trailing slashes removed; an empty destination is the current directory.
  std::string DestinationForFiles(int max_chars) const;
  void AppendResult(const std::string& symbol, const std::string& path, bool ok, const std::string& reason);
  void EndStream();

  TMainDlg* main_ = nullptr;
  std::unique_ptr<Dialog> dlg_;
  std::unique_ptr<DlgSendStream> stream_;
  char banner_[kBannerSize] = {};
  int banner_len_ = 0;
  bool setup_done_ = false;
  bool setup_ok_ = false;
  bool cancel_ = false;
  bool downloading_ = false;
  bool closing_ = false;
  int succeeded_ = 0;
  int failed_ = 0;
  std::string setup_reason_;
};

// The download dialog the main window has open, if any.
extern LoaderDlg* download_dlg;
// The status window of the running download, if any.
extern DlgSendStream* download_stream;

}  // namespace kv
