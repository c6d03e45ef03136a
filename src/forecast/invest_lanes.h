// The market simulator run for several strategy parameter sets at once, for
// the strategy 7 search: one vector lane per set (sixteen with AVX-512, eight
// with AVX2), every lane doing exactly the single-precision operations
// Invest does, in the same order.
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
  static constexpr int kLanes = 16;   // the most sets any simulator runs at once
  int count = 0;                 // parameter sets run
  int first = 0, end = 0;        // the simulated days
  float value[kLanes] = {};      // what Invest returns for each set
  int8_t signal[kMaxDays][kLanes];   // the day's signal of each set, by day - first

  // Writes the signals of set `lane` to signal[first, end), as Invest of
  // that set does to the model's signal.
  void WriteSignals(int32_t* signal, int lane) const;
};

// How many parameter sets InvestMany runs at once here: 16 while the engine
// uses AVX-512, 8 while it uses AVX2 (the engine's choice, normally the
// widest the processor has, decides), 0 where only the plain loops are
// compiled or chosen; the search then calls Invest one set at a time.
int InvestLaneWidth();
bool InvestLanesAvailable();   // InvestLaneWidth() > 0

// Runs what Invest(days_back, days_from_end, trades, false) with Strategy 7
// computes for `count` (1 ... InvestLaneWidth()) parameter sets that share
// the market's buy_up_min, buy_down_max and sell_down_min and take
// sell_up_max[l] and take_stop_band[l]. Requires the prices. Nothing else
// changes: the caller enables the Rep button as Invest does, and the signals
// are kept in `out` for WriteSignals. Where no lanes are available it runs
// nothing and out.count is 0.
void InvestMany(const LaneMarket& market, int days_back, int days_from_end,
                const float* sell_up_max, const float* take_stop_band, int count,
                InvestLanes& out);

}  // namespace kv
