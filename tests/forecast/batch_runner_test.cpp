// The batch runner: batch files with T, P and Q lines, comments, blank and
// unknown lines, missing models, the log, Stop Batch, and the File > Batch
// commands.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <regex>

#include "app/launch.h"
#include "data/price_files.h"
#include "forecast/batch_runner.h"
#include "forecast/stats_window.h"
#include "resources/ids.h"
#include "support/fixture.h"
#include "util/model_lock.h"
#include "util/text.h"

namespace kv::test {
namespace {

class BatchRunnerTest : public MainDlgTest {
 protected:
  BatchRunnerTest() {
    // Training is driven by the virtual clock: a minute passes per pump.
    clock.SetStepPerPump(60000);
    platform.SetQuitHandler([this](int code) { quit_code = code; });
    platform.AddPoller([this] {
      if (platform.HasTimer(main.get(), ids::TIMER_TIME_LIMIT))
        limits.push_back(platform.TimerPeriod(main.get(), ids::TIMER_TIME_LIMIT));
    });
  }

  // A model file, saved and closed again: GE, and with related the stock KO
  // from NAME-ko.csv.
  std::string MakeModelFile(const std::string& name, bool related = false) {
    const std::string csv = dir.write(name + ".csv", PriceText(TradingDays(2020, 1, 6, 200), IsoLine));
    win().SetText(ids::IDC_SYMBOL, "GE");
    win().SetText(ids::IDC_FILENAME, csv);
    win().SetText(ids::IDC_INFL_PERIOD, "3");
    win().Check(ids::IDC_SHORT, true);
    main->TICKER_ADD_BNClicked();
    if (related) {
      win().SetText(ids::IDC_SYMBOL, "KO");
      win().SetText(ids::IDC_FILENAME, dir.write(name + "-ko.csv", PriceText(TradingDays(2020, 1, 6, 200), IsoLine)));
      main->TICKER_ADD_BNClicked();
    }
    EXPECT_EQ(main->n_files, related ? 2 : 1);
    const std::string path = dir.file(name + ".kvn");
    platform.QueueFile(path);
    main->CmFilesaveas();
    EXPECT_FALSE(main->untitled);
    main->CmFilenew();
    platform.ClearRecords();
    return path;
  }

  std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    std::string text = ReadFile(dir.file("batch.log"));
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
      lines.push_back(text.substr(start, end - start));
    return lines;
  }

  // A forecast line of the log for the given model file.
  void ExpectForecastLine(const std::string& line, const std::string& model) {
    std::tm t = clock.LocalNow();
    const std::string date = Format("%2d%02d%02d", (t.tm_year + 1900) % 100, t.tm_mon + 1, t.tm_mday);
    static const std::regex kLine(
        R"(([ \d]\d{5})\t[ \d]\d:\d\d\tGE\t(BUY|SELL|HOLD)\t\d+\.\d\d\t0\.000\t0\.000\t[ \d]\d\.\d\d%\t-[ \d-]\d\.\d\d%\t(.*)\t)");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, kLine)) << line;
    EXPECT_EQ(m[1].str(), date);
    EXPECT_EQ(m[3].str(), model);
  }

  static constexpr const char* kHeader = "Date\tTime\tSymbol\tSignal\tConfid\t+Volat\t-Volat\tProfit\tLoss\tfilename";
  int quit_code = -1;
  std::vector<unsigned> limits;
};

TEST_F(BatchRunnerTest, TimeLimits) {
  struct Case {
    const char *hours, *minutes;
    uint32_t ms;
  } cases[] = {
      {"0", "30", 1800000},     {" 1", "05", 3900000},   {" 2", "00", 7200000},
      {"x", "30", 1800000},     {"2", "", 7200000},      {"", "", 0},
      {"-1", "00", 0},          {"999999999", "0", UINT32_MAX},
      {"0", "123456789012", UINT32_MAX},   // only the first 9 characters count
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << '"' << c.hours << ':' << c.minutes << '"');
    EXPECT_EQ(BatchTimeLimitMs(c.hours, c.minutes), c.ms);
  }
}

TEST_F(BatchRunnerTest, RunsEveryKindOfLine) {
  const std::string model = MakeModelFile("ge");
  const std::string untrained = ReadFile(model);
  const std::string missing = dir.file("missing.kvn");
  const std::string batch = dir.write(
      "run.kbf", "KBF 1.9 anything after the magic\n"
                 "# a comment P \"" + missing + "\"\n"
                 " a line starting with a blank\n"
                 "\n"
                 "X\n"
                 "T 0:30 \"" + model + "\" whatever follows\n"
                 "P \"" + model + "\"\n"
                 "P \"" + missing + "\"\n"
                 "T 1:05 \"" + missing + "\"\n"
                 "P \"" + model + "\"\r\n");
  main->RunBatch(batch.c_str());

  // One line per model, a failed one too.
  auto lines = LogLines();
  ASSERT_EQ(lines.size(), 6u) << ReadFile(dir.file("batch.log"));
  EXPECT_EQ(lines[0], kHeader);
  ExpectForecastLine(lines[1], model);   // T
  ExpectForecastLine(lines[2], model);   // P
  EXPECT_EQ(lines[3], " Error openning neural file \"" + missing + "\" for reading");
  EXPECT_EQ(lines[4], " Error openning neural file \":" + missing + "\" for reading");
  ExpectForecastLine(lines[5], model);
  EXPECT_EQ(main->batch_failures, 2);

  // The T line trained for its 30 minutes and saved the model.
  ASSERT_FALSE(limits.empty());
  EXPECT_EQ(limits.front(), 1800000u);
  EXPECT_FALSE(platform.HasTimer(main.get(), ids::TIMER_TIME_LIMIT));
  EXPECT_NE(ReadFile(model), untrained);
  // About 30 minutes of training counted (a pump is a virtual minute).
  std::smatch minutes;
  const std::string saved = ReadFile(model);
  ASSERT_TRUE(std::regex_search(saved, minutes, std::regex("\nTimeTrained= (\\d+)\n")));
  EXPECT_GE(std::stoi(minutes[1].str()), 25);
  EXPECT_LE(std::stoi(minutes[1].str()), 30);

  // Nothing asked the user; the run ends with an empty model.
  EXPECT_TRUE(platform.messages().empty()) << platform.messages()[0].text;
  EXPECT_FALSE(main->batch_running);
  EXPECT_FALSE(main->modified);
  EXPECT_EQ(main->n_files, 0);
  EXPECT_EQ(quit_code, -1);
}

TEST_F(BatchRunnerTest, StopBatchDuringTraining) {
  const std::string model = MakeModelFile("ge");
  const std::string before = ReadFile(model);
  const std::string batch = dir.write("run.kbf", "KBF 1.9\nT 0:30 \"" + model + "\"\nP \"" + model + "\"\n");
  bool stopped = false;
  int training_pumps = 0;
  platform.AddPoller([&] {
    if (main->training_on && ++training_pumps == 5) {
      stopped = true;
      main->CmBatchstop();
    }
  });
  main->RunBatch(batch.c_str());
  ASSERT_TRUE(stopped);
  // The stopped model is still saved, forecast (now shown) and logged; the
  // P line is not carried out.
  EXPECT_NE(ReadFile(model), before);
  ASSERT_EQ(platform.messages().size(), 1u);
  EXPECT_EQ(platform.messages()[0].caption, "Kestrivane");
  EXPECT_EQ(platform.messages()[0].text.rfind("Ten Day Probability Forecast for GE", 0), 0u);
  auto lines = LogLines();
  ASSERT_EQ(lines.size(), 2u);
  ExpectForecastLine(lines[1], model);
  EXPECT_FALSE(main->batch_running);
  EXPECT_EQ(main->n_files, 0);
}

TEST_F(BatchRunnerTest, EveryFailedModelGetsItsOwnLineAndNothingWaits) {
  namespace fs = std::filesystem;
  const std::string good = MakeModelFile("ge");
  const std::string readonly = MakeModelFile("ro");
  const std::string damaged = MakeModelFile("two", true);
  const std::string busy = MakeModelFile("busy");
  fs::permissions(readonly, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::remove(dir.file("two-ko.csv"));   // the related stock's price file went away
  // Another program holds the busy model, as a training run would.
  const std::string lock_file = ModelLock::LockPath(busy);
  const char holder_text[] = "kestrivane-cli train\n";
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t holder = ::fork();
  if (holder == 0) {
    const int fd = ::open(lock_file.c_str(), O_RDWR | O_CREAT, 0644);
    if (fd < 0 || ::flock(fd, LOCK_EX) != 0) ::_exit(1);
    char pid[24];
    int n = 0;
    for (long v = ::getpid(); v > 0; v /= 10) pid[n++] = static_cast<char>('0' + v % 10);
    for (int i = n - 1; i >= 0; --i) (void)!::write(fd, &pid[i], 1);
    (void)!::write(fd, " ", 1);
    (void)!::write(fd, holder_text, sizeof holder_text - 1);
    (void)!::write(ready[1], "x", 1);
    ::alarm(300);   // never outlives a test that failed before killing it
    ::pause();
    ::_exit(0);
  }
  char c;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  ::close(ready[0]);
  ::close(ready[1]);
  // The window's own lock (changes the user chose not to save before the
  // run) does not stop the run.
  ModelLock window_lock;
  ASSERT_TRUE(window_lock.Acquire(good, "kestrivane"));
  std::map<std::string, std::string> before;
  for (const std::string& m : {good, readonly, damaged, busy}) before[m] = ReadFile(m);

  main->RunBatch(dir.write("run.kbf", "KBF 1.9\nT 0:30 \"" + readonly + "\"\nT 0:30 \"" + damaged + "\"\nP \"" +
                                          damaged + "\"\nT 0:30 \"" + busy + "\"\nT 0:30 \"" + good + "\"\n")
                     .c_str());

  const auto lines = LogLines();
  ASSERT_EQ(lines.size(), 6u) << ReadFile(dir.file("batch.log"));
  struct Case {
    std::string model, starts, names;
  } cases[] = {
      {readonly, " Error saving neural file \"" + readonly + "\": the file is read-only", "make it writable"},
      {damaged, " Error reading the price files of neural file \"" + damaged + "\": ", "two-ko.csv"},
      {damaged, " Error reading the price files of neural file \"" + damaged + "\": ", "two-ko.csv"},
      {busy, " Error neural file \"" + busy + "\" was not trained: " + busy + " is in use by another Kestrivane",
       "(process " + std::to_string(holder) + ", kestrivane-cli train)"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(lines[i + 1]);
    EXPECT_EQ(lines[i + 1].rfind(cases[i].starts, 0), 0u);
    EXPECT_NE(lines[i + 1].find(cases[i].names), std::string::npos);
    EXPECT_EQ(ReadFile(cases[i].model), before[cases[i].model]);   // left as it was
  }
  ExpectForecastLine(lines[5], good);
  EXPECT_NE(ReadFile(good), before[good]);
  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  EXPECT_EQ(main->batch_failures, 4);
  // No message and no question at the end: nobody is there to answer.
  EXPECT_TRUE(platform.messages().empty()) << platform.messages()[0].text;
  EXPECT_EQ(main->n_files, 0);
}

TEST_F(BatchRunnerTest, LinesAreAppendedNotRewritten) {
  // What the process has written so far, whatever the file.
  auto bytes_written = [] {
    std::string io = ReadFile("/proc/self/io");
    const size_t at = io.find("wchar: ");
    return at == std::string::npos ? -1LL : std::stoll(io.substr(at + 7));
  };
  const std::string model = MakeModelFile("ge");
  std::string text = "KBF 1.9\n";
  for (int i = 0; i < 10000; ++i) text += "P \"" + dir.file("missing.kvn") + "\"\n";
  text += "P \"" + model + "\"\n";
  const std::string batch = dir.write("big.kbf", text);

  const long long start = bytes_written();
  ASSERT_GE(start, 0);
  main->RunBatch(batch.c_str());
  const long long written = bytes_written() - start;

  const auto lines = LogLines();
  ASSERT_EQ(lines.size(), 10002u);
  EXPECT_EQ(lines[10000], " Error openning neural file \"" + dir.file("missing.kvn") + "\" for reading");
  ExpectForecastLine(lines[10001], model);
  // Rewriting the log for every line would have written some 10,000 times more.
  EXPECT_LT(written, 2 * static_cast<long long>(ReadFile(dir.file("batch.log")).size()));
}

TEST_F(BatchRunnerTest, QuitClosesTheLogAndEndsTheRun) {
  const std::string model = MakeModelFile("ge");
  const std::string batch =
      dir.write("run.kbf", "KBF 1.9\nP \"" + model + "\"\nQ\nP \"" + model + "\"\nT 0:30 \"" + model + "\"\n");
  main->RunBatch(batch.c_str());
  platform.CheckEvents();   // back in the message loop
  EXPECT_EQ(quit_code, 0);
  auto lines = LogLines();
  ASSERT_EQ(lines.size(), 2u);   // nothing after Q reached the closed log
  ExpectForecastLine(lines[1], model);
  EXPECT_TRUE(limits.empty());   // nor was anything trained
  EXPECT_FALSE(main->batch_running);
  EXPECT_EQ(main->n_files, 0);
}

TEST_F(BatchRunnerTest, FilesThatEndTheRunAtOnce) {
  const std::string model = MakeModelFile("ge");
  struct Case {
    std::string name, content;
    std::string message;   // empty: none
  } cases[] = {
      {"lower.kbf", "kbf 1.9\nP \"" + model + "\"\n", "File " + dir.file("lower.kbf") + " is not a batch file -ERROR 703"},
      {"short.kbf", "KBF 1.", "File " + dir.file("short.kbf") + " is not a batch file -ERROR 703"},
      {"empty.kbf", "", "File " + dir.file("empty.kbf") + " is not a batch file -ERROR 703"},
      {"absent.kbf", "", "Unable to open batch file for reading -ERROR 702"},
  };
  // A batch file named for the log itself, in the current folder.
  const std::string self = "KBF 1.9\nP \"" + model + "\"\n";
  for (const Case& c : {cases[0], cases[1], cases[2], cases[3],
                        Case{"batch.log", self, "File " + dir.file("batch.log") +
                                                    " is the batch log itself, which each run writes afresh.\n"
                                                    "Give the batch file another name and run it again."}}) {
    SCOPED_TRACE(c.name);
    platform.ClearRecords();
    // The results of the last run stay until a batch file has been found good.
    const std::string last = c.name == "batch.log" ? c.content : "results of the last run\n";
    if (c.name != "batch.log") dir.write("batch.log", last);
    const std::string path = c.name == "absent.kbf" ? dir.file(c.name) : dir.write(c.name, c.content);
    main->model_path = "kept.kvn";
    const BatchReport rep = RunBatch(*main, path.c_str(), BatchOptions{});
    EXPECT_FALSE(rep.ran);
    EXPECT_EQ(rep.refusal, c.message);
    ASSERT_EQ(platform.messages().size(), 1u);
    EXPECT_EQ(platform.messages()[0].text, c.message);
    EXPECT_EQ(platform.messages()[0].caption, "File Error");
    EXPECT_EQ(platform.messages()[0].flags, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(ReadFile(dir.file("batch.log")), last);
    EXPECT_FALSE(main->batch_running);
    EXPECT_EQ(main->model_path, "kept.kvn");
  }

  // A log that cannot be written.
  platform.ClearRecords();
  std::filesystem::remove(dir.file("batch.log"));
  std::filesystem::create_directory(dir.file("batch.log"));
  main->RunBatch(dir.write("ok.kbf", "KBF 1.9\nP \"" + model + "\"\n").c_str());
  ASSERT_EQ(platform.messages().size(), 1u);
  EXPECT_EQ(platform.messages()[0].text, "Unable to open file \"batch.log\"for writing -ERROR 701");
  EXPECT_EQ(main->model_path, "kept.kvn");
}

// The window says when the log lost lines; every model still ran.
TEST_F(BatchRunnerTest, ALogThatLosesLinesIsReported) {
  const std::string model = MakeModelFile("ge");
  std::string text = "KBF 1.9\n";
  for (int i = 0; i < 8; ++i) text += "P \"" + model + "\"\n";
  const std::string batch = dir.write("run.kbf", text);
  rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  rlimit small = old;
  small.rlim_cur = 400;
  const auto handler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const BatchReport rep = RunBatch(*main, batch.c_str(), BatchOptions{});
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, handler);
  EXPECT_EQ(rep.models.size(), 8u);
  EXPECT_EQ(rep.failed(), 0);
  EXPECT_EQ(rep.log_error, "Unable to write every result to \"batch.log\" (File too large), so the log lacks some "
                           "of them. Make room for the log and run the batch again.");
  ASSERT_FALSE(platform.messages().empty());
  EXPECT_EQ(platform.messages().back().text, rep.log_error);
  EXPECT_LE(ReadFile(dir.file("batch.log")).size(), 400u);
}

TEST_F(BatchRunnerTest, SecondRunWhileRunningReturnsAtOnce) {
  main->batch_running = true;
  main->RunBatch(dir.write("run.kbf", "KBF 1.9\n").c_str());
  EXPECT_FALSE(std::filesystem::exists(dir.file("batch.log")));
  EXPECT_TRUE(main->batch_running);
}

TEST_F(BatchRunnerTest, CreateTemplateAndAddTheModel) {
  // Create New Batch File.
  const std::string batch = dir.file("new.kbf");
  platform.QueueFile(batch);
  main->CmBatchcreatenewbatchfile3();
  const std::string text = ReadFile(batch);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 22);
  EXPECT_EQ(text.rfind("KBF 1.9\n# Kestrivane Batch File \n#  \n# Available comands: # comment line\n"
                       "#                    T h:mm \"kvn_path\\stock.kvn\" Trains and predicts a stock\n",
                       0),
            0u);
  EXPECT_NE(text.find("\n# T 2:00 \"c:\\STOCKS\\TXN.KVN\" \n"), std::string::npos);
  const std::string last = "\n# A prediction will be generated and stored in a file called BATCH.LOG \n";
  EXPECT_EQ(text.substr(text.size() - last.size()), last);
  ASSERT_EQ(platform.file_dialogs().size(), 1u);
  EXPECT_TRUE(platform.file_dialogs()[0].spec.save);
  EXPECT_EQ(platform.file_dialogs()[0].spec.filter, "Kestri Batch File(*.kbf)|*.kbf|All Files (*.*)|*.*|");

  // The template runs as a batch of comments only; an open statistics
  // window is closed first.
  main->STATS_BNClicked();
  ASSERT_NE(theStatWindow, nullptr);
  main->RunBatch(batch.c_str());
  EXPECT_EQ(theStatWindow, nullptr);
  EXPECT_EQ(LogLines(), std::vector<std::string>{kHeader});

  // A folder where the file should go: error 200.
  platform.ClearRecords();
  platform.QueueFile(dir.path().string());
  main->CmBatchcreatenewbatchfile3();
  ASSERT_EQ(platform.messages().size(), 1u);
  EXPECT_EQ(platform.messages()[0].text, "Unable to open file for writing -ERROR 200");

  // Add This Stock to Batch: the model is saved, then appended.
  const std::string model = MakeModelFile("ge");
  platform.QueueFile(model);   // reopen it through File > Open
  main->CmFileopen();
  ASSERT_EQ(main->model_path, model);
  platform.ClearRecords();
  platform.QueueFile(batch);
  main->CmBatchaddthisstocktobatch3();
  EXPECT_EQ(ReadFile(batch), text + "T 2:00 \"" + model + "\"\n");
  ASSERT_EQ(platform.messages().size(), 1u);
  EXPECT_EQ(platform.messages()[0].text,
            "GE was added to the Kestrivane Batch File, You may edit the batch file to change the "
            "default 2:00 hours of training");
  EXPECT_EQ(platform.messages()[0].caption, "Kestrivane");

  // An untitled model whose Save As is cancelled adds nothing.
  main->CmFilenew();
  platform.ClearRecords();
  main->CmBatchaddthisstocktobatch3();
  EXPECT_EQ(ReadFile(batch), text + "T 2:00 \"" + model + "\"\n");
  EXPECT_EQ(platform.file_dialogs().size(), 1u);   // only the Save As
}

TEST_F(BatchRunnerTest, RunCommandAsksToCloseThenForTheFile) {
  const std::string model = MakeModelFile("ge");
  const std::string batch = dir.write("run.kbf", "KBF 1.9\nP \"" + model + "\"\n");
  platform.QueueFile(batch);
  main->CmBatchrun();
  ASSERT_EQ(platform.file_dialogs().size(), 1u);
  EXPECT_FALSE(platform.file_dialogs()[0].spec.save);
  EXPECT_EQ(platform.file_dialogs()[0].spec.options, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY);
  EXPECT_EQ(main->batch_path, batch);
  EXPECT_EQ(LogLines().size(), 2u);

  for (int id : {ids::CM_BATCH_RUN, ids::CM_BATCH_CREATE, ids::CM_BATCH_ADD, ids::CM_BATCH_VIEW,
                 ids::CM_BATCH_STOP, ids::CM_BATCH_EDIT}) {
    CommandEnabler ce;
    ce.id = id;
    ce.enabled = false;
    main->QueryCommand(ce);
    EXPECT_TRUE(ce.enabled) << id;
  }
}

TEST_F(BatchRunnerTest, ViewingTheLogWhenNoViewerStarts) {
  SetSpawnForTesting([](const std::vector<std::string>&) { return false; });
  main->CmBatchviewres();
  platform.QueueFile(dir.write("x.kbf", "KBF 1.9\n"));
  main->CmBatchedit();
  SetSpawnForTesting(nullptr);
  ASSERT_EQ(platform.messages().size(), 2u);
  EXPECT_EQ(platform.messages()[0].text, "Unable to start Notepad.exe\nto view the file \"batch.log\"");
  EXPECT_EQ(platform.messages()[0].caption, "Kestrivane");
  EXPECT_EQ(platform.messages()[1].text, "Unable to start Notepad.exe\nto view the file \"x.kbf\"");
}

}  // namespace
}  // namespace kv::test
