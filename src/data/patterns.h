// Patterns: what a network trains on and is judged by. One column per
// calendar day: the input rows (lagged series of the model's stocks, then the
// bias row of 1.0) and the two targets (how far the target stock rises and
// falls within ten days). The dialog builds them from its stocks (Prep_Data,
// Create_Results); a walk-forward fold builds its own with BuildPatterns;
// the network only reads them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/limits.h"

namespace kv {

// A value type: copies copy the arrays. Both arrays start as zeros in one
// block that the system hands out zeroed, so the pages a model never
// writes (most of them, for a small model) are never touched: making a
// dialog costs no megabyte of clearing.
struct Patterns {
  Patterns();
  ~Patterns();
  Patterns(const Patterns& other);
  Patterns& operator=(const Patterns& other);

  int32_t n_days = 0;              // days stored, at most kMaxDays
  float (*inputs)[kMaxDays];       // [kInputRows][kMaxDays]: [row][day]; row in_nodes is 1.0
  float (*result)[kMaxOutputs];    // [kMaxDays][kMaxOutputs]: targets

  static constexpr size_t kInputsBytes = sizeof(float) * kInputRows * kMaxDays;
  static constexpr size_t kResultBytes = sizeof(float) * kMaxDays * kMaxOutputs;
};

// One stock's scaled series, one value per calendar day, and which of them
// feed the network (each with `periods` lags).
struct InputSeries {
  const float* price = nullptr;
  const float* l_price = nullptr;
  const float* s_price = nullptr;
  const float* volume = nullptr;
  bool do_price = false, do_l_price = false, do_s_price = false, do_volume = false;
  int32_t periods = 0;
};

// Fills the input rows for days 0..n_days-1 from the stocks' series in
// order (price, long, short, volume; lag 0 first) and the bias row after
// them; at most kMaxInputs rows. Returns the row count (in_nodes).
int FillInputs(const InputSeries* stocks, int count, int n_days, Patterns& p);
// Fills the two targets of days 0..n_days-1 from the target's series x
// (rise and fall within the ten days from each day, relative to the day).
void FillTargets(const float* x, int n_days, Patterns& p);

// A stock's series after conditioning: trend filters and scaling.
struct ScaledSeries {
  float price[kMaxDays] = {};
  float s_price[kMaxDays] = {};
  float l_price[kMaxDays] = {};
  float volume[kMaxDays] = {};
};
// Conditions a stock's gap-filled closes and volumes as read, for n_days
// days, exactly as reading the file does for an untrained model, except
// that every scale factor comes from the days 0..last_day only (all days
// when last_day >= n_days - 1). Each day's values use closes up to that day.
void ConditionSeries(const float* close, const float* volume, int n_days, int last_day,
                     ScaledSeries& out);

// One stock as BuildPatterns needs it: its series as read and its inputs.
struct RawStock {
  std::vector<float> close;    // gap-filled, one per calendar day
  std::vector<float> volume;   // as read
  bool do_price = false, do_l_price = false, do_s_price = false, do_volume = false;
  int32_t periods = 0;
};

// The patterns of the first n_days calendar days of `stocks` (stocks[0] the
// target; predic_mode 0 targets its short series, 1 its price) with every
// scale factor from the days 0..last_day only. With last_day at or past the
// last day, the patterns are those Prep_Data and Create_Results make for an
// untrained model. Returns in_nodes.
int BuildPatterns(const std::vector<RawStock>& stocks, int n_days, int last_day, int predic_mode,
                  Patterns& p);

}  // namespace kv
