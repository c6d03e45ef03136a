// The walk-forward test of the three-stock model, 4 folds, on one thread and
// on every core in the same run: the rate is folds per second, so the second
// row divided by the first, divided by the cores, is the speed-up per core.
#include <string>
#include <thread>

#include "bench_world.h"
#include "model/walk_forward_model.h"

namespace kv::bench {
namespace {

void WalkForward(benchmark::State& st, int jobs) {
  const WalkForwardModel model = WalkForwardModelOf(TheWorld().Model({240, 12}));
  WalkForwardSettings s;
  s.folds = 4;
  s.test_days = 60;
  s.steps_per_fold = 20000;
  s.jobs = jobs;
  long long folds = 0;
  for (auto _ : st) {
    WalkForwardResult r;
    std::string err;
    if (!RunWalkForward(model, s, nullptr, nullptr, &r, &err)) {
      st.SkipWithError(err.c_str());
      return;
    }
    folds += static_cast<long long>(r.folds.size());
  }
  st.SetItemsProcessed(folds);
}

}  // namespace

void RegisterWalkForwardBenchmarks(World&) {
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  Register("walkforward", "4 folds", "jobs 1", [](benchmark::State& st) { WalkForward(st, 1); },
           0.5, true);
  Register("walkforward", "4 folds", "jobs " + std::to_string(cores),
           [cores](benchmark::State& st) { WalkForward(st, cores); }, 0.5, true);
}

}  // namespace kv::bench
