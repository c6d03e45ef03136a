// The batch runner: trains and forecasts saved models unattended, one line
// of a batch file (.kbf) at a time, and collects the forecasts in batch.log;
// and the File > Batch commands.
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <unistd.h>

#include "forecast/batch_runner.h"

#include "app/launch.h"
#include "forecast/stats_window.h"
#include "model/main_dlg.h"
#include "resources/ids.h"
#include "util/atomic_file.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr const char* kBatchFilter = "Kestri Batch File(*.kbf)|*.kbf|All Files (*.*)|*.*|";
constexpr const char* kLogName = "batch.log";

// The commented template of Create New Batch File, 22 lines.
constexpr const char kTemplate[] =
    "KBF 1.9\n"
    "# Kestrivane Batch File \n"
    "#  \n"
    "# Available comands: # comment line\n"
    "#                    T h:mm \"kvn_path\\stock.kvn\" Trains and predicts a stock\n"
    "#                    P \"kvn_path\\stock.kvn\" Predicts without training\n"
    "#                    Q quits Kestrivane\n"
    "#  \n"
    "# To train a neural net follow this format:  T h:mm \"kvn_path\\stock.kvn\" \n"
    "# T must be the first character on the line \n"
    "# h:mm is the time the network will train \n"
    "# \"kvn_path\\stock.kvn\" is the full path to the .kvn file, quotes are required \n"
    "# for example, to train TXN for 2 hours: \n"
    "# T 2:00 \"c:\\STOCKS\\TXN.KVN\" \n"
    "# A prediction will be generated and stored in a file called BATCH.LOG \n"
    "# \n"
    "# To Generate a predicion without training the neural net follow this format:  P \"kvn_path\\stock.kvn\" \n"
    "# P must be the first character on the line \n"
    "# \"kvn_path\\stock.kvn\" is the full path to the .kvn file, quotes are required \n"
    "# for example, to predict TXN:  \n"
    "# P \"c:\\STOCKS\\TXN.KVN\" \n"
    "# A prediction will be generated and stored in a file called BATCH.LOG \n";

// The log is kept in memory and rewritten whole after every line, so what
// was logged survives whatever ends the run, and a failed write never leaves
// half a file.
class BatchLog {
 public:
  // Creates the log in the current folder with its header line.
  bool Create() {
    char cwd[PATH_MAX];
    path_ = getcwd(cwd, sizeof cwd) ? std::string(cwd) + "/" + kLogName : kLogName;
    text_ = "Date\tTime\tSymbol\tSignal\tConfid\t+Volat\t-Volat\tProfit\tLoss\tfilename\n";
    open_ = WriteFileAtomic(path_, text_);
    return open_;
  }
  // After Close nothing more reaches the file.
  void Add(const std::string& s) {
    if (!open_) return;
    text_ += s;
    WriteFileAtomic(path_, text_);
  }
  void Close() { open_ = false; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string text_;
  bool open_ = false;
};

// One forecast line of the log: date, time, symbol, signal, confidence,
// outlooks, levels and the model file.
std::string LogLine(const TMainDlg& dlg) {
  const std::tm t = plat().clock().LocalNow();
  const ForecastResult& f = dlg.last_forecast;
  const char* sig = f.signal == 1 ? "BUY" : f.signal == -1 ? "SELL" : "HOLD";
  const char* symbol = dlg.stocks[0] ? dlg.stocks[0]->symbol.c_str() : "";
  return Format("%2d%02d%02d\t%2d:%02d\t", (t.tm_year + 1900) % 100, t.tm_mon + 1, t.tm_mday,
                t.tm_hour, t.tm_min) +
         symbol + "\t" + sig + "\t" +
         Format("%4.2f\t%5.3f\t%5.3f\t%5.2f%%\t-%5.2f%%\t", static_cast<double>(f.confidence),
                static_cast<double>(f.outlook_pos), static_cast<double>(f.outlook_neg),
                static_cast<double>(f.profit_take), static_cast<double>(f.stop_loss)) +
         dlg.model_path + "\t\n";
}

// The quoted model path of a T or P line: at most 255 characters between
// the first pair of double quotes at or after from; empty when none.
std::string QuotedPath(const std::string& s, size_t from) {
  size_t open = s.find('"', from);
  if (open == std::string::npos) return {};
  size_t close = s.find('"', open + 1);
  std::string path = s.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
  if (path.size() > 255) path.resize(255);
  return path;
}

// Waits by polling the tick count without serving events, so that a quit
// requested by a Q line still lets the end of the run finish. Each poll lets
// a virtual clock move on as a pump would; a clock that does not move at all
// cannot hold the program for longer than the wait itself.
void PauseMs(uint64_t ms) {
  Clock& clock = plat().clock();
  const uint64_t start = clock.TickMs();
  const auto real_end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (clock.TickMs() - start < ms && std::chrono::steady_clock::now() < real_end) {
    clock.OnPump();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace

uint32_t BatchTimeLimitMs(const std::string& hours, const std::string& minutes) {
  // Text that is not a number counts as 0; a negative or overlong time is
  // clamped to what a window timer can hold.
  long long ms = LeadingInt(hours.substr(0, 9)) * 3600000LL + LeadingInt(minutes.substr(0, 9)) * 60000LL;
  if (ms < 0) ms = 0;
  if (ms > UINT32_MAX) ms = UINT32_MAX;
  return static_cast<uint32_t>(ms);
}

void TMainDlg::RunBatch(const char* path) {
  if (batch_running) return;
  if (path) batch_path = path;
  // The statistics window would re-evaluate every model of the run.
  CloseStatWindow();

  BatchLog log;
  if (!log.Create()) {
    ErrorBox("Unable to open file \"batch.log\"for writing -ERROR 701");
    return;
  }

  if (!batch_path.empty()) {
    std::FILE* f = std::fopen(batch_path.c_str(), "rb");
    if (!f) {
      ErrorBox("Unable to open batch file for reading -ERROR 702");
      return;
    }
    std::string line;
    ReadLine(f, line, 1020);
    if (line.compare(0, 7, "KBF 1.9") != 0) {
      std::fclose(f);
      ErrorBox("File " + batch_path + " is not a batch file -ERROR 703");
      return;
    }

    batch_running = true;
    int c;
    while (batch_running && (c = std::getc(f)) != EOF) {
      if (c == '#' || c == ' ') {
        ReadLine(f, line, 1020);
      } else if (c == 'T') {
        // T h:mm "path"
        ReadLine(f, line, 1020);
        const size_t colon = line.find(':');
        std::string hours = colon == std::string::npos ? std::string() : line.substr(0, colon);
        std::string minutes;
        size_t after = 0;
        if (colon != std::string::npos) {
          const size_t blank = line.find(' ', colon + 1);
          minutes = line.substr(colon + 1, blank == std::string::npos ? std::string::npos : blank - colon - 1);
          after = blank == std::string::npos ? line.size() : blank;
        }
        const uint32_t limit = BatchTimeLimitMs(hours, minutes);
        model_path = QuotedPath(line, after);
        if (!Read_Param()) {
          log.Add("\n Error openning neural file \":" + model_path + "\" for reading");
          continue;
        }
        plat().SetTimer(this, ids::TIMER_TIME_LIMIT, limit);
        SetStatus("Batch File:" + std::string(stocks[0] ? stocks[0]->symbol : ""));
        B1_BNClicked();
        dlg.Invalidate();
        while (training_on) Check_Events();
        plat().KillTimer(this, ids::TIMER_TIME_LIMIT);
        CmFilesave();
        Pred7(*this);
        log.Add(LogLine(*this));
      } else if (c == 'P') {
        ReadLine(f, line, 1020);
        model_path = QuotedPath(line, 0);
        if (!Read_Param()) {
          log.Add("\n Error openning neural file \"" + model_path + "\" for reading\n");
          continue;
        }
        Pred7(*this);
        log.Add(LogLine(*this));
      } else if (c == 'Q') {
        // Quit: the log is complete. Nothing after this line is carried
        // out, since the quit request ends the program at the next event
        // check, in the middle of whatever ran then.
        log.Close();
        plat().PostQuit(0);
        break;
      }
      // An end of line, or any other character: nothing.
    }
    std::fclose(f);

    CloseStatWindow();
    PauseMs(2500);
    OpenInNotepad(log.path().c_str(), kLogName);
  }

  log.Close();
  CmFilenew();
  modified = false;
  batch_running = false;
}

void TMainDlg::CmBatchrun() {
  if (!CanClose()) return;
  FileDialogSpec spec;
  spec.filter = kBatchFilter;
  spec.options = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  std::string path;
  if (!plat().FileDialog(spec, path)) return;
  batch_path = path;
  RunBatch(nullptr);
}

void TMainDlg::CmBatchcreatenewbatchfile3() {
  FileDialogSpec spec;
  spec.save = true;
  spec.filter = kBatchFilter;
  spec.options = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
  std::string path;
  if (!plat().FileDialog(spec, path)) return;
  const std::string text = kTemplate;
  if (!WriteFileAtomic(path, text)) ErrorBox("Unable to open file for writing -ERROR 200");
}

void TMainDlg::CmBatchaddthisstocktobatch3() {
  CmFilesave();
  if (untitled || modified) return;   // the user cancelled the save
  if (model_path.empty() || !stocks[0]) return;
  FileDialogSpec spec;
  spec.save = true;
  spec.filter = kBatchFilter;
  spec.options = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  std::string path;
  if (!plat().FileDialog(spec, path)) return;
  // Appended by rewriting the whole file, so a failure keeps the old one;
  // a file that is not there yet is created, as appending would.
  std::FILE* f = std::fopen(path.c_str(), "rb");
  std::string text;
  bool ok = f != nullptr || errno == ENOENT;
  if (f) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    ok = !std::ferror(f);
    std::fclose(f);
  }
  text += "T 2:00 \"" + model_path + "\"\n";
  if (!ok || !WriteFileAtomic(path, text)) {
    ErrorBox("Unable to open file for writing -ERROR 700");
    return;
  }
  plat().MessageBox(stocks[0]->symbol +
                        " was added to the Kestrivane Batch File, You may edit the batch file to "
                        "change the default 2:00 hours of training",
                    "Kestrivane", MB_OK);
}

void TMainDlg::CmBatchviewres() { OpenInNotepad(kLogName, kLogName); }

void TMainDlg::CmBatchstop() {
  training_on = false;
  batch_running = false;
}

void TMainDlg::CmBatchedit() {
  FileDialogSpec spec;
  spec.filter = kBatchFilter;
  spec.options = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  std::string path;
  if (!plat().FileDialog(spec, path)) return;
  const size_t slash = path.find_last_of('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  OpenInNotepad(path.c_str(), name.c_str());
}

// Every batch command is always available; each checks its own conditions.
void TMainDlg::CeBatchrun(CommandEnabler& ce) { ce.Enable(true); }
void TMainDlg::CeBatchcreatenewbatchfile3(CommandEnabler& ce) { ce.Enable(true); }
void TMainDlg::CeBatchaddthisstocktobatch3(CommandEnabler& ce) { ce.Enable(true); }
void TMainDlg::CeBatchviewres(CommandEnabler& ce) { ce.Enable(true); }
void TMainDlg::CeBatchstop(CommandEnabler& ce) { ce.Enable(true); }
void TMainDlg::CeBatchedit(CommandEnabler& ce) { ce.Enable(true); }

}  // namespace kv
