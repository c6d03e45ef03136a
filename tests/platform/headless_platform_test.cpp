// What is the headless face's own; the contract both faces keep is in
// face_contract_test.cpp.
#include <gtest/gtest.h>

#include "platform/headless/headless_platform.h"
#include "resources/ids.h"
#include "support/fixture.h"

namespace kv::test {
namespace {

using HeadlessTest = PlatformTest;

TEST_F(HeadlessTest, StepPerPumpMovesTheVirtualClock) {
  clock.SetStepPerPump(250);
  uint64_t t0 = clock.TickMs();
  for (int i = 0; i < 4; ++i) platform.CheckEvents();
  EXPECT_EQ(clock.TickMs() - t0, 1000u);
}

TEST_F(HeadlessTest, TheUserActsAsTheLayoutAllows) {
  HeadlessDialog d(ids::DLG_MAIN, nullptr);
  // Typing is cut at the text limit; a read-only field takes nothing.
  d.SetTextLimit(ids::IDC_SYMBOL, 5);
  d.Type(ids::IDC_SYMBOL, "ABCDEFG");
  EXPECT_EQ(d.GetText(ids::IDC_SYMBOL), "ABCDE");
  d.Type(ids::IDC_CYCLE, "12");
  EXPECT_EQ(d.GetText(ids::IDC_CYCLE), "");
  // A click toggles a check box of the layout, and no push button.
  d.Click(ids::IDC_PRICE);
  d.Click(ids::IDC_TRAIN);
  EXPECT_TRUE(d.IsChecked(ids::IDC_PRICE));
  EXPECT_FALSE(d.IsChecked(ids::IDC_TRAIN));
  d.Click(ids::IDC_PRICE);
  EXPECT_FALSE(d.IsChecked(ids::IDC_PRICE));

  // A layout of a test's own knows its controls and no others.
  static constexpr res::ControlDef kControls[] = {{7, res::Ctl::CheckBox, "Seven", 0, 0, 40, 10}};
  HeadlessDialog own(res::MakeDialog(900, "Own", 50, 20, 0, kControls), nullptr);
  own.Click(7);
  EXPECT_TRUE(own.IsChecked(7));
  EXPECT_EQ(own.GetText(7), "Seven");
  EXPECT_DEATH(own.Enable(8, false), "dialog 900 has no control 8 \\(Enable\\)");
}

}  // namespace
}  // namespace kv::test
