// The walk-forward test's folds and their statistics.
#include "forecast/walk_forward.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

#include "forecast/confidence.h"
#include "util/text.h"

namespace kv {

namespace {

// The ten trading days a target looks ahead: the final ones of the calendar
// have no known target, and a training window ends this far before its test
// window.
constexpr int kHorizon = 10;

// Ends a fold's training at its deadline, when it trains by time.
class FoldHost final : public TrainingHost {
 public:
  explicit FoldHost(double seconds) : timed_(seconds > 0) {
    if (timed_)
      deadline_ = std::chrono::steady_clock::now() +
                  std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                      std::chrono::duration<double>(seconds));
  }
  void Pump(Trainer& t) override {
    if (timed_ && std::chrono::steady_clock::now() >= deadline_) t.running = false;
  }

 private:
  bool timed_;
  std::chrono::steady_clock::time_point deadline_;
};

struct FoldPlan {
  int train_first, train_last;   // days, inclusive
  int test_first, test_end;      // [test_first, test_end)
};

StrategyParams ParamsOf(const WalkForwardModel& model, int strategy) {
  return strategy == 7 ? model.searched : StandardStrategy(strategy);
}

// One fold, start to end; touches nothing but its own locals and *out.
void RunFold(const WalkForwardModel& model, const WalkForwardSettings& s, int index,
             const FoldPlan& plan, int train_days, const StrategyParams& strategy,
             const std::atomic<bool>* stop, FoldResult* out) {
  const std::vector<float>& close = model.stocks[0].close;
  const auto& dates = model.dates;

  // The training patterns end where the test window starts: their last
  // targets look ten days ahead, up to the day before it. Every scale factor
  // comes from days up to the training window's end.
  auto train = std::make_unique<Patterns>();
  const int in_nodes =
      BuildPatterns(model.stocks, plan.test_first, plan.train_last, model.predic_mode, *train);

  // A fresh network as Forget makes one, drawn from the fold's own seed.
  Random rng(s.seed + static_cast<uint64_t>(index));
  auto net = std::make_unique<Network>();
  net->x_matrix = std::clamp(model.neurons, 2, kMaxHidden);
  net->in_nodes = in_nodes;
  net->out_nodes = 2;
  net->momentum = model.momentum;
  for (int j = 0; j < kInputRows; ++j)
    for (int h = 0; h < kMaxHidden; ++h) net->hidden_w[j][h] = rng.Frand(0.001f);
  for (int o = 0; o < kMaxOutputs; ++o)
    for (int h = 0; h < kHiddenCols; ++h) net->out_w[o][h] = rng.Frand(0.001f);
  net->learn_rate = 0.1f;
  net->ToBest();

  FoldHost host(s.seconds_per_fold);
  Trainer trainer(*net, *train, rng, nullptr, &host);
  trainer.settings = model.rules;
  trainer.settings.eval_days = train_days + kHorizon;
  trainer.settings.keepout_days = kHorizon;
  trainer.step_budget = s.seconds_per_fold > 0 ? -1 : s.steps_per_fold;
  trainer.stop = stop;
  trainer.Run();
  out->learning_steps = trainer.learning_steps;
  out->weights.assign(&net->hidden_w[0][0], &net->hidden_w[0][0] + kInputRows * kMaxHidden);
  out->weights.insert(out->weights.end(), &net->out_w[0][0],
                      &net->out_w[0][0] + kMaxOutputs * kHiddenCols);

  // The forecast's confidence from the fold's own evaluation of its last 60
  // days, without the rule's minimum training time.
  const Evaluation ev = net->Evaluate(*train, kRatedDays, 0, 1);
  const Confidence rating = RateConfidence(ev.good_calls, ev.bad_calls, ev.abs_error_sum, train->n_days, true);
  out->confidence_known = rating.known;
  out->confidence_pct = rating.pct;

  // The test days' inputs: each from prices up to its own day, on the
  // training window's scale.
  auto test = std::make_unique<Patterns>();
  BuildPatterns(model.stocks, plan.test_end, plan.train_last, model.predic_mode, *test);
  for (int d = plan.test_first; d < plan.test_end; ++d) {
    net->Forward(*test, d);
    const float up = net->guess[d][0], down = net->guess[d][1];
    out->outputs.push_back({dates[d], up, down});
    // A direction call: the larger output above the statistics' 0.3; right
    // when the close ten days on has moved that way.
    if (std::max(up, down) > 0.3f && up != down) {
      ++out->calls;
      const float change = close[d + kHorizon] - close[d];
      if (up > down ? change > 0 : change < 0) ++out->hits;
    }
  }
  out->hit_rate_pct = out->calls > 0 ? out->hits * 100.0 / out->calls : 0.0;
  for (int d = plan.train_first; d <= plan.train_last; ++d) net->Forward(*train, d);

  auto simulate = [&](int first, int end) {
    SimulationInput in;
    in.price = close.data();
    in.date = dates.data();
    in.guess = net->guess;
    in.first = first;
    in.end = end;
    return RecordOf(Simulate(in, strategy, s.money, true), s.money.initial, dates[first - 1]);
  };
  out->test_run = simulate(plan.test_first, plan.test_end);
  {
    const double initial = s.money.initial;
    const float base = close[plan.test_first];
    out->test_buy_hold.push_back({dates[plan.test_first - 1], initial});
    for (int d = plan.test_first; d < plan.test_end; ++d)
      out->test_buy_hold.push_back({dates[d], base > 0 ? initial * close[d] / base : initial});
  }
  out->train_run = simulate(plan.train_first, plan.train_last + 1);
  out->test = ComputeStats(out->test_run);
  out->train = ComputeStats(out->train_run);
  out->train_start = dates[plan.train_first];
  out->train_end = dates[plan.train_last];
  out->test_start = dates[plan.test_first];
  out->test_end = dates[plan.test_end - 1];
}

bool CheckSettings(const WalkForwardModel& model, const WalkForwardSettings& s, int train_days,
                   std::string* err) {
  auto fail = [&](const std::string& text) {
    *err = text;
    return false;
  };
  if (model.stocks.empty() || model.dates.empty())
    return fail("the model has no price data: add its stocks and read their files first");
  if (s.folds < 1 || s.folds > 100) return fail("the number of folds must be 1 to 100");
  if (s.test_days < 1 || s.test_days > kMaxDays) return fail("the test days must be 1 to 1000");
  if (train_days < 2 || train_days > kMaxDays)
    return fail("the training days must be 2 to 1000");
  if (s.seconds_per_fold <= 0 && s.steps_per_fold < 1)
    return fail("give each fold at least one learning step");
  if (s.strategy < -1 || s.strategy > 7) return fail("the strategy must be 0 to 7");
  const long long need = WalkForwardDaysNeeded(s.folds, s.test_days, train_days);
  const long long have = static_cast<long long>(model.dates.size());
  if (have < need)
    return fail(Format("the calendar holds %lld days, but %d folds of %d test days with %d "
                       "training days need %lld (folds x test days + training days + 20): "
                       "use fewer folds or fewer days, or a longer price history",
                       have, s.folds, s.test_days, train_days, need));
  for (const RawStock& st : model.stocks)
    if (st.close.size() < model.dates.size() || st.volume.size() < model.dates.size())
      return fail("a stock's series is shorter than the calendar: reread the model's stocks");
  return true;
}

}  // namespace

bool RunWalkForward(const WalkForwardModel& model, const WalkForwardSettings& s,
                    WalkForwardProgress* progress, const std::atomic<bool>* stop,
                    WalkForwardResult* out, std::string* err) {
  const int train_days = s.train_days > 0 ? s.train_days : model.train_days;
  if (!CheckSettings(model, s, train_days, err)) return false;
  const int strategy_n = s.strategy >= 0 ? s.strategy : std::clamp(model.strategy, 0, 7);
  const StrategyParams strategy = ParamsOf(model, strategy_n);

  // The test windows tile the last folds x test_days days before the final ten.
  const int n = static_cast<int>(model.dates.size());
  std::vector<FoldPlan> plans(s.folds);
  for (int i = 0; i < s.folds; ++i) {
    FoldPlan& p = plans[i];
    p.test_first = n - kHorizon - (s.folds - i) * s.test_days;
    p.test_end = p.test_first + s.test_days;
    p.train_last = p.test_first - kHorizon;
    p.train_first = p.train_last - train_days + 1;
  }

  int jobs = s.jobs > 0 ? s.jobs : static_cast<int>(std::thread::hardware_concurrency());
  jobs = std::clamp(jobs, 1, s.folds);

  WalkForwardResult r;
  r.folds.resize(s.folds);
  r.timed = s.seconds_per_fold > 0;
  r.strategy = strategy_n;
  r.train_days = train_days;
  r.test_days = s.test_days;

  std::mutex mu;
  std::condition_variable cv;
  int done = 0;
  std::atomic<int> next{0};
  std::string failure;
  auto worker = [&] {
    for (int i = next++; i < s.folds; i = next++) {
      // After a stop the remaining folds are passed over, but counted.
      if (!(stop && stop->load())) {
        try {
          RunFold(model, s, i, plans[i], train_days, strategy, stop, &r.folds[i]);
        } catch (const std::exception& e) {
          std::lock_guard<std::mutex> lock(mu);
          if (failure.empty()) failure = Format("fold %d failed: %s", i + 1, e.what());
        }
      }
      std::lock_guard<std::mutex> lock(mu);
      ++done;
      cv.notify_all();
    }
  };
  std::vector<std::thread> threads;
  for (int j = 0; j < jobs; ++j) threads.emplace_back(worker);
  {
    std::unique_lock<std::mutex> lock(mu);
    while (done < s.folds) {
      const int seen = done;
      if (progress) {
        lock.unlock();
        progress->Folds(seen, s.folds);
        lock.lock();
      }
      if (done == seen) cv.wait_for(lock, std::chrono::milliseconds(100));
    }
  }
  for (std::thread& t : threads) t.join();
  if (progress) progress->Folds(done, s.folds);
  if (stop && stop->load()) {
    *err = "the walk-forward test was stopped before it finished";
    return false;
  }
  if (!failure.empty()) {
    *err = failure;
    return false;
  }

  std::vector<RunRecord> tests, trains;
  for (const FoldResult& f : r.folds) {
    tests.push_back(f.test_run);
    trains.push_back(f.train_run);
  }
  r.out_of_sample_run = Chain(tests);
  // Each fold's buy and hold goes on from where the previous one ended, as
  // the simulator's curves are joined.
  std::vector<RunRecord> holds(r.folds.size());
  for (size_t i = 0; i < r.folds.size(); ++i) holds[i].equity = r.folds[i].test_buy_hold;
  r.out_of_sample_buy_hold = Chain(holds).equity;
  r.in_sample_run = Chain(trains);
  r.out_of_sample = ComputeStats(r.out_of_sample_run);
  r.in_sample = ComputeStats(r.in_sample_run);
  *out = std::move(r);
  return true;
}

namespace {
JsonValue RunJson(const TradingStats& stats, const RunRecord& run) {
  JsonValue o = JsonValue::Object();
  AddStats(o, stats);
  o.Set("equity", EquityJson(run.equity, false));
  return o;
}
}  // namespace

JsonValue WalkForwardJson(const WalkForwardResult& r) {
  JsonValue doc = JsonValue::Object();
  JsonValue folds = JsonValue::Array();
  for (const FoldResult& f : r.folds) {
    JsonValue o = JsonValue::Object();
    o.Set("train_start", f.train_start);
    o.Set("train_end", f.train_end);
    o.Set("test_start", f.test_start);
    o.Set("test_end", f.test_end);
    o.Set("calls", f.calls);
    o.Set("hit_rate_pct", f.hit_rate_pct);
    o.Set("confidence_pct", f.confidence_known ? JsonValue(f.confidence_pct) : JsonValue());
    o.Set("return_pct", f.test.return_pct);
    o.Set("buy_hold_return_pct", f.test.buy_hold_return_pct);
    o.Set("trades", f.test.trades);
    JsonValue outputs = JsonValue::Array();
    for (const FoldOutput& d : f.outputs) {
      JsonValue e = JsonValue::Object();
      e.Set("date", d.date);
      e.Set("up", d.up);
      e.Set("down", d.down);
      outputs.Push(std::move(e));
    }
    o.Set("outputs", std::move(outputs));
    folds.Push(std::move(o));
  }
  doc.Set("folds", std::move(folds));
  doc.Set("out_of_sample", RunJson(r.out_of_sample, r.out_of_sample_run))
      .Set("buy_hold_equity", EquityJson(r.out_of_sample_buy_hold, false));
  doc.Set("in_sample", RunJson(r.in_sample, r.in_sample_run));
  return doc;
}

std::string WalkForwardText(const WalkForwardResult& r) {
  std::string t;
  t += Format("%zu folds of %d test days, each trained on %d days, strategy %d\n\n",
              r.folds.size(), r.test_days, r.train_days, r.strategy);
  t += "fold  train              test               hit rate      confidence  return   buy&hold  "
       "trades\n";
  int i = 0;
  for (const FoldResult& f : r.folds) {
    std::string hit = f.calls > 0 ? Format("%5.1f%% of %d", f.hit_rate_pct, f.calls) : "no calls";
    std::string conf = f.confidence_known ? Format("%5.1f%%", static_cast<double>(f.confidence_pct)) : "unknown";
    t += Format("%4d  %d-%d  %d-%d  %-12s  %-10s  %+7.2f%%  %+7.2f%%  %6d\n", ++i, f.train_start,
                f.train_end, f.test_start, f.test_end, hit.c_str(), conf.c_str(),
                f.test.return_pct, f.test.buy_hold_return_pct, f.test.trades);
  }
  t += "\nhit rate: direction calls (the larger output above 0.3) that the close ten days later\n"
       "bore out. confidence: the forecast's rule on each fold's own evaluation; its minimum\n"
       "training time does not apply to folds.\n";
  if (r.timed)
    t += "Trained by time: the results depend on this machine's speed and differ from run to run.\n";

  // The two runs side by side, one statistic a line.
  auto lines = [](const TradingStats& s) {
    std::vector<std::pair<std::string, std::string>> v;
    std::istringstream in(FormatStats(s));
    std::string line;
    while (std::getline(in, line)) {
      const size_t c = line.find(": ");
      if (c == std::string::npos) continue;
      v.emplace_back(line.substr(0, c), line.substr(c + 2));
    }
    return v;
  };
  const auto out = lines(r.out_of_sample), in = lines(r.in_sample);
  t += "\nstatistic               out of sample      in sample\n";
  for (size_t k = 0; k < out.size() && k < in.size(); ++k)
    t += Format("%-22s  %-17s  %s\n", (out[k].first + ":").c_str(), out[k].second.c_str(),
                in[k].second.c_str());
  t += "\nout of sample: the folds' test windows one after the other, on days their networks\n"
       "never saw; in sample: each fold's network over its own training window.\n";
  return t;
}

}  // namespace kv
