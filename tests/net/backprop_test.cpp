#include <cstring>

#include "net/net_fixture.h"
#include "resources/ids.h"

namespace kv::test {
namespace {

using BackPropPhaseTest = NetTest;

TEST_F(BackPropPhaseTest, WithoutImprovementTheRateReachesTheFloorAfter919Checkpoints) {
  MakeLearnablePattern(300);
  // Training start = training end: the evaluation window is empty, every
  // checkpoint has the same fit, none is better.
  main->eval_days = 10;
  main->keepout_days = 10;
  main->net.learn_rate = 0.03f;
  main->training_on = true;
  int before = platform.pumps();
  main->ExecBackProp();
  // one pump at the start, then 40 every 1000 steps plus one per checkpoint
  EXPECT_EQ(platform.pumps() - before, 1 + 919 * 41);
  EXPECT_LE(main->net.learn_rate, 0.0003f);
  EXPECT_EQ(window->GetText(ids::IDC_CYCLE), "0");
  EXPECT_EQ(window->GetText(ids::IDC_STATUS), "Back Propagation Training");
  // Only day n_days - keepout_days was trained, and the steps after the last
  // improving checkpoint (none) are discarded: the starting network is back.
  EXPECT_EQ(main->net.hidden_w[0][0], main->net.best_hidden_w[0][0]);
}

TEST_F(BackPropPhaseTest, APhaseStartedAtTheFloorDoesNothing) {
  MakeLearnablePattern(300);
  main->eval_days = 200;
  main->keepout_days = 10;
  main->net.learn_rate = 0.0002f;
  main->training_on = true;
  float w[kInputRows][kMaxHidden];
  std::memcpy(w, main->net.hidden_w, sizeof w);
  int before = platform.pumps();
  main->ExecBackProp();
  EXPECT_EQ(platform.pumps() - before, 1);
  EXPECT_EQ(std::memcmp(w, main->net.hidden_w, sizeof w), 0);
  EXPECT_EQ(main->net.best_hidden_w[0][0], main->net.hidden_w[0][0]);
}

TEST_F(BackPropPhaseTest, LearnsALearnablePatternAndCapsTheRateAtOne) {
  MakeLearnablePattern(300);
  main->eval_days = 200;
  main->keepout_days = 10;
  double error_before = main->process_bp(200, 10, 1, true);
  main->net.learn_rate = 0.95f;
  main->training_on = true;
  float highest = 0;
  int pumps = 0;
  platform.AddPoller([&] {
    highest = std::max(highest, main->net.learn_rate);
    if (++pumps >= 41 * 30) main->training_on = false;  // about 30 checkpoints
  });
  main->ExecBackProp();
  EXPECT_LE(highest, 1.0f);
  EXPECT_EQ(highest, 1.0f);  // the first checkpoint improved: 0.95 * 1.1 capped
  double error_after = main->process_bp(200, 10, 1, true);
  EXPECT_LT(error_after, error_before * 0.5);
  // Cycle shows completed passes over the 190-day window.
  EXPECT_NE(window->GetText(ids::IDC_CYCLE), "0");
}

}  // namespace
}  // namespace kv::test
