// The trading statistics against values worked out by hand on small curves.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "forecast/trading_stats.h"

namespace kv::test {
namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kAny = 1e300;   // not worked out by hand for this curve

RunRecord Curve(std::vector<double> values, std::vector<double> trips, int holding,
                double first_price, double last_price, int32_t day_before = 20240101) {
  RunRecord run;
  for (size_t i = 0; i < values.size(); ++i) run.equity.push_back({day_before + int32_t(i), values[i]});
  for (double t : trips) run.round_trips.push_back({0, 0, 0, 0, t});
  run.days_holding = holding;
  run.first_price = first_price;
  run.last_price = last_price;
  return run;
}

TEST(TradingStatsTest, HandWorkedCurves) {
  const double year = std::sqrt(252.0);
  // Two days of returns +10 % and +5 %: mean 0.075, sample deviation
  // 0.025 x sqrt 2. The losing mirror: -10 % and -5 %, downside deviation
  // sqrt((0.01 + 0.0025) / 2).
  const double sd = 0.025 * std::sqrt(2.0);
  struct Case {
    const char* what;
    RunRecord run;
    TradingStats want;
  } cases[] = {
      {"a flat run", Curve({1000, 1000, 1000}, {}, 0, 10, 10),
       {20240102, 20240103, 2, 0, 1000, 1000, 0, 0, 0, 0, 0, 0, 0, 0, 0, NaN, NaN, NaN, NaN, NaN}},
      {"one winning trade", Curve({1000, 1100, 1155}, {15.5}, 2, 10, 11.5),
       {20240102, 20240103, 2, 100, 1155, 1155, 15.5, 15, (std::pow(1.155, 126) - 1) * 100,
        sd * year * 100, 0.075 / sd * year, NaN, 0, 0, 1, 100, 15.5, 15.5, 15.5, NaN}},
      {"one losing trade", Curve({1000, 900, 855}, {-14.5}, 1, 10, 9),
       {20240102, 20240103, 2, 50, 855, 1000, -14.5, -10, (std::pow(0.855, 126) - 1) * 100,
        sd * year * 100, -0.075 / sd * year, -0.075 / std::sqrt(0.00625) * year, -14.5, 2, 1, 0,
        -14.5, -14.5, -14.5, 0}},
      // Peak 1200 on day 1, trough 900 on day 2, back above it on day 4.
      {"a drawdown that recovers", Curve({1000, 1200, 900, 1000, 1300, 1250}, {20, -10, 30}, 5, 10, 12),
       {20240102, 20240106, 5, 100, 1250, 1300, 25, 20, (std::pow(1.25, 252 / 5.0) - 1) * 100, kAny,
        kAny, kAny, -25, 3, 3,
        200.0 / 3, 30, -10, 40.0 / 3, 5}},
      {"a drawdown that does not", Curve({1000, 1200, 900, 1000}, {}, 0, 10, 10),
       {20240102, 20240104, 3, 0, 1000, 1200, 0, 0, 0, kAny, kAny, kAny, -25, 2, 0, NaN, NaN, NaN, NaN,
        NaN}},
      // 1000 -> 1100, then a run 1000 -> 900 scaled to start at 1100; buy
      // and hold 10 -> 11, then 20 -> 18. Returns +10 % and -10 %: mean 0.
      {"two runs chained",
       Chain({Curve({1000, 1100}, {10}, 1, 10, 11), Curve({1000, 900}, {-10}, 0, 20, 18, 20240102)}),
       {20240102, 20240103, 2, 50, 990, 1100, -1, -1, (std::pow(0.99, 126) - 1) * 100,
        std::sqrt(0.02) * year * 100, 0, 0, -10, 1, 2, 50, 10, -10, 0, 1}},
      {"no days", Curve({1000}, {}, 0, 0, 0),
       {20240101, 20240101, 0, 0, 1000, 1000, 0, NaN, 0, 0, 0, 0, 0, 0, 0, NaN, NaN, NaN, NaN, NaN}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TradingStats s = ComputeStats(c.run);
    const TradingStats& w = c.want;
    EXPECT_EQ(s.start, w.start);
    EXPECT_EQ(s.end, w.end);
    EXPECT_EQ(s.days, w.days);
    EXPECT_EQ(s.max_drawdown_days, w.max_drawdown_days);
    EXPECT_EQ(s.trades, w.trades);
    const struct {
      const char* name;
      double got, want;
    } reals[] = {
        {"exposure_pct", s.exposure_pct, w.exposure_pct},
        {"final_value", s.final_value, w.final_value},
        {"peak_value", s.peak_value, w.peak_value},
        {"return_pct", s.return_pct, w.return_pct},
        {"buy_hold_return_pct", s.buy_hold_return_pct, w.buy_hold_return_pct},
        {"annual_return_pct", s.annual_return_pct, w.annual_return_pct},
        {"annual_volatility_pct", s.annual_volatility_pct, w.annual_volatility_pct},
        {"sharpe", s.sharpe, w.sharpe},
        {"sortino", s.sortino, w.sortino},
        {"max_drawdown_pct", s.max_drawdown_pct, w.max_drawdown_pct},
        {"win_rate_pct", s.win_rate_pct, w.win_rate_pct},
        {"best_trade_pct", s.best_trade_pct, w.best_trade_pct},
        {"worst_trade_pct", s.worst_trade_pct, w.worst_trade_pct},
        {"avg_trade_pct", s.avg_trade_pct, w.avg_trade_pct},
        {"profit_factor", s.profit_factor, w.profit_factor},
    };
    for (const auto& r : reals) {
      if (r.want == kAny) continue;
      if (std::isnan(r.want)) EXPECT_TRUE(std::isnan(r.got)) << r.name << " " << r.got;
      else EXPECT_NEAR(r.got, r.want, 1e-9 * std::max(1.0, std::fabs(r.want))) << r.name;
    }
  }
}

}  // namespace
}  // namespace kv::test
