// The data-quality check of a model's stocks: what in a price file would
// make a forecast built on it wrong. Findings are values; the caller decides
// whether one refuses the stock (create), is asked about (ADD) or is a
// warning (info, train).
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace kv {

class Stock;

enum class FindingKind {
  ZeroPrice,     // a price of 0 on a day the file quotes
  StalePrice,    // the same price on 10 or more quoted days in a row
  PoorOverlap,   // a related stock quotes fewer than 90 % of the window's days
  SuspectMove,   // a one-day move of more than 40 % undone within 5 days
  OutOfOrder,    // a date against the file's own order
  Repeated,      // a date written twice
  Gap,           // more than 10 calendar days between two quotes
  NoPrice,       // lines whose price is a word such as "null", read as days without a quote
};

struct Finding {
  FindingKind kind;
  int32_t date = 0;   // the day it concerns (YYYYMMDD), 0 when none
  std::string text;   // one line, without "warning: "
  // The findings that make a forecast wrong rather than doubtful.
  bool poor() const {
    return kind == FindingKind::ZeroPrice || kind == FindingKind::StalePrice ||
           kind == FindingKind::PoorOverlap;
  }
};

// Thresholds, named so the tests can sit on them.
inline constexpr int kStaleRun = 10;            // equal quoted prices in a row
inline constexpr double kMinOverlap = 0.90;     // share of the window's days
inline constexpr double kSuspectMove = 0.40;    // one-day change
inline constexpr int kReversalDays = 5;         // quoted days to undo it
inline constexpr int kMaxGapDays = 10;          // calendar days between quotes
inline constexpr int kStaleDataDays = 7;        // age of the latest price

// The findings of one stock read onto the model's calendar (calendar[0 ..
// n_days-1]); `first`..`end` is the training window (day indexes, end
// excluded). `related` asks for the overlap check. The dates of the file
// itself come from the stock's record of the last read.
std::vector<Finding> CheckStockData(const Stock& s, bool related, int first, int end);


// "latest price YYYYMMDD is N days old" when the last calendar day lies more
// than kStaleDataDays calendar days before `today` (both YYYYMMDD); nothing
// otherwise. For predict, batch and the status line after PREDICT.
std::optional<std::string> StaleDataWarning(int32_t last_day, int32_t today);

// Calendar days from a to b (YYYYMMDD each).
long DaysBetween(int32_t a, int32_t b);
// Days since 1970-01-01 of a civil date (proleptic Gregorian).
long DaysFromCivil(int y, int m, int d);

}  // namespace kv
