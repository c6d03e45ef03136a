// kestrivane-cli predict: the forecast of a trained model, as PREDICT shows it.
#include <cstdio>

#include "cli/cli.h"
#include "data/data_quality.h"

namespace kv::cli {
namespace {

int Run(Args& args) {
  if (int rc = CheckArgs(args, 1, 1, "give exactly one model file")) return rc;
  Session session;
  TMainDlg& m = *session.main;
  if (!session.OpenModel(args[0])) return Fail("predict: cannot open the model " + args[0]);
  if (m.Trained <= 0) return Fail("predict: the model " + args[0] + " is not trained");
  const std::string text = Pred7Text(m);
  if (text.empty()) return Fail("predict: the model " + args[0] + " has no price data");
  std::printf("%s\n", text.c_str());
  if (const auto stale = StaleDataWarning(m.patterns.n_days > 0 ? calendar[m.patterns.n_days - 1] : 0, plat().clock().TodayYmd()))
    std::fprintf(stderr, "warning: %s\n", stale->c_str());
  return 0;
}

const Registrar reg({
    "predict",
    "predict MODEL.kvn",
    "Prints the ten-day forecast of a trained model exactly as the PREDICT\n"
    "button shows it: the two outputs of the last day and of the nine days\n"
    "before, the strategy's advice, profit-take and stop-loss levels and the\n"
    "confidence. An untrained model is an error.",
    Run,
});

}  // namespace
}  // namespace kv::cli
