// kestrivane-cli create: build a model from price files exactly as the stock
// list's ADD does (same checks, same messages), read the stocks and save.
#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "model/data_findings.h"
#include "util/model_lock.h"
#include "data/data_quality.h"
#include "resources/ids.h"
#include "util/text.h"

namespace kv::cli {
namespace {

struct StockSpec {
  std::string symbol, file, period, flags;
};

// SYMBOL,FILE,PERIOD,FLAGS; the file may itself contain commas, so the
// symbol is cut at the first comma and period and flags at the last two.
bool ParseStock(const std::string& s, StockSpec& out) {
  size_t first = s.find(',');
  size_t last = s.rfind(',');
  if (first == std::string::npos || last == first) return false;
  size_t middle = s.rfind(',', last - 1);
  if (middle == first) return false;
  out.symbol = s.substr(0, first);
  out.file = s.substr(first + 1, middle - first - 1);
  out.period = s.substr(middle + 1, last - middle - 1);
  out.flags = s.substr(last + 1);
  for (char c : out.flags)
    if (c != 'p' && c != 'v' && c != 'l' && c != 's') return false;
  return true;
}

int Run(Args& args) {
  std::vector<StockSpec> specs;
  std::string value;
  while (TakeOption(args, "--stock", value)) {
    StockSpec s;
    if (!ParseStock(value, s))
      return UsageError("--stock wants SYMBOL,FILE,PERIOD,FLAGS with FLAGS of p, v, l, s: \"" + value + "\"");
    // The dialog's field holds two digits; a longer period must not be cut
    // or clamped silently into another model.
    if (LeadingInt(s.period) > kMaxInflPeriods)
      return UsageError("--stock " + s.symbol + ": the influence period is 1 to 20 days, not " +
                        s.period);
    specs.push_back(s);
  }
  const bool accept_poor = TakeFlag(args, "--accept-poor-data");
  std::string neurons, mode;
  const bool has_neurons = TakeOption(args, "--neurons", neurons);
  const bool has_mode = TakeOption(args, "--mode", mode);
  if (has_mode && mode != "prob" && mode != "percent")
    return UsageError("--mode is prob or percent, not \"" + mode + "\"");
  if (int rc = CheckArgs(args, 1, 1, "give exactly one model file name")) return rc;
  if (args[0].empty()) return UsageError("the model file name is empty");
  if (specs.empty()) return UsageError("give at least one --stock");
  if (specs.size() > static_cast<size_t>(kMaxStocks)) return UsageError("a model holds at most 3 stocks");
  const std::string model = args[0];
  // A model being trained elsewhere is not replaced under its trainer.
  ModelLock lock;
  if (!lock.Acquire(model, "kestrivane-cli create")) return Fail(lock.message());

  Session s;
  TMainDlg& m = *s.main;
  for (const StockSpec& spec : specs) {
    StockEntry e;
    e.symbol = spec.symbol;
    e.data_file = spec.file;
    e.period = spec.period;
    e.price = spec.flags.find('p') != std::string::npos;
    e.volume = spec.flags.find('v') != std::string::npos;
    e.l_price = spec.flags.find('l') != std::string::npos;
    e.s_price = spec.flags.find('s') != std::string::npos;
    // The stock's doubtful data is judged below, for the whole model.
    const AddStockOutcome added = m.AddStock(e);
    if (!added.added) m.ErrorBox(added.refusal, "Kestrivane");
    if (!added.added || !added.file_read)
      return Fail("stock " + spec.symbol + " was not added; the model is not saved");
  }
  int poor = 0;
  for (const Finding& f : CheckModelData(m)) {
    const bool refuses = f.poor() && !accept_poor;
    poor += refuses;
    std::fprintf(stderr, "%s%s\n", refuses ? "kestrivane-cli: " : "warning: ", f.text.c_str());
  }
  if (poor)
    return Fail("the model is not saved: its price data would give a wrong forecast (correct the "
                "file, or give --accept-poor-data to save it anyway)");
  if (has_neurons) m.SetNeurons(LeadingInt(neurons));
  if (has_mode) {
    m.PredicMode = mode == "percent" ? 1 : 0;
    m.Create_Results();
    m.DisplayEvaluation();
  }
  m.model_path = model;
  if (!m.Save_Param().ok) return 1;   // its message has been printed
  std::printf("%s: %d stocks, %d days, %d inputs, %d hidden neurons\n", model.c_str(), m.n_files,
              m.patterns.n_days, m.net.in_nodes, m.net.x_matrix);
  return 0;
}

const Registrar reg({"create",
                     "create MODEL.kvn --stock SYMBOL,FILE,PERIOD,FLAGS [--stock ...] [--neurons N] "
                     "[--mode prob|percent] [--accept-poor-data]",
                     "Builds a new, untrained model and saves it as MODEL.kvn. Each --stock adds\n"
                     "one stock as the stock list's ADD button does (the first is the target\n"
                     "stock, at most 3): its ticker SYMBOL (1 to 5 characters), its historical\n"
                     "price FILE, the influence PERIOD (1 to 20 days) and the series it feeds,\n"
                     "FLAGS from p (price), v (volume), l (long-term filter), s (short-term\n"
                     "filter). --neurons sets the hidden neurons (2 to 12), --mode the forecast\n"
                     "mode (prob: up/down probability, the default; percent: gain/loss).\n"
                     "A stock whose prices are 0 or stale on some day, or a related stock that\n"
                     "misses more than 10 % of the training window's days, is refused (exit 1,\n"
                     "no model written) unless --accept-poor-data is given; other doubtful data\n"
                     "is a warning on stderr.",
                     Run});

}  // namespace
}  // namespace kv::cli
