// The batch runner: trains and forecasts saved models unattended, one line
// of a batch file (.kbf) at a time, and collects the forecasts in batch.log;
// and the File > Batch commands.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "forecast/batch_runner.h"

#include "app/launch.h"
#include "forecast/stats_window.h"
#include "data/data_quality.h"
#include "data/stock.h"
#include "model/main_dlg.h"
#include "resources/ids.h"
#include "util/atomic_file.h"
#include "util/model_lock.h"
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

// batch.log, opened once for the run. Every line is appended with one write
// as soon as it is known, so what was logged survives whatever ends the run
// and a line costs no more than itself, however long the log grows.
class BatchLog {
 public:
  BatchLog() = default;
  ~BatchLog() { Close(); }
  BatchLog(const BatchLog&) = delete;
  BatchLog& operator=(const BatchLog&) = delete;

  // Creates the log afresh at path with its header line.
  bool Create(const std::string& path) {
    path_ = path;
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0666);
    if (fd_ < 0) return false;
    if (!Add("Date\tTime\tSymbol\tSignal\tConfid\t+Volat\t-Volat\tProfit\tLoss\tfilename\n")) {
      Close();
      return false;
    }
    return true;
  }
  // After Close nothing more reaches the file.
  bool Add(const std::string& s) {
    if (fd_ < 0) return false;
    const char* p = s.data();
    size_t left = s.size();
    while (left > 0) {
      const ssize_t n = ::write(fd_, p, left);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      p += n;
      left -= static_cast<size_t>(n);
    }
    return true;
  }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  const std::string& path() const { return path_; }

 private:
  int fd_ = -1;
  std::string path_;
};

// The log in the current folder, by its full path: the download dialog may
// change the current folder while the batch runs.
std::string LogPath() {
  char cwd[PATH_MAX];
  return getcwd(cwd, sizeof cwd) ? std::string(cwd) + "/" + kLogName : std::string(kLogName);
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

// A model file nobody may write (no write permission bits at all): the batch
// leaves it as it is, whoever runs the batch.
bool ReadOnlyFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) == 0;
}

// A message as one log field: its lines joined by blanks.
std::string OneLine(std::string text) {
  std::string out;
  for (char c : text) {
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    if (c != ' ' || (!out.empty() && out.back() != ' ')) out += c;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// Message boxes raised while a batch loads, trains or saves a model are
// collected instead of shown: nobody is there to answer them.
class QuietScope {
 public:
  explicit QuietScope(std::vector<std::string>& said) {
    plat().DivertMessages([&said](std::string_view text) { said.emplace_back(text); });
  }
  ~QuietScope() { plat().DivertMessages(nullptr); }
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

std::string UnreadPriceFiles(const TMainDlg& m, const std::vector<std::string>& said) {
  // Loading has already stopped at a model file it could not read. A model
  // whose settings read but whose price files did not says why itself; what
  // the price files raised on the way (each such message names its file) is
  // the fallback.
  if (m.Damaged()) return m.stocks_error;
  for (const std::string& text : said)
    for (int i = 0; i < std::min(m.n_files, kMaxStocks); ++i)
      if (m.stocks[i] && !m.stocks[i]->data_file.empty() && text.find(m.stocks[i]->data_file) != std::string::npos)
        return OneLine(text);
  for (int i = 0; i < std::min(m.n_files, kMaxStocks); ++i) {
    const Stock* s = m.stocks[i].get();
    if (!s) return "stock " + std::to_string(i + 1) + " has no price file";
    bool any = false;
    for (int d = 0; d < std::min(m.patterns.n_days, kMaxDays) && !any; ++d) any = s->raw_price[d] != 0.0f;
    if (!any) return "the price file " + s->data_file + " of " + s->symbol + " gave no prices";
  }
  return {};
}

void TMainDlg::RunBatch(const char* path) {
  if (batch_running) return;
  if (path) batch_path = path;
  batch_failures = 0;
  batch_quit = false;
  // The statistics window would re-evaluate every model of the run.
  CloseStatWindow();

  // The batch file is checked before the log is touched, so a mistyped name
  // leaves the last results as they were.
  const std::string log_path = LogPath();
  std::FILE* f = nullptr;
  if (!batch_path.empty()) {
    f = std::fopen(batch_path.c_str(), "rb");
    if (!f) {
      ErrorBox("Unable to open batch file for reading -ERROR 702");
      return;
    }
    std::string line;
    ReadLine(f, line, kBatchLineLimit);
    if (!IsBatchHeader(line)) {
      std::fclose(f);
      ErrorBox("File " + batch_path + " is not a batch file -ERROR 703");
      return;
    }
    if (SameFile(batch_path, log_path)) {
      std::fclose(f);
      ErrorBox("File " + batch_path + " is the batch log itself, which each run writes afresh.\n"
               "Give the batch file another name and run it again.");
      return;
    }
  }

  BatchLog log;
  if (!log.Create(log_path)) {
    if (f) std::fclose(f);
    ErrorBox("Unable to open file \"batch.log\"for writing -ERROR 701");
    return;
  }

  if (f) {
    // One line per model, whatever happened to it.
    auto failed = [&](const std::string& text) {
      ++batch_failures;
      log.Add(text + "\n");
      // What failed is abandoned: nothing asks to save it at the end.
      modified = false;
    };
    auto quoted = [](const std::string& p) { return "neural file \"" + p + "\""; };
    std::string line;
    batch_running = true;
    while (batch_running && !batch_quit && ReadBatchLine(f, line)) {
      const BatchLine b = ParseBatchLine(line);
      if (b.kind == BatchLine::Kind::kTrain || b.kind == BatchLine::Kind::kPredict) {
        const bool train = b.kind == BatchLine::Kind::kTrain;
        const uint32_t limit = b.limit_ms;
        model_path = b.path;

        // A model trained here is saved here: nobody else writes it meanwhile.
        // The window's own lock, kept for changes the user chose not to save
        // before the run, does not stop the run.
        ModelLock lock;
        if (train && !model_path.empty() && !lock.Acquire(model_path, "kestrivane batch") &&
            lock.holder_pid() != ::getpid()) {
          failed(" Error " + quoted(model_path) + " was not trained: " + lock.message());
          continue;
        }
        std::vector<std::string> said;
        bool loaded;
        {
          QuietScope quiet(said);
          loaded = Read_Param();
        }
        if (!loaded && !Damaged()) {
          failed(train ? " Error openning neural file \":" + model_path + "\" for reading"
                       : " Error openning neural file \"" + model_path + "\" for reading");
          continue;
        }
        if (const std::string why = UnreadPriceFiles(*this, said); !why.empty()) {
          failed(" Error reading the price files of " + quoted(model_path) + ": " + why);
          continue;
        }
        if (train) {
          plat().SetTimer(this, ids::TIMER_TIME_LIMIT, limit);
          SetStatus("Batch File:" + std::string(stocks[0] ? stocks[0]->symbol : ""));
          {
            QuietScope quiet(said);
            B1_BNClicked();
          }
          dlg.Invalidate();
          while (training_on) Check_Events();
          plat().KillTimer(this, ids::TIMER_TIME_LIMIT);
          if (!said.empty()) {
            failed(" Error training " + quoted(model_path) + ": " + OneLine(said.front()));
            continue;
          }
          if (ReadOnlyFile(model_path)) {
            failed(" Error saving " + quoted(model_path) +
                   ": the file is read-only, so the trained model was not saved; make it writable "
                   "and run the line again");
            continue;
          }
          {
            QuietScope quiet(said);
            CmFilesave();
          }
          if (modified) {
            failed(" Error saving " + quoted(model_path) +
                   ": the trained model was not saved; check that the file and its folder can be "
                   "written and that the disk has room, then run the line again");
            continue;
          }
        }
        const std::string forecast = Pred7Text(*this);
        if (forecast.empty()) {
          failed(" Error forecasting " + quoted(model_path) + ": the model has no price data");
          continue;
        }
        if (const auto stale = StaleDataWarning(patterns.n_days > 0 ? calendar[patterns.n_days - 1] : 0, plat().clock().TodayYmd()))
          std::fprintf(stderr, "warning: %s: %s\n", model_path.c_str(), stale->c_str());
        // A batch stopped during this line shows the forecast as PREDICT does.
        if (!batch_running) plat().MessageBox(forecast, "Kestrivane", MB_OK);
        log.Add(LogLine(*this));
      } else if (b.kind == BatchLine::Kind::kQuit) {
        // Quit: the log is complete. Nothing after this line is carried
        // out, since the quit request ends the program at the next event
        // check, in the middle of whatever ran then.
        log.Close();
        plat().PostQuit(0);
        break;
      }
      // Empty lines, comments and lines without a command letter: nothing.
    }
    std::fclose(f);

    CloseStatWindow();
    // A program closed during the run ends now; nobody is left to read the log.
    if (!batch_quit) {
      PauseMs(2500);
      OpenInNotepad(log.path().c_str(), kLogName);
    }
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
