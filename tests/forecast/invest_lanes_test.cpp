// The sixteen-lane simulator against Invest, and the whole strategy search
// against the plain search loop: same values, same parameters, same signals.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "forecast/invest_lanes.h"
#include "forecast/strategy_search.h"
#include "forecast/trading_fixture.h"
#include "net/simd/kernels.h"
#include "resources/ids.h"

namespace kv::test {
namespace {

class InvestLanesTest : public TradingTest {
 protected:
  void SetUp() override {
    if (!InvestLanesAvailable()) GTEST_SKIP() << "no AVX-512 here: the search runs Invest";
  }
  uint64_t state_ = 0x2545f4914f6cdd1dULL;
  uint32_t Next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<uint32_t>(state_ >> 33);
  }
  float Uniform(float lo, float hi) { return lo + (hi - lo) * (Next() % 1000001) / 1e6f; }

  // The lanes on the dialog's model, followed by the Rep button as the
  // search sets it.
  void RunLanes(int back, int end, const float* ups, const float* bands, int count,
                InvestLanes& lanes) {
    const LaneMarket market{main->stocks[0]->raw_price, main->net.guess, main->patterns.n_days,
                            main->buy_up_min, main->buy_down_max, main->sell_down_min};
    InvestMany(market, back, end, ups, bands, count, lanes);
    main->dlg.Enable(ids::IDC_REP, main->Trained > 0);
  }

  // Prices that wander, with zero and negative days now and then, or
  // (round) prices from a few values, so that a price can equal a band
  // limit exactly; outputs that often sit exactly on a threshold of the
  // search grid.
  void RandomMarket(int days, bool round = false) {
    static const float kRound[] = {4, 6, 8, 10, 12, 16, 20, 2000, 3000};
    std::vector<float> prices;
    float p = Uniform(5, 80);
    for (int d = 0; d < days; ++d) {
      p *= Uniform(0.9f, 1.11f);
      const uint32_t r = Next() % 60;
      prices.push_back(round ? kRound[Next() % 9] : r == 0 ? 0.0f : r == 1 ? -p : p);
    }
    MakeMarket(prices);
    for (int d = 0; d < days; ++d)
      for (int o = 0; o < 2; ++o)
        main->net.guess[d][o] = Next() % 4 == 0 ? 0.1f * (1 + Next() % 9) : Uniform(0, 1);
  }
};

TEST_F(InvestLanesTest, EveryLaneIsInvestOfItsParameters) {
  struct Money {
    float initial, fee, commission, per_share;
    int32_t threshold;
  } moneys[] = {
      {1000, 25, 0, 0.02f, 1000},     // the defaults
      {1000, 25, 0.5f, 0.02f, 3},     // fees above the share threshold on most trades
      {30, 1, 1.5f, 0.1f, 0},         // little cash: the 1.0 limit matters
      {1e6f, 0, 0, 0, 1000000},       // many shares
      {1.5f, 0, 0, 0, 1000},          // a fraction of a share: the 0.0001 limit
  };
  for (const Money& money : moneys) {
    InvestSettings.inv_initial = money.initial;
    InvestSettings.inv_broker_fee = money.fee;
    InvestSettings.inv_broker_com = money.commission;
    InvestSettings.inv_broker_fpshare = money.per_share;
    InvestSettings.inv_broker_q_over = money.threshold;
    for (int round = 0; round < 40; ++round) {
      SCOPED_TRACE(::testing::Message() << "initial " << money.initial << " round " << round);
      RandomMarket(300, round % 3 == 2);
      main->Strategy = 7;
      main->Trained = round % 2;
      main->buy_up_min = 0.1f * (1 + Next() % 9);
      main->buy_down_max = 0.1f * (1 + Next() % 9);
      main->sell_down_min = 0.1f * (1 + Next() % 9);
      const int count = 1 + static_cast<int>(Next() % InvestLanes::kLanes);
      float ups[InvestLanes::kLanes], bands[InvestLanes::kLanes];
      // Bands of the grid, and bands a price limit can meet exactly.
      static const float kExact[] = {0.25f, 0.5f, 0.125f, 0.375f};
      for (int l = 0; l < count; ++l) {
        ups[l] = 0.1f * (1 + Next() % 9);
        bands[l] = round % 3 == 2 ? kExact[Next() % 4] : 0.05f + 0.03f * (Next() % 12);
      }
      struct Window {
        int back, end;
      } windows[] = {{140, 10}, {300, 0}, {2, 0}, {10, 10}, {5, 9}};
      const Window w = windows[round % 5];
      InvestLanes lanes;
      RunLanes(w.back, w.end, ups, bands, count, lanes);
      const bool rep = window->IsEnabled(ids::IDC_REP);
      for (int l = 0; l < count; ++l) {
        main->sell_up_max = ups[l];
        main->take_stop_band = bands[l];
        int trades = 0;
        const float v = main->Invest(w.back, w.end, trades, false);
        ASSERT_EQ(std::memcmp(&v, &lanes.value[l], sizeof v), 0)
            << "lane " << l << ": Invest " << v << " lanes " << lanes.value[l];
        int32_t plain[kMaxDays];
        std::memcpy(plain, main->signal, sizeof plain);
        lanes.WriteSignals(main->signal, l);
        ASSERT_EQ(std::memcmp(plain, main->signal, sizeof plain), 0) << "signals of lane " << l;
      }
      EXPECT_EQ(rep, window->IsEnabled(ids::IDC_REP));
    }
  }
}

// Days built to meet the limits of the rules exactly.
TEST_F(InvestLanesTest, EdgesOfTheRulesAsInvest) {
  struct Case {
    const char* what;
    float initial;
    std::vector<float> prices;
    std::vector<std::pair<float, float>> outputs;   // up, down
  } cases[] = {
      {"a fraction of a share is still sold", 1.5f, {2000, 2000, 4000}, {{0.95f, 0.05f}, {0.05f, 0.95f}, {0.5f, 0.5f}}},
      {"profit taken exactly at the limit", 1000, {8, 10, 9}, {{0.95f, 0.05f}, {0.5f, 0.5f}, {0.5f, 0.5f}}},
      {"loss stopped exactly at the limit", 1000, {8, 6, 7}, {{0.95f, 0.05f}, {0.5f, 0.5f}, {0.5f, 0.5f}}},
      {"no buy at a zero or negative price", 1000, {0, -5, 5, 5}, {{0.95f, 0.05f}, {0.95f, 0.05f}, {0.95f, 0.05f}, {0.05f, 0.95f}}},
      {"outputs exactly on the thresholds", 1000, {5, 6, 7, 8}, {{0.5f, 0.5f}, {0.6f, 0.3f}, {0.3f, 0.6f}, {0.7f, 0.2f}}},
  };
  const float exact_bands[] = {0.25f, 0.125f, 0.5f, 0.05f};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    InvestSettings.inv_initial = c.initial;
    InvestSettings.inv_broker_fee = 0;
    MakeMarket(c.prices);
    SetGuesses(c.outputs);
    main->Strategy = 7;
    main->buy_up_min = 0.5f;
    main->buy_down_max = 0.5f;
    main->sell_down_min = 0.5f;
    float ups[16], bands[16];
    for (int l = 0; l < 16; ++l) {
      ups[l] = 0.1f * (1 + l % 9);
      bands[l] = exact_bands[l % 4];
    }
    const int days = static_cast<int>(c.prices.size());
    InvestLanes lanes;
    RunLanes(days, 0, ups, bands, 16, lanes);
    for (int l = 0; l < 16; ++l) {
      main->sell_up_max = ups[l];
      main->take_stop_band = bands[l];
      int trades = 0;
      const float v = main->Invest(days, 0, trades, false);
      EXPECT_EQ(std::memcmp(&v, &lanes.value[l], sizeof v), 0) << "lane " << l << ": " << v << " " << lanes.value[l];
    }
  }
}

// The program's plain search over the model's window, kept as the reference.
void PlainSearch(TMainDlg& m) {
  m.Strategy = 7;
  m.process_bp(m.eval_days, m.keepout_days, 1, true);
  const StrategySearchResult r = SearchStrategy(
      m.SimulationWindow(m.eval_days, m.keepout_days), MoneyFromPreferences(),
      {m.buy_up_min, m.buy_down_max, m.sell_down_min, m.sell_up_max, m.take_stop_band});
  m.buy_up_min = r.best.buy_up_min;
  m.buy_down_max = r.best.buy_down_max;
  m.sell_down_min = r.best.sell_down_min;
  m.sell_up_max = r.best.sell_up_max;
  m.take_stop_band = r.best.take_stop_band;
}

TEST_F(InvestLanesTest, TheSearchFindsWhatThePlainLoopFinds) {
  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE(round);
    // Rounds 4 and 5 as on a processor without AVX-512: one Invest at a time.
    if (round == 4) netk::UseIsa(netk::Isa::kBaseline);
    RandomMarket(200);
    // Outputs from a network, as the search evaluates them itself.
    main->net.x_matrix = 3;
    main->net.in_nodes = 4;
    main->net.out_nodes = 2;
    for (int d = 0; d < kMaxDays; ++d) {
      for (int j = 0; j < 4; ++j) main->patterns.inputs[j][d] = Uniform(-1, 1);
      main->patterns.inputs[4][d] = 1.0f;
    }
    for (auto& row : main->net.hidden_w)
      for (float& w : row) w = Uniform(-3, 3);
    for (auto& row : main->net.out_w)
      for (float& w : row) w = Uniform(-3, 3);
    main->eval_days = 150;
    main->keepout_days = 10 + round;
    main->Strategy = 3;
    main->buy_up_min = main->buy_down_max = main->sell_down_min = main->sell_up_max = 0.5f;
    main->take_stop_band = 0.1f;

    PlainSearch(*main);
    const float plain[5] = {main->buy_up_min, main->buy_down_max, main->sell_down_min,
                            main->sell_up_max, main->take_stop_band};
    int32_t plain_signal[kMaxDays];
    std::memcpy(plain_signal, main->signal, sizeof plain_signal);

    main->Strategy = 3;
    main->buy_up_min = main->buy_down_max = main->sell_down_min = main->sell_up_max = 0.5f;
    main->take_stop_band = 0.1f;
    std::memset(main->signal, 0, sizeof main->signal);
    main->CmStrategyitem7();
    const float fast[5] = {main->buy_up_min, main->buy_down_max, main->sell_down_min,
                           main->sell_up_max, main->take_stop_band};
    EXPECT_EQ(std::memcmp(plain, fast, sizeof plain), 0)
        << plain[0] << " " << plain[1] << " " << plain[2] << " " << plain[3] << " " << plain[4]
        << " / " << fast[0] << " " << fast[1] << " " << fast[2] << " " << fast[3] << " "
        << fast[4];
    EXPECT_EQ(std::memcmp(plain_signal, main->signal, sizeof plain_signal), 0);
  }
  netk::UseIsa(netk::BestIsa());
}

}  // namespace
}  // namespace kv::test
