// kestrivane-cli walkforward: the walk-forward test of a model. Fresh
// networks train on successive windows of the history and trade the days
// that follow each one; the model file is only read.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <unistd.h>

#include "cli/cli.h"
#include "cli/json_output.h"
#include "cli/money_options.h"
#include "model/walk_forward_model.h"
#include "util/text.h"

namespace kv::cli {
namespace {

// "N" with only digits, from lo to hi.
bool ParseWhole(const std::string& s, unsigned long long lo, unsigned long long hi,
                unsigned long long& out) {
  if (s.empty() || s.size() > 20) return false;
  unsigned long long v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    const unsigned d = static_cast<unsigned>(c - '0');
    if (v > (UINT64_MAX - d) / 10) return false;
    v = v * 10 + d;
  }
  if (v < lo || v > hi) return false;
  out = v;
  return true;
}

// "fold n of K" on stderr: rewritten in place on a terminal, one line per
// finished fold otherwise.
class FoldProgress final : public WalkForwardProgress {
 public:
  FoldProgress() : tty_(::isatty(2) == 1) {}
  void Folds(int done, int total) override {
    if (done <= last_) return;
    // Folds on several threads can finish between two calls: every fold
    // still gets its line, so a log shows the same lines on every run.
    for (int d = last_ + 1; d <= done && d < total; ++d) {
      const std::string line = Format("walkforward: fold %d of %d", d + 1, total);
      if (tty_) std::fprintf(stderr, "\r%s\033[K", line.c_str());
      else std::fprintf(stderr, "%s\n", line.c_str());
    }
    last_ = done;
    if (done >= total && tty_) std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
  }

 private:
  bool tty_;
  int last_ = -1;
};

int Run(Args& args) {
  struct Count {
    const char* name;
    unsigned long long lo, hi;
    std::string text;
    bool given = false;
    unsigned long long value = 0;
  } counts[] = {
      {"--folds", 1, 100, {}},
      {"--test-days", 1, kMaxDays, {}},
      {"--train-days", 2, kMaxDays, {}},
      {"--steps-per-fold", 1, 1ULL << 62, {}},
      {"--seconds-per-fold", 1, 86400 * 7, {}},
      {"--seed", 0, UINT64_MAX, {}},
      {"--strategy", 0, 7, {}},
      {"--jobs", 1, 256, {}},
  };
  for (Count& c : counts) c.given = TakeOption(args, c.name, c.text);
  const MoneyOptions money = TakeMoneyOptions(args);
  const JsonOutput json = TakeJson(args);
  if (int rc = CheckArgs(args, 1, 1, "give exactly one model file")) return rc;
  for (Count& c : counts)
    if (c.given && !ParseWhole(c.text, c.lo, c.hi, c.value))
      return UsageError(Format("%s wants a whole number from %llu to %llu, not \"%s\"", c.name,
                               c.lo, c.hi, c.text.c_str()));
  auto& [folds, test_days, train_days, steps, seconds, seed, strategy, jobs] = counts;
  if (steps.given && seconds.given)
    return UsageError("give --steps-per-fold or --seconds-per-fold, not both");

  WalkForwardSettings s;
  if (folds.given) s.folds = static_cast<int32_t>(folds.value);
  if (test_days.given) s.test_days = static_cast<int32_t>(test_days.value);
  if (train_days.given) s.train_days = static_cast<int32_t>(train_days.value);
  if (steps.given) s.steps_per_fold = static_cast<long long>(steps.value);
  if (seconds.given) s.seconds_per_fold = static_cast<double>(seconds.value);
  if (seed.given) s.seed = seed.value;
  if (strategy.given) s.strategy = static_cast<int32_t>(strategy.value);
  if (jobs.given) s.jobs = static_cast<int32_t>(jobs.value);

  Session session;
  TMainDlg& m = *session.main;
  if (const FileOutcome o = session.OpenModel(args[0]); !o.ok)
    return Fail("walkforward: cannot open the model " + args[0] + WhereItFailed(o));
  s.money = Overridden(MoneyFromPreferences(), money);

  FoldProgress progress;
  WalkForwardResult r;
  std::string err;
  if (!RunWalkForwardTest(m, s, &progress, nullptr, &r, &err)) return Fail("walkforward: " + err);
  if (json.text()) std::fputs(WalkForwardText(r).c_str(), stdout);
  if (json.wanted() && !json.Write(WalkForwardJson(r))) return 1;
  return 0;
}

const Registrar reg({
    "walkforward",
    "walkforward MODEL.kvn [--folds K] [--test-days M] [--train-days N] [--steps-per-fold S | "
    "--seconds-per-fold T] [--seed X] [--strategy N] [--jobs J] [money options] [--json[=FILE]]",
    "Tests whether the network's advice holds on days it never saw. The last\n"
    "K x M days before the final ten (default 5 folds of 60 days) are cut into\n"
    "K test windows; for each, a fresh network with the model's neurons and\n"
    "options trains with seed X + fold (default X = 1) on the N days (default:\n"
    "the model's training window) that end ten days before the window, for S\n"
    "learning steps (default 100000) or T seconds, then forecasts and trades\n"
    "the window's days. Prints each fold's dates, hit rate, confidence, return\n"
    "and buy-and-hold return, then the statistics of all test windows chained\n"
    "(out of sample) beside those of each network on its own training window\n"
    "(in sample). --strategy N (0-7) instead of the model's; --jobs J folds at\n"
    "once (default: every core); the money options --cash, --fee-per-trade,\n"
    "--fee-per-share, --fee-share-threshold and --commission (percent) for this\n"
    "run only; --json prints JSON instead, --json=FILE writes it there too.\n"
    "With --steps-per-fold the results are the same for every J and run. The\n"
    "model file is not changed. Needs K x M + N + 20 days of history.",
    Run,
});

}  // namespace
}  // namespace kv::cli
