#include "cli/money_options.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>

#include "app/options.h"

namespace kv::cli {
namespace {

// A whole text as a finite number, or nothing.
std::optional<double> Number(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text.c_str(), &end);
  if (*end != '\0' || errno == ERANGE || !std::isfinite(v)) return std::nullopt;
  return v;
}

void TakeAmount(Args& args, const char* name, double min, double max, bool above_min,
                const char* wants, std::optional<float>& out) {
  std::string text;
  if (!TakeOption(args, name, text)) return;
  const std::optional<double> v = Number(text);
  if (!v || *v < min || (above_min && *v == min) || *v > max) {
    UsageNote(std::string(name) + " wants " + wants + ", not \"" + text + "\"");
    return;
  }
  out = static_cast<float>(*v);
}

}  // namespace

MoneyOptions TakeMoneyOptions(Args& args) {
  MoneyOptions o;
  constexpr double kHuge = 1e12;   // beyond any account, and still exact enough in a float
  TakeAmount(args, "--cash", 0, kHuge, true, "an amount above 0", o.cash);
  TakeAmount(args, "--fee-per-trade", 0, kHuge, false, "an amount of 0 or more", o.fee_per_trade);
  TakeAmount(args, "--fee-per-share", 0, kHuge, false, "an amount of 0 or more", o.fee_per_share);
  TakeAmount(args, "--commission", 0, 100, false, "a percentage from 0 to 100", o.commission_pct);
  std::string text;
  if (TakeOption(args, "--fee-share-threshold", text)) {
    const std::optional<double> v = Number(text);
    if (!v || *v < 0 || *v > INT32_MAX || *v != std::floor(*v) ||
        text.find_first_not_of("0123456789") != std::string::npos)
      UsageNote("--fee-share-threshold wants a whole number of shares, not \"" + text + "\"");
    else
      o.fee_share_threshold = static_cast<int32_t>(*v);
  }
  return o;
}

MoneySettings Overridden(MoneySettings base, const MoneyOptions& o) {
  if (o.cash) base.initial = *o.cash;
  if (o.fee_per_trade) base.fee_per_trade = *o.fee_per_trade;
  if (o.fee_per_share) base.fee_per_share = *o.fee_per_share;
  if (o.commission_pct) base.commission_pct = *o.commission_pct;
  if (o.fee_share_threshold) base.fee_share_threshold = *o.fee_share_threshold;
  return base;
}

void SetMoneyForRun(const MoneyOptions& o) {
  if (!theOptions) return;
  if (o.cash) theOptions->SetForRun("inv_initial", *o.cash);
  if (o.fee_per_trade) theOptions->SetForRun("inv_broker_fee", *o.fee_per_trade);
  if (o.fee_per_share) theOptions->SetForRun("inv_broker_fpshare", *o.fee_per_share);
  if (o.commission_pct) theOptions->SetForRun("inv_broker_com", *o.commission_pct);
  if (o.fee_share_threshold)
    theOptions->SetForRun("inv_broker_q_over", static_cast<int>(*o.fee_share_threshold));
  theOptions->ApplyOptions();
}

}  // namespace kv::cli
