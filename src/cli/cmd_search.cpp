// kestrivane-cli search: strategy 7, the search for the strategy parameters
// that made the most over the training period; the model is saved with them.
#include <cstdio>

#include "cli/cli.h"
#include "util/model_lock.h"

namespace kv::cli {
namespace {

int Run(Args& args) {
  const bool force = TakeFlag(args, "--force");
  if (int rc = CheckArgs(args, 1, 1, "give exactly one model file")) return rc;

  // Held until the command ends: nobody else saves this model meanwhile.
  ModelLock lock;
  if (!lock.Acquire(args[0], "kestrivane-cli search")) return Fail("search: " + lock.message());
  Session session;
  TMainDlg& m = *session.main;
  if (const FileOutcome o = session.OpenModel(args[0]); !o.ok)
    return Fail("search: cannot open the model " + args[0] + WhereItFailed(o));
  // As the menu: the search needs more than twelve hours of training.
  if (m.TimeTrained <= 720 && !force)
    return Fail("search: Max Profit needs more than 12:00 hours of training; " + args[0] +
                " has " + std::to_string(m.TimeTrained / 60) + ":" +
                (m.TimeTrained % 60 < 10 ? "0" : "") + std::to_string(m.TimeTrained % 60) +
                " (--force searches anyway)");

  m.CmStrategyitem7();
  int trades = 0;
  m.process_bp(m.eval_days, m.keepout_days, 1, true);
  const float value = m.Invest(m.eval_days, m.keepout_days, trades, false);
  std::printf("buy_up_min: %.2f\n", static_cast<double>(m.buy_up_min));
  std::printf("buy_down_max: %.2f\n", static_cast<double>(m.buy_down_max));
  std::printf("sell_down_min: %.2f\n", static_cast<double>(m.sell_down_min));
  std::printf("sell_up_max: %.2f\n", static_cast<double>(m.sell_up_max));
  std::printf("take_stop_band: %.2f\n", static_cast<double>(m.take_stop_band));
  std::printf("value: %.2f\n", static_cast<double>(value));

  if (!m.CmFilesave().ok) return Fail("search: the model was not saved");
  return 0;
}

const Registrar reg({
    "search",
    "search MODEL.kvn [--force]",
    "Chooses strategy 7 (Max Profit): tries 78,732 combinations of the five\n"
    "strategy parameters in the market simulator over the training period,\n"
    "keeps the one that made the most, prints the five parameters and the\n"
    "final value, and saves the model. As in the menu, a model trained for\n"
    "12 hours or less is refused unless --force is given.",
    Run,
});

}  // namespace
}  // namespace kv::cli
