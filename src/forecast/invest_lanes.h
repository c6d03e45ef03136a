// The market simulator run for sixteen strategy parameter sets at once, for
// the strategy 7 search: one vector lane per set, every lane doing exactly
// the single-precision operations Invest does, in the same order.
#pragma once

#include <cstdint>

#include "model/globals.h"

namespace kv {

class TMainDlg;

struct InvestLanes {
  static constexpr int kLanes = 16;
  int count = 0;                 // parameter sets run
  int first = 0, end = 0;        // the simulated days
  float value[kLanes] = {};      // what Invest returns for each set
  int8_t signal[kMaxDays][kLanes];   // the day's signal of each set, by day - first

  // Writes the signals of set `lane` to m.signal, as Invest of that set does.
  void WriteSignals(TMainDlg& m, int lane) const;
};

// Whether InvestMany runs here (it needs AVX-512, and the engine to be using
// it); otherwise the search calls Invest one set at a time.
bool InvestLanesAvailable();

// Runs Invest(days_back, days_from_end, trades, false) with Strategy 7 for
// `count` (1 ... 16) parameter sets that share the model's buy_up_min,
// buy_down_max and sell_down_min and take sell_up_max[l] and
// take_stop_band[l]. Requires a target stock. Like Invest, enables the Rep
// button as Trained says; nothing else of the model changes (the signals are
// kept in `out` for WriteSignals).
void InvestMany(TMainDlg& m, int days_back, int days_from_end, const float* sell_up_max,
                const float* take_stop_band, int count, InvestLanes& out);

}  // namespace kv
