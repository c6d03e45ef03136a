#include <cmath>

#include "net/net_fixture.h"
#include "resources/ids.h"

namespace kv::test {
namespace {

class EvaluationTest : public NetTest {
 protected:
  // Weights that make every output exactly sigmoid(bias) whatever the input.
  void ConstantOutputs(float bias0, float bias1) {
    for (int j = 0; j < kInputRows; ++j)
      for (int h = 0; h < kMaxHidden; ++h) main->net.hidden_w[j][h] = 0;
    for (int o = 0; o < 2; ++o)
      for (int h = 0; h < kHiddenCols; ++h) main->net.out_w[o][h] = 0;
    main->net.out_w[0][main->net.x_matrix] = bias0;
    main->net.out_w[1][main->net.x_matrix] = bias1;
  }
};

TEST_F(EvaluationTest, WindowCoversTheTrainingDaysOnly) {
  MakeModel(1000, 2, 3);
  ConstantOutputs(1.0f, 1.0f);
  double e = main->process_bp(140, 10, 1, true);
  for (int d = 0; d < 1000; ++d) {
    bool inside = d >= 860 && d <= 989;
    ASSERT_EQ(main->net.guess[d][0] != 0.0f, inside) << d;
  }
  // 130 days, each with error (s + s) / 2 = s against targets 0
  const double s = 1.0 / (1.0 + std::exp(-1.0));
  EXPECT_NEAR(e, 130 * s * s, 1e-4);
  EXPECT_NEAR(main->abs_error_sum, 130 * s, 1e-3);
}

TEST_F(EvaluationTest, StrideVisitsEveryStepthDay) {
  MakeModel(1000, 2, 3);
  ConstantOutputs(1.0f, 1.0f);
  main->process_bp(140, 10, 8, true);
  int visited = 0;
  for (int d = 0; d < 1000; ++d)
    if (main->net.guess[d][0] != 0.0f) {
      ++visited;
      EXPECT_EQ((d - 860) % 8, 0);
    }
  EXPECT_EQ(visited, 17);
}

TEST_F(EvaluationTest, CallsCountAboveThePointThreeThreshold) {
  MakeModel(100, 2, 3);
  // sigmoid(b) = target outputs 0.29 / 0.31
  auto logit = [](double p) { return static_cast<float>(std::log(p / (1 - p))); };
  struct Case {
    double out;
    float target;
    float good, bad;
  } cases[] = {
      {0.29, 0.9f, 0, 0},   // not above 0.3: counts nowhere
      {0.31, 0.9f, 1, 0},   // target above: good
      {0.31, 0.30f, 0, 1},  // target below: bad
  };
  for (const Case& c : cases) {
    ConstantOutputs(logit(c.out), -50.0f);  // output 1 stays near 0
    for (int d = 0; d < 100; ++d) main->patterns.result[d][0] = c.target;
    main->process_bp(11, 10, 1, true);  // exactly one day: 89
    EXPECT_EQ(main->good_calls, c.good) << c.out << " " << c.target;
    EXPECT_EQ(main->bad_calls, c.bad) << c.out << " " << c.target;
  }
  // An output equal to its target counts as good.
  ConstantOutputs(logit(0.31), -50.0f);
  main->feedforward(89);
  main->patterns.result[89][0] = main->net.out_act[0];
  main->process_bp(11, 10, 1, true);
  EXPECT_EQ(main->good_calls, 1);
}

TEST_F(EvaluationTest, UnforcedCallWithSameWindowServesTheCache) {
  MakeModel(200, 2, 3);
  ConstantOutputs(1.0f, 1.0f);
  double e1 = main->process_bp(100, 10, 1, true);
  main->net.out_w[0][3] = -3.0f;  // the network changes ...
  for (int d = 0; d < 200; ++d) main->net.guess[d][0] = 0.123f;
  double e2 = main->process_bp(100, 10, 1, false);  // ... but the cache answers
  EXPECT_EQ(e1, e2);
  EXPECT_EQ(main->net.guess[150][0], 0.123f);
  double e3 = main->process_bp(100, 10, 1, true);  // forced: evaluated again
  EXPECT_NE(e3, e1);
  double e4 = main->process_bp(100, 11, 1, false);  // another window: evaluated
  EXPECT_NE(main->net.guess[150][0], 0.123f);
  EXPECT_NE(e4, e1);
}

TEST_F(EvaluationTest, EmptyWindowAndMissingStock) {
  MakeModel(200, 2, 3);
  ConstantOutputs(1.0f, 1.0f);
  EXPECT_EQ(main->process_bp(10, 10, 1, true), 0.0);  // fit 1
  main->stocks[0].reset();
  main->net.guess[150][0] = 0.5f;
  EXPECT_EQ(main->process_bp(100, 10, 1, true), 1e6);
  EXPECT_EQ(main->net.guess[150][0], 0.5f);  // untouched
}

TEST_F(EvaluationTest, WindowsOutsideTheStoredDaysAreClipped) {
  MakeModel(50, 2, 3);
  ConstantOutputs(1.0f, 1.0f);
  // Starts 30 days before day 0 and ends 5 days past the last day.
  double e = main->process_bp(80, -5, 1, true);
  for (int d = 0; d < 50; ++d) EXPECT_NE(main->net.guess[d][0], 0.0f) << d;
  const double s = 1.0 / (1.0 + std::exp(-1.0));
  EXPECT_NEAR(e, 50 * s * s, 1e-4);
  // The step grid is kept: from -30 with step 4 the first day is 2.
  main->process_bp(80, 0, 4, true);
  EXPECT_EQ(main->net.guess[0][0], 0.0f);
  EXPECT_NE(main->net.guess[2][0], 0.0f);
  // A calendar larger than the arrays never reaches past them.
  main->patterns.n_days = 5000;
  main->process_bp(6000, -100, 1, true);
  SUCCEED();
}

}  // namespace
}  // namespace kv::test
