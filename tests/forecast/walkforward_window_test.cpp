// The walk-forward results window on the headless face: its table and
// statistics from a result, and Export writing the document or saying why not.
#include <gtest/gtest.h>

#include "forecast/walkforward_window.h"
#include "resources/ids.h"
#include "support/fixture.h"
#include "support/walkforward_doc.h"

namespace kv::test {
namespace {

class WalkForwardWindowTest : public PlatformTest {
 protected:
  ~WalkForwardWindowTest() override { CloseWalkForwardWindows(); }
};

TEST_F(WalkForwardWindowTest, ShowsFoldsAndStatisticsSideBySide) {
  std::string err;
  TWalkForwardWindow* w = OpenWalkForwardWindow(nullptr, WalkForwardDocument(), &err);
  ASSERT_NE(w, nullptr) << err;
  Dialog& d = w->dlg();
  EXPECT_EQ(d.Caption(), "Walk-Forward Test: 3 folds");
  ASSERT_EQ(d.ItemCount(ids::IDC_WF_FOLD_TABLE), 4);   // heading and three folds
  EXPECT_EQ(d.ItemText(ids::IDC_WF_FOLD_TABLE, 0),
            "Fold  Training window         Test window             Hit rate  Confidence     Return   Buy&hold  Trades");
  EXPECT_EQ(d.ItemText(ids::IDC_WF_FOLD_TABLE, 1),
            "   1  2025-01-01..2025-04-16  2025-04-27..2025-05-18    55.5 %        60 %    +1.50 %    +2.00 %       2");
  // A fold without direction calls has no hit rate.
  EXPECT_EQ(d.ItemText(ids::IDC_WF_FOLD_TABLE, 3).substr(54, 8), "       -");
  // Statistics side by side, only those the result has (no sortino here).
  const std::vector<std::string> stats = {
      "                         out-of-sample       in-sample",
      "start                       2025-04-27      2025-01-02",
      "end                         2025-07-02      2025-11-21",
      "days                                60             300",
      "return_pct                       12.74          145.63",
      "sharpe                            1.25            1.25",
      "max_drawdown_pct                 -4.50           -4.50",
      "trades                               6               6",
      "win_rate_pct                         -               -"};
  ASSERT_EQ(d.ItemCount(ids::IDC_WF_STATS), static_cast<int>(stats.size()));
  for (size_t i = 0; i < stats.size(); ++i) EXPECT_EQ(d.ItemText(ids::IDC_WF_STATS, static_cast<int>(i)), stats[i]);

  // Not a result: no window, and the reason.
  EXPECT_EQ(OpenWalkForwardWindow(nullptr, JsonValue::Object(), &err), nullptr);
  EXPECT_EQ(err, "not a walk-forward result: no \"folds\" list");
  EXPECT_EQ(NewestWalkForwardWindow(), w);
}

TEST_F(WalkForwardWindowTest, ExportWritesTheDocumentOrSaysWhyNot) {
  std::string err;
  TWalkForwardWindow* w = OpenWalkForwardWindow(nullptr, WalkForwardDocument(), &err);
  ASSERT_NE(w, nullptr) << err;
  struct Case {
    std::optional<std::string> answer;   // the file dialog's; nullopt: Cancel
    bool written;
    const char* message;                 // the box's beginning, when one shows
  } cases[] = {
      {dir.file("out.json"), true, nullptr},
      {dir.file("out.json"), true, nullptr},   // over an earlier export
      {std::nullopt, false, nullptr},
      {dir.file("no/such/folder/out.json"), false, "The walk-forward result was not exported: "},
  };
  for (const Case& c : cases) {
    platform.ClearRecords();
    platform.QueueFile(c.answer);
    w->OnControl(ids::IDC_WF_EXPORT, Notify::Clicked);
    ASSERT_EQ(platform.file_dialogs().size(), 1u);
    EXPECT_TRUE(platform.file_dialogs()[0].spec.save);
    ASSERT_EQ(platform.messages().size(), c.message ? 1u : 0u);
    if (c.message) {
      EXPECT_EQ(platform.messages()[0].text.rfind(c.message, 0), 0u) << platform.messages()[0].text;
    }
    if (c.written) {
      JsonValue back;
      ASSERT_TRUE(ParseJson(ReadFile(*c.answer), &back, &err)) << err;
      EXPECT_TRUE(back == WalkForwardDocument());
    }
  }
}

}  // namespace
}  // namespace kv::test
