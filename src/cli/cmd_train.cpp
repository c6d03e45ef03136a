// kestrivane-cli train: open a model, train it as TRAIN does until a time
// limit or a number of learning steps, and save it.
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "cli/cli.h"
#include "model/data_findings.h"
#include "cli/progress_tap.h"
#include "cli/train_time.h"
#include "data/data_quality.h"
#include "util/model_lock.h"
#include "net/random.h"
#include "resources/ids.h"
#include "util/text.h"

namespace kv::cli {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;

// Ctrl-C acts as STOP. The handler only raises a flag: the session notices
// it at its next pump, and the running phase restores its best network
// before the model is saved. The handler is one-shot, so a second Ctrl-C
// ends the program the ordinary way.
void OnTrainInterrupt(int) { g_interrupted = 1; }

void CatchInterrupts(bool on) {
  struct sigaction sa {};
  sigemptyset(&sa.sa_mask);
  if (on) {
    sa.sa_handler = OnTrainInterrupt;
    sa.sa_flags = SA_RESETHAND;
  } else {
    sa.sa_handler = SIG_DFL;
  }
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
}

// "N" with only digits, at most `max`.
bool ParseCount(const std::string& s, unsigned long long max, unsigned long long& out) {
  if (s.empty() || s.size() > 20) return false;
  unsigned long long v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    unsigned d = static_cast<unsigned>(c - '0');
    if (v > (max - d) / 10) return false;
    v = v * 10 + d;
  }
  out = v;
  return true;
}

std::string HoursMinutesSeconds(unsigned long long ms) {
  unsigned long long s = (ms + 999) / 1000;
  return Format("%llu:%02llu:%02llu", s / 3600, s / 60 % 60, s % 60);
}

// The one progress line on stderr: rewritten in place on a terminal, printed
// as a fresh line every few seconds otherwise.
class Progress {
 public:
  Progress(TMainDlg& m, uint64_t deadline, bool timed)
      : m_(m), tap_(m), deadline_(deadline), timed_(timed), tty_(::isatty(2) == 1),
        period_(tty_ ? 250 : 5000), next_(plat().clock().TickMs() + period_) {}

  // Called at every pump: keep it to a counter most of the time.
  void Poll() {
    if (++calls_ % 16 != 0) return;
    uint64_t now = plat().clock().TickMs();
    if (now < next_) return;
    next_ = now + period_;
    Print(now);
  }

  void Print(uint64_t now) {
    std::string left;
    if (timed_) {
      left = HoursMinutesSeconds(deadline_ > now ? deadline_ - now : 0) + " left";
    } else {
      long long n = m_.step_budget - m_.learning_steps;
      left = Format("%lld steps left", n > 0 ? n : 0);
    }
    std::string line = Format("%s | Cycle %lld | best fit %.6f | %d hidden | %s",
                              tap_.phase().c_str(), tap_.cycle(), m_.phase_best_fit,
                              m_.net.x_matrix,
                              left.c_str());
    if (tty_) {
      std::fprintf(stderr, "\r%s\033[K", line.c_str());
      shown_ = true;
    } else {
      std::fprintf(stderr, "%s\n", line.c_str());
    }
    std::fflush(stderr);
  }

  // Ends the rewritten line so later output starts on a line of its own.
  void Finish() {
    if (shown_) std::fputc('\n', stderr);
    shown_ = false;
  }

 private:
  TMainDlg& m_;
  ProgressTap tap_;
  uint64_t deadline_;
  bool timed_;
  bool tty_;
  uint64_t period_;
  uint64_t next_;
  unsigned calls_ = 0;
  bool shown_ = false;
};

int Run(Args& args) {
  std::string time_text, seconds_text, steps_text, seed_text;
  bool has_time = TakeOption(args, "--time", time_text);
  bool has_seconds = TakeOption(args, "--seconds", seconds_text);
  bool has_steps = TakeOption(args, "--steps", steps_text);
  bool has_seed = TakeOption(args, "--seed", seed_text);
  if (int rc = CheckArgs(args, 1, 1, "give exactly one model file")) return rc;
  if (has_time + has_seconds + has_steps != 1)
    return UsageError("give exactly one of --time TIME, --seconds N, --steps N");

  // The limit timer takes 32-bit milliseconds, about 49 days.
  const unsigned long long kMaxMs = 0xFFFFFFFFULL;
  unsigned long long limit_ms = 0, steps = 0, seed = 0;
  if (has_time) {
    const auto minutes = ParseTrainingTime(time_text);
    if (!minutes || *minutes == 0 || *minutes > kMaxMs / 60000)
      return UsageError("--time wants H:MM, 90m, 2h or 1h30m, above 0 and at most 1193:02, not \"" +
                        time_text + "\"");
    limit_ms = *minutes * 60000;
  }
  if (has_seconds) {
    if (!ParseCount(seconds_text, kMaxMs / 1000, limit_ms) || limit_ms == 0)
      return UsageError("--seconds wants a whole number from 1 to " +
                        std::to_string(kMaxMs / 1000) + ", not \"" + seconds_text + "\"");
    limit_ms *= 1000;
  }
  if (has_steps && (!ParseCount(steps_text, 1ULL << 62, steps) || steps == 0))
    return UsageError("--steps wants a whole number above 0, not \"" + steps_text + "\"");
  if (has_seed && !ParseCount(seed_text, UINT64_MAX, seed))
    return UsageError("--seed wants a whole number, not \"" + seed_text + "\"");

  // Held until the command ends: nobody else saves this model meanwhile.
  ModelLock lock;
  if (!lock.Acquire(args[0], "kestrivane-cli train")) return Fail("train: " + lock.message());
  Session session;
  TMainDlg& m = *session.main;
  if (const FileOutcome o = session.OpenModel(args[0]); !o.ok)
    return Fail("train: cannot open the model " + args[0] + WhereItFailed(o));
  PrintDataWarnings(m, stderr);
  if (!m.DoBackProp && !m.DoAnnealing) {
    m.B1_BNClicked();   // shows why nothing happens
    return 1;
  }

  if (has_seed) fix_random_seed(seed);
  m.learning_steps = 0;
  m.step_budget = has_steps ? static_cast<long long>(steps) : -1;
  const uint64_t start = plat().clock().TickMs();
  if (!has_steps) plat().SetTimer(&m, ids::TIMER_TIME_LIMIT, static_cast<unsigned>(limit_ms));

  Progress progress(m, start + limit_ms, !has_steps);
  bool stopped = false;
  g_interrupted = 0;
  CatchInterrupts(true);
  int poller = plat().AddPoller([&] {
    if (g_interrupted && !stopped) {
      stopped = true;
      progress.Finish();
      std::fputs("kestrivane-cli: interrupted, keeping the best network and saving\n", stderr);
      m.STOP_BNClicked();
    }
    progress.Poll();
  });
  m.B1_BNClicked();
  plat().RemovePoller(poller);
  CatchInterrupts(false);
  progress.Print(plat().clock().TickMs());
  progress.Finish();

  m.step_budget = -1;
  if (!m.CmFilesave().ok) return Fail("train: the model was not saved");
  std::printf("%s: %lld learning steps, Trained %d, %d hidden neurons, %d minutes trained%s\n",
              args[0].c_str(), m.learning_steps, m.Trained, m.net.x_matrix, m.TimeTrained,
              stopped ? " (interrupted)" : "");
  return 0;
}

const Registrar reg({
    "train",
    "train MODEL.kvn (--time TIME | --seconds N | --steps N) [--seed N]",
    "Opens the model, trains it as the TRAIN button does with the model's own\n"
    "options until the time limit or until N learning steps (back-propagation\n"
    "steps plus annealing trials) have run, and saves it. A progress line on\n"
    "stderr shows the activity, the Cycle figure, the best fit of the running\n"
    "phase, the hidden neurons and what is left. Ctrl-C stops as STOP does: the\n"
    "best network is kept and the model saved. --seed N fixes the random\n"
    "generator: with --steps, the same model and seed give the same weights on\n"
    "every run (TimeTrained still counts the real minutes spent). TIME is\n"
    "H:MM (1:00 is one hour), minutes as 90m, hours as 2h, or both as 1h30m.",
    Run,
});

}  // namespace
}  // namespace kv::cli
