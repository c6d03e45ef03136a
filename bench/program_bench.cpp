// Whole commands of the program: a training session as TRAIN runs it, the
// strategy 7 search, opening a model from its files, and whole
// kestrivane-cli processes beside /bin/true.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bench_world.h"
#include "forecast/strategy_search.h"
#include "support/reference_engine.h"
#include "resources/ids.h"

namespace kv::bench {
namespace {

// Learning steps inside a real session: TRAIN with back-propagation only,
// the message pump every 25 steps, the checkpoint evaluations every 1000,
// the timers and the clock; a step budget ends each session.
void Session(benchmark::State& st) {
  const Shape s{240, 12};
  TMainDlg& m = TheWorld().Model(s);
  TheWorld().Trained(s).Put(m);
  m.DoBackProp = true;
  m.DoAnnealing = false;
  m.AutoIncNeu = false;
  m.AutoSave = false;
  constexpr long long kSteps = 100000;
  long long steps = 0;
  for (auto _ : st) {
    const long long before = m.learning_steps;
    m.step_budget = before + kSteps;
    m.B1_BNClicked();
    steps += m.learning_steps - before;
  }
  m.step_budget = -1;
  st.SetItemsProcessed(steps);
}

// One whole strategy 7 search: 78,732 simulations of the training window
// and the evaluations between them. The headless wait dialog draws its
// progress bar on stderr; it goes to /dev/null here.
void Search(benchmark::State& st) {
  const Shape s{240, 12};
  TMainDlg& m = TheWorld().Model(s);
  TheWorld().Trained(s).Put(m);
  std::fflush(stderr);
  const int saved = ::dup(2);
  const int null = ::open("/dev/null", O_WRONLY);
  if (null >= 0) ::dup2(null, 2);
  for (auto _ : st) {
    m.Strategy = 3;
    m.CmStrategyitem7();
  }
  std::fflush(stderr);
  if (saved >= 0) ::dup2(saved, 2);
  if (null >= 0) ::close(null);
  if (saved >= 0) ::close(saved);
  st.SetItemsProcessed(st.iterations());
}

// The same search as the program's plain loop (one simulation per
// combination) with the plain evaluation loops, at the points where the
// search evaluates.
class PlainEvaluations : public StrategySearchObserver {
 public:
  explicit PlainEvaluations(TMainDlg& m) : m_(m) {}
  void Improved(const StrategyParams&, float) override { Pump(); }
  void PassDone(const StrategyParams&) override { Pump(); }

 private:
  void Pump() {
    m_.Check_Events();
    test::RefProcessBp(m_, m_.eval_days, m_.keepout_days, 1, true);
  }
  TMainDlg& m_;
};

void PlainSearch(benchmark::State& st) {
  const Shape s{240, 12};
  TMainDlg& m = TheWorld().Model(s);
  TheWorld().Trained(s).Put(m);
  for (auto _ : st) {
    m.Strategy = 7;
    test::RefProcessBp(m, m.eval_days, m.keepout_days, 1, true);
    PlainEvaluations evaluations(m);
    const StrategySearchResult r = SearchStrategy(
        m.SimulationWindow(m.eval_days, m.keepout_days), MoneyFromPreferences(),
        {m.buy_up_min, m.buy_down_max, m.sell_down_min, m.sell_up_max, m.take_stop_band},
        &evaluations);
    m.buy_up_min = r.best.buy_up_min;
    m.buy_down_max = r.best.buy_down_max;
    m.sell_down_min = r.best.sell_down_min;
    m.sell_up_max = r.best.sell_up_max;
    m.take_stop_band = r.best.take_stop_band;
  }
  st.SetItemsProcessed(st.iterations());
}

// File > Open of the three-stock model: the model file, its three 1000-day
// price files, the patterns and the display evaluation.
void Load(benchmark::State& st) {
  World& w = TheWorld();
  TMainDlg* m = w.load_main.get();
  for (auto _ : st) {
    w.platform.QueueFile(w.load_model_path);
    m->CmFileopen();
    if (m->n_files != 3 || m->patterns.n_days != 1000) {
      st.SkipWithError("the model did not open");
      break;
    }
    w.platform.ClearRecords();
  }
  st.SetItemsProcessed(st.iterations());
}

}  // namespace

void RegisterProgramBenchmarks(World& w) {
  // The "plain" row of each start-up is /bin/true, measured in the same run.
  const std::string cli = KV_CLI_PATH, ge = std::string(KV_SAMPLES_DIR) + "/GE.csv";
  for (const char* option : {"--help", "--version"})
    Register("startup", option, "kestrivane",
             [=](benchmark::State& st) { Process(st, {cli, option}); }, 0.5, true);
  Register("startup", "inspect GE.csv", "kestrivane",
           [=](benchmark::State& st) { Process(st, {cli, "inspect", ge}); }, 0.5, true);
  // The same command on the shortest file a model takes (150 of GE's 2530
  // lines): what inspect costs beyond reading lines, its own start.
  Register("startup", "inspect 150 days", "kestrivane",
           [=](benchmark::State& st) {
             static const std::string small = [&] {
               const std::string path = TheWorld().dir + "/small.csv";
               std::ifstream in(ge);
               std::ofstream out(path);
               std::string line;
               for (int n = 0; n < 151 && std::getline(in, line); ++n) out << line << '\n';
               return path;
             }();
             Process(st, {cli, "inspect", small});
           },
           0.5, true);
  for (const char* shape : {"--help", "--version", "inspect GE.csv", "inspect 150 days"})
    Register("startup", shape, "plain",
             [](benchmark::State& st) { Process(st, {"/bin/true"}); }, 0.5, true);
  Register("session", "240-12-2", "kestrivane", Session, 1.0);
  RegisterEachIsa("search", "130 days", Search, 0.5);
  Register("search", "130 days", "plain", PlainSearch, 0.5);
  Register("load", "3 x 1000 days", "kestrivane", Load, 0.5);
}

}  // namespace kv::bench
