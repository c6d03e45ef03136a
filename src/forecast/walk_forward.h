// The walk-forward test: does the network's advice hold on days it never
// saw? The last folds x test_days days before the calendar's final ten are
// cut into test windows. For each, a fresh network trains on the window of
// train_days days that ends ten days before the test window (so no target of
// a training day reaches into it), with every scale factor taken from days
// up to the training window's end; it then forecasts each test day, and the
// simulator trades its signals over the test window (out of sample) and over
// its own training window (in sample).
//
// Folds are independent: they run on `jobs` threads, and with a step budget
// the result is the same bits for every number of threads and every run.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "data/patterns.h"
#include "forecast/simulator.h"
#include "forecast/trading_stats.h"
#include "net/trainer.h"
#include "util/json.h"

namespace kv {

// Everything a fold needs of a model, copied out of it (WalkForwardModelOf
// in model/walk_forward_model.h makes one from the dialog).
struct WalkForwardModel {
  std::vector<int32_t> dates;        // the calendar, YYYYMMDD per day
  std::vector<RawStock> stocks;      // stocks[0] is the target
  int32_t predic_mode = 0;           // what the targets are (PredicMode)
  int32_t neurons = 4;               // hidden neurons of a fresh network
  float momentum = 0.9f;
  TrainingSettings rules;            // algorithms and growth; the window is the fold's
  int32_t train_days = 130;          // the model's own training window
  int32_t strategy = 3;              // the model's strategy, 0..7
  StrategyParams searched{};         // strategy 7's parameters
};

struct WalkForwardSettings {
  int32_t folds = 5;
  int32_t test_days = 60;
  int32_t train_days = 0;            // 0: the model's own
  long long steps_per_fold = 100000; // learning steps, when seconds_per_fold is 0
  double seconds_per_fold = 0;       // > 0: train each fold this long instead
  uint64_t seed = 1;                 // fold i trains with seed + i
  int32_t strategy = -1;             // -1: the model's
  MoneySettings money;               // the user's: MoneyFromPreferences(), or a run's own
  int32_t jobs = 0;                  // threads; 0: one per core
};

struct FoldOutput {
  int32_t date;
  float up, down;
};

struct FoldResult {
  int32_t train_start = 0, train_end = 0, test_start = 0, test_end = 0;   // dates
  int32_t calls = 0, hits = 0;       // direction calls on test days, and right ones
  double hit_rate_pct = 0;           // hits / calls; 0 without calls
  bool confidence_known = false;
  float confidence_pct = 0;          // 0 when not known
  TradingStats test;                 // the simulator over the test window
  TradingStats train;                // ... over the training window (in sample)
  RunRecord test_run, train_run;
  // Buying on the test window's first day and holding: the initial
  // investment on the day before, then its value at each day's close.
  std::vector<EquityPoint> test_buy_hold;
  std::vector<FoldOutput> outputs;   // the network's outputs per test day
  std::vector<float> weights;        // the trained network's weights, hidden then output
  long long learning_steps = 0;
};

struct WalkForwardResult {
  std::vector<FoldResult> folds;
  RunRecord out_of_sample_run, in_sample_run;   // the folds chained
  std::vector<EquityPoint> out_of_sample_buy_hold;   // the folds' buy and hold, chained alike
  TradingStats out_of_sample, in_sample;
  bool timed = false;                // trained by time: depends on the machine
  int32_t strategy = 0;
  int32_t train_days = 0, test_days = 0;
};

// Hears how far a test has come, on the thread that called RunWalkForward:
// when it starts, whenever a fold finishes, and at least every 100 ms in
// between (a window can serve its events there and set the stop flag).
class WalkForwardProgress {
 public:
  virtual ~WalkForwardProgress() = default;
  virtual void Folds(int done, int total) = 0;
};

// The days the calendar must hold for a test.
inline long long WalkForwardDaysNeeded(int folds, int test_days, int train_days) {
  return static_cast<long long>(folds) * test_days + train_days + 20;
}

// Runs the test. False with *err (one sentence that says what to do) when
// the settings are out of range, the calendar is too short, or *stop was set
// (the folds stop at their next step); *out is complete only on true.
// progress and stop may be null.
bool RunWalkForward(const WalkForwardModel& model, const WalkForwardSettings& settings,
                    WalkForwardProgress* progress, const std::atomic<bool>* stop,
                    WalkForwardResult* out, std::string* err);

// The result as JSON: folds (dates, hit rate, confidence, return, buy and
// hold, trades, outputs), then out_of_sample and in_sample with their
// statistics and equity curves. Nothing run-dependent (no timings).
JsonValue WalkForwardJson(const WalkForwardResult& r);
// The result as the text kestrivane-cli prints.
std::string WalkForwardText(const WalkForwardResult& r);

}  // namespace kv
