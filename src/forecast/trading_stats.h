// The statistics of a simulated trading run, computed from its equity curve
// and its round trips, as back-testing tools report them.
//
// Conventions: daily returns r_i = v_i / v_(i-1) - 1 over the curve; 252
// trading days a year; a risk-free rate of 0. A figure that does not exist
// for the run (a win rate without trades) is NaN, printed "n/a" in text and
// null in JSON. A ratio whose denominator is 0 is 0 when its numerator is 0
// too (nothing happened), else NaN.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "forecast/simulator.h"
#include "util/json.h"

namespace kv {

struct EquityPoint {
  int32_t date;
  double value;
};

struct TradingStats {
  int32_t start = 0, end = 0;   // the run's first and last day (YYYYMMDD)
  int32_t days = 0;             // days simulated
  double exposure_pct = 0;      // % of the days ending with shares held
  double final_value = 0, peak_value = 0;   // last and highest point of the curve
  double return_pct = 0;            // (last / first - 1) x 100
  double buy_hold_return_pct = 0;   // the target's last price against its first; NaN when
                                    // the first is not above 0
  double annual_return_pct = 0;     // compounded over days / 252 years; -100 when all is lost
  double annual_volatility_pct = 0; // sample standard deviation of the daily returns x sqrt 252;
                                    // 0 with fewer than two days
  double sharpe = 0;                // mean / standard deviation of the daily returns x sqrt 252
  double sortino = 0;               // mean / downside deviation x sqrt 252; the downside
                                    // deviation is the root mean square of min(r, 0) over all days
  // The deepest fall from a running peak of the curve (0 or negative), and
  // the days from that peak until the curve is back at it, or until the end
  // when it never is. The earliest of equally deep falls.
  double max_drawdown_pct = 0;
  int32_t max_drawdown_days = 0;
  // Completed round trips (a position still open at the end is not one) and
  // their returns, fees included. NaN without trades, except trades.
  int32_t trades = 0;
  double win_rate_pct = 0;   // % of trades with a return above 0
  double best_trade_pct = 0, worst_trade_pct = 0, avg_trade_pct = 0;
  // Sum of the winning trades' returns over the sum of the losing trades'
  // (in percent, so that chained runs weigh alike); NaN without a losing trade.
  double profit_factor = 0;
};

// A run as the statistics see it: the equity curve (first point: the initial
// investment on the day before the run; then one point per day after its
// trades), the completed round trips, the days holding the stock, and the
// target's first and last price of the run (for buy and hold).
struct RunRecord {
  std::vector<EquityPoint> equity;
  std::vector<RoundTrip> round_trips;
  int32_t days_holding = 0;
  double first_price = 0, last_price = 0;
};

// From one simulation (keep_days) and the date of the day before its first day.
RunRecord RecordOf(const SimulationResult& r, float initial, int32_t day_before);
// Several runs one after the other as one (walk-forward folds): each run's
// curve is scaled to start where the previous one ended (its first point,
// the previous run's last, is not repeated); buy and hold compounds
// likewise. Runs without a curve are skipped.
RunRecord Chain(const std::vector<RunRecord>& runs);
// All zero for a run without a curve; a curve of one point is a run of no days.
TradingStats ComputeStats(const RunRecord& run);
// The statistics as "name: value" lines in the order of the names, and as
// the members of a JSON object (util/json.h), same names. Text rounds money
// and percentages to 2 decimals and the ratios to 3; JSON keeps every digit
// (the account values as single precision, as the simulator holds them).
std::string FormatStats(const TradingStats& s);
void AddStats(JsonValue& object, const TradingStats& s);
// An equity curve as a JSON list of {"date", "value"}. A single simulator
// run computes in single precision and is written so; a chain of runs is
// scaled in double precision and keeps it.
JsonValue EquityJson(const std::vector<EquityPoint>& equity, bool single_precision);

// The calendar date before a YYYYMMDD date (20240301 -> 20240229), for the
// first point of a run that starts on the calendar's first day.
int32_t PreviousDate(int32_t yyyymmdd);

}  // namespace kv
