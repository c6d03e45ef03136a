// The forecast's confidence rating: how often the network called the
// direction right on its latest days, and when that figure means nothing.
#pragma once

namespace kv {

// The days the confidence rating looks back over.
constexpr int kRatedDays = 60;

struct Confidence {
  bool known = false;  // false: "Unknown Due to Inadequate Modeling"
  float pct = 0;       // good calls in percent of all calls, when known
};

// The share of good calls among the outputs above 0.3 over the rated days
// (the evaluation's good_calls, bad_calls and abs_error_sum of its two
// outputs). Unknown for a poorly fitted network (mean absolute error of
// 0.41 or more), one trained too briefly (trained_long_enough false), when
// nothing was called, or for a history of fewer than kRatedDays days.
inline Confidence RateConfidence(float good_calls, float bad_calls, float abs_error_sum,
                                 int history_days, bool trained_long_enough) {
  const float calls = good_calls + bad_calls;
  Confidence c;
  c.known = abs_error_sum * (1.0f / (2 * kRatedDays)) < 0.41f && trained_long_enough && calls > 0 &&
            history_days >= kRatedDays;
  if (c.known) c.pct = good_calls * 100.0f / calls;
  return c;
}

}  // namespace kv
