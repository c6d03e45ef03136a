// kestrivane-cli predict: the forecast of a trained model, as PREDICT shows it.
#include <cstdio>

#include "cli/cli.h"
#include "cli/json_output.h"
#include "data/data_quality.h"

namespace kv::cli {
namespace {

// The forecast's values as the message text is built from them: the network's
// two outputs of the last day and the nine days before, newest first.
JsonValue ForecastJson(TMainDlg& m, const std::string& file) {
  const int n = m.patterns.n_days < kMaxDays ? m.patterns.n_days : kMaxDays;
  const int last = n - 1;
  // Probability mode shows the outputs as percent chances, percent mode as
  // tenths of the move.
  const double scale = m.PredicMode == 0 ? 100.0 : 10.0;
  JsonValue days = JsonValue::Array();
  for (int d = last; d >= 0 && d > last - 10; --d) {
    const float up = m.net.guess[d][0], down = m.net.guess[d][1];
    JsonValue row = JsonValue::Object();
    row.Set("date", calendar[d]);
    row.Set("up_output", up);
    row.Set("down_output", down);
    row.Set("up_pct", JsonValue::Fixed(up * scale, 1));
    row.Set("down_pct", JsonValue::Fixed(down * scale, 1));
    days.Push(std::move(row));
  }
  const ForecastResult& f = m.last_forecast;
  JsonValue doc = JsonValue::Object();
  doc.Set("file", file);
  doc.Set("symbol", m.stocks[0]->symbol);
  doc.Set("mode", m.PredicMode == 0 ? "probability" : "percent");
  doc.Set("last_date", calendar[last]);
  doc.Set("days", std::move(days));
  doc.Set("advice", f.signal == 1 ? "BUY" : f.signal == -1 ? "SELL" : "HOLD");
  doc.Set("profit_take_pct", JsonValue::Fixed(f.profit_take, 0));
  doc.Set("stop_loss_pct", JsonValue::Fixed(-f.stop_loss, 0));
  doc.Set("confidence_pct", f.rated ? JsonValue::Fixed(f.confidence, 1) : JsonValue());
  return doc;
}

int Run(Args& args) {
  const JsonOutput json = TakeJson(args);
  if (int rc = CheckArgs(args, 1, 1, "give exactly one model file")) return rc;
  Session session;
  TMainDlg& m = *session.main;
  if (const FileOutcome o = session.OpenModel(args[0]); !o.ok)
    return Fail("predict: cannot open the model " + args[0] + WhereItFailed(o));
  if (m.Trained <= 0) return Fail("predict: the model " + args[0] + " is not trained");
  const std::string text = Pred7Text(m);
  if (text.empty()) return Fail("predict: the model " + args[0] + " has no price data");
  if (json.text()) std::printf("%s\n", text.c_str());
  if (const auto stale = StaleDataWarning(m.patterns.n_days > 0 ? calendar[m.patterns.n_days - 1] : 0, plat().clock().TodayYmd()))
    std::fprintf(stderr, "warning: %s\n", stale->c_str());
  if (json.wanted() && !json.Write(ForecastJson(m, args[0]))) return 1;
  return 0;
}

const Registrar reg({
    "predict",
    "predict MODEL.kvn [--json[=FILE]]",
    "Prints the ten-day forecast of a trained model exactly as the PREDICT\n"
    "button shows it: the two outputs of the last day and of the nine days\n"
    "before, the strategy's advice, profit-take and stop-loss levels and the\n"
    "confidence. An untrained model is an error. --json prints the forecast's\n"
    "values as JSON instead; --json=FILE writes them to FILE as well.",
    Run,
});

}  // namespace
}  // namespace kv::cli
