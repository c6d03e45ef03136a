// The market simulator: signals, trades, fees, profit take and stop loss,
// the report, the performance figures and the strategy commands.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/options.h"
#include "forecast/trading_fixture.h"
#include "resources/ids.h"

namespace kv::test {
namespace {

class SimulatorTest : public TradingTest {
 protected:
  // Runs the whole market (every day) and returns the final value.
  float RunAll(int& trades, bool report = false) {
    return main->Invest(main->patterns.n_days, 0, trades, report);
  }
  std::vector<std::string> ReportRows() {
    std::vector<std::string> rows;
    std::string text = ReadFile(dir.file("report.txt"));
    size_t start = text.find("YYYYMMDD,   price,     value \n\n");
    EXPECT_NE(start, std::string::npos);
    start += 31;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
      rows.push_back(text.substr(start, end - start));
    return rows;
  }
};

TEST_F(SimulatorTest, SignalsUseStrictThresholdsAndBuyWinsOverSell) {
  struct Case {
    int strategy;
    float up, down;
    int signal;
  } cases[] = {
      {3, 0.76f, 0.39f, 1},   // buy
      {3, 0.75f, 0.39f, 0},   // rise exactly at the threshold: no buy
      {3, 0.76f, 0.40f, 0},   // fall exactly at the threshold: no buy
      {3, 0.39f, 0.76f, -1},  // sell
      {3, 0.40f, 0.76f, 0},   // rise exactly at sell_up_max: no sell
      {5, 0.50f, 0.50f, 1},   // meets both rules: a buy
      {6, 0.22f, 0.74f, 1},
      {0, 0.76f, 0.22f, 0},   // skittish sells above 0.21 only while rise < 0.75
      {0, 0.74f, 0.22f, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "strategy " << c.strategy << " up " << c.up << " down " << c.down);
    MakeMarket({10, 10});
    SetGuesses({{c.up, c.down}, {c.up, c.down}});
    main->Strategy = c.strategy;
    int trades = 0;
    RunAll(trades);
    EXPECT_EQ(main->signal[0], c.signal);
    EXPECT_EQ(main->signal[1], c.signal);
  }
}

TEST_F(SimulatorTest, BuyAtTenWithTheDefaultFees) {
  MakeMarket({10.00f, 11.00f, 11.00f});
  SetGuesses({{0.9f, 0.1f}, {0.5f, 0.5f}, {0.5f, 0.5f}});
  main->Strategy = 4;   // band 0.15: 11.00 is within it
  int trades = 0;
  float v = RunAll(trades, true);
  // 100 shares for all the cash, then the 25 fee: cash -25.
  EXPECT_FLOAT_EQ(v, -25.0f + 100 * 11.0f);
  EXPECT_EQ(trades, 2);
  auto rows = ReportRows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], "20240101,   10.00,    1000.00,      buy,    100, 25.00");
  EXPECT_EQ(rows[1], "20240102,   11.00,    1075.00");
}

TEST_F(SimulatorTest, FeeAboveTheShareThreshold) {
  struct Case {
    float initial, com;
    float value;
  } cases[] = {
      {15000, 0, 15000 - 35},                       // 1,500 shares: 25 + 500 x 0.02
      {10000, 0, 10000 - 25},                       // 1,000 shares: exactly at the threshold
      {15000, 1, 15000 - 25 - 10 - 500 * 10 * 0.01f},  // plus 1 % of the 500 shares' value
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.initial);
    InvestSettings.inv_initial = c.initial;
    InvestSettings.inv_broker_com = c.com;
    MakeMarket({10, 10});
    SetGuesses({{0.9f, 0.1f}, {0.9f, 0.1f}});
    main->Strategy = 3;
    int trades = 0;
    EXPECT_FLOAT_EQ(RunAll(trades), c.value);
    EXPECT_EQ(trades, 2);
  }
}

TEST_F(SimulatorTest, ProfitTakeAndStopLossBeyondTheBandOnly) {
  struct Case {
    float price;
    const char* label;
  } cases[] = {
      {11.01f, "prof tk"}, {8.99f, "st loss"}, {11.00f, nullptr}, {9.00f, nullptr}, {10.50f, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.price);
    MakeMarket({10.00f, c.price});
    SetGuesses({{0.9f, 0.1f}, {0.5f, 0.5f}});   // strategy 3, band 0.10; then a hold day
    main->Strategy = 3;
    int trades = 0;
    RunAll(trades, true);
    auto rows = ReportRows();
    ASSERT_EQ(rows.size(), 2u);
    if (c.label) {
      EXPECT_EQ(trades, 3);
      EXPECT_NE(rows[1].find(std::string(c.label) + ",    100, 25.00"), std::string::npos) << rows[1];
    } else {
      EXPECT_EQ(trades, 2);
      EXPECT_EQ(rows[1].find(','), 8u);
      EXPECT_EQ(rows[1].size(), 29u) << rows[1];   // date, price, value only
    }
  }
}

TEST_F(SimulatorTest, SellsEverythingAndBuysAgainOnlyWithCash) {
  MakeMarket({10, 20, 20, 10});
  SetGuesses({{0.9f, 0.1f}, {0.1f, 0.9f}, {0.9f, 0.1f}, {0.9f, 0.1f}});
  main->Strategy = 3;
  int trades = 0;
  float v = RunAll(trades, true);
  // buy 100 at 10 (cash -25); sell 100 at 20 (cash 1950); buy 97.5 at 20; hold.
  EXPECT_EQ(trades, 4);
  EXPECT_FLOAT_EQ(v, -25.0f + 97.5f * 10.0f);
  auto rows = ReportRows();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[1], "20240102,   20.00,    1975.00,     sell,    100, 25.00");
  EXPECT_EQ(rows[2], "20240103,   20.00,    1950.00,      buy,     97, 25.00");
}

TEST_F(SimulatorTest, WindowsWithoutDaysAndModelsWithoutStock) {
  MakeMarket({10, 11, 12, 13});
  SetGuesses({{0.9f, 0.1f}, {0.9f, 0.1f}, {0.9f, 0.1f}, {0.9f, 0.1f}});
  struct Case {
    int back, from_end;
    float value;
    int trades;
  } cases[] = {
      {2, 2, 1000, 1},          // no day simulated: the initial investment
      {1, 3, 1000, 1},
      {2, 0, -25 + 1000 / 12.0f * 13, 2},
      {50, 0, -25 + 100 * 13.0f, 2},   // reaches back before day 0: starts at day 0
      {4, -5, -25 + 100 * 13.0f, 2},   // reaches past the last day: ends there
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.back << " back, " << c.from_end << " from the end");
    int trades = 0;
    EXPECT_FLOAT_EQ(main->Invest(c.back, c.from_end, trades, false), c.value);
    EXPECT_EQ(trades, c.trades);
  }

  main->stocks[0].reset();
  int trades = 7;
  EXPECT_EQ(main->Invest(4, 0, trades, true), 0.0f);
  EXPECT_EQ(trades, 1);
  EXPECT_FALSE(std::filesystem::exists(dir.file("report.txt")));
}

TEST_F(SimulatorTest, ReportOnlyWhenAskedAndRepFollowsTraining) {
  MakeMarket({10, 10});
  main->model_path = "/models/ge.kvn";
  int trades = 0;
  main->Trained = 0;
  RunAll(trades, false);
  EXPECT_FALSE(std::filesystem::exists(dir.file("report.txt")));
  EXPECT_FALSE(window->IsEnabled(ids::IDC_REP));

  main->Trained = 2;
  RunAll(trades, true);
  EXPECT_TRUE(window->IsEnabled(ids::IDC_REP));
  std::string text = ReadFile(dir.file("report.txt"));
  EXPECT_EQ(text.rfind("               Kestrivane                         \n"
                       "        Market Simulator Report                   \n       ",
                       0),
            0u);
  EXPECT_NE(text.find("\n\n\n\n/models/ge.kvn\n\n"
                      "date    ,   share,     market,   action, shares, fees\n"
                      "YYYYMMDD,   price,     value \n\n"
                      "20240101,   10.00,    1000.00\n20240102,   10.00,    1000.00\n"),
            std::string::npos)
      << text;
}

TEST_F(SimulatorTest, PerformanceFigures) {
  // 30 days rising from 10 to 39; training period 20 days back to 10 days
  // from the end.
  std::vector<float> prices;
  for (int d = 0; d < 30; ++d) prices.push_back(10.0f + d);
  MakeMarket(prices);
  main->eval_days = 20;
  main->keepout_days = 10;
  SetConstantOutputs(0.5f, 0.5f);   // strategy 5 buys on the first day and holds
  main->Strategy = 5;
  main->UpdateFigures();
  // Buy 1000/20 = 50 shares at 20, 25 fee, valued at day 19 (29).
  EXPECT_EQ(window->GetText(ids::IDC_STRATEGY_VALUE), "   1425");
  EXPECT_EQ(window->GetText(ids::IDC_INITIAL), "   1000");
  EXPECT_EQ(window->GetText(ids::IDC_MARKET), "   1500");   // 30 / 20 x 1000
  EXPECT_EQ(window->GetText(ids::IDC_TRADES), "   2");

  main->Strategy = 1;   // never buys on 0.5 outputs
  InvestSettings.inv_initial = 500;
  main->UpdateFigures();
  EXPECT_EQ(window->GetText(ids::IDC_STRATEGY_VALUE), "    500");
  EXPECT_EQ(window->GetText(ids::IDC_MARKET), "    750");
  EXPECT_EQ(window->GetText(ids::IDC_TRADES), "   1");

  main->stocks[0]->raw_price[10] = 0;   // no price to compare with: the initial sum
  main->UpdateFigures();
  EXPECT_EQ(window->GetText(ids::IDC_MARKET), "    500");
}

TEST_F(SimulatorTest, StrategyCommandsAndEnablers) {
  for (int n = 0; n <= 6; ++n) {
    main->modified = false;
    main->CmStrategyitem(n);
    EXPECT_EQ(main->Strategy, n);
    EXPECT_TRUE(main->modified);
    for (int k = 0; k <= 6; ++k) {
      CommandEnabler ce;
      main->training_on = false;
      main->CeStrategyitem(k, ce);
      EXPECT_TRUE(ce.enabled);
      EXPECT_EQ(ce.checked, k == n);
      main->training_on = true;
      main->CeStrategyitem(k, ce);
      EXPECT_FALSE(ce.enabled);
    }
  }
  main->training_on = false;

  // Max Profit: only after more than twelve hours of training; a model
  // saved with strategy 7 but less training falls back to Normal.
  struct Case {
    int time_trained;
    bool training;
    bool enabled;
    int strategy_after;
  } cases[] = {{720, false, false, 3}, {721, false, true, 7}, {721, true, false, 7}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.time_trained);
    main->Strategy = 7;
    main->TimeTrained = c.time_trained;
    main->training_on = c.training;
    CommandEnabler ce;
    main->CeStrategyitem(7, ce);
    EXPECT_EQ(ce.enabled, c.enabled);
    EXPECT_EQ(main->Strategy, c.strategy_after);
    EXPECT_EQ(ce.checked, c.strategy_after == 7);
  }
}

TEST_F(SimulatorTest, ReportButtonWritesTheReportAndShowsIt) {
  MakeMarket({10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21});
  main->eval_days = 12;
  main->Trained = 1;
  SetConstantOutputs(0.5f, 0.5f);
  main->Strategy = 5;
  main->REPORT_BNClicked();
  std::string text = ReadFile(dir.file("report.txt"));
  EXPECT_NE(text.find("20240101,   10.00,    1000.00,      buy,    100, 25.00\n20240102,   11.00,    1075.00\n"),
            std::string::npos)
      << text;
  // The verify period (the last 10 days) is not replayed.
  EXPECT_EQ(text.find("20240103"), std::string::npos);
  EXPECT_TRUE(platform.messages().empty());   // headless: the path is printed
}

}  // namespace
}  // namespace kv::test
