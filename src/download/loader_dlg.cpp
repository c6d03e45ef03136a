#include "download/loader_dlg.h"

#include <cstring>
#include <dirent.h>
#include <fnmatch.h>
#include <strings.h>
#include <sys/stat.h>

#include <string>
#include <unordered_set>

#include "app/options.h"
#include "download/quote_settings.h"
#include "model/main_dlg.h"
#include "util/atomic_file.h"
#include "util/file.h"
#include "util/text.h"

namespace kv {

LoaderDlg* download_dlg = nullptr;
DlgSendStream* download_stream = nullptr;

namespace {

constexpr const char* kBannerPath = "kestrivane/markee.txt";
constexpr const char* kListFilter = "Text Files(*.txt)|*.txt|All Files (*.*)|*.*|";
constexpr int kMaxFileEntries = 32767;   // what a list box can hold

// Kept between dialog instances, so the banner goes on where it stopped.
int g_banner_pos = 0;

std::string Trim(std::string_view s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  size_t e = s.find_last_not_of(" \t");
  return std::string(s.substr(b, e - b + 1));
}

}  // namespace

bool IsSafeSymbol(std::string_view s) {
  if (s.empty() || s == "." || s == "..") return false;
  for (unsigned char c : s)
    if (c < 0x20 || c == 0x7F || c == '/' || c == '\\') return false;
  return true;
}

LoaderDlg::LoaderDlg(TMainDlg* main, Dialog* parent, int resource) : main_(main) {
  Init(resource, parent);
}

LoaderDlg::LoaderDlg(Dialog* parent, int resource) { Init(resource, parent); }

void LoaderDlg::Init(int resource, Dialog* parent) {
  dlg_ = plat().CreateDialog(resource, parent);
  dlg_->SetHandler(this);
  dlg_->SetMultiSelect(ids::IDC_LD_SYMBOLS, true);
  dlg_->SetMultiSelect(ids::IDC_LD_FILES, true);
  dlg_->SetSorted(ids::IDC_LD_FILES, true);
  dlg_->SetTextLimit(ids::IDC_LD_DEST, 255);
  dlg_->SetTextLimit(ids::IDC_LD_RESULTS, kResultsLimit);
  dlg_->SetReadOnly(ids::IDC_LD_RESULTS, true);
  dlg_->SetText(ids::IDC_LD_FILTER, "*.CSV");
  dlg_->Show(ids::IDC_LD_BROWSE, false);
}

LoaderDlg::~LoaderDlg() {
  Destroy();
  if (download_dlg == this) download_dlg = nullptr;
  if (dlg_ && dlg_->Handler() == this) dlg_->SetHandler(nullptr);
}

void LoaderDlg::Destroy() {
  plat().KillTimer(this, ids::TIMER_BANNER);
  // A download still running unwinds by itself once its transfer is ended;
  // it releases the status window then.
  if (stream_ && downloading_) stream_->Abort();
  else EndStream();
}

void LoaderDlg::EndStream() {
  if (!stream_) return;
  stream_->CmStop();
  if (download_stream == stream_.get()) download_stream = nullptr;
  stream_.reset();
}

// ---- set-up ------------------------------------------------------------------------

bool LoaderDlg::SetupWindow() {
  dlg_->ClearList(ids::IDC_LD_DATABASE);
  dlg_->ClearList(ids::IDC_LD_FILES);

  setup_done_ = true;
  const char* filter = theOptions ? theOptions->cGetOption("inet_filter") : "*.csv";
  const char* dest = theOptions ? theOptions->cGetOption("inet_des_dir") : "./";
  dlg_->SetText(ids::IDC_LD_FILTER, filter);
  FILE_FILTER_ENChange();
  dlg_->SetText(ids::IDC_LD_DEST, std::string(dest).substr(0, 255));
  PATH_STRING_ENChange();

  if (main_) {
    for (int i = 0; i < 3; ++i) {
      const char* t = main_->GetTicker(i);
      if (t) AddSymbol(t);
    }
  }

  // A URL template needs neither the vendor's configuration nor its banner:
  // a user without a vendor server must not be stopped by its absence.
  if (CurrentQuoteSettings().url.empty()) {
    stream_ = std::make_unique<DlgSendStream>(dlg_.get());
    download_stream = stream_.get();
    bool ok = stream_->GetURLConfig() && !closing_;
    if (!ok) {
      setup_reason_ = stream_->reason();
      EndStream();
      if (!closing_) {
        closing_ = true;
        dlg_->EndDialog(IDCANCEL);
      }
      return false;
    }
    // The banner is a nicety: without it the line stays empty.
    if (!stream_->GetURL(VendorServer().c_str(), kBannerPath, banner_, kBannerSize)) banner_[0] = 0;
    if (closing_) {
      EndStream();
      return false;
    }

    // Only the banner's first line scrolls; its line end goes too.
    if (char* nl = std::strchr(banner_, '\n')) *nl = 0;
    banner_len_ = static_cast<int>(std::strlen(banner_));
    if (banner_len_ > 0 && banner_[banner_len_ - 1] == '\r') banner_[--banner_len_] = 0;

    for (int i = 0; i < DlgSendStream::kSources; ++i) {
      const QuoteSource& q = stream_->source(i);
      if (q.name[0]) dlg_->AddItem(ids::IDC_LD_DATABASE, q.name);
    }
    EndStream();
  }

  const char* want = theOptions ? theOptions->cGetOption("inet_database") : "";
  size_t want_len = std::strlen(want);
  int count = dlg_->ItemCount(ids::IDC_LD_DATABASE);
  int pick = count > 0 ? 0 : -1;
  for (int i = 0; i < count; ++i) {
    std::string name = dlg_->ItemText(ids::IDC_LD_DATABASE, i);
    if (strncasecmp(name.c_str(), want, want_len) == 0) {
      pick = i;
      break;
    }
  }
  dlg_->SetSel(ids::IDC_LD_DATABASE, pick);

  dlg_->Enable(ids::IDC_LD_REMOVE, false);
  dlg_->Enable(ids::IDC_LD_CANCEL, false);
  plat().SetTimer(this, ids::TIMER_BANNER, 100);
  setup_ok_ = true;
  return true;
}

// ---- events ---------------------------------------------------------------------------

void LoaderDlg::EvTimer(unsigned id) {
  if (id != ids::TIMER_BANNER) return;
  g_banner_pos = (g_banner_pos + 1) % (banner_len_ > 0 ? banner_len_ : 1);
  int pos = g_banner_pos < banner_len_ ? g_banner_pos : 0;
  dlg_->SetText(ids::IDC_LD_BANNER, banner_ + pos);
}

void LoaderDlg::OnControl(int id, Notify code) {
  switch (code) {
    case Notify::Clicked:
      switch (id) {
        case ids::IDC_LD_DOWNLOAD: DOWNLOAD_BNClicked(); break;
        case ids::IDC_LD_CANCEL: CANCEL_BNClicked(); break;
        case ids::IDC_LD_EXIT: EXIT_BNClicked(); break;
        case ids::IDC_LD_REMOVE: REMOVE_TICKER_BNClicked(); break;
        case ids::IDC_LD_SAVE_LIST: SAVE_TICKERS_BNClicked(); break;
        case ids::IDC_LD_LOAD_LIST: LOAD_TICKERS_BNClicked(); break;
        case ids::IDC_LD_ADD_MANUAL: ADD_MANUAL_BNClicked(); break;
        case ids::IDC_LD_ADD_FILES: ADD_FILES_BNClicked(); break;
        case ids::IDC_LD_ALL: SEL_ALL_BNClicked(); break;
        case ids::IDC_LD_NONE: SEL_NONE_BNClicked(); break;
        case ids::IDC_LD_BROWSE: BROWSE_BNClicked(); break;
        default: break;
      }
      break;
    case Notify::SelChange:
      if (id == ids::IDC_LD_SYMBOLS || id == ids::IDC_LD_FILES) TL_LBNSelchange();
      else if (id == ids::IDC_LD_DATABASE) DATABASE_CBNSelchange();
      break;
    case Notify::Change:
      if (id == ids::IDC_LD_FILTER) FILE_FILTER_ENChange();
      else if (id == ids::IDC_LD_DEST) PATH_STRING_ENChange();
      break;
    default:
      break;
  }
}

// Enter and Escape arrive as the commands of buttons 1 and 2.
void LoaderDlg::OnCommand(int id) { OnControl(id, Notify::Clicked); }

void LoaderDlg::OnCloseRequest() {
  // Closing ends the transfer in progress (the download loop then unwinds and
  // releases the status window) and closes this dialog, nothing more.
  closing_ = true;
  cancel_ = true;
  if (stream_) stream_->Abort();
  plat().KillTimer(this, ids::TIMER_BANNER);
  dlg_->EndDialog(IDCANCEL);
}

// ---- download -------------------------------------------------------------------------

std::string LoaderDlg::DestinationForFiles(int max_chars) const {
  std::string dir = dlg_->GetText(ids::IDC_LD_DEST, max_chars);
  for (char& c : dir)
    if (c == '\\') c = '/';
  if (dir.empty()) return ".";  // not the root directory
  while (!dir.empty() && dir.back() == '/') dir.pop_back();
  return dir;
}

void LoaderDlg::AppendResult(const std::string& symbol, const std::string& path, bool ok,
                             const std::string& reason) {
  std::string line = ok               ? Format("%6s \tOK\r\n", symbol.c_str())
                     : reason.empty() ? Format("%6s \tFAIL\r\n", symbol.c_str())
                                      : Format("%6s \tFAIL %s\r\n", symbol.c_str(), reason.c_str());
  std::string text = dlg_->GetText(ids::IDC_LD_RESULTS) + line;
  // The box holds kResultsLimit characters: the oldest lines make room.
  while (static_cast<int>(text.size()) > kResultsLimit) {
    size_t nl = text.find('\n');
    if (nl == std::string::npos) {
      text.erase(0, text.size() - kResultsLimit);
      break;
    }
    text.erase(0, nl + 1);
  }
  dlg_->SetText(ids::IDC_LD_RESULTS, text);
  (ok ? succeeded_ : failed_) += 1;
  if (on_result) on_result(Outcome{symbol, path, ok, reason, line});
}

void LoaderDlg::DOWNLOAD_BNClicked() {
  if (downloading_ || closing_) return;
  if (theOptions) theOptions->SaveOptions();
  std::string dir = DestinationForFiles(255);
  int sel = dlg_->GetSel(ids::IDC_LD_DATABASE);
  std::string database = sel >= 0 ? dlg_->ItemText(ids::IDC_LD_DATABASE, sel).substr(0, 18) : "";
  const std::string url_template = CurrentQuoteSettings().url;

  dlg_->Enable(ids::IDC_LD_DOWNLOAD, false);
  EndStream();
  stream_ = std::make_unique<DlgSendStream>(dlg_.get());
  download_stream = stream_.get();
  cancel_ = false;
  dlg_->Enable(ids::IDC_LD_CANCEL, true);
  downloading_ = true;

  while (dlg_->ItemCount(ids::IDC_LD_SYMBOLS) > 0) {
    // A click on Cancel made while the last file arrived is seen now, not
    // one file later.
    plat().CheckEvents();
    if (!stream_ || stream_->quit() || cancel_ || closing_) break;
    std::string symbol = dlg_->ItemText(ids::IDC_LD_SYMBOLS, 0);
    std::string path = dir + "/" + symbol + ".csv";
    bool ok = false;
    std::string reason = "not a usable file name";
    if (IsSafeSymbol(symbol)) {
      ok = url_template.empty() ? stream_->GetTickerFile(database.c_str(), symbol.c_str(), path.c_str())
                                : stream_->GetTemplateFile(url_template, symbol.c_str(), path.c_str());
      reason = stream_->reason();
    }
    AppendResult(symbol, path, ok, reason);
    // The list may have changed while the file was fetched.
    int at = dlg_->FindExact(ids::IDC_LD_SYMBOLS, symbol);
    if (at >= 0) dlg_->DeleteItem(ids::IDC_LD_SYMBOLS, at);
  }

  downloading_ = false;
  EndStream();
  cancel_ = false;
  if (closing_) return;
  dlg_->Enable(ids::IDC_LD_DOWNLOAD, true);
  dlg_->Enable(ids::IDC_LD_CANCEL, false);
  if (theOptions && theOptions->iGetOption("inet_q") >= 1) dlg_->PostClose();
}

void LoaderDlg::CANCEL_BNClicked() { cancel_ = true; }

void LoaderDlg::EXIT_BNClicked() { dlg_->PostClose(); }

void LoaderDlg::BROWSE_BNClicked() {}

// ---- the symbol list ---------------------------------------------------------------

bool LoaderDlg::AddSymbol(std::string_view symbol) {
  if (symbol.empty() || dlg_->FindExact(ids::IDC_LD_SYMBOLS, symbol) >= 0) return false;
  dlg_->AddItem(ids::IDC_LD_SYMBOLS, symbol);
  return true;
}

void LoaderDlg::REMOVE_TICKER_BNClicked() {
  std::vector<int> sel = dlg_->SelectedItems(ids::IDC_LD_SYMBOLS);
  for (auto it = sel.rbegin(); it != sel.rend(); ++it) dlg_->DeleteItem(ids::IDC_LD_SYMBOLS, *it);
  dlg_->Enable(ids::IDC_LD_REMOVE, !dlg_->SelectedItems(ids::IDC_LD_SYMBOLS).empty());
}

void LoaderDlg::TL_LBNSelchange() {
  dlg_->Enable(ids::IDC_LD_REMOVE, !dlg_->SelectedItems(ids::IDC_LD_SYMBOLS).empty());
  int caret = dlg_->GetCaret(ids::IDC_LD_SYMBOLS);
  dlg_->SetText(ids::IDC_LD_MANUAL, dlg_->ItemText(ids::IDC_LD_SYMBOLS, caret));
}

void LoaderDlg::ADD_MANUAL_BNClicked() {
  AddSymbol(dlg_->GetText(ids::IDC_LD_MANUAL, 19));
  dlg_->SetText(ids::IDC_LD_MANUAL, "");
}

void LoaderDlg::ADD_FILES_BNClicked() {
  for (int i : dlg_->SelectedItems(ids::IDC_LD_FILES)) {
    std::string name = dlg_->ItemText(ids::IDC_LD_FILES, i);
    AddSymbol(std::string_view(name).substr(0, name.find('.')));
  }
}

void LoaderDlg::SEL_ALL_BNClicked() {
  int top = dlg_->GetTopIndex(ids::IDC_LD_FILES);
  int n = dlg_->ItemCount(ids::IDC_LD_FILES);
  for (int i = 0; i < n; ++i) dlg_->SelectItem(ids::IDC_LD_FILES, i, true);
  dlg_->SetTopIndex(ids::IDC_LD_FILES, top);
}

void LoaderDlg::SEL_NONE_BNClicked() {
  int n = dlg_->ItemCount(ids::IDC_LD_FILES);
  for (int i = 0; i < n; ++i) dlg_->SelectItem(ids::IDC_LD_FILES, i, false);
}

void LoaderDlg::SAVE_TICKERS_BNClicked() {
  FileDialogSpec spec;
  spec.save = true;
  spec.filter = kListFilter;
  spec.options = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  std::string path;
  if (!plat().FileDialog(spec, path)) return;
  std::string text;
  int n = dlg_->ItemCount(ids::IDC_LD_SYMBOLS);
  for (int i = 0; i < n; ++i) text += dlg_->ItemText(ids::IDC_LD_SYMBOLS, i) + "\n";
  WriteFileAtomic(path, text);
}

void LoaderDlg::LOAD_TICKERS_BNClicked() {
  FileDialogSpec spec;
  spec.filter = kListFilter;
  spec.options = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST;
  std::string path;
  if (!plat().FileDialog(spec, path)) return;
  LoadListFile(path);
}

void LoaderDlg::LoadListFile(const std::string& path) {
  // Read line by line: a quote file picked by mistake may be large.
  File f = OpenRegularFile(path);
  if (!f) return;  // a list that cannot be opened is ignored
  // The symbols listed so far, for the duplicate check: searching the list
  // box once per line would make a long file (a quote file picked by
  // mistake) take hours.
  std::unordered_set<std::string> listed;
  for (int i = 0, n = dlg_->ItemCount(ids::IDC_LD_SYMBOLS); i < n; ++i)
    listed.insert(dlg_->ItemText(ids::IDC_LD_SYMBOLS, i));
  std::string line;
  while (listed.size() < static_cast<size_t>(kMaxSymbols) && ReadLine(f.get(), line, 24999)) {
    // The first comma-separated field; a company name after it is dropped.
    size_t b = line.find_first_not_of(',');
    if (b == std::string::npos) continue;
    size_t e = line.find(',', b);
    std::string symbol = Trim(std::string_view(line).substr(b, e == std::string::npos ? std::string::npos : e - b));
    // Control characters come from binary files and UTF-16 text, never
    // from a symbol.
    bool control = false;
    for (unsigned char c : symbol) control |= c < 0x20 || c == 0x7F;
    if (symbol.empty() || control || !listed.insert(symbol).second) continue;
    dlg_->AddItem(ids::IDC_LD_SYMBOLS, symbol);
  }
}

// ---- destination, filter, database ----------------------------------------------------

void LoaderDlg::FILE_FILTER_ENChange() {
  if (!setup_done_) return;
  // The directory is listed where it is; the process's current directory is
  // left alone, so relative paths elsewhere in the program keep their meaning.
  std::string dir = DestinationForFiles(999);
  if (dir.empty()) dir.push_back('/');  // the destination was the root
  std::string filter = dlg_->GetText(ids::IDC_LD_FILTER, 9);
  // "*.*" names every file, with or without an extension, as it always has.
  std::string pattern = filter == "*.*" ? "*" : filter;
  dlg_->ClearList(ids::IDC_LD_FILES);
  if (DIR* d = ::opendir(dir.c_str())) {
    int added = 0;
    while (dirent* e = ::readdir(d)) {
      if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
      if (::fnmatch(pattern.c_str(), e->d_name, FNM_CASEFOLD) != 0) continue;
      struct stat st;
      std::string full = dir + "/" + e->d_name;
      if (::stat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
      dlg_->AddItem(ids::IDC_LD_FILES, e->d_name);
      if (++added >= kMaxFileEntries) break;
    }
    ::closedir(d);
  }
  if (theOptions) theOptions->SetOption("inet_filter", filter.c_str());
}

void LoaderDlg::PATH_STRING_ENChange() {
  FILE_FILTER_ENChange();
  std::string dest = dlg_->GetText(ids::IDC_LD_DEST, 255);
  if (!dest.empty() && theOptions) theOptions->SetOption("inet_des_dir", dest.c_str());
}

void LoaderDlg::DATABASE_CBNSelchange() {
  int sel = dlg_->GetSel(ids::IDC_LD_DATABASE);
  if (sel < 0 || !theOptions) return;
  theOptions->SetOption("inet_database", dlg_->ItemText(ids::IDC_LD_DATABASE, sel).substr(0, 9).c_str());
}

bool LoaderDlg::SelectDatabase(std::string_view name) {
  int n = dlg_->ItemCount(ids::IDC_LD_DATABASE);
  for (int i = 0; i < n; ++i) {
    std::string item = dlg_->ItemText(ids::IDC_LD_DATABASE, i);
    if (item.size() == name.size() && strncasecmp(item.c_str(), name.data(), name.size()) == 0) {
      dlg_->SetSel(ids::IDC_LD_DATABASE, i);
      DATABASE_CBNSelchange();
      return true;
    }
  }
  return false;
}

}  // namespace kv
