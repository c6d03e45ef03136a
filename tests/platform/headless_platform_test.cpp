#include <gtest/gtest.h>

#include "platform/headless/headless_platform.h"
#include "support/fixture.h"

namespace kv::test {
namespace {

struct TimerLog : WindowHandler {
  std::vector<std::pair<unsigned, uint64_t>> fired;
  Clock* clock = nullptr;
  void EvTimer(unsigned id) override { fired.emplace_back(id, clock->TickMs()); }
};

using HeadlessTest = PlatformTest;

TEST_F(HeadlessTest, MessageBoxesFollowTheScriptThenTheDefault) {
  platform.QueueAnswer(IDNO);
  platform.QueueAnswer(IDCANCEL);
  EXPECT_EQ(platform.MessageBox("a", "A", MB_YESNOCANCEL), IDNO);
  EXPECT_EQ(platform.MessageBox("b", "B", MB_YESNOCANCEL), IDCANCEL);
  platform.SetDefaultAnswer(IDNO);
  EXPECT_EQ(platform.MessageBox("c", "C", MB_YESNOCANCEL), IDNO);
  EXPECT_EQ(platform.MessageBox("d", "D", MB_OK | MB_ICONEXCLAMATION), IDOK);
  ASSERT_EQ(platform.messages().size(), 4u);
  EXPECT_EQ(platform.messages()[3].caption, "D");
  EXPECT_EQ(platform.messages()[3].flags & MB_ICON_MASK, unsigned(MB_ICONEXCLAMATION));
}

TEST_F(HeadlessTest, FileDialogsAreCancelledWithoutAScript) {
  std::string path = "keep";
  FileDialogSpec spec{false, "Kestri (*.kvn)|*.kvn|", "", OFN_FILEMUSTEXIST};
  EXPECT_FALSE(platform.FileDialog(spec, path));
  EXPECT_EQ(path, "keep");
  platform.QueueFile(std::string("/tmp/x.kvn"));
  EXPECT_TRUE(platform.FileDialog(spec, path));
  EXPECT_EQ(path, "/tmp/x.kvn");
  ASSERT_EQ(platform.file_dialogs().size(), 2u);
  EXPECT_EQ(platform.file_dialogs()[0].spec.filter, "Kestri (*.kvn)|*.kvn|");
}

TEST_F(HeadlessTest, TimersFireOnTheVirtualClockAndCanBeKilled) {
  TimerLog log;
  log.clock = &clock;
  platform.SetTimer(&log, 4100, 60000);
  platform.SetTimer(&log, 4103, 1000);
  clock.Advance(999);
  platform.CheckEvents();
  EXPECT_TRUE(log.fired.empty());
  clock.Advance(1);
  platform.CheckEvents();
  ASSERT_EQ(log.fired.size(), 1u);
  EXPECT_EQ(log.fired[0].first, 4103u);
  platform.KillTimer(&log, 4103);
  clock.Advance(59000);
  platform.CheckEvents();
  ASSERT_EQ(log.fired.size(), 2u);
  EXPECT_EQ(log.fired[1].first, 4100u);
  // A pump long overdue fires a timer once, not once per missed period.
  clock.Advance(10 * 60000);
  platform.CheckEvents();
  EXPECT_EQ(log.fired.size(), 3u);
  EXPECT_FALSE(platform.HasTimer(&log, 4103));
  EXPECT_TRUE(platform.HasTimer(&log, 4100));
}

TEST_F(HeadlessTest, PostedWorkRunsAtTheNextPumpAndQuitReachesTheHandler) {
  int runs = 0, quit = -1;
  platform.SetQuitHandler([&](int code) { quit = code; });
  platform.Post([&] {
    ++runs;
    platform.Post([&] { ++runs; });  // runs at the following pump, not this one
  });
  platform.CheckEvents();
  EXPECT_EQ(runs, 1);
  platform.PostQuit(0);
  platform.CheckEvents();
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(quit, 0);
}

TEST_F(HeadlessTest, StepPerPumpMovesTheVirtualClock) {
  clock.SetStepPerPump(250);
  uint64_t t0 = clock.TickMs();
  for (int i = 0; i < 4; ++i) platform.CheckEvents();
  EXPECT_EQ(clock.TickMs() - t0, 1000u);
}

TEST_F(HeadlessTest, ListsKeepItemDataSelectionAndSortOrder) {
  HeadlessDialog d(600, nullptr);
  d.SetSorted(110, true);
  d.SetMultiSelect(110, true);
  d.AddItem(110, "PG.CSV");
  d.AddItem(110, "GE.CSV");
  d.AddItem(110, "KO.CSV");
  EXPECT_EQ(d.ItemText(110, 0), "GE.CSV");
  EXPECT_EQ(d.ItemText(110, 2), "PG.CSV");
  d.SelectItem(110, 0, true);
  d.SelectItem(110, 2, true);
  EXPECT_EQ(d.SelectedItems(110), (std::vector<int>{0, 2}));
  d.AddItem(135, "19980102", 7);
  d.AddItem(135, "19980202", 28);
  d.SetSel(135, 1);
  EXPECT_EQ(d.ItemData(135, d.GetSel(135)), 28);
  d.DeleteItem(135, 0);
  EXPECT_EQ(d.GetSel(135), 0);
  EXPECT_EQ(d.FindExact(135, "19980202"), 0);
  EXPECT_EQ(d.FindExact(135, "1998"), -1);
  d.SetTextLimit(106, 5);
  d.Type(106, "ABCDEFG");
  EXPECT_EQ(d.GetText(106), "ABCDE");
  EXPECT_EQ(d.GetText(106, 3), "ABC");
}

}  // namespace
}  // namespace kv::test
