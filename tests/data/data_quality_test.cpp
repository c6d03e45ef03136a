// The data-quality check: each finding with its threshold just met and just
// missed; the stale-data warning; ADD's question answered Yes and No.
#include <algorithm>
#include <functional>

#include "data/data_quality.h"
#include "data/price_files.h"
#include "data/stock.h"
#include "resources/ids.h"
#include "support/fixture.h"
#include "util/text.h"

namespace kv::test {
namespace {

class DataQualityTest : public MainDlgTest {};

TEST_F(DataQualityTest, EachFindingAtItsThreshold) {
  const auto days = TradingDays(2020, 1, 2, 200);   // 2020-01-03 is a Friday: day 1
  using Edit = std::function<void(Stock&)>;
  const auto set_price = [](int from, int count, float p) {
    return [=](Stock& s) { std::fill(s.quoted_price + from, s.quoted_price + from + count, p); };
  };
  const auto unquote = [](int from, int count) {
    return [=](Stock& s) { std::fill(s.quoted + from, s.quoted + from + count, false); };
  };
  const auto drop_dates = [](int from_ymd, int to_ymd) {
    return [=](Stock& s) {
      std::erase_if(s.file_dates, [&](int32_t d) { return d >= from_ymd && d <= to_ymd; });
    };
  };
  // Day 77 closes at 100; from day 78 the price is `to` for `days` days, then
  // back near 100.
  const auto move_at_78 = [](float to, int days) { return [=](Stock& s) { std::fill(s.quoted_price + 78, s.quoted_price + 78 + days, to); }; };
  struct Case {
    const char* name;
    Edit edit;
    bool related;
    std::vector<FindingKind> expected;
  } cases[] = {
      {"clean", [](Stock&) {}, true, {}},
      {"one price of 0", set_price(50, 1, 0), false, {FindingKind::ZeroPrice}},
      {"9 equal prices in a row", set_price(50, 9, 42), false, {}},
      {"10 equal prices in a row", set_price(50, 10, 42), false, {FindingKind::StalePrice}},
      {"related, 90 % of the window quoted", unquote(100, 10), true, {}},
      {"related, 89 % of the window quoted", unquote(100, 11), true, {FindingKind::PoorOverlap}},
      {"related, nothing quoted", unquote(0, 200), true, {FindingKind::PoorOverlap}},
      {"the target is never short of its own days", unquote(100, 11), false, {}},
      {"a 40 % move undone", move_at_78(140, 2), false, {}},
      {"a 41 % move undone on the 5th day", move_at_78(141, 5), false, {FindingKind::SuspectMove}},
      {"a 41 % move undone on the 6th day", move_at_78(141, 6), false, {}},
      {"a 45 % fall undone", move_at_78(55, 3), false, {FindingKind::SuspectMove}},
      {"10 days without a quote", drop_dates(20200106, 20200110), false, {}},
      {"11 days without a quote", drop_dates(20200106, 20200113), false, {FindingKind::Gap}},
      {"newest first throughout", [](Stock& s) { std::reverse(s.file_dates.begin(), s.file_dates.end()); },
       false, {}},
      {"one date out of order", [](Stock& s) { std::swap(s.file_dates[30], s.file_dates[31]); }, false,
       {FindingKind::OutOfOrder}},
      {"one date twice", [](Stock& s) { s.file_dates.insert(s.file_dates.begin() + 31, s.file_dates[30]); },
       false, {FindingKind::Repeated}},
  };
  calendar_count = static_cast<int32_t>(days.size());
  for (size_t i = 0; i < days.size(); ++i) calendar[i] = days[i].ymd();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Stock s;
    for (size_t i = 0; i < days.size(); ++i) {
      s.quoted[i] = true;
      s.quoted_price[i] = 100.0f + static_cast<float>(i % 7);   // no two days alike in a row
      s.file_dates.push_back(days[i].ymd());
    }
    c.edit(s);
    std::vector<FindingKind> got;
    for (const Finding& f : CheckStockData(s, c.related, 100, 200)) got.push_back(f.kind);
    EXPECT_EQ(got, c.expected);
  }
}

TEST_F(DataQualityTest, StaleDataWarning) {
  EXPECT_FALSE(StaleDataWarning(20201201, 20201208));
  EXPECT_EQ(StaleDataWarning(20201130, 20201208).value_or(""), "latest price 20201130 is 8 days old");
  EXPECT_EQ(StaleDataWarning(20191231, 20200302).value_or(""), "latest price 20191231 is 62 days old");
}

TEST_F(DataQualityTest, AddAsksAboutPoorDataYesAddsNoLeavesTheList) {
  const auto days = TradingDays(2020, 1, 6, 200);
  const std::string flat = dir.write("flat.csv", PriceText(days, [](const Day& d, int i) {
    return Format("%04d-%02d-%02d,%.2f,1000", d.y, d.m, d.d, i >= 150 && i < 160 ? 25.0 : 20.0 + (i % 7));
  }));
  for (int answer : {IDNO, IDYES}) {
    SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
    platform.ClearRecords();
    platform.QueueAnswer(answer);
    win().SetText(ids::IDC_SYMBOL, "FLAT");
    win().SetText(ids::IDC_FILENAME, flat);
    win().SetText(ids::IDC_INFL_PERIOD, "5");
    win().Check(ids::IDC_SHORT, true);
    main->modified = false;
    win().Click(ids::IDC_ADD);
    ASSERT_EQ(platform.messages().size(), 1u);
    const auto& m = platform.messages()[0];
    EXPECT_EQ(m.flags & 0xF, static_cast<unsigned>(MB_YESNO));
    EXPECT_NE(m.text.find(Format("the same price 25 on 10 quoted days in a row from %d", days[150].ymd())),
              std::string::npos)
        << m.text;
    EXPECT_EQ(main->n_files, answer == IDYES ? 1 : 0);
    EXPECT_EQ(win().ItemCount(ids::IDC_TICKER_LIST), answer == IDYES ? 1 : 0);
    EXPECT_EQ(main->modified, answer == IDYES);
  }
}

TEST_F(DataQualityTest, ARelatedStockFeedingOnlyZerosIsSaidAfterEveryRead) {
  const auto days = TradingDays(2020, 1, 6, 200);
  const std::string target = dir.write("t.csv", PriceText(days, IsoLine));
  const std::string before = dir.write("old.csv", PriceText(TradingDays(2018, 1, 2, 200), IsoLine));
  for (const auto& [symbol, file] : {std::pair{"T", target}, std::pair{"OLD", before}}) {
    win().SetText(ids::IDC_SYMBOL, symbol);
    win().SetText(ids::IDC_FILENAME, file);
    win().SetText(ids::IDC_INFL_PERIOD, "5");
    win().Check(ids::IDC_SHORT, true);
    win().Click(ids::IDC_ADD);   // the question about OLD is answered Yes
  }
  ASSERT_EQ(main->n_files, 2);
  const std::string said = "warning: OLD (" + before + "): none of the 130 days of the training window is quoted";
  EXPECT_EQ(win().GetText(ids::IDC_STATUS, 500).rfind(said, 0), 0u) << win().GetText(ids::IDC_STATUS, 500);
  main->CmOpen_stock();   // File > Reread Stocks
  EXPECT_EQ(win().GetText(ids::IDC_STATUS, 500).rfind(said, 0), 0u);
}

TEST_F(DataQualityTest, PredictSaysWhenTheLatestPriceIsOld) {
  const auto days = TradingDays(2020, 1, 6, 200);   // the last one is a Friday, 2020-10-09
  ASSERT_EQ(days.back().ymd(), 20201009);
  const std::string file = dir.write("t.csv", PriceText(days, IsoLine));
  struct Case {
    int today_day;   // of October 2020
    bool warned;
  } cases[] = {{16, false}, {17, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.today_day);
    clock.SetNow(NoonOf(2020, 10, c.today_day));
    main->modified = false;
    main->CmFilenew();
    win().SetText(ids::IDC_SYMBOL, "T");
    win().SetText(ids::IDC_FILENAME, file);
    win().SetText(ids::IDC_INFL_PERIOD, "5");
    win().Check(ids::IDC_SHORT, true);
    win().Click(ids::IDC_ADD);
    ASSERT_EQ(main->n_files, 1);
    main->Trained = 1;   // as after training: PREDICT is enabled
    win().Enable(ids::IDC_PREDICT, true);
    win().SetText(ids::IDC_STATUS, "");
    win().Click(ids::IDC_PREDICT);
    EXPECT_EQ(win().GetText(ids::IDC_STATUS, 200),
              c.warned ? "warning: latest price 20201009 is 8 days old" : "");
  }
}

}  // namespace
}  // namespace kv::test
