// The market simulator run for sixteen strategy parameter sets at once, for
// the strategy 7 search: one vector lane per set, every lane doing exactly
// the single-precision operations Invest does, in the same order.
#pragma once

#include <cstdint>

#include "data/limits.h"

namespace kv {

// What every lane sees: the market, the network's outputs and the part of
// the strategy the lanes share.
struct LaneMarket {
  const float* raw_price = nullptr;            // the target stock's prices per day
  const float (*guess)[kMaxOutputs] = nullptr;  // the network's outputs per day
  int n_days = 0;
  float buy_up_min = 0, buy_down_max = 0, sell_down_min = 0;
};

struct InvestLanes {
  static constexpr int kLanes = 16;
  int count = 0;                 // parameter sets run
  int first = 0, end = 0;        // the simulated days
  float value[kLanes] = {};      // what Invest returns for each set
  int8_t signal[kMaxDays][kLanes];   // the day's signal of each set, by day - first

  // Writes the signals of set `lane` to signal[first, end), as Invest of
  // that set does to the model's signal.
  void WriteSignals(int32_t* signal, int lane) const;
};

// Whether InvestMany runs here (it needs AVX-512, and the engine to be using
// it); otherwise the search calls Invest one set at a time.
bool InvestLanesAvailable();

// Runs what Invest(days_back, days_from_end, trades, false) with Strategy 7
// computes for `count` (1 ... 16) parameter sets that share the market's
// buy_up_min, buy_down_max and sell_down_min and take sell_up_max[l] and
// take_stop_band[l]. Requires the prices. Nothing else changes: the caller
// enables the Rep button as Invest does, and the signals are kept in `out`
// for WriteSignals.
void InvestMany(const LaneMarket& market, int days_back, int days_from_end,
                const float* sell_up_max, const float* take_stop_band, int count,
                InvestLanes& out);

}  // namespace kv
