// The forecast text in both modes, the advice, the levels, the confidence
// rating, and the predict-mode commands.
#include <gtest/gtest.h>

#include <cstring>

#include "forecast/trading_fixture.h"
#include "util/text.h"

namespace kv::test {
namespace {

class ForecastTest : public TradingTest {
 protected:
  // 100 days at 10.00; the last ten days' outputs, oldest first, end with
  // the given last pair.
  void MakeForecastModel(std::pair<float, float> last, int days = 100) {
    MakeMarket(std::vector<float>(days, 10.0f));
    main->Trained = 1;
    std::vector<std::pair<float, float>> outputs = {
        {0.10f, 0.90f}, {0.20f, 0.80f}, {0.30f, 0.70f}, {0.40f, 0.60f}, {0.50f, 0.50f},
        {0.60f, 0.40f}, {0.70f, 0.30f}, {0.80f, 0.20f}, {0.999f, 0.001f}, last};
    if (days < 10) outputs.erase(outputs.begin(), outputs.end() - days);
    SetLastOutputs(outputs);
  }
  // Outputs of exactly 1 (rise) and 0 (fall) on every day, and the targets
  // of the rated days.
  void MakeRatedModel(int time_trained, float rise_target, float fall_target, int good_days = 0) {
    MakeMarket(std::vector<float>(100, 10.0f));
    SetConstantOutputs(0.5f, 0.5f);
    main->net.out_w[0][0] = 100;
    main->net.out_w[1][0] = -100;
    main->Trained = 1;
    main->TimeTrained = time_trained;
    for (int d = 40; d < 100; ++d) {
      main->patterns.result[d][0] = d < 40 + good_days ? 1.0f : rise_target;
      main->patterns.result[d][1] = d < 40 + good_days ? 0.0f : fall_target;
    }
  }
  std::string Today() {
    std::tm t = clock.LocalNow();
    return Format("%2d/%2d/%4d", t.tm_mon + 1, t.tm_mday, t.tm_year + 1900);
  }
  static constexpr const char* kUnknown =
      "\n\nThis prediction has a confidence of: Unknown Due to Inadequate Modeling\n"
      "(due to too little training or too few neurons) ";
};

TEST_F(ForecastTest, ProbabilityText) {
  MakeForecastModel({0.62f, 0.18f});
  main->Strategy = 3;
  EXPECT_EQ(Pred7Text(*main),
            "Ten Day Probability Forecast for GE\n\nUp =  62.0%   Down =  18.0%\n\n"
            "Revised Probability Forcast made on:\n"
            "20240199  Up =  99.9%  Down =   0.1%\n"
            "20240198  Up =  80.0%  Down =  20.0%\n"
            "20240197  Up =  70.0%  Down =  30.0%\n"
            "20240196  Up =  60.0%  Down =  40.0%\n"
            "20240195  Up =  50.0%  Down =  50.0%\n"
            "20240194  Up =  40.0%  Down =  60.0%\n"
            "20240193  Up =  30.0%  Down =  70.0%\n"
            "20240192  Up =  20.0%  Down =  80.0%\n"
            "20240191  Up =  10.0%  Down =  90.0%\n"
            "Kestrivanes advice on " + Today() + " for GE: HOLD\n\n"
            "Profit take at  12 %\nStop  loss  at - 9 %\n" + kUnknown);
}

TEST_F(ForecastTest, GainLossTextWithTheTenPercentMark) {
  struct Case {
    std::pair<float, float> last;
    const char* header;
  } cases[] = {
      {{0.95f, 0.30f}, "Gain =   9.5+%   Loss =   3.0 %"},
      {{0.90f, 0.91f}, "Gain =   9.0 %   Loss =   9.1+%"},   // exactly 0.9: no mark
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.header);
    MakeForecastModel(c.last);
    main->PredicMode = 1;
    const std::string text = Pred7Text(*main);
    EXPECT_EQ(text.rfind(std::string("Ten Day Forecast for GE\n\n") + c.header +
                             "\n\nRevised Forcast made on:\n"
                             "20240199  Gain =  10.0+%  Loss =   0.0 %\n"
                             "20240198  Gain =   8.0 %  Loss =   2.0 %\n",
                         0),
              0u)
        << text;
    EXPECT_NE(text.find("20240191  Gain =   1.0 %  Loss =   9.0 %\nKestrivanes advice on "),
              std::string::npos);
  }
}

TEST_F(ForecastTest, AdviceAndLevelsFollowTheStrategy) {
  struct Case {
    int strategy;
    std::pair<float, float> last;
    int signal;
    const char* advice;
    const char* levels;
    float profit, stop;
  } cases[] = {
      {3, {0.95f, 0.30f}, 1, "BUY", "Profit take at  14 %\nStop  loss  at - 9 %\n", 13.8f, 8.8f},
      {3, {0.20f, 0.80f}, -1, "SELL", "Profit take at  11 %\nStop  loss  at - 7 %\n", 10.8f, 6.8f},
      {1, {0.80f, 0.20f}, 0, "HOLD", "Profit take at  10 %\nStop  loss  at - 6 %\n", 10.2f, 6.2f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.advice);
    MakeForecastModel(c.last);
    main->Strategy = c.strategy;
    const std::string text = Pred7Text(*main);
    EXPECT_NE(text.find(std::string(" for GE: ") + c.advice + "\n\n" + c.levels), std::string::npos) << text;
    EXPECT_EQ(main->last_forecast.signal, c.signal);
    EXPECT_NEAR(main->last_forecast.profit_take, c.profit, 1e-4);
    EXPECT_NEAR(main->last_forecast.stop_loss, c.stop, 1e-4);
    EXPECT_EQ(main->last_forecast.outlook_pos, 0);
    EXPECT_EQ(main->last_forecast.outlook_neg, 0);
  }
}

TEST_F(ForecastTest, OtherModesShowNoTable) {
  MakeForecastModel({0.62f, 0.18f});
  main->PredicMode = 2;
  EXPECT_EQ(Pred7Text(*main).rfind("Kestrivanes advice on " + Today() + " for GE: HOLD\n\nProfit", 0), 0u);
}

TEST_F(ForecastTest, ConfidenceRating) {
  struct Case {
    const char* name;
    int time_trained;
    float rise_target, fall_target;
    int good_days;
    const char* rating;   // null: unknown
    float confidence;
  } cases[] = {
      // 45 good and 15 bad rise calls; the fall output (0) never calls.
      {"rated", 61, 0.5f, 0.0f, 45, "75.0% ", 75},
      {"one hour is too little", 60, 0.5f, 0.0f, 45, nullptr, 0},
      // Mean daily errors 0.8125 (sum 48.75) and 0.8203125 (sum 49.22).
      {"error just below the limit", 61, 0.375f, 1.0f, 0, "0.0% ", 0},
      {"error above the limit", 61, 0.359375f, 1.0f, 0, nullptr, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MakeRatedModel(c.time_trained, c.rise_target, c.fall_target, c.good_days);
    const std::string text = Pred7Text(*main);
    const std::string ending =
        c.rating ? std::string("\n\nThis prediction has a confidence of: ") + c.rating : kUnknown;
    ASSERT_GE(text.size(), ending.size());
    EXPECT_EQ(text.substr(text.size() - ending.size()), ending);
    EXPECT_FLOAT_EQ(main->last_forecast.confidence, c.confidence);
  }
}

TEST_F(ForecastTest, NothingToRateGivesUnknown) {
  // No output above 0.3 in the rated days: no call to count.
  MakeRatedModel(500, 0.0f, 0.0f);
  SetConstantOutputs(0.2f, 0.2f);
  std::string text = Pred7Text(*main);
  EXPECT_EQ(text.substr(text.size() - std::strlen(kUnknown)), kUnknown);
  EXPECT_EQ(main->last_forecast.confidence, 0);

  // Fewer than 60 days: rated on what there is, and never called reliable.
  MakeForecastModel({0.62f, 0.18f}, 40);
  main->TimeTrained = 500;
  text = Pred7Text(*main);
  EXPECT_EQ(text.substr(text.size() - std::strlen(kUnknown)), kUnknown);
  EXPECT_NE(text.find("20240131  Up =  10.0%"), std::string::npos);

  // A history shorter than the revised lines lists what it has.
  MakeForecastModel({0.62f, 0.18f}, 4);
  text = Pred7Text(*main);
  EXPECT_NE(text.find("made on:\n20240103  Up =  99.9%  Down =   0.1%\n20240102  Up =  80.0%  Down =  20.0%\n"
                      "20240101  Up =  70.0%  Down =  30.0%\nKestrivanes"),
            std::string::npos)
      << text;

  // No price data at all: nothing to say.
  main->CmFilenew();
  main->Trained = 1;
  EXPECT_EQ(Pred7Text(*main), "");
  main->PREDICT_BNClicked();
  EXPECT_TRUE(platform.messages().empty());
}

TEST_F(ForecastTest, PredictShowsTheTextUnlessABatchRuns) {
  MakeRatedModel(61, 0.5f, 0.0f, 45);
  main->Trained = 0;
  main->PREDICT_BNClicked();
  EXPECT_TRUE(platform.messages().empty());   // untrained: nothing at all

  main->Trained = 1;
  main->PREDICT_BNClicked();
  ASSERT_EQ(platform.messages().size(), 1u);
  EXPECT_EQ(platform.messages()[0].caption, "Kestrivane");
  EXPECT_EQ(platform.messages()[0].text, Pred7Text(*main));
  const ForecastResult shown = main->last_forecast;

  main->last_forecast = ForecastResult{};
  main->batch_running = true;
  Pred7(*main);
  EXPECT_EQ(platform.messages().size(), 1u);
  EXPECT_EQ(main->last_forecast.signal, shown.signal);
  EXPECT_EQ(main->last_forecast.confidence, shown.confidence);
  EXPECT_EQ(main->last_forecast.profit_take, shown.profit_take);
  EXPECT_EQ(main->last_forecast.stop_loss, shown.stop_loss);
  EXPECT_FLOAT_EQ(shown.confidence, 75);
}

TEST_F(ForecastTest, PredictModeCommands) {
  auto checks = [&] {
    CommandEnabler prob, percent;
    main->CePredictprob(prob);
    main->CePredictpercent(percent);
    EXPECT_TRUE(prob.enabled && percent.enabled);
    return std::make_pair(prob.checked, percent.checked);
  };
  EXPECT_EQ(checks(), std::make_pair(true, false));
  main->CmPredictpercent();
  EXPECT_EQ(main->PredicMode, 1);
  EXPECT_TRUE(main->modified);
  EXPECT_EQ(checks(), std::make_pair(false, true));

  // A trained network keeps its mode, silently.
  main->modified = false;
  main->Trained = 1;
  main->CmPredictprob();
  EXPECT_EQ(main->PredicMode, 1);
  EXPECT_FALSE(main->modified);
  EXPECT_TRUE(platform.messages().empty());
  main->Trained = 0;
  main->CmPredictprob();
  EXPECT_EQ(main->PredicMode, 0);
  EXPECT_TRUE(main->modified);
}

}  // namespace
}  // namespace kv::test
