// kestrivane-cli info: open a model as File > Open does and print its
// settings, one "name: value" line each.
#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "model/data_findings.h"
#include "data/data_quality.h"

namespace kv::cli {
namespace {

int Run(Args& args) {
  if (int rc = CheckArgs(args, 1, 1, "give exactly one model file")) return rc;
  Session s;
  if (!s.OpenModel(args[0])) return 1;
  TMainDlg& m = *s.main;
  PrintDataWarnings(m, stderr);

  std::string symbols;
  for (int i = 0; i < m.n_files && i < kMaxStocks; ++i)
    if (m.stocks[i]) symbols += (symbols.empty() ? "" : " ") + m.stocks[i]->symbol;
  const bool days = m.patterns.n_days > 0 && m.patterns.n_days <= calendar_count;
  const double eval_error = m.DisplayEvaluation();

  std::printf("n_files: %d\n", m.n_files);
  std::printf("symbols: %s\n", symbols.c_str());
  std::printf("n_days: %d\n", m.patterns.n_days);
  std::printf("first_date: %d\n", days ? calendar[0] : 0);
  std::printf("last_date: %d\n", days ? calendar[m.patterns.n_days - 1] : 0);
  std::printf("in_nodes: %d\n", m.net.in_nodes);
  std::printf("x_matrix: %d\n", m.net.x_matrix);
  std::printf("out_nodes: %d\n", m.net.out_nodes);
  std::printf("Trained: %d\n", m.Trained);
  std::printf("TimeTrained: %d\n", m.TimeTrained);
  std::printf("eval_days: %d\n", m.eval_days);
  std::printf("keepout_days: %d\n", m.keepout_days);
  std::printf("learn_rate: %g\n", static_cast<double>(m.net.learn_rate));
  std::printf("Strategy: %d\n", m.Strategy);
  std::printf("PredicMode: %d\n", m.PredicMode);
  std::printf("DoBackProp: %d\n", m.DoBackProp ? 1 : 0);
  std::printf("DoAnnealing: %d\n", m.DoAnnealing ? 1 : 0);
  std::printf("AutoIncNeu: %d\n", m.AutoIncNeu ? 1 : 0);
  std::printf("AutoSave: %d\n", m.AutoSave ? 1 : 0);
  std::printf("eval_error: %g\n", eval_error);
  return 0;
}

const Registrar reg({"info", "info MODEL.kvn",
                     "Opens the model as File > Open does (re-reading its price files) and\n"
                     "prints its stocks, calendar span, network size, training settings and\n"
                     "eval_error, the total error of the evaluation over the training window.",
                     Run});

}  // namespace
}  // namespace kv::cli
