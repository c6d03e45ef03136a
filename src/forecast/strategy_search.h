// The search of strategy 7 ("Max Profit") as one plain loop: every
// combination of a grid of strategy parameters simulated over the same days,
// keeping the one that ends with the most money.
#pragma once

#include "forecast/simulator.h"

namespace kv {

// What the search tells its caller between simulations. The caller may pump
// messages and evaluate the network's outputs again there: the search reads
// the input's arrays afresh for every simulation.
class StrategySearchObserver {
 public:
  virtual ~StrategySearchObserver() = default;
  // Asked before each buy_down_max pass; false lets the remaining passes run
  // out without simulating.
  virtual bool Running() { return true; }
  // A combination beat the best so far; `best` holds it.
  virtual void Improved(const StrategyParams& best, float value) {}
  // A sell_down_min pass is done; `at` holds its buy_up_min, buy_down_max
  // and sell_down_min.
  virtual void PassDone(const StrategyParams& at) {}
};

struct StrategySearchResult {
  StrategyParams best;
  float value = 0;   // the best's final value; 0 when nothing ended above 0
};

// The grid, stepped in single precision exactly in this order: buy_up_min,
// buy_down_max and sell_down_min from 0.1 while below 1 by 0.1,
// take_stop_band from 0.05 while below 0.4 by 0.03, sell_up_max (innermost)
// from 0.1 while below 1 by 0.1: 78,732 simulations. The first combination
// in that order with the highest final value above 0 wins; when none ends
// above 0, `start` is returned.
StrategySearchResult SearchStrategy(const SimulationInput& in, const MoneySettings& m,
                                    const StrategyParams& start,
                                    StrategySearchObserver* observer = nullptr);

}  // namespace kv
