// Simulate on hand-made days: what the account does on each, and the round
// trips it completes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forecast/simulator.h"

namespace kv::test {
namespace {

TEST(SimulateTest, HandMadeDays) {
  constexpr float kBuy[2] = {0.9f, 0.1f}, kSell[2] = {0.1f, 0.9f}, kHold[2] = {0.5f, 0.5f};
  struct Case {
    const char* what;
    std::vector<float> prices;
    std::vector<const float*> outputs;
    MoneySettings money;
    float value;
    int trades;
    const char* actions;                // each day's action, "-" for none
    std::vector<float> values_after;    // the equity curve
    std::vector<double> trip_returns;   // of the completed round trips
  } cases[] = {
      {"nothing to do", {10, 11}, {kHold, kHold}, {}, 1000, 1, "- -", {1000, 1000}, {}},
      // 100 shares at 10, the fee of 25 from the cash; sold at 20 with another 25.
      {"a buy and a sell", {10, 20, 30}, {kBuy, kSell, kHold}, {}, 1950, 3, "buy sell -",
       {975, 1950, 1950}, {95}},
      // Strategy 3's band is 10 %: 8.99 is below the stop, 11.01 above the take.
      {"a stop loss", {10, 8.99f}, {kBuy, kHold}, {}, -25 + 899 - 25, 3, "buy st_loss",
       {975, 849}, {-15.1}},
      {"a profit take", {10, 11.01f}, {kBuy, kHold}, {}, -25 + 1101 - 25, 3, "buy prof_tk",
       {975, 1051}, {5.1}},
      // 1,500 shares: 25, plus 500 x 0.02 and 1 % of 500 x 10 above the threshold.
      {"fees above the share threshold", {10, 10}, {kBuy, kHold}, {15000, 25, 1, 0.02f, 1000},
       15000 - 85, 2, "buy -", {14915, 14915}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const int n = static_cast<int>(c.prices.size());
    std::vector<int32_t> dates;
    float guess[8][kMaxOutputs];
    int32_t signal[8] = {};
    for (int d = 0; d < n; ++d) {
      dates.push_back(20240101 + d);
      guess[d][0] = c.outputs[d][0];
      guess[d][1] = c.outputs[d][1];
    }
    SimulationInput in{c.prices.data(), dates.data(), guess, 0, n, signal};
    const SimulationResult r = Simulate(in, StandardStrategy(3), c.money, true);
    EXPECT_FLOAT_EQ(r.value, c.value);
    EXPECT_EQ(r.trades, c.trades);
    // The same run without its days gives the same bits.
    EXPECT_EQ(Simulate(in, StandardStrategy(3), c.money, false).value, r.value);
    std::string actions;
    ASSERT_EQ(r.days.size(), c.values_after.size());
    for (int d = 0; d < n; ++d) {
      std::string a = r.days[d].action ? r.days[d].action : "-";
      for (char& ch : a) ch = ch == ' ' ? '_' : ch;
      actions += (d ? " " : "") + a;
      EXPECT_FLOAT_EQ(r.days[d].value_after, c.values_after[d]) << "day " << d;
      EXPECT_EQ(r.days[d].signal, signal[d]);
      EXPECT_EQ(r.days[d].date, 20240101 + d);
    }
    EXPECT_EQ(actions, c.actions);
    ASSERT_EQ(r.round_trips.size(), c.trip_returns.size());
    for (size_t t = 0; t < c.trip_returns.size(); ++t) {
      EXPECT_NEAR(r.round_trips[t].return_pct, c.trip_returns[t], 1e-3);
      EXPECT_EQ(r.round_trips[t].buy_date, 20240101);
      EXPECT_EQ(r.round_trips[t].buy_price, c.prices[0]);
      EXPECT_EQ(r.round_trips[t].sell_price, c.prices[1]);
    }
  }
}

}  // namespace
}  // namespace kv::test
