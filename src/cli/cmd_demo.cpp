// kestrivane-cli demo: the whole road of a model on the bundled sample files,
// in one command (make demo): copy the samples, build a three-stock model,
// train it briefly, forecast, simulate and write the report.
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "app/options.h"
#include "cli/cli.h"
#include "cli/progress_tap.h"
#include "forecast/chart_decorations.h"
#include "platform/svg_canvas.h"
#include "resources/ids.h"
#include "util/atomic_file.h"
#include "util/file.h"
#include "util/text.h"

namespace kv::cli {
namespace {

namespace fs = std::filesystem;

volatile std::sig_atomic_t g_interrupted = 0;
extern "C" void OnDemoInterrupt(int) { g_interrupted = 1; }

constexpr const char* kSamples[] = {"GE.csv", "KO.csv", "PG.csv"};

// The samples folder: the source tree's (known when built), else beside or
// above the program, else below the current folder.
std::string FindSamples() {
  std::vector<std::string> candidates;
#ifdef KV_SAMPLES_DIR
  candidates.push_back(KV_SAMPLES_DIR);
#endif
  candidates.push_back(program_dir + "samples");
  candidates.push_back(program_dir + "../samples");
  candidates.push_back(program_dir + "../share/kestrivane/samples");
  candidates.push_back("samples");
  for (const std::string& dir : candidates) {
    std::error_code ec;
    bool all = true;
    for (const char* name : kSamples) all = all && fs::is_regular_file(fs::path(dir) / name, ec);
    if (all) return dir;
  }
  return {};
}

// Copies from to to; false with *why naming the file and the system's reason.
bool CopyFile(const fs::path& from, const fs::path& to, std::string* why) {
  std::string data;
  if (!ReadFileToString(from.string(), &data, why)) return false;
  return WriteFileAtomic(to.string(), data, why);
}

// Enters one stock in the Stocks group and presses ADD, as a user would.
bool AddStock(TMainDlg& m, const char* symbol, const std::string& file, bool long_filter) {
  Dialog& d = m.dlg;
  d.SetText(ids::IDC_SYMBOL, symbol);
  d.SetText(ids::IDC_FILENAME, file);
  d.SetText(ids::IDC_INFL_PERIOD, "10");
  d.Check(ids::IDC_PRICE, false);
  d.Check(ids::IDC_VOLUME, false);
  d.Check(ids::IDC_LONG, long_filter);
  d.Check(ids::IDC_SHORT, true);
  const int before = m.n_files;
  m.TICKER_ADD_BNClicked();
  return m.n_files == before + 1 && m.patterns.n_days > 0;
}

std::string Trimmed(const std::string& s) {
  size_t b = s.find_first_not_of(' ');
  return b == std::string::npos ? std::string() : s.substr(b);
}

int Run(Args& args) {
  std::string seconds_text = "20";
  TakeOption(args, "--seconds", seconds_text);
  if (int rc = CheckArgs(args, 0, 1, "give at most one folder")) return rc;
  long long seconds = 0;
  if (seconds_text.empty() || seconds_text.size() > 6 ||
      seconds_text.find_first_not_of("0123456789") != std::string::npos ||
      (seconds = LeadingInt(seconds_text)) < 1)
    return UsageError("--seconds wants a whole number from 1 to 999999, not \"" + seconds_text + "\"");

  const std::string samples = FindSamples();
  if (samples.empty()) return Fail("demo: cannot find the sample price files (GE.csv, KO.csv, PG.csv)");
  std::error_code ec;
  const fs::path dir = fs::absolute(args.empty() ? fs::path("kestrivane-demo") : fs::path(args[0]), ec);
  fs::create_directories(dir, ec);
  if (!fs::is_directory(dir))
    return Fail("demo: cannot create the folder " + dir.string() + (ec ? ": " + ec.message() : ""));
  std::string why;
  for (const char* name : kSamples)
    if (!CopyFile(fs::path(samples) / name, dir / name, &why))
      return Fail("demo: cannot copy " + std::string(name) + " into " + dir.string() + ": " + why);

  Session session;
  TMainDlg& m = *session.main;
  std::printf("Building a model of GE, with KO and PG as related stocks ...\n");
  if (!AddStock(m, "GE", (dir / "GE.csv").string(), true) ||
      !AddStock(m, "KO", (dir / "KO.csv").string(), false) ||
      !AddStock(m, "PG", (dir / "PG.csv").string(), false))
    return Fail("demo: the sample files could not be read");
  const fs::path model = dir / "demo.kvn";
  session.platform.QueueFile(model.string());
  if (!m.CmFilesaveas().ok) return Fail("demo: cannot write the model " + model.string());
  std::printf("%d trading days from %d to %d, %d network inputs\n", m.patterns.n_days, calendar[0],
              calendar[m.patterns.n_days - 1], m.net.in_nodes);

  // Training, ended by the batch time-limit timer; Ctrl-C acts as STOP.
  std::printf("Training for %lld seconds ...\n", seconds);
  std::fflush(stdout);
  const bool tty = ::isatty(2) == 1;
  const uint64_t start = plat().clock().TickMs();
  const uint64_t limit = static_cast<uint64_t>(seconds) * 1000;
  uint64_t next = start;
  g_interrupted = 0;
  struct sigaction sa {};
  sigemptyset(&sa.sa_mask);
  sa.sa_handler = OnDemoInterrupt;
  sa.sa_flags = SA_RESETHAND;
  sigaction(SIGINT, &sa, nullptr);
  ProgressTap tap(m);
  auto progress = [&](uint64_t now) {
    const uint64_t done = now - start;
    const long long left = done >= limit ? 0 : static_cast<long long>((limit - done + 999) / 1000);
    const std::string line = Format("training: %lld s left | %s | %d hidden neurons", left,
                                    tap.phase().c_str(), m.net.x_matrix);
    if (tty) std::fprintf(stderr, "\r%s\033[K", line.c_str());
    else std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
  };
  int poller = plat().AddPoller([&] {
    if (g_interrupted && m.training_on) {
      g_interrupted = 0;
      m.STOP_BNClicked();
    }
    // The line starts with the first training phase.
    const uint64_t now = plat().clock().TickMs();
    if (now >= next && !tap.phase().empty()) {
      next = now + (tty ? 500 : 5000);
      progress(now);
    }
  });
  plat().SetTimer(&m, ids::TIMER_TIME_LIMIT, static_cast<unsigned>(limit));
  m.B1_BNClicked();
  plat().RemovePoller(poller);
  signal(SIGINT, SIG_DFL);
  progress(plat().clock().TickMs());
  if (tty) std::fputc('\n', stderr);
  if (!m.CmFilesave().ok) return Fail("demo: cannot write the model " + model.string());

  std::printf("\n%s\n\n", Pred7Text(m).c_str());

  m.UpdateFigures();
  std::printf("Market simulator, strategy %d, over the training period:\n", m.Strategy);
  std::printf("  value:   %s\n", Trimmed(m.dlg.GetText(ids::IDC_STRATEGY_VALUE)).c_str());
  std::printf("  initial: %s\n", Trimmed(m.dlg.GetText(ids::IDC_INITIAL)).c_str());
  std::printf("  market:  %s\n", Trimmed(m.dlg.GetText(ids::IDC_MARKET)).c_str());
  std::printf("  trades:  %s\n", Trimmed(m.dlg.GetText(ids::IDC_TRADES)).c_str());

  const fs::path report = dir / "report.txt";
  m.report_file = report.string();
  int trades = 0;
  m.DisplayEvaluation();
  m.Invest(m.eval_days, 10, trades, true);

  // The main chart as the desktop window would show it, as an SVG picture,
  // which every build can draw.
  const fs::path chart = dir / "chart.svg";
  const ChartPicture picture = DefaultChartPicture(ChartKind::Main);
  SvgCanvas canvas(picture.width, picture.height, picture.client, picture.origin, Rgb(240, 240, 240));
  m.chart_right = picture.client.right - 2;
  m.CmZoom(m.zoom);
  m.DisplayGuess(canvas);
  DrawChartDecorations(canvas, picture, ChartKind::Main, m, model.filename().string());
  if (!WriteOutputFile(chart.string(), canvas.Document(), &why))
    return Fail("demo: cannot write the chart " + chart.string() + ": " + why);

  std::printf("\nFiles:\n");
  for (const char* name : kSamples) std::printf("  price file:   %s\n", (dir / name).c_str());
  std::printf("  model:        %s\n", model.c_str());
  std::printf("  report:       %s\n", report.c_str());
  std::printf("  chart:        %s\n", chart.c_str());
  if (theOptions) std::printf("  preferences:  %s\n", theOptions->FilePath().c_str());
  std::printf("\nNext: kestrivane-cli train %s --time 65m (a rated forecast needs more than\n"
              "an hour of training in all), then predict, simulate, search.\n",
              model.c_str());
  return 0;
}

const Registrar reg({
    "demo",
    "demo [DIR] [--seconds N]",
    "The whole road of a model on the bundled sample files: copies GE, KO and\n"
    "PG into DIR (default ./kestrivane-demo), builds a model of GE with KO and\n"
    "PG as related stocks, trains it N seconds (default 20) with a progress\n"
    "line, prints the forecast and the market simulator's figures, writes the\n"
    "day-by-day report and the main chart (chart.svg) and prints where every\n"
    "file is. A model trained for seconds is not rated: its confidence shows\n"
    "as unknown.",
    Run,
});

}  // namespace
}  // namespace kv::cli
