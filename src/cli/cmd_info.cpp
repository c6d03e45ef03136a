// kestrivane-cli info: open a model as File > Open does and print its
// settings, one "name: value" line each.
#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "cli/json_output.h"
#include "model/data_findings.h"
#include "data/data_quality.h"

namespace kv::cli {
namespace {

int Run(Args& args) {
  const JsonOutput json = TakeJson(args);
  if (int rc = CheckArgs(args, 1, 1, "give exactly one model file")) return rc;
  Session s;
  if (!s.OpenModel(args[0]).ok) return 1;
  TMainDlg& m = *s.main;
  PrintDataWarnings(m, stderr);

  std::string symbols;
  JsonValue symbol_list = JsonValue::Array();
  for (int i = 0; i < m.n_files && i < kMaxStocks; ++i)
    if (m.stocks[i]) {
      symbols += (symbols.empty() ? "" : " ") + m.stocks[i]->symbol;
      symbol_list.Push(m.stocks[i]->symbol);
    }
  const bool days = m.patterns.n_days > 0 && m.patterns.n_days <= calendar_count;
  const double eval_error = m.DisplayEvaluation();

  // One list of fields for both forms, so the JSON always holds what the text shows.
  JsonValue doc = JsonValue::Object();
  doc.Set("file", args[0]);
  doc.Set("n_files", m.n_files);
  doc.Set("symbols", symbol_list);
  doc.Set("n_days", m.patterns.n_days);
  doc.Set("first_date", days ? calendar[0] : 0);
  doc.Set("last_date", days ? calendar[m.patterns.n_days - 1] : 0);
  doc.Set("in_nodes", m.net.in_nodes);
  doc.Set("x_matrix", m.net.x_matrix);
  doc.Set("out_nodes", m.net.out_nodes);
  doc.Set("Trained", m.Trained);
  doc.Set("TimeTrained", m.TimeTrained);
  doc.Set("eval_days", m.eval_days);
  doc.Set("keepout_days", m.keepout_days);
  doc.Set("learn_rate", m.net.learn_rate);
  doc.Set("Strategy", m.Strategy);
  doc.Set("PredicMode", m.PredicMode);
  doc.Set("DoBackProp", m.DoBackProp ? 1 : 0);
  doc.Set("DoAnnealing", m.DoAnnealing ? 1 : 0);
  doc.Set("AutoIncNeu", m.AutoIncNeu ? 1 : 0);
  doc.Set("AutoSave", m.AutoSave ? 1 : 0);
  doc.Set("eval_error", eval_error);

  if (json.text()) {
    for (const auto& [key, value] : doc.members()) {
      if (key == "file") continue;
      if (key == "symbols")
        std::printf("symbols: %s\n", symbols.c_str());
      else if (key == "learn_rate")   // %g of the float itself, as ever
        std::printf("learn_rate: %g\n", static_cast<double>(m.net.learn_rate));
      else if (key == "eval_error")
        std::printf("eval_error: %g\n", eval_error);
      else
        std::printf("%s: %s\n", key.c_str(), value.NumberText().c_str());
    }
  }
  return json.Write(doc) ? 0 : 1;
}

const Registrar reg({"info", "info MODEL.kvn [--json[=FILE]]",
                     "Opens the model as File > Open does (re-reading its price files) and\n"
                     "prints its stocks, calendar span, network size, training settings and\n"
                     "eval_error, the total error of the evaluation over the training window.\n"
                     "--json prints the same fields as JSON instead; --json=FILE writes them\n"
                     "to FILE as well.",
                     Run});

}  // namespace
}  // namespace kv::cli
