// The main dialog's timers and the session's clock-driven behaviour, all on
// the virtual clock: minutes trained, periodic saving, the time limit.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "net/net_fixture.h"
#include "resources/ids.h"

namespace kv::test {
namespace {

constexpr uint64_t kMinute = 60000;

class TimersTest : public NetTest {
 protected:
  // The start-up work would fire one virtual second in and end the session.
  TimersTest() { platform.KillTimer(main.get(), ids::TIMER_STARTUP); }

  // A named model on disk, so that saving writes without asking.
  void MakeNamedModel() {
    MakeLearnablePattern(300);
    main->model_path = dir.file("timed.kvn");
    main->untitled = false;
    main->modified = true;
  }
  // Trains until the time limit, one virtual second per pump.
  void TrainFor(uint64_t ms) {
    clock.SetStepPerPump(1000);
    platform.SetTimer(main.get(), ids::TIMER_TIME_LIMIT, static_cast<unsigned>(ms));
    main->B1_BNClicked();
    clock.SetStepPerPump(0);
  }
};

TEST_F(TimersTest, EveryTimerKeepsTheStatusLine) {
  MakeNamedModel();
  struct Case {
    unsigned id;
    bool redraws;
  } cases[] = {{ids::TIMER_AUTOSAVE, true},
               {ids::TIMER_MINUTE, true},
               {ids::TIMER_TIME_LIMIT, true},
               {ids::TIMER_STARTUP, true},
               {ids::TIMER_BANNER, false}};   // not the main dialog's: default handling
  for (const Case& c : cases) {
    main->modified = true;
    window->SetText(ids::IDC_STATUS, "Simulated Annealing Training pass 3");
    int before = win().invalidations();
    main->EvTimer(c.id);
    EXPECT_EQ(window->GetText(ids::IDC_STATUS), "Simulated Annealing Training pass 3") << c.id;
    if (c.redraws) EXPECT_GE(win().invalidations() - before, 1) << c.id;
    else EXPECT_EQ(win().invalidations() - before, 0) << c.id;
  }
  // 4099 saved the model (Save_Param wrote its own status in between).
  EXPECT_TRUE(std::filesystem::exists(dir.file("timed.kvn")));
}

TEST_F(TimersTest, TimerActions) {
  MakeNamedModel();
  main->TimeTrained = 7;
  main->EvTimer(ids::TIMER_MINUTE);
  EXPECT_EQ(main->TimeTrained, 8);

  main->training_on = true;
  platform.SetTimer(main.get(), ids::TIMER_TIME_LIMIT, 5000);
  main->EvTimer(ids::TIMER_TIME_LIMIT);
  EXPECT_FALSE(main->training_on);
  EXPECT_FALSE(platform.HasTimer(main.get(), ids::TIMER_TIME_LIMIT));

  platform.SetTimer(main.get(), ids::TIMER_STARTUP, 1000);
  main->EvTimer(ids::TIMER_STARTUP);
  EXPECT_FALSE(platform.HasTimer(main.get(), ids::TIMER_STARTUP));   // start-up work runs once
}

TEST_F(TimersTest, TimeTrainedCountsOnlyWhileASessionRuns) {
  MakeLearnablePattern(300);
  clock.Advance(10 * kMinute);
  platform.CheckEvents();
  EXPECT_EQ(main->TimeTrained, 0);

  TrainFor(10 * kMinute + 30000);
  EXPECT_EQ(main->TimeTrained, 10);
  EXPECT_FALSE(platform.HasTimer(main.get(), ids::TIMER_MINUTE));

  for (int i = 0; i < 5; ++i) {
    clock.Advance(kMinute);
    platform.CheckEvents();
  }
  EXPECT_EQ(main->TimeTrained, 10);
}

TEST_F(TimersTest, ATimeLimitOfHalfAnHourEndsTrainingAfterThirtyVirtualMinutes) {
  MakeLearnablePattern(300);
  const uint64_t start = clock.TickMs();
  TrainFor(30 * kMinute);
  const uint64_t elapsed = clock.TickMs() - start;
  EXPECT_GE(elapsed, 30 * kMinute);
  EXPECT_LT(elapsed, 30 * kMinute + 10000);   // a pump or two to notice and finish
  EXPECT_FALSE(main->training_on);
  EXPECT_GE(main->TimeTrained, 29);   // the minute timer starts a pump or two late
  EXPECT_LE(main->TimeTrained, 30);
  EXPECT_EQ(window->GetText(ids::IDC_STATUS), "Finished Training");
  for (unsigned id : {ids::TIMER_AUTOSAVE, ids::TIMER_MINUTE, ids::TIMER_TIME_LIMIT})
    EXPECT_FALSE(platform.HasTimer(main.get(), id)) << id;
}

TEST_F(TimersTest, AutoSaveSavesAtTheStartAndEveryFifteenMinutes) {
  for (bool auto_save : {true, false}) {
    SCOPED_TRACE(auto_save ? "Auto Save on" : "Auto Save off");
    MakeNamedModel();
    std::filesystem::remove(main->model_path);
    main->AutoSave = auto_save;
    // Each save writes the file; count it and take it away again.
    std::vector<uint64_t> saved_at;
    bool timer_seen = false;
    int poller = platform.AddPoller([&] {
      timer_seen |= platform.HasTimer(main.get(), ids::TIMER_AUTOSAVE);
      if (std::filesystem::remove(main->model_path)) saved_at.push_back(clock.TickMs());
    });
    const uint64_t start = clock.TickMs();
    TrainFor(46 * kMinute);
    platform.RemovePoller(poller);
    if (auto_save) {
      ASSERT_EQ(saved_at.size(), 4u);
      EXPECT_LT(saved_at[0] - start, kMinute);   // at the start
      for (size_t i = 1; i < saved_at.size(); ++i) {
        EXPECT_GE(saved_at[i] - start, i * 15 * kMinute);
        EXPECT_LT(saved_at[i] - start, i * 15 * kMinute + kMinute);
      }
      EXPECT_EQ(platform.TimerPeriod(main.get(), ids::TIMER_AUTOSAVE), 0u);   // gone
    } else {
      EXPECT_TRUE(saved_at.empty());
      EXPECT_FALSE(timer_seen);
    }
  }
}

// The pump keeps its bookkeeping (earliest due timer, pollers) in step with
// timers and pollers that come and go from inside their own calls.
class PumpTest : public PlatformTest {};

struct Recorder : WindowHandler {
  std::vector<std::pair<unsigned, uint64_t>> fired;
  std::function<void(unsigned)> on_timer;
  void EvTimer(unsigned id) override {
    fired.emplace_back(id, plat().clock().TickMs());
    if (on_timer) on_timer(id);
  }
};

TEST_F(PumpTest, TimersFireWhenDueAfterTimersComeAndGo) {
  Recorder r;
  platform.SetTimer(&r, 1, 100);
  platform.SetTimer(&r, 2, 30);
  r.on_timer = [&](unsigned id) {
    if (id == 2) platform.KillTimer(&r, 2);   // one-shot from its own handler
  };
  for (int i = 0; i < 25; ++i) {
    clock.Advance(10);
    platform.CheckEvents();
  }
  std::vector<std::pair<unsigned, uint64_t>> want = {{2, 30}, {1, 100}, {1, 200}};
  EXPECT_EQ(r.fired, want);

  // Re-setting restarts; killing the earliest timer does not stall the later one.
  r.fired.clear();
  r.on_timer = nullptr;
  platform.SetTimer(&r, 3, 5);
  platform.SetTimer(&r, 1, 50);   // restarted at 250: due 300
  platform.KillTimer(&r, 3);
  for (int i = 0; i < 10; ++i) {
    clock.Advance(10);
    platform.CheckEvents();
  }
  want = {{1, 300}, {1, 350}};
  EXPECT_EQ(r.fired, want);
}

TEST_F(PumpTest, PollersMayRemoveThemselvesAndAddOthers) {
  std::vector<std::string> calls;
  int self = 0;
  self = platform.AddPoller([&] {
    calls.push_back("once");
    platform.RemovePoller(self);
    platform.AddPoller([&] { calls.push_back("added"); });
  });
  platform.AddPoller([&] { calls.push_back("always"); });
  platform.CheckEvents();
  platform.CheckEvents();
  std::vector<std::string> want = {"once", "always", "always", "added"};
  EXPECT_EQ(calls, want);
}

}  // namespace
}  // namespace kv::test
