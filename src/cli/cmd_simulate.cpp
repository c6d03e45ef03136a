// kestrivane-cli simulate: the market simulator's performance figures of a
// model, its trading statistics, and its day-by-day report as text, CSV or
// JSON.
#include <cstdio>

#include "cli/cli.h"
#include "cli/json_output.h"
#include "cli/money_options.h"
#include "forecast/simulator.h"
#include "forecast/trading_stats.h"
#include "resources/ids.h"
#include "util/atomic_file.h"
#include "util/text.h"

namespace kv::cli {
namespace {

std::string Trimmed(const std::string& s) {
  size_t b = s.find_first_not_of(' ');
  return b == std::string::npos ? std::string() : s.substr(b);
}

// A float as the shortest text that reads back as the same value.
std::string Exact(float v) { return JsonValue(v).NumberText(); }

// The days of a run as CSV, one row a day; days without a trade have an
// empty action and no shares or fee.
std::string ReportCsv(const SimulationResult& r) {
  std::string csv = "date,price,value,action,shares,fee\n";
  for (const SimulatedDay& d : r.days) {
    csv += std::to_string(d.date) + "," + Exact(d.price) + "," + Exact(d.value) + "," +
           (d.action ? d.action : "") + "," + std::to_string(d.shares) + "," + Exact(d.fee) + "\n";
  }
  return csv;
}

JsonValue Document(const TMainDlg& m, const MoneySettings& money, const SimulationResult& r,
                   const RunRecord& run, const TradingStats& stats, float market) {
  JsonValue doc = JsonValue::Object();
  doc.Set("model", m.model_path);
  doc.Set("strategy", m.Strategy);
  JsonValue& p = doc.Set("parameters", JsonValue::Object());
  p.Set("buy_up_min", m.buy_up_min);
  p.Set("buy_down_max", m.buy_down_max);
  p.Set("sell_down_min", m.sell_down_min);
  p.Set("sell_up_max", m.sell_up_max);
  p.Set("take_stop_band", m.take_stop_band);
  JsonValue& cash = doc.Set("money", JsonValue::Object());
  cash.Set("initial", money.initial);
  cash.Set("fee_per_trade", money.fee_per_trade);
  cash.Set("fee_per_share", money.fee_per_share);
  cash.Set("fee_share_threshold", money.fee_share_threshold);
  cash.Set("commission_pct", money.commission_pct);
  JsonValue& figures = doc.Set("figures", JsonValue::Object());
  figures.Set("value", r.value);
  figures.Set("initial", money.initial);
  figures.Set("market", market);
  figures.Set("trades", r.trades);
  AddStats(doc, stats);
  doc.Set("equity", EquityJson(run.equity, true));
  JsonValue& trips = doc.Set("round_trips", JsonValue::Array());
  for (const RoundTrip& t : run.round_trips) {
    JsonValue trip = JsonValue::Object();
    trip.Set("buy_date", t.buy_date);
    trip.Set("buy_price", t.buy_price);
    trip.Set("sell_date", t.sell_date);
    trip.Set("sell_price", t.sell_price);
    trip.Set("return_pct", t.return_pct);
    trips.Push(std::move(trip));
  }
  return doc;
}

int Run(Args& args) {
  std::string strategy_text, report, csv;
  const bool has_strategy = TakeOption(args, "--strategy", strategy_text);
  const bool has_report = TakeOption(args, "--report", report);
  const bool has_csv = TakeOption(args, "--report-csv", csv);
  const bool stats_wanted = TakeFlag(args, "--stats");
  const JsonOutput json = TakeJson(args);
  const MoneyOptions money_options = TakeMoneyOptions(args);
  if (int rc = CheckArgs(args, 1, 1, "give exactly one model file")) return rc;
  int strategy = -1;
  if (has_strategy) {
    if (strategy_text.size() != 1 || strategy_text[0] < '0' || strategy_text[0] > '7')
      return UsageError("--strategy wants a number from 0 to 7, not \"" + strategy_text + "\"");
    strategy = strategy_text[0] - '0';
  }
  if (has_report && report.empty()) return UsageError("--report wants a file name");
  if (has_csv && csv.empty()) return UsageError("--report-csv wants a file name");

  Session session;
  TMainDlg& m = *session.main;
  SetMoneyForRun(money_options);   // for this run only: kv.dat never sees them
  if (const FileOutcome o = session.OpenModel(args[0]); !o.ok)
    return Fail("simulate: cannot open the model " + args[0] + WhereItFailed(o));
  if (strategy >= 0) m.Strategy = strategy;   // 7 keeps the model's searched parameters

  m.UpdateFigures();
  if (json.text()) {
    std::printf("value: %s\n", Trimmed(m.dlg.GetText(ids::IDC_STRATEGY_VALUE)).c_str());
    std::printf("initial: %s\n", Trimmed(m.dlg.GetText(ids::IDC_INITIAL)).c_str());
    std::printf("market: %s\n", Trimmed(m.dlg.GetText(ids::IDC_MARKET)).c_str());
    std::printf("trades: %s\n", Trimmed(m.dlg.GetText(ids::IDC_TRADES)).c_str());
  }

  if (stats_wanted || json.wanted() || has_csv) {
    // The run behind the figures, day by day: the same days, outputs,
    // strategy and money.
    const MoneySettings money = MoneyFromPreferences();
    SimulationResult r;
    r.value = money.initial;
    int32_t day_before = 0;
    if (m.stocks[0]) {
      const int first = m.SimulationWindow(m.eval_days, 10).first;
      r = m.Simulation(m.eval_days, 10, true);
      day_before = first > 0 ? calendar[first - 1] : PreviousDate(calendar[0]);
    }
    const RunRecord run = RecordOf(r, money.initial, day_before);
    const TradingStats stats = ComputeStats(run);
    if (stats_wanted && json.text()) std::printf("\n%s", FormatStats(stats).c_str());
    if (has_csv) {
      std::string err;
      if (!WriteOutputFile(csv, ReportCsv(r), &err))
        return Fail("simulate: cannot write the CSV report: " + err);
      std::fprintf(stderr, "kestrivane-cli: CSV report written to %s\n", csv.c_str());
    }
    if (json.wanted() && !json.Write(Document(m, money, r, run, stats, m.MarketValue()))) return 1;
  }

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
    "simulate MODEL.kvn [--strategy N] [--stats] [--report FILE] [--report-csv FILE] "
    "[--json[=FILE]] [--cash X] [--fee-per-trade X] [--fee-per-share X] "
    "[--fee-share-threshold N] [--commission PCT]",
    "Replays the network's signals over the training period in the market\n"
    "simulator and prints the main window's figures, one \"label: value\" line\n"
    "each: value (what the strategy made), initial, market (buy and hold) and\n"
    "trades. --strategy N (0-7) uses another strategy than the model's own.\n"
    "--stats adds, after an empty line, the run's trading statistics, one\n"
    "\"name: value\" line each (n/a where a figure does not exist, as a win\n"
    "rate without trades). --report FILE writes the day-by-day report there,\n"
    "--report-csv FILE the same days as CSV. --json prints the figures, the\n"
    "statistics, the equity curve and the round trips as JSON instead;\n"
    "--json=FILE writes that JSON to FILE as well. --cash, --fee-per-trade,\n"
    "--fee-per-share, --fee-share-threshold and --commission (percent) replace\n"
    "the preferences' money settings for this run only.",
    Run,
});

}  // namespace
}  // namespace kv::cli
