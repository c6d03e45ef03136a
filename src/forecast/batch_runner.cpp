// The batch runner: trains and forecasts saved models unattended, one line
// of a batch file (.kbf) at a time, and collects the forecasts in batch.log;
// and the File > Batch commands.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "forecast/batch_runner.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "forecast/batch_schedule.h"
#include "platform/worker_process.h"

#include "app/launch.h"
#include "app/options.h"
#include "model/globals.h"
#include "forecast/stats_window.h"
#include "data/data_quality.h"
#include "download/auto_download.h"
#include "data/stock.h"
#include "model/main_dlg.h"
#include "resources/ids.h"
#include "util/atomic_file.h"
#include "util/file.h"
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
      if (n <= 0) {
        if (!error_) error_ = n < 0 ? errno : EIO;
        return false;
      }
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
  // The reason of the first line that did not reach the file; 0 when all did.
  int error() const { return error_; }

 private:
  int fd_ = -1;
  int error_ = 0;
  std::string path_;
};

// The log in the current folder, by its full path: the download dialog may
// change the current folder while the batch runs.
std::string LogPath(const std::string& name) {
  char cwd[PATH_MAX];
  return getcwd(cwd, sizeof cwd) ? std::string(cwd) + "/" + name : name;
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

namespace {

// Paths come from the batch file as written: control characters in them
// must not reach the terminal.
std::string Printable(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  return text;
}

void Say(const BatchOptions& opt, const std::string& text) {
  if (opt.progress) std::fprintf(stderr, "batch: %s\n", Printable(text).c_str());
}

// A model line of the file: its number and what it says.
struct ModelLine {
  int number;
  BatchLine b;
};

void SayStart(const BatchOptions& opt, const ModelLine& l) {
  Say(opt, "line " + std::to_string(l.number) + ": " + l.b.path + ": " +
               (l.b.kind == BatchLine::Kind::kTrain ? "training for " + DescribeBatchTime(l.b.limit_ms)
                                                     : std::string("forecasting")));
}

void SayEnd(const BatchOptions& opt, const BatchOutcome& o) {
  Say(opt, "line " + std::to_string(o.line) + ": " + o.model + ": " +
               (o.failed() ? "failed:" + o.log_line
                           : "done, " + o.Advice() + Format(" with confidence %4.2f", static_cast<double>(o.Confidence()))));
}

// One T or P line on m: the model is loaded, trained for its time, saved
// and forecast as the line says. Gives its log line with the newline; a
// failure is one Error line, counted in batch_failures.
std::string RunModelLine(TMainDlg& m, const BatchLine& b, bool worker = false) {
  auto failed = [&](const std::string& text) {
    ++m.batch_failures;
    // What failed is abandoned: nothing asks to save it at the end.
    m.modified = false;
    return text + "\n";
  };
  auto quoted = [](const std::string& p) { return "neural file \"" + p + "\""; };
  const bool train = b.kind == BatchLine::Kind::kTrain;
  m.model_path = b.path;
  const std::string& model_path = m.model_path;

  // A model trained here is saved here: nobody else writes it meanwhile.
  // The window's own lock, kept for changes the user chose not to save
  // before the run, does not stop the run.
  ModelLock lock;
  if (train && !model_path.empty() && !lock.Acquire(model_path, "kestrivane batch") &&
      lock.holder_pid() != ::getpid())
    return failed(" Error " + quoted(model_path) + " was not trained: " + lock.message());
  std::vector<std::string> said;
  bool loaded;
  {
    QuietScope quiet(said);
    loaded = m.Read_Param([&m] { DownloadModelQuotes(m); }).ok;
  }
  if (!loaded && !m.Damaged())
    return failed(train ? " Error openning neural file \":" + model_path + "\" for reading"
                        : " Error openning neural file \"" + model_path + "\" for reading");
  if (const std::string why = UnreadPriceFiles(m, said); !why.empty())
    return failed(" Error reading the price files of " + quoted(model_path) + ": " + why);
  if (train) {
    plat().SetTimer(&m, ids::TIMER_TIME_LIMIT, b.limit_ms);
    m.SetStatus("Batch File:" + std::string(m.stocks[0] ? m.stocks[0]->symbol : ""));
    {
      QuietScope quiet(said);
      m.B1_BNClicked();
    }
    m.dlg.Invalidate();
    while (m.training_on) m.Check_Events();
    plat().KillTimer(&m, ids::TIMER_TIME_LIMIT);
    if (!said.empty()) return failed(" Error training " + quoted(model_path) + ": " + OneLine(said.front()));
    if (ReadOnlyFile(model_path))
      return failed(" Error saving " + quoted(model_path) +
                    ": the file is read-only, so the trained model was not saved; make it writable "
                    "and run the line again");
    FileOutcome saved;
    {
      QuietScope quiet(said);
      saved = m.CmFilesave();
    }
    if (!saved.ok)
      return failed(" Error saving " + quoted(model_path) + ": the trained model was not saved" +
                    (saved.detail.empty() ? std::string() : " (" + OneLine(saved.detail) + ")") +
                    "; check that the file and its folder can be written and that the disk has room, "
                    "then run the line again");
  }
  const std::string forecast = Pred7Text(m);
  if (forecast.empty()) return failed(" Error forecasting " + quoted(model_path) + ": the model has no price data");
  if (const auto stale = StaleDataWarning(m.patterns.n_days > 0 ? calendar[m.patterns.n_days - 1] : 0,
                                          plat().clock().TodayYmd()))
    std::fprintf(stderr, "warning: %s: %s\n", model_path.c_str(), stale->c_str());
  // A batch stopped during this line shows the forecast as PREDICT does; a
  // worker leaves that to whoever started it.
  if (!m.batch_running && !worker) plat().MessageBox(forecast, "Kestrivane", MB_OK);
  return LogLine(m);
}

// What a worker said as its model's log line: exactly one line. A worker
// that died or said anything else still gives its model one line.
std::string WorkerLogLine(const WorkerProcess& w, const std::string& model) {
  const std::string& out = w.output();
  const size_t nl = out.find('\n');
  if (!out.empty() && nl == out.size() - 1) return out;
  return " Error running neural file \"" + model + "\": its worker process ended (" + w.Ending() +
         ") without a log line; run the line again\n";
}

// The key under which two lines name the same model file.
std::string ModelKey(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path p = std::filesystem::weakly_canonical(path, ec);
  return ec ? path : p.string();
}

// Several models at once: one worker process per model line, the log
// written in file order as lines finish. A stop (Stop Batch, Ctrl-C, a
// closed window) is passed to the running workers, which finish their save,
// forecast and log line, and nothing new starts.
void RunAtOnce(TMainDlg& m, const BatchOptions& opt, const std::string& batch_file,
               const std::vector<ModelLine>& lines, BatchLog& log, BatchReport& rep) {
  std::vector<BatchJob> jobs;
  for (const ModelLine& l : lines) jobs.push_back({l.number, l.b.path, ModelKey(l.b.path)});
  BatchSchedule sched(std::move(jobs));
  std::vector<std::unique_ptr<WorkerProcess>> workers(lines.size());
  auto finish = [&](int i, std::string text) {
    if (text.rfind(" Error", 0) == 0 && workers[static_cast<size_t>(i)]) ++m.batch_failures;
    sched.Finish(i, std::move(text));
    workers[static_cast<size_t>(i)].reset();
  };
  while (!sched.Done()) {
    if ((!m.batch_running || m.batch_quit) && !sched.stopped()) {
      sched.Stop();
      for (auto& w : workers)
        if (w) w->Signal(SIGINT);
    }
    for (int i; sched.Running() < opt.jobs && (i = sched.Next()) >= 0;) {
      const ModelLine& l = lines[static_cast<size_t>(i)];
      sched.Start(i);
      SayStart(opt, l);
      auto w = std::make_unique<WorkerProcess>();
      std::string err;
      if (!w->Start(opt.worker, {opt.worker, "batch", batch_file, "--run-line", std::to_string(l.number)}, &err)) {
        ++m.batch_failures;
        sched.Finish(i, " Error running neural file \"" + l.b.path + "\": " + err +
                            "; install kestrivane-cli beside this program, or run one model at a time\n");
        continue;
      }
      workers[static_cast<size_t>(i)] = std::move(w);
    }
    std::vector<WorkerProcess*> running;
    bool freed = false;
    for (size_t i = 0; i < workers.size(); ++i)
      if (workers[i]) {
        if (workers[i]->Poll()) {
          finish(static_cast<int>(i), WorkerLogLine(*workers[i], lines[i].b.path));
          freed = true;
        } else {
          running.push_back(workers[i].get());
        }
      }
    for (BatchSchedule::Logged& done : sched.TakeLogged()) {
      log.Add(done.text);
      const ModelLine& l = lines[static_cast<size_t>(done.job)];
      done.text.pop_back();
      rep.models.push_back({l.number, l.b.path, l.b.kind == BatchLine::Kind::kTrain, done.text});
      SayEnd(opt, rep.models.back());
    }
    // A slot that has just been freed is filled before waiting: waiting
    // first left a core idle for up to the whole timeout after every model.
    if (!running.empty()) {
      if (!freed) WorkerProcess::WaitAny(running, 20);
      m.Check_Events();
    }
  }
  rep.not_run = sched.NotRun();
}

}  // namespace

std::string BatchOutcome::Advice() const {
  if (failed()) return {};
  size_t a = 0;
  for (int field = 0; field < 3 && a != std::string::npos; ++field) a = log_line.find('\t', a) + 1;
  if (a == 0 || a > log_line.size()) return {};
  return log_line.substr(a, log_line.find('\t', a) - a);
}

float BatchOutcome::Confidence() const {
  if (failed()) return 0;
  size_t a = 0;
  for (int field = 0; field < 4 && a != std::string::npos; ++field) a = log_line.find('\t', a) + 1;
  if (a == 0 || a > log_line.size()) return 0;
  return std::strtof(log_line.c_str() + a, nullptr);
}

int BatchReport::failed() const {
  int n = 0;
  for (const BatchOutcome& o : models) n += o.failed();
  return n;
}

void TMainDlg::RunBatch(const char* path) { kv::RunBatch(*this, path, BatchOptions{}); }

BatchReport RunBatch(TMainDlg& m, const char* path, const BatchOptions& opt) {
  BatchReport rep;
  if (m.batch_running) return rep;
  if (path) m.batch_path = path;
  m.batch_failures = 0;
  m.batch_quit = false;
  // The statistics window would re-evaluate every model of the run.
  CloseStatWindow();

  auto refuse = [&](const std::string& text) {
    rep.refusal = text;
    m.ErrorBox(text);
    return rep;
  };

  // The batch file is checked before the log is touched, so a mistyped name
  // leaves the last results as they were.
  const std::string log_path = LogPath(opt.log_name);
  // Read line by line as it runs: a batch file may be huge.
  File f(nullptr, &std::fclose);
  if (!m.batch_path.empty()) {
    f = OpenRegularFile(m.batch_path);
    if (!f) return refuse("Unable to open batch file for reading -ERROR 702");
    std::string line;
    ReadLine(f.get(), line, kBatchLineLimit);
    if (!IsBatchHeader(line)) return refuse("File " + m.batch_path + " is not a batch file -ERROR 703");
    if (SameFile(m.batch_path, log_path))
      return refuse("File " + m.batch_path + " is the batch log itself, which each run writes afresh.\n"
                    "Give the batch file another name and run it again.");
  }

  BatchLog log;
  if (!log.Create(log_path)) return refuse("Unable to open file \"" + opt.log_name + "\"for writing -ERROR 701");
  rep.ran = true;

  if (f) {
    // The model lines this run carries out, up to a Q line. Empty lines,
    // comments and lines without a command letter do nothing.
    std::vector<ModelLine> lines;
    bool quit = false;
    std::string line;
    for (int number = 2, position = 0; ReadBatchLine(f.get(), line); ++number) {
      BatchLine b = ParseBatchLine(line);
      if (b.kind == BatchLine::Kind::kTrain || b.kind == BatchLine::Kind::kPredict) {
        ++position;
        if (opt.shard_n == 0 || InShard(position, opt.shard_k, opt.shard_n)) lines.push_back({number, std::move(b)});
      } else if (b.kind == BatchLine::Kind::kQuit) {
        quit = true;
        break;
      }
    }
    f.reset();

    const auto begun = std::chrono::steady_clock::now();
    m.batch_running = true;
    if (opt.jobs > 1) {
      // The workers read the file from wherever they stand.
      std::error_code ec;
      const std::string abs = std::filesystem::absolute(m.batch_path, ec).string();
      RunAtOnce(m, opt, ec ? m.batch_path : abs, lines, log, rep);
    } else {
      for (const ModelLine& l : lines) {
        if (!m.batch_running || m.batch_quit) break;
        SayStart(opt, l);
        std::string text = RunModelLine(m, l.b);
        log.Add(text);
        text.pop_back();
        rep.models.push_back({l.number, l.b.path, l.b.kind == BatchLine::Kind::kTrain, text});
        SayEnd(opt, rep.models.back());
      }
      rep.not_run = static_cast<int>(lines.size() - rep.models.size());
    }
    rep.stopped = !m.batch_running || m.batch_quit;
    rep.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
    const int bad = rep.failed();
    Say(opt, std::to_string(rep.models.size() - static_cast<size_t>(bad)) + " models done, " +
                 std::to_string(bad) + " failed, " + std::to_string(rep.not_run) + " not run" +
                 (rep.stopped ? " (stopped)" : "") + Format(", %.1f s", rep.seconds));
    if (log.error()) {
      rep.log_error = "Unable to write every result to \"" + opt.log_name + "\" (" + std::strerror(log.error()) +
                      "), so the log lacks some of them. Make room for the log and run the batch again.";
      // Told in the window unless the program is about to end; the command
      // line reports it itself.
      if (opt.show_log && !m.batch_quit && !(quit && !rep.stopped)) m.ErrorBox(rep.log_error);
    }

    if (quit && !rep.stopped) {
      // Quit: the log is complete. Nothing after the Q line was carried out.
      log.Close();
      plat().PostQuit(0);
    }

    CloseStatWindow();
    // A program closed during the run ends now; nobody is left to read the log.
    if (!m.batch_quit && opt.show_log) {
      PauseMs(2500);
      OpenInNotepad(log.path().c_str(), opt.log_name.c_str());
    }
  }

  log.Close();
  m.CmFilenew();
  m.modified = false;
  m.batch_running = false;
  return rep;
}

std::string RunBatchLineAlone(TMainDlg& m, const std::string& path, int number, std::string* usage) {
  File f = OpenRegularFile(path);
  if (!f) {
    *usage = "cannot open the batch file " + path;
    return {};
  }
  std::string line;
  ReadLine(f.get(), line, kBatchLineLimit);
  BatchLine b;
  if (IsBatchHeader(line))
    for (int n = 2; n <= number && ReadBatchLine(f.get(), line); ++n)
      if (n == number) b = ParseBatchLine(line);
  f.reset();
  if (b.kind != BatchLine::Kind::kTrain && b.kind != BatchLine::Kind::kPredict) {
    *usage = "line " + std::to_string(number) + " of " + path + " is no T or P line";
    return {};
  }
  m.batch_failures = 0;
  m.batch_running = true;
  std::string text = RunModelLine(m, b, true);
  m.batch_running = false;
  m.modified = false;
  return text;
}

void TMainDlg::CmBatchrun() {
  if (!CanClose()) return;
  FileDialogSpec spec;
  spec.filter = kBatchFilter;
  spec.options = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  std::string path;
  if (!plat().FileDialog(spec, path)) return;
  batch_path = path;
  // Models at once, from the preferences; each runs in the command-line
  // program beside this one.
  BatchOptions opt;
  opt.jobs = theOptions ? std::clamp(theOptions->iGetOption("batch_jobs"), 1, 256) : 1;
  opt.worker = program_dir + "kestrivane-cli";
  kv::RunBatch(*this, nullptr, opt);
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
  if (!CmFilesave().ok) return;   // the user cancelled the save, or it failed and said so
  if (model_path.empty() || !stocks[0]) return;
  FileDialogSpec spec;
  spec.save = true;
  spec.filter = kBatchFilter;
  spec.options = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  std::string path;
  if (!plat().FileDialog(spec, path)) return;
  // Appended by rewriting the whole file, so a failure keeps the old one;
  // a file that is not there yet is created, as appending would.
  std::string text;
  const bool ok = ReadFileToString(path, &text) || (::access(path.c_str(), F_OK) != 0 && errno == ENOENT);
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
