// The market simulator: one account, all in or all out, replaying the
// network's outputs one day at a time. Every operation is single precision
// in a fixed order, because the strategy search's lanes must reproduce it
// bit for bit.
#include "forecast/simulator.h"

#include <algorithm>
#include <cmath>

namespace kv {
namespace {

// Strategies 0..6; strategy 7 keeps the values its search found.
constexpr StrategyParams kStrategies[7] = {
    {0.85f, 0.40f, 0.21f, 0.75f, 0.07f},   // 0 Skittish
    {0.90f, 0.35f, 0.90f, 0.35f, 0.07f},   // 1 Very Conservative
    {0.85f, 0.40f, 0.85f, 0.40f, 0.08f},   // 2 Conservative
    {0.75f, 0.40f, 0.75f, 0.40f, 0.10f},   // 3 Normal
    {0.51f, 0.50f, 0.51f, 0.50f, 0.15f},   // 4 Aggressive
    {0.21f, 0.85f, 0.21f, 0.85f, 0.20f},   // 5 Very Aggressive
    {0.21f, 0.75f, 0.90f, 0.35f, 0.20f},   // 6 Dare Devil
};

}  // namespace

StrategyParams StandardStrategy(int n) { return kStrategies[n >= 0 && n <= 6 ? n : 3]; }

float TradeFee(const MoneySettings& m, int shares, float price) {
  float fee = m.fee_per_trade;
  if (shares > m.fee_share_threshold) {
    const double over = static_cast<double>(shares) - m.fee_share_threshold;
    fee = static_cast<float>(fee + std::fabs(over * price * m.commission_pct * 0.01) +
                             std::fabs(over * m.fee_per_share));
  }
  return fee;
}

SimulationResult Simulate(const SimulationInput& in, const StrategyParams& s,
                          const MoneySettings& m, bool keep_days) {
  SimulationResult r;
  float cash = m.initial;
  float held = 0.0f;
  float purchase = 0.0f;
  float p = 0.0f;
  // The open position, for its round trip.
  bool open = false;
  RoundTrip trip{};
  float value_at_buy = 0.0f;
  if (keep_days && in.end > in.first) r.days.reserve(static_cast<size_t>(in.end - in.first));

  // The profit-take and stop-loss limits are compared in double precision, so
  // a band of 0.1 (stored slightly above 0.1) does not sell at exactly +10 %.
  const double upper = 1.0 + static_cast<double>(s.take_stop_band);
  const double lower = 1.0 - static_cast<double>(s.take_stop_band);

  for (int d = in.first; d < in.end; ++d) {
    p = in.price[d];
    const float up = in.guess[d][0];
    const float down = in.guess[d][1];
    const char* label = nullptr;
    int shares = 0;
    float fee = 0.0f;
    const float value = cash + held * p;

    int sig = 0;
    if (up > s.buy_up_min && down < s.buy_down_max) sig = 1;
    else if (down > s.sell_down_min && up < s.sell_up_max) sig = -1;
    if (in.signal_out) in.signal_out[d] = sig;

    if (p > 0 && sig == 1 && cash > 1.0f) {
      const float amount = std::min(cash, value);
      cash -= amount;
      held += amount / p;
      purchase = p;
      shares = static_cast<int>(amount / p);
      ++r.trades;
      fee = TradeFee(m, shares, p);
      cash -= fee;
      label = "buy";
      if (keep_days && !open) {
        open = true;
        trip.buy_date = in.date[d];
        trip.buy_price = p;
        value_at_buy = value;
      }
    }
    const bool take = sig == 0 && static_cast<double>(p) >= upper * purchase;
    const bool stop = sig == 0 && static_cast<double>(p) <= lower * purchase;
    if ((sig == -1 || take || stop) && held > 0.0001f) {
      shares = static_cast<int>(held);
      cash += held * p;
      held = 0.0f;
      ++r.trades;
      fee = TradeFee(m, shares, p);
      cash -= fee;
      label = sig == -1 ? "sell" : stop ? "st loss" : "prof tk";
      if (keep_days && open) {
        open = false;
        trip.sell_date = in.date[d];
        trip.sell_price = p;
        trip.return_pct = value_at_buy > 0
                              ? (static_cast<double>(cash) / value_at_buy - 1.0) * 100.0
                              : std::nan("");
        r.round_trips.push_back(trip);
      }
    }

    if (keep_days)
      r.days.push_back(SimulatedDay{in.date[d], p, value, cash + held * p, static_cast<int8_t>(sig),
                                    label, shares, fee, held > 0.0f});
  }
  r.value = cash + held * p;
  return r;
}

}  // namespace kv
