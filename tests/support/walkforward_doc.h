// A hand-made walk-forward result document, as the walkforward command
// writes it: three folds of twenty test days, the stitched out-of-sample run
// with buy-and-hold beside it, and the in-sample replay over other days.
#pragma once

#include <cmath>
#include <string>

#include "util/json.h"

namespace kv::test {

// The n-th day after 2025-01-01 as YYYYMMDD (30-day months are enough here).
inline int WalkForwardDay(int n) {
  return 20250000 + (1 + n / 28) * 100 + 1 + n % 28;
}

inline JsonValue WalkForwardRunJson(int first_day, int days, double drift, bool buy_hold) {
  JsonValue run = JsonValue::Object();
  const double final_value = 10000 * std::pow(1 + drift, days);
  run.Set("start", WalkForwardDay(first_day + 1));
  run.Set("end", WalkForwardDay(first_day + days));
  run.Set("days", days);
  run.Set("return_pct", (final_value / 10000 - 1) * 100);
  run.Set("sharpe", 1.25);
  run.Set("max_drawdown_pct", -4.5);
  run.Set("trades", 6);
  run.Set("win_rate_pct", JsonValue());
  JsonValue& eq = run.Set("equity", JsonValue::Array());
  JsonValue bh = JsonValue::Array();
  for (int d = 0; d <= days; ++d) {
    JsonValue p = JsonValue::Object();
    p.Set("date", WalkForwardDay(first_day + d));
    p.Set("value", 10000 * std::pow(1 + drift, d) * (1 + 0.02 * std::sin(d / 3.0)));
    eq.Push(p);
    JsonValue q = JsonValue::Object();
    q.Set("date", WalkForwardDay(first_day + d));
    q.Set("value", 10000 * (1 + 0.001 * d));
    bh.Push(q);
  }
  if (buy_hold) run.Set("buy_hold_equity", bh);
  return run;
}

inline JsonValue WalkForwardDocument(bool buy_hold = true) {
  JsonValue doc = JsonValue::Object();
  JsonValue& folds = doc.Set("folds", JsonValue::Array());
  for (int i = 0; i < 3; ++i) {
    JsonValue f = JsonValue::Object();
    f.Set("train_start", WalkForwardDay(20 * i));
    f.Set("train_end", WalkForwardDay(20 * i + 99));
    f.Set("test_start", WalkForwardDay(110 + 20 * i));
    f.Set("test_end", WalkForwardDay(129 + 20 * i));
    f.Set("hit_rate_pct", i == 2 ? JsonValue() : JsonValue(55.5 + i));
    f.Set("confidence_pct", 60 + i);
    f.Set("return_pct", 1.5 - i);
    f.Set("buy_hold_return_pct", 2.0);
    f.Set("trades", 2 + i);
    f.Set("outputs", JsonValue::Array());
    folds.Push(f);
  }
  doc.Set("out_of_sample", WalkForwardRunJson(109, 60, 0.002, buy_hold));
  doc.Set("in_sample", WalkForwardRunJson(0, 300, 0.003, false));
  return doc;
}

}  // namespace kv::test
