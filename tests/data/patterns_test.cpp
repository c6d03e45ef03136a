// Re-reading the model's stocks: input rows, targets, the training window's
// date lists and the messages of a stock that does not read.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "data/price_files.h"
#include "resources/ids.h"
#include "support/fixture.h"
#include "util/text.h"

namespace kv::test {
namespace {

class PatternsTest : public MainDlgTest {
 protected:
  const std::vector<Day> days = TradingDays(1998, 1, 5, 400);

  std::string WriteStock(const std::string& name) {
    return dir.write(name, PriceText(days, [](const Day& d, int i) {
                       return Format("%d,%g,%d", d.ymd(), 30 + 5 * std::sin(i / 9.0), 500 + i % 13);
                     }));
  }
  void AddStock(int slot, const std::string& path, int periods, const std::string& flags) {
    auto s = std::make_unique<Stock>();
    s->data_file = path;
    s->symbol = "S" + std::to_string(slot);
    s->infl_periods = periods;
    s->do_price = flags.find('p') != std::string::npos;
    s->do_volume = flags.find('v') != std::string::npos;
    s->do_l_price = flags.find('l') != std::string::npos;
    s->do_s_price = flags.find('s') != std::string::npos;
    main->stocks[slot] = std::move(s);
    main->n_files = slot + 1;
  }
};

TEST_F(PatternsTest, InputRowsFollowStocksSeriesAndLags) {
  const std::string f = WriteStock("a.csv");
  struct Case {
    const char* name;
    std::vector<std::pair<int, std::string>> stocks;   // period, flags per slot
    int in_nodes;
  } cases[] = {
      {"one stock, four series, 20 days", {{20, "pvls"}}, 80},
      {"three such stocks", {{20, "pvls"}, {20, "pvls"}, {20, "pvls"}}, 240},
      {"a stock without series adds nothing", {{5, "s"}, {20, ""}, {3, "pv"}}, 11},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (size_t i = 0; i < c.stocks.size(); ++i)
      AddStock(static_cast<int>(i), f, c.stocks[i].first, c.stocks[i].second);
    main->Update_Stocks();
    EXPECT_TRUE(platform.messages().empty());
    EXPECT_EQ(main->net.in_nodes, c.in_nodes);
    EXPECT_EQ(main->patterns.n_days, 400);
    for (int d = 0; d < 400; d += 57) EXPECT_EQ(main->patterns.inputs[main->net.in_nodes][d], 1.0f);
  }
  // Row order within a stock: price, long-term, short-term, volume; lag k
  // holds the value of k days earlier.
  AddStock(0, f, 3, "pvls");
  main->Update_Stocks();
  const Stock& s = *main->stocks[0];
  const float* series[4] = {s.price, s.l_price, s.s_price, s.volume};
  for (int k4 = 0; k4 < 4; ++k4)
    for (int k = 0; k < 3; ++k)
      for (int d : {k, 100, 399})
        EXPECT_EQ(main->patterns.inputs[k4 * 3 + k][d], series[k4][d - k]);
}

TEST_F(PatternsTest, TargetsMeasureTheRiseAndFallOfTheNextTenDays) {
  main->stocks[0] = std::make_unique<Stock>();
  main->n_files = 1;
  main->patterns.n_days = 30;
  Stock& s = *main->stocks[0];
  for (int mode : {0, 1}) {
    SCOPED_TRACE(mode);
    float* x = mode == 0 ? s.s_price : s.price;
    for (int d = 0; d < 30; ++d) x[d] = 1.0f;
    x[3] = 1.05f;    // a 5 % rise seen from days 0..3
    x[15] = 0.0f;    // a zero value
    x[20] = 0.5f;    // a fall of 50 %
    main->PredicMode = mode;
    main->net.out_nodes = 1;
    main->Create_Results();
    EXPECT_EQ(main->net.out_nodes, 2);
    EXPECT_NEAR(main->patterns.result[0][0], 0.5f, 1e-5);  // 5 % up: half of the full 10 %
    EXPECT_FLOAT_EQ(main->patterns.result[3][0], 0.0f);
    EXPECT_NEAR(main->patterns.result[3][1], 0.05f * 10 / 1.05f, 1e-5);
    EXPECT_EQ(main->patterns.result[15][0], 0);
    EXPECT_EQ(main->patterns.result[15][1], 0);
    EXPECT_FLOAT_EQ(main->patterns.result[11][1], 1.0f);  // 15 is within ten days: a full fall
    EXPECT_FLOAT_EQ(main->patterns.result[29][0], 0);     // the last day compares with itself
    EXPECT_FLOAT_EQ(main->patterns.result[29][1], 0);
    x[3] = 1.0f;
    x[15] = 1.0f;
    x[20] = 1.0f;
  }
}

TEST_F(PatternsTest, DateListsOfferMonthStartsAndKeepTheWindowValid) {
  AddStock(0, WriteStock("a.csv"), 5, "ps");
  main->Update_Stocks();
  const int n = main->patterns.n_days;
  ASSERT_EQ(n, 400);
  Dialog& d = *window;
  // Every Training Start entry is a month's first trading day.
  const int starts = d.ItemCount(ids::IDC_TRAIN_START);
  ASSERT_GT(starts, 15);
  for (int i = 0; i < starts; ++i) {
    long day = d.ItemData(ids::IDC_TRAIN_START, i);
    EXPECT_EQ(d.ItemText(ids::IDC_TRAIN_START, i), std::to_string(calendar[day]));
    if (day > 0 && d.ItemText(ids::IDC_TRAIN_START, i) != std::to_string(calendar[n - 140])) {
      EXPECT_NE(calendar[day] / 100, calendar[day - 1] / 100);
    }
  }
  // The defaults select the window 140 days back to 10 days back.
  EXPECT_EQ(main->eval_days, 140);
  EXPECT_EQ(main->keepout_days, 10);
  EXPECT_EQ(d.ItemText(ids::IDC_TRAIN_START, d.GetSel(ids::IDC_TRAIN_START)),
            std::to_string(calendar[n - 140]));
  EXPECT_EQ(d.ItemText(ids::IDC_TRAIN_END, d.GetSel(ids::IDC_TRAIN_END)),
            std::to_string(calendar[n - 10]));
  // The last date is offered as a Training End meaning "keep out 10 days".
  const int ends = d.ItemCount(ids::IDC_TRAIN_END);
  EXPECT_EQ(d.ItemText(ids::IDC_TRAIN_END, ends - 1), std::to_string(calendar[n - 1]));
  EXPECT_EQ(d.ItemData(ids::IDC_TRAIN_END, ends - 1), n - 10);

  // An end chosen before the start moves back to the start.
  d.SetSel(ids::IDC_TRAIN_END, 0);
  main->COMBOBOX2_BNSelChange();
  EXPECT_EQ(main->keepout_days, main->eval_days);
  EXPECT_EQ(d.ItemText(ids::IDC_TRAIN_END, d.GetSel(ids::IDC_TRAIN_END)),
            std::to_string(calendar[n - main->eval_days]));
  // A later start takes effect and keeps the end inside the window.
  int later = starts - 2;
  d.SetSel(ids::IDC_TRAIN_START, later);
  main->COMBOBOX1_BNSelChange();
  EXPECT_EQ(main->eval_days, n - d.ItemData(ids::IDC_TRAIN_START, later));
  EXPECT_LE(main->keepout_days, main->eval_days);
  EXPECT_GE(main->keepout_days, 10);
  EXPECT_TRUE(main->modified);

  // With no entries at all both become 10.
  d.ClearList(ids::IDC_TRAIN_START);
  d.ClearList(ids::IDC_TRAIN_END);
  main->COMBOBOX1_BNSelChange();
  EXPECT_EQ(main->eval_days, 10);
  EXPECT_EQ(main->keepout_days, 10);
}

TEST_F(PatternsTest, AStockThatDoesNotReadIsNamedAndTheWindowSurvives) {
  const std::string good = WriteStock("good.csv");
  const std::string missing = dir.file("missing.csv");
  AddStock(0, good, 5, "s");
  AddStock(1, missing, 5, "s");
  main->Update_Stocks();
  ASSERT_FALSE(platform.messages().empty());
  EXPECT_EQ(platform.messages().back().text,
            "An Error has occured while reading\n" + missing +
                "\nPlease correct the error and select\nReread from the File menu\n-ERROR 454");
  EXPECT_EQ(main->n_files, 2);   // the stock stays in the list

  platform.ClearRecords();
  main->stocks[0]->data_file = missing;
  main->eval_days = 140;
  main->Update_Stocks();
  ASSERT_EQ(platform.messages().size(), 1u);
  EXPECT_EQ(platform.messages()[0].text,
            "An Error has occured while reading\n" + missing +
                "\nPlease correct the error and select\nReread from the File menu\n-ERROR 453");
  EXPECT_EQ(main->eval_days, 140);   // not clipped to the empty calendar

  // Corrected file, File > Reread Stocks: everything is back.
  platform.ClearRecords();
  main->stocks[0]->data_file = good;
  main->stocks[1]->data_file = good;
  main->CmOpen_stock();
  EXPECT_TRUE(platform.messages().empty());
  EXPECT_EQ(main->patterns.n_days, 400);
  EXPECT_EQ(window->ItemCount(ids::IDC_TICKER_LIST), 2);
}

TEST_F(PatternsTest, RereadingATrainedModelKeepsItsScale) {
  AddStock(0, WriteStock("a.csv"), 5, "psv");
  main->Update_Stocks();
  Stock& s = *main->stocks[0];
  s.normal1 = 0.25f;
  s.normal3 = 0.001f;
  s.normal5 = 20.0f;   // below the highest price (35)
  main->Trained = 1;
  main->CmOpen_stock();
  EXPECT_EQ(s.normal1, 0.25f);
  EXPECT_EQ(s.normal3, 0.001f);
  EXPECT_EQ(s.normal5, 20.0f);
  float top = 0;
  for (int d = 0; d < 400; ++d) top = std::max(top, s.price[d]);
  EXPECT_GT(top, 0.9f);   // prices above the stored bound give inputs above 0.9
  EXPECT_FLOAT_EQ(s.volume[0], s.normal3 * 500);

  main->Trained = 0;
  main->CmOpen_stock();
  EXPECT_NEAR(s.normal5, top * 20.0f / 0.9f, 1e-4);   // new factors: the highest price
}

// Patterns built from the stocks as read: without a cut-off they are the
// dialog's own, bit for bit; with one, no price after a day reaches that
// day's inputs, nor (through the scale factors) any input at all.
TEST_F(PatternsTest, BuiltPatternsMatchTheModelsAndUseNoLaterPrice) {
  AddStock(0, WriteStock("a.csv"), 6, "pvls");
  AddStock(1, WriteStock("b.csv"), 4, "sv");
  for (int mode : {0, 1}) {
    SCOPED_TRACE(mode);
    main->PredicMode = mode;
    main->Update_Stocks();
    std::vector<RawStock> raw;
    for (int s = 0; s < 2; ++s) {
      const Stock& st = *main->stocks[s];
      raw.push_back({std::vector<float>(st.raw_price, st.raw_price + 400),
                     std::vector<float>(st.raw_volume, st.raw_volume + 400), st.do_price,
                     st.do_l_price, st.do_s_price, st.do_volume, st.infl_periods});
    }
    const int rows = main->net.in_nodes;
    auto same = [&](const Patterns& a, const Patterns& b, int days, int targets) {
      for (int j = 0; j <= rows; ++j)
        if (std::memcmp(a.inputs[j], b.inputs[j], days * sizeof(float))) return false;
      return std::memcmp(a.result, b.result, targets * sizeof a.result[0]) == 0;
    };
    auto built = std::make_unique<Patterns>();
    for (int last : {399, 5000}) {
      EXPECT_EQ(BuildPatterns(raw, 400, last, mode, *built), rows);
      EXPECT_TRUE(same(*built, main->patterns, 400, 400));
    }

    // Cut off at day 199; prices change from day 251 on.
    struct Case {
      int n_days;
      bool changed;
    } cases[] = {{400, false}, {400, true}, {251, false}};
    std::vector<std::unique_ptr<Patterns>> got;
    for (const Case& c : cases) {
      std::vector<RawStock> r = raw;
      if (c.changed)
        for (RawStock& st : r)
          for (int d = 251; d < 400; ++d) st.close[d] *= 1.7f, st.volume[d] += 99;
      got.push_back(std::make_unique<Patterns>());
      BuildPatterns(r, c.n_days, 199, mode, *got.back());
    }
    EXPECT_TRUE(same(*got[0], *got[1], 251, 241));
    EXPECT_TRUE(same(*got[0], *got[2], 251, 241));
    EXPECT_FALSE(same(*got[0], main->patterns, 251, 241));   // the scale is the cut-off's
  }
}

// Patterns own their arrays: a copy and an assignment carry every value and
// stay apart from the original (and each frees its own block once).
TEST(PatternsValueTest, CopiesCarryTheArraysAndStayApart) {
  Patterns a;
  EXPECT_EQ(a.inputs[kInputRows - 1][kMaxDays - 1], 0.0f);   // zero until written
  EXPECT_EQ(a.result[kMaxDays - 1][kMaxOutputs - 1], 0.0f);
  a.n_days = 7;
  a.inputs[3][5] = 1.5f;
  a.inputs[kInputRows - 1][kMaxDays - 1] = 2.5f;
  a.result[kMaxDays - 1][1] = 0.25f;
  Patterns copied(a);
  Patterns assigned;
  assigned = a;
  for (Patterns* p : {&copied, &assigned}) {
    EXPECT_EQ(p->n_days, 7);
    EXPECT_EQ(p->inputs[3][5], 1.5f);
    EXPECT_EQ(p->inputs[kInputRows - 1][kMaxDays - 1], 2.5f);
    EXPECT_EQ(p->result[kMaxDays - 1][1], 0.25f);
    EXPECT_NE(p->inputs, a.inputs);
  }
  a.inputs[3][5] = -1;
  EXPECT_EQ(copied.inputs[3][5], 1.5f);
  EXPECT_EQ(assigned.inputs[3][5], 1.5f);
}

}  // namespace
}  // namespace kv::test
