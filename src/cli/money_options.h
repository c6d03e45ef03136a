// The money settings of one run from the command line, for the commands that
// simulate trading: --cash, --fee-per-trade, --fee-per-share,
// --fee-share-threshold and --commission (percent). They override the
// preferences for that run only and never reach kv.dat.
#pragma once

#include <cstdint>
#include <optional>

#include "cli/cli.h"
#include "forecast/simulator.h"

namespace kv::cli {

struct MoneyOptions {
  std::optional<float> cash, fee_per_trade, fee_per_share, commission_pct;
  std::optional<int32_t> fee_share_threshold;
};

// Takes the options out of args. A value that is not a number, or out of
// range (cash above 0; fees and commission 0 or more, commission at most
// 100; the threshold a whole number of shares), is noted as a usage error
// for CheckArgs.
MoneyOptions TakeMoneyOptions(Args& args);

// `base` with the given settings in place of its own.
MoneySettings Overridden(MoneySettings base, const MoneyOptions& o);

// Makes the given settings the program's preferences for this run only, so
// that every figure (the main window's too) uses them; kv.dat keeps what it
// holds. Needs the options store (a Session).
void SetMoneyForRun(const MoneyOptions& o);

}  // namespace kv::cli
