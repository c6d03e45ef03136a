// Whole commands of the program: a training session as TRAIN runs it, the
// strategy 7 search, and opening a model from its files.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "bench_world.h"
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

// File > Open of the three-stock model: the model file, its three 1000-day
// price files, the patterns and the display evaluation.
void Load(benchmark::State& st) {
  World& w = TheWorld();
  TMainDlg* m = w.load_main.get();
  for (auto _ : st) {
    w.platform.QueueFile(w.load_model_path);
    m->CmFileopen();
    if (m->n_files != 3 || m->n_days != 1000) {
      st.SkipWithError("the model did not open");
      break;
    }
    w.platform.ClearRecords();
  }
  st.SetItemsProcessed(st.iterations());
}

}  // namespace

void RegisterProgramBenchmarks(World& w) {
  Register("session", "240-12-2", "kestrivane", Session, 1.0);
  Register("search", "130 days", "kestrivane", Search, 0.5);
  Register("load", "3 x 1000 days", "kestrivane", Load, 0.5);
}

}  // namespace kv::bench
