// Reading a walk-forward result back: a good document gives its folds, runs
// and curves; a damaged one gives a message that names what is wrong.
#include <gtest/gtest.h>

#include <functional>

#include "forecast/walkforward_report.h"
#include "support/walkforward_doc.h"

namespace kv::test {
namespace {

TEST(WalkForwardReportTest, ReadsFoldsRunsAndCurves) {
  WalkForwardReport r;
  std::string err;
  ASSERT_TRUE(ParseWalkForwardReport(WalkForwardDocument(), &r, &err)) << err;
  ASSERT_EQ(r.folds.size(), 3u);
  EXPECT_EQ(r.folds[1].test_start, WalkForwardDay(130));
  EXPECT_EQ(r.folds[1].trades, 3);
  EXPECT_FALSE(r.folds[2].hit_rate_pct.has_value());   // null: no calls
  EXPECT_DOUBLE_EQ(*r.folds[0].hit_rate_pct, 55.5);
  EXPECT_EQ(r.out_of_sample.equity.size(), 61u);
  EXPECT_EQ(r.out_of_sample.buy_hold_equity.size(), 61u);
  EXPECT_EQ(r.in_sample.equity.size(), 301u);
  EXPECT_TRUE(r.in_sample.buy_hold_equity.empty());
  EXPECT_DOUBLE_EQ(*r.out_of_sample.Get("sharpe"), 1.25);
  EXPECT_FALSE(r.out_of_sample.Get("win_rate_pct").has_value());
  EXPECT_FALSE(r.out_of_sample.Get("sortino").has_value());   // absent
}

TEST(WalkForwardReportTest, DamagedDocumentsSayWhatIsWrong) {
  using Edit = std::function<void(JsonValue&)>;
  auto fold = [](JsonValue& d, int i) -> JsonValue& {
    return const_cast<JsonValue&>(d.Find("folds")->items()[i]);
  };
  auto run = [](JsonValue& d, const char* k) -> JsonValue& {
    return const_cast<JsonValue&>(*d.Find(k));
  };
  struct Case {
    Edit edit;
    const char* message;
  } cases[] = {
      {[](JsonValue& d) { d = JsonValue::Array(); }, "not a walk-forward result: no \"folds\" list"},
      {[](JsonValue& d) { d.Set("folds", "three"); }, "not a walk-forward result: no \"folds\" list"},
      {[](JsonValue& d) { d.Set("folds", JsonValue::Array()); }, "the walk-forward result has no folds"},
      {[&](JsonValue& d) { fold(d, 1) = JsonValue(7); }, "fold 2 is not an object"},
      {[&](JsonValue& d) { fold(d, 0).Set("test_start", "2025-05-01"); },
       "fold 1: \"test_start\" is not a date (YYYYMMDD)"},
      {[&](JsonValue& d) { fold(d, 2).Set("train_end", 20251301); },
       "fold 3: \"train_end\" is not a date (YYYYMMDD)"},
      {[&](JsonValue& d) { fold(d, 0).Set("test_end", 20250101); }, "fold 1: a window ends before it starts"},
      {[&](JsonValue& d) { fold(d, 0).Set("return_pct", "1.5"); }, "fold 1: \"return_pct\" is not a number"},
      {[&](JsonValue& d) { fold(d, 0).Set("trades", -1); }, "fold 1: \"trades\" is not a count"},
      {[&](JsonValue& d) { fold(d, 0).Set("trades", 2.5); }, "fold 1: \"trades\" is not a count"},
      {[](JsonValue& d) { d.Set("out_of_sample", JsonValue()); },
       "not a walk-forward result: no \"out_of_sample\" object"},
      {[&](JsonValue& d) { run(d, "in_sample").Set("sharpe", true); }, "\"in_sample\": \"sharpe\" is not a number"},
      {[&](JsonValue& d) { run(d, "in_sample").Set("equity", JsonValue::Array()); },
       "\"in_sample\" \"equity\" is not a list of {\"date\", \"value\"} points"},
      {[&](JsonValue& d) {
         JsonValue e = JsonValue::Array();
         e.Push(JsonValue::Object()).Set("date", 20250101);
         run(d, "out_of_sample").Set("buy_hold_equity", e);
       },
       "\"out_of_sample\" \"buy_hold_equity\", point 1: needs a \"date\" (YYYYMMDD) and a \"value\" number"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    JsonValue doc = WalkForwardDocument();
    c.edit(doc);
    WalkForwardReport r;
    r.folds.resize(9);
    std::string err;
    EXPECT_FALSE(ParseWalkForwardReport(doc, &r, &err));
    EXPECT_EQ(err, c.message);
    EXPECT_EQ(r.folds.size(), 9u);   // left as it was
  }
}

}  // namespace
}  // namespace kv::test
