// The sizes every part of a model is built to: days of history, stocks,
// inputs, hidden neurons. Fixed, so that the engines work on fixed arrays.
#pragma once

namespace kv {

constexpr int kMaxDays = 1000;      // calendar days, entries per series
constexpr int kMaxStocks = 3;
constexpr int kMaxInflPeriods = 20;
constexpr int kMaxInputs = 240;     // input rows, plus the bias row
constexpr int kInputRows = kMaxInputs + 1;
constexpr int kMaxOutputs = 2;
constexpr int kMaxHidden = 12;
constexpr int kHiddenCols = kMaxHidden + 1;  // plus the bias unit

}  // namespace kv
