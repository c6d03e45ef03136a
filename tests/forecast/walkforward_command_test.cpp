// The walk-forward command's glue on the headless face: the settings it
// accepts, and what a run that succeeds, fails or is cancelled leaves behind.
#include <gtest/gtest.h>

#include "forecast/walkforward_command.h"
#include "forecast/walkforward_window.h"
#include "resources/ids.h"
#include "support/fixture.h"
#include "support/walkforward_doc.h"

namespace kv::test {
namespace {

TEST(WalkForwardCommandTest, SettingsInRangeOnly) {
  struct Case {
    const char *folds, *days, *steps;
    const char* refused;   // "" when accepted
  } cases[] = {
      {"5", "60", "100000", ""},
      {"1", "5", "1", ""},
      {"50", "2000", "1000000000", ""},
      {"0", "60", "100", "Folds: give a whole number from 1 to 50."},
      {"51", "60", "100", "Folds: give a whole number from 1 to 50."},
      {"", "60", "100", "Folds: give a whole number from 1 to 50."},
      {"5", "4", "100", "Test days per fold: give a whole number from 5 to 2000."},
      {"5", "6o", "100", "Test days per fold: give a whole number from 5 to 2000."},
      {"5", "60", "-1", "Learning steps per fold: give a whole number from 1 to 1000000000."},
      {"5", "60", "99999999999999999999", "Learning steps per fold: give a whole number from 1 to 1000000000."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.folds) + " " + c.days + " " + c.steps);
    WalkForwardChoice choice;
    choice.folds = 9;
    EXPECT_EQ(CheckWalkForwardChoice(c.folds, c.days, c.steps, &choice), c.refused);
    if (!*c.refused) EXPECT_EQ(choice.folds, std::atoi(c.folds));
    else EXPECT_EQ(choice.folds, 9);
  }
}

class WalkForwardRunTest : public PlatformTest {
 protected:
  ~WalkForwardRunTest() override { CloseWalkForwardWindows(); }
};

TEST_F(WalkForwardRunTest, ResultOpensAWindowFailureSaysWhyCancelShowsNothing) {
  // The settings dialog: its fields as the user leaves them.
  platform.SetModalScript([](Dialog& d) {
    d.SetText(ids::IDC_WF_FOLDS, " 3 ");
    d.SetText(ids::IDC_WF_STEPS, "200");
    return IDOK;
  });
  WalkForwardChoice choice;
  ASSERT_TRUE(AskWalkForwardChoice(nullptr, &choice));
  EXPECT_EQ(choice.folds, 3);
  EXPECT_EQ(choice.test_days, 60);
  EXPECT_EQ(choice.steps_per_fold, 200);

  struct Case {
    const char* name;
    WalkForwardWork work;
    bool window;
    const char* message;   // the box, when one shows
  } cases[] = {
      {"result",
       [](const WalkForwardChoice& c, WalkForwardTicker& t, JsonValue* doc, std::string*) {
         for (int i = 0; i < c.folds; ++i) t.FoldDone();
         *doc = WalkForwardDocument();
         return true;
       },
       true, nullptr},
      {"failure",
       [](const WalkForwardChoice&, WalkForwardTicker&, JsonValue*, std::string* err) {
         *err = "The calendar is too short for 3 folds of 60 days.";
         return false;
       },
       false, "The calendar is too short for 3 folds of 60 days."},
      {"not a result",
       [](const WalkForwardChoice&, WalkForwardTicker&, JsonValue* doc, std::string*) {
         *doc = JsonValue::Object();
         return true;
       },
       false, "not a walk-forward result: no \"folds\" list"},
      {"cancelled",
       [](const WalkForwardChoice&, WalkForwardTicker& t, JsonValue*, std::string* err) {
         t.Cancel();
         *err = "cancelled";
         return false;
       },
       false, nullptr},
      {"throws",
       [](const WalkForwardChoice&, WalkForwardTicker&, JsonValue*, std::string*) -> bool {
         throw std::runtime_error("out of memory");
       },
       false, "The walk-forward test failed: out of memory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform.ClearRecords();
    CloseWalkForwardWindows();
    TWalkForwardWindow* w = RunWalkForward(nullptr, choice, c.work);
    EXPECT_EQ(w != nullptr, c.window);
    EXPECT_EQ(NewestWalkForwardWindow(), w);
    ASSERT_EQ(platform.messages().size(), c.message ? 1u : 0u);
    if (c.message) EXPECT_EQ(platform.messages()[0].text, c.message);
  }
}

}  // namespace
}  // namespace kv::test
