// kestrivane-cli simulate: the market simulator's performance figures of a
// model, and optionally its day-by-day report.
#include <cstdio>

#include "cli/cli.h"
#include "resources/ids.h"
#include "util/text.h"

namespace kv::cli {
namespace {

std::string Trimmed(const std::string& s) {
  size_t b = s.find_first_not_of(' ');
  return b == std::string::npos ? std::string() : s.substr(b);
}

int Run(Args& args) {
  std::string strategy_text, report;
  const bool has_strategy = TakeOption(args, "--strategy", strategy_text);
  const bool has_report = TakeOption(args, "--report", report);
  if (int rc = CheckArgs(args, 1, 1, "give exactly one model file")) return rc;
  int strategy = -1;
  if (has_strategy) {
    if (strategy_text.size() != 1 || strategy_text[0] < '0' || strategy_text[0] > '7')
      return UsageError("--strategy wants a number from 0 to 7, not \"" + strategy_text + "\"");
    strategy = strategy_text[0] - '0';
  }
  if (has_report && report.empty()) return UsageError("--report wants a file name");

  Session session;
  TMainDlg& m = *session.main;
  if (!session.OpenModel(args[0])) return Fail("simulate: cannot open the model " + args[0]);
  if (strategy >= 0) m.Strategy = strategy;   // 7 keeps the model's searched parameters

  m.UpdateFigures();
  std::printf("value: %s\n", Trimmed(m.dlg.GetText(ids::IDC_STRATEGY_VALUE)).c_str());
  std::printf("initial: %s\n", Trimmed(m.dlg.GetText(ids::IDC_INITIAL)).c_str());
  std::printf("market: %s\n", Trimmed(m.dlg.GetText(ids::IDC_MARKET)).c_str());
  std::printf("trades: %s\n", Trimmed(m.dlg.GetText(ids::IDC_TRADES)).c_str());

  if (has_report) {
    // The same run as the Rep button, written where asked.
    m.report_file = report;
    int trades = 0;
    m.DisplayEvaluation();
    m.Invest(m.eval_days, 10, trades, true);
    if (!m.report_error.empty()) return Fail("simulate: cannot write the report: " + m.report_error);
    std::fprintf(stderr, "kestrivane-cli: report written to %s\n", report.c_str());
  }
  return 0;
}

const Registrar reg({
    "simulate",
    "simulate MODEL.kvn [--strategy N] [--report FILE]",
    "Replays the network's signals over the training period in the market\n"
    "simulator and prints the main window's figures, one \"label: value\" line\n"
    "each: value (what the strategy made), initial, market (buy and hold) and\n"
    "trades. --strategy N (0-7) uses another strategy than the model's own;\n"
    "--report FILE writes the day-by-day report there.",
    Run,
});

}  // namespace
}  // namespace kv::cli
