#include "platform/face_contract.h"

#include <string>

#include "resources/dialogs.h"
#include "resources/ids.h"

namespace kv::test {

void FaceContract::SetUp() {
  face_ = GetParam().make();
  SetPlatform(&platform());
  platform().SetClock(&clock());
  platform().SetQuitHandler([this](int code) { face_->quit_codes.push_back(code); });
}

void FaceContract::TearDown() {
  platform().SetClock(nullptr);
  SetPlatform(nullptr);
}

namespace {

struct TimerLog : WindowHandler {
  std::vector<unsigned> fired;
  void EvTimer(unsigned id) override { fired.push_back(id); }
};

// Lists, tabs, bars and frames show no text of their own.
bool ShowsText(res::Ctl kind) {
  return kind != res::Ctl::ListBox && kind != res::Ctl::DropList && kind != res::Ctl::HScroll &&
         kind != res::Ctl::Tab && kind != res::Ctl::Progress && kind != res::Ctl::Frame;
}

TEST_P(FaceContract, EveryDialogHasTheControlsOfItsLayout) {
  for (const res::DialogDef& def : res::kDialogs) {
    SCOPED_TRACE(def.id);
    auto dlg = platform().CreateDialog(def.id, nullptr);
    EXPECT_EQ(dlg->ResourceId(), def.id);
    if (def.id != ids::DLG_MAIN) {
      EXPECT_EQ(dlg->Caption(), def.caption);
    }
    for (size_t i = 0; i < def.count; ++i) {
      const res::ControlDef& c = def.controls[i];
      if (c.id < 0) continue;
      SCOPED_TRACE(c.id);
      EXPECT_EQ(dlg->GetText(c.id), ShowsText(c.kind) ? c.text : "");
      EXPECT_TRUE(dlg->IsEnabled(c.id));
      EXPECT_EQ(dlg->IsVisible(c.id), !(c.flags & res::F_HIDDEN));
      EXPECT_EQ(dlg->IsReadOnly(c.id), (c.flags & res::F_READONLY) != 0);
      EXPECT_FALSE(dlg->IsChecked(c.id));
    }
  }
}

TEST_P(FaceContract, ControlsKeepWhatTheProgramSets) {
  struct Case {
    int resource, id;
    const char* text;     // written, then read back whole
    bool check;           // a check box keeps its mark; other kinds have none
  };
  const Case cases[] = {
      {ids::DLG_MAIN, ids::IDC_NEURONS, "12", false},
      {ids::DLG_MAIN, ids::IDC_MODEL_PATH, "/tmp/models/a.kvn", false},   // read-only edit
      {ids::DLG_MAIN, ids::IDC_STATUS, "Training...", false},            // label
      {ids::DLG_MAIN, ids::IDC_TRAIN, "TRAIN", false},                   // button
      {ids::DLG_MAIN, ids::IDC_PRICE, "Price", true},                    // check box
      {ids::DLG_PREFERENCES, ids::IDC_PR_PROXY_GROUP, "Proxy", false},   // group
      {ids::DLG_LOADER, ids::IDC_LD_RESULTS, "   IBM \tOK\r\n    GE \tFAIL\r\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    auto dlg = platform().CreateDialog(c.resource, nullptr);
    dlg->SetText(c.id, c.text);
    EXPECT_EQ(dlg->GetText(c.id), c.text);
    EXPECT_EQ(dlg->GetText(c.id, 3), std::string(c.text).substr(0, 3));
    dlg->Check(c.id, true);
    EXPECT_EQ(dlg->IsChecked(c.id), c.check);
    dlg->Enable(c.id, false);
    EXPECT_FALSE(dlg->IsEnabled(c.id));
    dlg->Show(c.id, false);
    EXPECT_FALSE(dlg->IsVisible(c.id));
  }
}

TEST_P(FaceContract, ListsAndDropListsKeepItemsDataAndSelection) {
  // The download dialog's file list: sorted (byte order), several selected.
  auto loader = platform().CreateDialog(ids::DLG_LOADER, nullptr);
  const int files = ids::IDC_LD_FILES;
  const struct {
    const char* name;
    int index;
  } added[] = {{"PG.CSV", 0}, {"GE.CSV", 0}, {"ko.csv", 2}, {"BRK.B.CSV", 0}, {"GE.CSV", 2}};
  for (int n = 0; n < 5; ++n)
    EXPECT_EQ(loader->AddItem(files, added[n].name, 7 + n), added[n].index) << added[n].name;
  EXPECT_EQ(loader->ItemCount(files), 5);
  EXPECT_EQ(loader->ItemText(files, 0), "BRK.B.CSV");
  EXPECT_EQ(loader->FindExact(files, "ko.csv"), 4);
  EXPECT_EQ(loader->FindExact(files, "KO.CSV"), -1);
  EXPECT_EQ(loader->ItemData(files, 4), 9);
  for (int i : {0, 2, 4}) loader->SelectItem(files, i, true);
  loader->SelectItem(files, 2, false);
  EXPECT_EQ(loader->SelectedItems(files), (std::vector<int>{0, 4}));
  loader->DeleteItem(files, 0);
  EXPECT_EQ(loader->SelectedItems(files), (std::vector<int>{3}));
  loader->DeleteItem(files, 99);   // no such entry: nothing happens
  EXPECT_EQ(loader->ItemCount(files), 4);
  loader->ClearList(files);
  EXPECT_EQ(loader->ItemCount(files), 0);

  // A single-selection list and a drop-down list of the main dialog.
  auto main = platform().CreateDialog(ids::DLG_MAIN, nullptr);
  main->AddItem(ids::IDC_TICKER_LIST, "GE");
  main->AddItem(ids::IDC_TICKER_LIST, "KO");
  EXPECT_EQ(main->GetSel(ids::IDC_TICKER_LIST), -1);
  main->SetSel(ids::IDC_TICKER_LIST, 1);
  EXPECT_EQ(main->GetSel(ids::IDC_TICKER_LIST), 1);
  EXPECT_TRUE(main->IsSelected(ids::IDC_TICKER_LIST, 1));
  main->SetSel(ids::IDC_TICKER_LIST, -1);
  EXPECT_EQ(main->GetSel(ids::IDC_TICKER_LIST), -1);
  main->AddItem(ids::IDC_TRAIN_START, "19981201", 10);
  main->AddItem(ids::IDC_TRAIN_START, "19990104", 31);
  EXPECT_EQ(main->GetSel(ids::IDC_TRAIN_START), -1);   // nothing chosen yet
  EXPECT_EQ(main->GetText(ids::IDC_TRAIN_START), "");
  main->SetSel(ids::IDC_TRAIN_START, 1);
  EXPECT_EQ(main->GetText(ids::IDC_TRAIN_START), "19990104");
  main->InsertItem(ids::IDC_TRAIN_START, 0, "19981102", 0);
  EXPECT_EQ(main->GetSel(ids::IDC_TRAIN_START), 2);   // the choice moves with its entry
  EXPECT_EQ(main->ItemData(ids::IDC_TRAIN_START, 2), 31);
  main->SetText(ids::IDC_TRAIN_START, "19981201");    // text chooses the entry
  EXPECT_EQ(main->GetSel(ids::IDC_TRAIN_START), 1);
}

TEST_P(FaceContract, AnUnknownControlIdIsAnError) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto dlg = platform().CreateDialog(ids::DLG_LOADER, nullptr);
  struct Case {
    const char* call;
    void (*run)(Dialog&);
  };
  const Case cases[] = {
      {"SetText", [](Dialog& d) { d.SetText(9999, "x"); }},
      {"GetText", [](Dialog& d) { (void)d.GetText(9999); }},
      {"Enable", [](Dialog& d) { d.Enable(9999, false); }},
      {"AddItem", [](Dialog& d) { d.AddItem(9999, "x"); }},
      // An id of another dialog is unknown here too.
      {"IsChecked", [](Dialog& d) { (void)d.IsChecked(ids::IDC_PRICE); }},
  };
  for (const Case& c : cases) {
    const std::string message = std::string("dialog 600 has no control [0-9]+ \\(") + c.call + "\\)";
    EXPECT_DEATH(c.run(*dlg), message) << c.call;
  }
  EXPECT_DEATH(platform().CreateDialog(77, nullptr), "no layout for dialog 77");
}

TEST_P(FaceContract, MessageBoxesAndFileDialogsFollowTheScript) {
  struct Case {
    int queued;           // 0: none, the default answers
    int default_answer;
    unsigned flags;
    int answer;
  };
  const Case cases[] = {
      {IDNO, IDYES, MB_YESNOCANCEL, IDNO},
      {IDCANCEL, IDYES, MB_YESNOCANCEL, IDCANCEL},
      {0, IDYES, MB_YESNOCANCEL, IDYES},
      {0, IDNO, MB_YESNOCANCEL, IDNO},
      {0, IDNO, MB_OK | MB_ICONEXCLAMATION, IDOK},     // the only button
      {0, IDCANCEL, MB_YESNO, IDYES},                  // no Cancel on the box
      {0, IDCANCEL, MB_OKCANCEL, IDCANCEL},
      {0, IDNO, MB_OKCANCEL, IDOK},
  };
  int i = 0;
  for (const Case& c : cases) {
    if (c.queued) script().QueueAnswer(c.queued);
    script().SetDefaultAnswer(c.default_answer);
    EXPECT_EQ(platform().MessageBox("text " + std::to_string(i), "Caption", c.flags), c.answer) << i;
    ++i;
  }
  ASSERT_EQ(script().messages().size(), std::size(cases));
  EXPECT_EQ(script().messages()[4].text, "text 4");
  EXPECT_EQ(script().messages()[4].caption, "Caption");
  EXPECT_EQ(script().messages()[4].flags, unsigned(MB_OK | MB_ICONEXCLAMATION));
  EXPECT_EQ(script().messages()[1].answer, IDCANCEL);

  std::string path = "keep";
  const FileDialogSpec spec{false, "Kestri (*.kvn)|*.kvn|", "", OFN_FILEMUSTEXIST};
  EXPECT_FALSE(platform().FileDialog(spec, path));   // nothing queued: cancelled
  EXPECT_EQ(path, "keep");
  script().QueueFile(std::string("/tmp/x.kvn"));
  script().QueueFile(std::nullopt);
  EXPECT_TRUE(platform().FileDialog(spec, path));
  EXPECT_EQ(path, "/tmp/x.kvn");
  EXPECT_FALSE(platform().FileDialog(spec, path));
  ASSERT_EQ(script().file_dialogs().size(), 3u);
  EXPECT_EQ(script().file_dialogs()[1].path, "/tmp/x.kvn");
  EXPECT_TRUE(script().file_dialogs()[1].answered);
  EXPECT_FALSE(script().file_dialogs()[2].answered);
  EXPECT_EQ(script().file_dialogs()[0].spec.filter, "Kestri (*.kvn)|*.kvn|");
  script().ClearRecords();
  EXPECT_TRUE(script().messages().empty());
  EXPECT_TRUE(script().file_dialogs().empty());
}

TEST_P(FaceContract, PostedWorkPollersAndQuitRunOnCheckEvents) {
  std::vector<char> order;
  platform().Post([&] {
    order.push_back('a');
    platform().Post([&] { order.push_back('c'); });   // by the next pump at the latest
  });
  platform().Post([&] { order.push_back('b'); });
  platform().CheckEvents();
  ASSERT_GE(order.size(), 2u);
  EXPECT_EQ(order[0], 'a');
  EXPECT_EQ(order[1], 'b');
  platform().CheckEvents();
  EXPECT_EQ(order, (std::vector<char>{'a', 'b', 'c'}));

  int polls = 0, other = 0;
  int handle = 0;
  handle = platform().AddPoller([&] {
    if (++polls == 2) platform().RemovePoller(handle);   // a poller may remove itself
  });
  const int second = platform().AddPoller([&] { ++other; });
  for (int i = 0; i < 4; ++i) platform().CheckEvents();
  EXPECT_EQ(polls, 2);
  EXPECT_EQ(other, 4);
  platform().RemovePoller(second);
  platform().CheckEvents();
  EXPECT_EQ(other, 4);

  platform().PostQuit(3);
  platform().CheckEvents();
  EXPECT_EQ(face_->quit_codes, std::vector<int>{3});
}

TEST_P(FaceContract, TimersFireOnThePlatformClock) {
  TimerLog log;
  platform().SetTimer(&log, 4100, 60000);
  platform().SetTimer(&log, 4103, 1000);
  clock().Advance(999);
  platform().CheckEvents();
  EXPECT_TRUE(log.fired.empty());
  clock().Advance(1);
  platform().CheckEvents();
  EXPECT_EQ(log.fired, std::vector<unsigned>{4103});
  platform().KillTimer(&log, 4103);
  // Long overdue: fired once, not once per missed period.
  clock().Advance(10 * 60000);
  platform().CheckEvents();
  EXPECT_EQ(log.fired, (std::vector<unsigned>{4103, 4100}));
  platform().KillTimers(&log);
  clock().Advance(60000);
  platform().CheckEvents();
  EXPECT_EQ(log.fired.size(), 2u);
}

}  // namespace
}  // namespace kv::test
