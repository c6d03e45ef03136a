// Strategy 7: the search over the strategy parameters.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/wait_dialog.h"
#include "forecast/trading_fixture.h"
#include "resources/ids.h"

namespace kv::test {
namespace {

class StrategySearchTest : public TradingTest {
 protected:
  // 30 days; the search replays days 10..19 (20 back, 10 kept out).
  void MakeSearchMarket(float first, float later) {
    std::vector<float> prices;
    for (int d = 0; d < 30; ++d) prices.push_back(d <= 10 ? first : later);
    MakeMarket(prices);
    main->eval_days = 20;
    main->keepout_days = 10;
    main->Trained = 1;
  }
  void ExpectParameters(float a, float b, float c, float d, float band) {
    EXPECT_NEAR(main->buy_up_min, a, 1e-5);
    EXPECT_NEAR(main->buy_down_max, b, 1e-5);
    EXPECT_NEAR(main->sell_down_min, c, 1e-5);
    EXPECT_NEAR(main->sell_up_max, d, 1e-5);
    EXPECT_NEAR(main->take_stop_band, band, 1e-5);
  }
};

TEST_F(StrategySearchTest, KeepsTheFirstBestCombinationInLoopOrder) {
  // Outputs 0.35 / 0.65 on every day: only buy_up_min below 0.35 with
  // buy_down_max above 0.65 buys; a buy at 10 then gains. Every buying
  // combination ends at the same value, so the first one wins.
  MakeSearchMarket(10, 12);
  SetConstantOutputs(0.35f, 0.65f);
  main->modified = false;

  std::vector<int> progress;
  bool busy_seen = false;
  platform.AddPoller([&] {
    if (!theWaitDlg) return;
    progress.push_back(theWaitDlg->window().GetValue(ids::IDC_WAIT_PROGRESS));
    busy_seen = main->training_on && window->IsEnabled(ids::IDC_STOP) &&
                !window->IsEnabled(ids::IDC_TRAIN) && !window->IsEnabled(ids::IDC_PREDICT) &&
                !window->IsEnabled(ids::IDC_FORGET);
  });
  const int pumps = platform.pumps();
  main->CmStrategyitem7();

  ExpectParameters(0.1f, 0.7f, 0.1f, 0.1f, 0.05f);
  EXPECT_EQ(main->Strategy, 7);
  EXPECT_TRUE(main->modified);
  EXPECT_FALSE(main->training_on);
  EXPECT_EQ(theWaitDlg, nullptr);
  EXPECT_TRUE(busy_seen);
  EXPECT_TRUE(window->IsEnabled(ids::IDC_TRAIN));
  EXPECT_TRUE(window->IsEnabled(ids::IDC_PREDICT));
  EXPECT_FALSE(window->IsEnabled(ids::IDC_STOP));
  EXPECT_FALSE(window->IsEnabled(ids::IDC_ADD));   // trained: the stock list stays locked

  // One pump per sell_down_min pass (9 x 9 x 9) and one per improvement
  // (the first combination's 1000, then the first buy).
  EXPECT_EQ(platform.pumps() - pumps, 729 + 2);
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.front(), 0);
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  EXPECT_GE(progress.back(), 90);
  EXPECT_LE(progress.back(), 95);

  int trades = 0;
  main->process_bp(main->eval_days, main->keepout_days, 1, true);
  EXPECT_FLOAT_EQ(main->Invest(main->eval_days, main->keepout_days, trades, false), -25 + 100 * 12.0f);
}

TEST_F(StrategySearchTest, NothingAboveZeroKeepsTheFormerParameters) {
  // Every combination buys at 10 and ends at 0.01: all values are negative.
  MakeSearchMarket(10, 0.01f);
  SetConstantOutputs(0.95f, 0.05f);
  main->Strategy = 2;
  int trades = 0;
  main->Invest(1, 0, trades, false);   // loads strategy 2's parameters
  const int pumps = platform.pumps();
  main->CmStrategyitem7();
  ExpectParameters(0.85f, 0.40f, 0.85f, 0.40f, 0.08f);
  EXPECT_EQ(main->Strategy, 7);
  EXPECT_EQ(platform.pumps() - pumps, 729);
}

TEST_F(StrategySearchTest, StopEndsTheSearchWithTheBestSoFar) {
  MakeSearchMarket(10, 12);
  SetConstantOutputs(0.35f, 0.65f);
  platform.Post([&] { main->STOP_BNClicked(); });
  const int pumps = platform.pumps();
  main->CmStrategyitem7();
  // The first combination (no trade, 1000) was the best when STOP came; the
  // running buy_down_max pass finished its nine sell_down_min passes.
  ExpectParameters(0.1f, 0.1f, 0.1f, 0.1f, 0.05f);
  EXPECT_EQ(main->Strategy, 7);
  EXPECT_FALSE(main->training_on);
  EXPECT_EQ(platform.pumps() - pumps, 1 + 9);
}

TEST_F(StrategySearchTest, NothingHappensWhileTrainingRuns) {
  MakeSearchMarket(10, 12);
  main->Strategy = 3;
  main->training_on = true;
  const int pumps = platform.pumps();
  main->CmStrategyitem7();
  EXPECT_EQ(main->Strategy, 3);
  EXPECT_TRUE(main->training_on);
  EXPECT_EQ(platform.pumps(), pumps);
}

}  // namespace
}  // namespace kv::test
