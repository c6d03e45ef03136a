// WalkForwardReport: a walk-forward result as read back from its JSON
// document (what `kestrivane-cli walkforward --json` writes), for the results
// window and the chart. Reading never trusts the document: a missing list or
// a field of the wrong type is an error with a message, not a crash.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "util/json.h"

namespace kv {

struct EquityPoint {
  int date = 0;   // YYYYMMDD
  double value = 0;
};

struct WalkForwardFold {
  int train_start = 0, train_end = 0, test_start = 0, test_end = 0;   // YYYYMMDD
  // null in the document (no direction calls, no trades) reads as nullopt.
  std::optional<double> hit_rate_pct, confidence_pct, return_pct, buy_hold_return_pct;
  int trades = 0;
};

// The statistics of one run: every known statistic the document holds, in
// the documented order, and the value curve.
struct WalkForwardRun {
  struct Stat {
    std::string name;
    std::optional<double> value;   // nullopt: null in the document
    std::string text;              // the number as written ("12.5"), or "-"
  };
  std::vector<Stat> stats;
  std::vector<EquityPoint> equity;
  std::vector<EquityPoint> buy_hold_equity;   // empty when the document has none

  // The named statistic, or nullopt when absent or null.
  std::optional<double> Get(const std::string& name) const;
};

struct WalkForwardReport {
  std::vector<WalkForwardFold> folds;
  WalkForwardRun out_of_sample, in_sample;
};

// The statistics' names in the order they are shown.
const std::vector<std::string>& WalkForwardStatNames();

// Reads a walk-forward document. On failure returns false, *err says what is
// wrong ("not a walk-forward result: no \"folds\" list"), *out is unchanged.
bool ParseWalkForwardReport(const JsonValue& doc, WalkForwardReport* out, std::string* err);

// Reads the document from a file and then the report from it. On failure
// returns false and *err names the file and the fault; *doc and *out are
// unchanged. doc may be null.
bool ReadWalkForwardFile(const std::string& path, WalkForwardReport* out, JsonValue* doc,
                         std::string* err);

}  // namespace kv
