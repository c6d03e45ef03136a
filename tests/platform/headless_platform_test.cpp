#include <gtest/gtest.h>

#include "platform/headless/headless_platform.h"
#include "resources/ids.h"
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
  // The download dialog's file list is sorted with multiple selection by its layout.
  HeadlessDialog d(ids::DLG_LOADER, nullptr);
  d.AddItem(ids::IDC_LD_FILES, "PG.CSV");
  d.AddItem(ids::IDC_LD_FILES, "GE.CSV");
  d.AddItem(ids::IDC_LD_FILES, "KO.CSV");
  EXPECT_EQ(d.ItemText(ids::IDC_LD_FILES, 0), "GE.CSV");
  EXPECT_EQ(d.ItemText(ids::IDC_LD_FILES, 2), "PG.CSV");
  d.SelectItem(ids::IDC_LD_FILES, 0, true);
  d.SelectItem(ids::IDC_LD_FILES, 2, true);
  EXPECT_EQ(d.SelectedItems(ids::IDC_LD_FILES), (std::vector<int>{0, 2}));
  HeadlessDialog m(ids::DLG_MAIN, nullptr);
  m.AddItem(ids::IDC_TRAIN_START, "19980102", 7);
  m.AddItem(ids::IDC_TRAIN_START, "19980202", 28);
  m.SetSel(ids::IDC_TRAIN_START, 1);
  EXPECT_EQ(m.ItemData(ids::IDC_TRAIN_START, m.GetSel(ids::IDC_TRAIN_START)), 28);
  m.DeleteItem(ids::IDC_TRAIN_START, 0);
  EXPECT_EQ(m.GetSel(ids::IDC_TRAIN_START), 0);
  EXPECT_EQ(m.FindExact(ids::IDC_TRAIN_START, "19980202"), 0);
  EXPECT_EQ(m.FindExact(ids::IDC_TRAIN_START, "1998"), -1);
  d.SetTextLimit(ids::IDC_LD_MANUAL, 5);
  d.Type(ids::IDC_LD_MANUAL, "ABCDEFG");
  EXPECT_EQ(d.GetText(ids::IDC_LD_MANUAL), "ABCDE");
  EXPECT_EQ(d.GetText(ids::IDC_LD_MANUAL, 3), "ABC");
}

}  // namespace
}  // namespace kv::test
