// Patterns: what a network trains on and is judged by. One column per
// calendar day: the input rows (lagged series of the model's stocks, then the
// bias row of 1.0) and the two targets (how far the target stock rises and
// falls within ten days). The dialog builds them from its stocks (Prep_Data,
// Create_Results); the network only reads them.
#pragma once

#include <cstdint>

#include "data/limits.h"

namespace kv {

struct Patterns {
  int32_t n_days = 0;                         // days stored, at most kMaxDays
  float inputs[kInputRows][kMaxDays] = {};    // [row][day]; row in_nodes is 1.0
  float result[kMaxDays][kMaxOutputs] = {};   // targets
};

}  // namespace kv
