#include <cmath>
#include <cstring>

#include "net/net_fixture.h"
#include "net/random.h"
#include "resources/ids.h"

namespace kv::test {
namespace {

TEST_F(NetTest, SigmoidSaturatesOnlyStrictlyBeyondFifty) {
  EXPECT_EQ(main->sigmoid(50.001), 1.0);
  EXPECT_EQ(main->sigmoid(-50.001), 0.0);
  EXPECT_GT(main->sigmoid(-50), 0.0);
  EXPECT_NEAR(main->sigmoid(-50), 1.9287e-22, 1e-25);
  EXPECT_EQ(main->sigmoid(0), 0.5);
}

TEST(Frand, StaysInsideItsWidth) {
  fix_random_seed(7);
  EXPECT_EQ(frand(0.0f), 0.0f);
  float lo = 1, hi = -1;
  for (int i = 0; i < 200000; ++i) {
    float v = frand(5.0f);
    lo = std::min(lo, v);
    hi = std::max(hi, v);
    ASSERT_GE(v, -2.5f);
    ASSERT_LT(v, 2.5f);
  }
  EXPECT_LT(lo, -2.4f);
  EXPECT_GT(hi, 2.4f);
  // The same seed gives the same sequence.
  fix_random_seed(99);
  float a = frand(1.0f), b = frand(1.0f);
  fix_random_seed(99);
  EXPECT_EQ(frand(1.0f), a);
  EXPECT_EQ(frand(1.0f), b);
  unfix_random_seed();
}

// A two-input-row network small enough to follow by hand:
// input row 0 = 1.0 and the bias row 1 = 1.0 on day 5.
class HandNet : public NetTest {
 protected:
  void SetUp() override {
    MakeModel(20, 1, 2);
    main->patterns.inputs[0][5] = 1.0f;
    main->patterns.inputs[1][5] = 1.0f;
    main->net.hidden_w[0][0] = 0.5f;   // h0: 0.5 - 0.5 = 0  -> 0.5
    main->net.hidden_w[1][0] = -0.5f;
    main->net.hidden_w[0][1] = 1.0f;   // h1: 1 + 1 = 2      -> sigmoid(2)
    main->net.hidden_w[1][1] = 1.0f;
    float o0[3] = {1.0f, 0.0f, -0.5f};  // 0.5 + 0 - 0.5 = 0 -> 0.5
    float o1[3] = {0.0f, 0.0f, 0.0f};
    for (int h = 0; h < 3; ++h) {
      main->net.out_w[0][h] = o0[h];
      main->net.out_w[1][h] = o1[h];
    }
    main->patterns.result[5][0] = 1.0f;
    main->patterns.result[5][1] = 0.0f;
  }
};

TEST_F(HandNet, ForwardPassUsesBiasRowAndBiasUnit) {
  const float s2 = static_cast<float>(1.0 / (1.0 + std::exp(-2.0)));
  float err = main->feedforward(5);
  EXPECT_FLOAT_EQ(main->net.hidden_act[0], 0.5f);
  EXPECT_FLOAT_EQ(main->net.hidden_act[1], s2);
  EXPECT_EQ(main->net.hidden_act[2], 1.0f);
  EXPECT_FLOAT_EQ(main->net.out_act[0], 0.5f);
  EXPECT_FLOAT_EQ(main->net.out_act[1], 0.5f);
  EXPECT_FLOAT_EQ(main->net.guess[5][0], 0.5f);
  // the mean over the two outputs, not the sum
  EXPECT_FLOAT_EQ(err, 0.5f);

  // Outputs equal to the targets give error 0.
  main->patterns.result[5][0] = 0.5f;
  main->patterns.result[5][1] = 0.5f;
  EXPECT_EQ(main->feedforward(5), 0.0f);
}

TEST_F(HandNet, BackpropStepBlendsGradientWithRememberedGradient) {
  const float s2 = static_cast<float>(1.0 / (1.0 + std::exp(-2.0)));
  main->net.learn_rate = 0.1f;
  main->net.momentum = 0.9f;
  main->net.hidden_dw[0][0] = 0.2f;  // memory of the previous visit
  main->net.out_dw[0][2] = -1.0f;
  main->backprop(5);

  // out_err = {0.5, -0.5}; hidden_err = sum_o err * w * (1-a) * a
  EXPECT_FLOAT_EQ(main->net.out_err[0], 0.5f);
  EXPECT_FLOAT_EQ(main->net.out_err[1], -0.5f);
  EXPECT_FLOAT_EQ(main->net.hidden_err[0], 0.125f);
  EXPECT_FLOAT_EQ(main->net.hidden_err[1], 0.0f);
  EXPECT_FLOAT_EQ(main->net.hidden_err[2], -0.0625f);
  // hidden g = (1-a) * err * x * a = 0.5 * 0.125 * 1 * 0.5
  EXPECT_NEAR(main->net.hidden_w[0][0], 0.5 + 0.1 * (0.1 * 0.03125 + 0.9 * 0.2), 1e-6);
  EXPECT_NEAR(main->net.hidden_w[1][0], -0.5 + 0.1 * (0.1 * 0.03125), 1e-6);
  EXPECT_FLOAT_EQ(main->net.hidden_dw[0][0], 0.03125f);
  EXPECT_FLOAT_EQ(main->net.hidden_w[0][1], 1.0f);  // hidden_err 0: unchanged
  // output g = (1-a) * a * err * hidden_act
  EXPECT_NEAR(main->net.out_w[0][2], -0.5 + 0.1 * (0.1 * 0.125 + 0.9 * -1.0), 1e-6);
  EXPECT_NEAR(main->net.out_w[0][1], 0.0 + 0.1 * (0.1 * 0.125 * s2), 1e-6);
  EXPECT_NEAR(main->net.out_w[1][0], 0.0 + 0.1 * (0.1 * -0.125 * 0.5), 1e-6);
  EXPECT_FLOAT_EQ(main->net.out_dw[0][2], 0.125f);
  // The memory carries over to the next step: a second step at the same day
  // uses the g of the first as its remembered term.
  float w_before = main->net.out_w[0][2];
  float dw_mem = main->net.out_dw[0][2];
  main->backprop(5);
  float g2 = main->net.out_dw[0][2];
  EXPECT_NEAR(main->net.out_w[0][2], w_before + 0.1f * (0.1f * g2 + 0.9f * dw_mem), 1e-6);
}

TEST_F(HandNet, BackpropClampsTheDayToTheArrays) {
  main->patterns.inputs[0][0] = 1.0f;
  main->patterns.inputs[0][999] = 1.0f;
  main->backprop(-5);
  EXPECT_NE(main->net.guess[0][0], 0.0f);
  main->backprop(1200);
  EXPECT_NE(main->net.guess[999][0], 0.0f);
}

TEST_F(NetTest, SnapshotKeepsBiasInItsOwnRowAndColumn) {
  MakeModel(50, 3, 4);
  for (int j = 0; j <= 3; ++j)
    for (int h = 0; h < 4; ++h) main->net.hidden_w[j][h] = j * 10.0f + h;
  for (int o = 0; o < 2; ++o)
    for (int h = 0; h <= 4; ++h) main->net.out_w[o][h] = 100.0f * (o + 1) + h;
  main->to_best();
  EXPECT_EQ(main->net.best_x_matrix, 4);
  EXPECT_EQ(main->net.best_hidden_w[kMaxInputs][2], 32.0f);  // bias row 3 kept in row 240
  EXPECT_EQ(main->net.best_out_w[1][kMaxHidden], 204.0f);    // bias column 4 kept in column 12

  // Restoring after the stock list grew to 5 inputs puts the bias into row 5.
  main->net.in_nodes = 5;
  main->net.x_matrix = 6;
  main->from_best(0);
  EXPECT_EQ(main->net.x_matrix, 4);
  EXPECT_EQ(main->net.hidden_w[5][2], 32.0f);
  EXPECT_EQ(main->net.hidden_w[1][3], 13.0f);
  EXPECT_EQ(main->net.out_w[0][4], 104.0f);
  EXPECT_EQ(main->net.out_w[1][0], 200.0f);
}

TEST_F(NetTest, GrowthMovesTheOutputBiasAndStopsAtTwelve) {
  MakeModel(50, 2, 11);
  main->net.out_w[0][11] = 7.0f;
  main->net.out_w[1][11] = -7.0f;
  ASSERT_TRUE(main->add_x_matrix());
  EXPECT_EQ(main->net.x_matrix, 12);
  EXPECT_EQ(main->net.out_w[0][12], 7.0f);
  EXPECT_EQ(main->net.out_w[1][12], -7.0f);
  EXPECT_EQ(main->net.out_w[0][11], 0.01f);
  for (int j = 0; j < kInputRows; ++j) {
    ASSERT_GE(main->net.hidden_w[j][11], -2.5f);
    ASSERT_LT(main->net.hidden_w[j][11], 2.5f);
  }
  float before[kInputRows][kMaxHidden];
  std::memcpy(before, main->net.hidden_w, sizeof before);
  float out_before[2][kHiddenCols];
  std::memcpy(out_before, main->net.out_w, sizeof out_before);
  EXPECT_FALSE(main->add_x_matrix());
  EXPECT_EQ(main->net.x_matrix, 12);
  EXPECT_EQ(std::memcmp(before, main->net.hidden_w, sizeof before), 0);
  EXPECT_EQ(std::memcmp(out_before, main->net.out_w, sizeof out_before), 0);
}

TEST_F(NetTest, ClearNetworkKeepsSizeAndStartsSmall) {
  MakeModel(50, 4, 7);
  main->Trained = 3;
  main->TimeTrained = 99;
  main->net.learn_rate = 0.5f;
  main->clear_network();
  EXPECT_EQ(main->net.x_matrix, 7);
  EXPECT_EQ(main->Trained, 0);
  EXPECT_EQ(main->TimeTrained, 0);
  EXPECT_FLOAT_EQ(main->net.learn_rate, 0.1f);
  EXPECT_TRUE(main->modified);
  for (int j = 0; j < kInputRows; ++j)
    for (int h = 0; h < kMaxHidden; ++h) {
      ASSERT_GE(main->net.hidden_w[j][h], -0.0005f);
      ASSERT_LT(main->net.hidden_w[j][h], 0.0005f);
    }
  EXPECT_FALSE(window->IsEnabled(ids::IDC_PREDICT));
  EXPECT_TRUE(window->IsEnabled(ids::IDC_ADD));
  EXPECT_FALSE(window->IsEnabled(ids::IDC_REP));
  EXPECT_FALSE(window->IsReadOnly(ids::IDC_NEURONS));
}

TEST_F(NetTest, ForgetAsksOnlyForATrainedNetwork) {
  MakeModel(50, 2, 3);
  // Untrained: no question.
  main->INITIALIZE_BNClicked();
  EXPECT_TRUE(platform.messages().empty());
  EXPECT_EQ(window->GetText(ids::IDC_STATUS), "Kestrivane");

  struct Case {
    int answer;
    bool cleared;
  } cases[] = {{IDNO, false}, {IDCANCEL, false}, {IDYES, true}};
  for (const Case& c : cases) {
    main->Trained = 2;
    main->TimeTrained = 30;
    main->net.hidden_w[0][0] = 1.25f;
    main->training_on = true;
    platform.QueueAnswer(c.answer);
    main->INITIALIZE_BNClicked();
    ASSERT_FALSE(platform.messages().empty());
    EXPECT_EQ(platform.messages().back().text,
              "Are you sure you want to DELETE ALL training to date?");
    EXPECT_EQ(platform.messages().back().caption, "Confirmation");
    EXPECT_EQ(platform.messages().back().flags & MB_BUTTONS_MASK, unsigned(MB_YESNOCANCEL));
    EXPECT_EQ(main->Trained == 0, c.cleared);
    EXPECT_EQ(main->TimeTrained == 0, c.cleared);
    EXPECT_EQ(main->net.hidden_w[0][0] != 1.25f, c.cleared);
    EXPECT_EQ(!main->training_on, c.cleared);
  }
  // After Forget the snapshot holds the fresh network.
  EXPECT_EQ(main->net.best_hidden_w[0][0], main->net.hidden_w[0][0]);
}

TEST_F(NetTest, NeuronsFieldClampsAndShowsTheStoredNumber) {
  MakeModel(50, 2, 3);
  struct Case {
    const char* typed;
    int stored;
  } cases[] = {{"abc", 2}, {"99", 12}, {"7", 7}, {"1", 2}, {"", 2}, {"12x", 12}};
  for (const Case& c : cases) {
    main->training_on = true;
    window->SetText(ids::IDC_NEURONS, c.typed);
    main->XMATRIX_ENKillfocus();
    EXPECT_EQ(main->net.x_matrix, c.stored) << c.typed;
    EXPECT_EQ(window->GetText(ids::IDC_NEURONS), std::to_string(c.stored));
    EXPECT_FALSE(main->training_on);
  }
}

}  // namespace
}  // namespace kv::test
