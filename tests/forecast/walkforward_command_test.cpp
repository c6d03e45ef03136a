// The walk-forward command's glue on the headless face: the settings it
// accepts, and what a run that succeeds, fails or is cancelled leaves behind.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "forecast/walkforward_command.h"
#include "forecast/walkforward_window.h"
#include "model/main_dlg.h"
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

  std::atomic<bool> asked_again{false};
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
      {"asked again while running",
       [&](const WalkForwardChoice&, WalkForwardTicker&, JsonValue*, std::string* err) {
         // Waits until the pump has delivered the second request.
         for (int i = 0; i < 1000 && !asked_again; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
         *err = "The first run failed.";
         return false;
       },
       false, "The first run failed."},
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
    // A second run asked for from the pump, as from the menu, is refused.
    bool second = std::string(c.name) == "asked again while running";
    if (second)
      platform.Post([&] {
        EXPECT_TRUE(WalkForwardRunning());
        EXPECT_EQ(RunWalkForward(nullptr, choice, c.work), nullptr);
        asked_again = true;
      });
    TWalkForwardWindow* w = RunWalkForward(nullptr, choice, c.work);
    EXPECT_FALSE(WalkForwardRunning());
    EXPECT_EQ(w != nullptr, c.window);
    EXPECT_EQ(NewestWalkForwardWindow(), w);
    ASSERT_EQ(platform.messages().size(), (c.message ? 1u : 0u) + second);
    if (second) {
      EXPECT_EQ(platform.messages()[0].text, "A walk-forward test is running: wait for it, or cancel it first.");
    }
    if (c.message) {
      EXPECT_EQ(platform.messages().back().text, c.message);
    }
  }
}

class WalkForwardMenuTest : public MainDlgTest {
 protected:
  ~WalkForwardMenuTest() override { CloseWalkForwardWindows(); }
};

TEST_F(WalkForwardMenuTest, TheMenuTestsTheModelAndShowsItsResults) {
  StockEntry ge;
  ge.symbol = "GE";
  ge.data_file = SamplePath("GE.csv");
  ge.period = "5";
  ge.price = true;
  ASSERT_TRUE(main->AddStock(ge).file_read);
  main->modified = false;
  const struct {
    const char* folds;
    bool window;
    const char* message;   // the start of the box, when one shows
  } cases[] = {
      {"2", true, nullptr},
      {"15", false, "the calendar holds 1000 days, but 15 folds"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folds);
    platform.ClearRecords();
    CloseWalkForwardWindows();
    platform.SetModalScript([&](Dialog& d) {
      d.SetText(ids::IDC_WF_FOLDS, c.folds);
      d.SetText(ids::IDC_WF_STEPS, "1500");
      return IDOK;
    });
    main->OnCommand(ids::CM_WALKFORWARD);
    TWalkForwardWindow* w = NewestWalkForwardWindow();
    ASSERT_EQ(w != nullptr, c.window);
    ASSERT_EQ(platform.messages().size(), c.message ? 1u : 0u);
    if (c.message) {
      EXPECT_EQ(platform.messages()[0].text.rfind(c.message, 0), 0u) << platform.messages()[0].text;
    }
    if (!w) continue;
    const WalkForwardReport& r = w->report();
    ASSERT_EQ(r.folds.size(), 2u);
    // Buy and hold runs over the same days as the out-of-sample run.
    ASSERT_EQ(r.out_of_sample.buy_hold_equity.size(), r.out_of_sample.equity.size());
    EXPECT_EQ(r.out_of_sample.buy_hold_equity.back().date, r.out_of_sample.equity.back().date);
  }
  EXPECT_FALSE(main->modified);
}

}  // namespace
}  // namespace kv::test
