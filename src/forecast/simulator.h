// The market simulator as a pure function: an imaginary account replays the
// network's outputs against the target's prices, one day at a time. No
// window, no platform, no globals: the caller hands in the days, the
// strategy and the money, so several simulations can run in one process.
#pragma once

#include <cstdint>
#include <vector>

#include "model/globals.h"

namespace kv {

struct StrategyParams {
  float buy_up_min, buy_down_max, sell_down_min, sell_up_max, take_stop_band;
};
// Strategies 0..6 (Skittish ... Dare Devil). n outside 0..6 gives Normal (3);
// strategy 7 is whatever its search found, which the caller holds.
StrategyParams StandardStrategy(int n);

// The money settings of one run; MoneyFromPreferences() reads InvestSettings.
struct MoneySettings {
  float initial = 1000.0f;             // inv_initial
  float fee_per_trade = 25.0f;         // inv_broker_fee
  float commission_pct = 0.0f;         // inv_broker_com
  float fee_per_share = 0.02f;         // inv_broker_fpshare
  int32_t fee_share_threshold = 1000;  // inv_broker_q_over
};
MoneySettings MoneyFromPreferences();

// Broker fee of one trade of `shares` whole shares at `price`: the fee per
// trade, plus commission and the fee per share on the shares above the
// threshold.
float TradeFee(const MoneySettings& m, int shares, float price);

struct SimulationInput {
  const float* price = nullptr;                 // the target's raw price per day
  const int32_t* date = nullptr;                // YYYYMMDD per day (calendar)
  const float (*guess)[kMaxOutputs] = nullptr;  // the network's outputs per day
  int first = 0, end = 0;                       // the days simulated: [first, end)
  // When set, each simulated day's signal (1 buy, -1 sell, 0 none) is also
  // written to signal_out[d], as the dialog keeps it for its chart.
  int32_t* signal_out = nullptr;
};

struct SimulatedDay {
  int32_t date;
  float price;
  float value;        // cash + shares at the price BEFORE the day's trade (the report's column)
  float value_after;  // ... after the day's trade and fee: the equity curve's point
  int8_t signal;      // 1 buy, -1 sell, 0 none
  const char* action; // nullptr, "buy", "sell", "st loss", "prof tk"
  int32_t shares;
  float fee;
  bool holding;       // holding shares at the end of the day
};

// A completed position: the buy that opened it and the sale that closed it.
// return_pct is what the account made over it, fees included: the value
// after the sale against the value before the buy.
struct RoundTrip {
  int32_t buy_date;
  float buy_price;
  int32_t sell_date;
  float sell_price;
  double return_pct;
};

struct SimulationResult {
  float value = 0;      // cash + shares at the last simulated price
  int32_t trades = 1;   // the main window's count: it starts at 1
  std::vector<SimulatedDay> days;       // filled only when keep_days
  std::vector<RoundTrip> round_trips;   // completed buy..sell pairs, only when keep_days
};

// Runs the days [in.first, in.end) (none when end <= first; the arrays must
// hold them). An empty run is worth the initial investment. Without
// keep_days nothing is allocated: the strategy search runs this tens of
// thousands of times.
SimulationResult Simulate(const SimulationInput& in, const StrategyParams& s,
                          const MoneySettings& m, bool keep_days);

}  // namespace kv
