// Editing the stock list: the field checks and their messages, ADD, MOD,
// DEL, Browse, the symbol and influence period fields, and the locks on a
// trained model.
#include <gtest/gtest.h>

#include "data/price_files.h"
#include "resources/ids.h"
#include "support/fixture.h"

namespace kv::test {
namespace {

class StockListTest : public MainDlgTest {
 protected:
  StockListTest() {
    a_days = TradingDays(2020, 1, 6, 200);
    b_days = TradingDays(2020, 3, 2, 180);
    a = dir.write("a.csv", PriceText(a_days, IsoLine));
    b = dir.write("b.csv", PriceText(b_days, IsoLine));
  }
  void Fill(const std::string& symbol, const std::string& file, const std::string& period,
            const std::vector<int>& boxes) {
    win().SetText(ids::IDC_SYMBOL, symbol);
    win().SetText(ids::IDC_FILENAME, file);
    win().SetText(ids::IDC_INFL_PERIOD, period);
    for (int id : {ids::IDC_PRICE, ids::IDC_VOLUME, ids::IDC_LONG, ids::IDC_SHORT}) win().Check(id, false);
    for (int id : boxes) win().Check(id, true);
  }
  void Add(const std::string& symbol, const std::string& file) {
    Fill(symbol, file, "5", {ids::IDC_SHORT});
    win().Click(ids::IDC_ADD);
  }

  std::vector<Day> a_days, b_days;
  std::string a, b;
};

TEST_F(StockListTest, FieldChecksRefuseAddAndMod) {
  struct Case {
    const char *symbol, *period;
    bool file;
    std::vector<int> boxes;
    const char* message;
  } cases[] = {
      {"ABCDEF", "5", true, {ids::IDC_PRICE},
       "Invalid Stock Ticker Symbol\nPlease enter a valid stock symbol in the text field\n"
       "(left of the ADD button)  \n-ERROR 450"},
      {"", "5", true, {ids::IDC_PRICE}, nullptr},   // same 450
      {"GE", "5", false, {ids::IDC_PRICE},
       "Invalid Historical File Filename\nPlease us the Browse button to locate the Historial "
       "File.\n-ERROR 451"},
      {"GE", "0", true, {ids::IDC_PRICE},
       "Invalid Influence Period\nPlease enter a numerical value in the Influence Period "
       "field.\n-ERROR 451"},
      {"GE", "abc", true, {ids::IDC_PRICE}, nullptr},   // same 451
      {"GE", "5", true, {},
       "Please Select One or More of the Following Checkboxes:\nPrice, Long, Short, Volume\n-ERROR 452"},
  };
  Add("KO", b);
  ASSERT_EQ(main->n_files, 1);
  const char* last = nullptr;
  for (const Case& c : cases) {
    const char* message = c.message ? c.message : last;
    last = message;
    for (int button : {ids::IDC_ADD, ids::IDC_MOD}) {
      SCOPED_TRACE(testing::Message() << c.symbol << " " << c.period << " button " << button);
      platform.ClearRecords();
      Fill(c.symbol, c.file ? a : "", c.period, c.boxes);
      win().SetSel(ids::IDC_TICKER_LIST, 0);
      win().Click(button);
      ASSERT_EQ(platform.messages().size(), 1u);
      EXPECT_EQ(platform.messages()[0].text, message);
      EXPECT_EQ(platform.messages()[0].caption, "Kestrivane");
      EXPECT_EQ(platform.messages()[0].flags, MB_OK | MB_ICONEXCLAMATION);
      EXPECT_EQ(main->n_files, 1);
      EXPECT_EQ(main->stocks[0]->symbol, "KO");
      EXPECT_EQ(main->stocks[0]->data_file, b);
    }
  }
}

TEST_F(StockListTest, AddModAndTheFields) {
  // The symbol is kept in capitals once the field loses the focus.
  win().Type(ids::IDC_SYMBOL, "ge");
  main->modified = false;
  win().LeaveField(ids::IDC_SYMBOL);
  EXPECT_EQ(window->GetText(ids::IDC_SYMBOL), "GE");
  EXPECT_TRUE(main->modified);

  // The influence period field is clamped to 1..20 when it loses the focus.
  struct Period {
    const char *typed, *shown;
  } periods[] = {{"50", "20"}, {"0", "1"}, {"abc", "1"}, {"7", "7"}};
  for (const Period& p : periods) {
    main->training_on = true;
    win().SetText(ids::IDC_INFL_PERIOD, p.typed);
    win().LeaveField(ids::IDC_INFL_PERIOD);
    EXPECT_EQ(window->GetText(ids::IDC_INFL_PERIOD), p.shown);
    EXPECT_FALSE(main->training_on);
  }

  // ADD stores the fields, the period clamped to 20.
  Fill("ge", a, "50", {ids::IDC_LONG, ids::IDC_VOLUME});
  main->modified = false;
  win().Click(ids::IDC_ADD);
  ASSERT_EQ(main->n_files, 1);
  const Stock& s = *main->stocks[0];
  EXPECT_EQ(s.symbol, "GE");
  EXPECT_EQ(s.data_file, a);
  EXPECT_EQ(s.infl_periods, 20);
  EXPECT_TRUE(s.do_volume && s.do_l_price);
  EXPECT_FALSE(s.do_price || s.do_s_price);
  EXPECT_TRUE(main->modified);
  EXPECT_EQ(main->patterns.n_days, 200);
  EXPECT_EQ(window->ItemText(ids::IDC_TICKER_LIST, 0), "GE");

  // MOD replaces the selected stock.
  Fill("KO", b, "3", {ids::IDC_PRICE});
  win().SetSel(ids::IDC_TICKER_LIST, 0);
  win().Click(ids::IDC_MOD);
  EXPECT_EQ(main->n_files, 1);
  EXPECT_EQ(main->stocks[0]->symbol, "KO");
  EXPECT_EQ(main->stocks[0]->infl_periods, 3);
  EXPECT_EQ(calendar[main->patterns.n_days - 1], b_days.back().ymd());

  // Selecting a stock shows it.
  Fill("", "", "", {});
  win().Choose(ids::IDC_TICKER_LIST, 0);
  EXPECT_EQ(window->GetText(ids::IDC_SYMBOL), "KO");
  EXPECT_EQ(window->GetText(ids::IDC_FILENAME), b);
  EXPECT_EQ(window->GetText(ids::IDC_INFL_PERIOD), "3");
  EXPECT_TRUE(window->IsChecked(ids::IDC_PRICE));
  EXPECT_FALSE(window->IsChecked(ids::IDC_SHORT));
}

TEST_F(StockListTest, ThreeStocksAtMostAndDeletingTheTarget) {
  Add("A", a);
  Add("B", b);
  Add("C", a);
  ASSERT_EQ(main->n_files, 3);
  EXPECT_EQ(calendar[main->patterns.n_days - 1], a_days.back().ymd());
  EXPECT_STREQ(main->GetTicker(2), "C");
  for (int i : {-1, 3, 7}) EXPECT_EQ(main->GetTicker(i), nullptr);

  platform.ClearRecords();
  Add("D", b);
  EXPECT_EQ(main->n_files, 3);
  EXPECT_EQ(platform.messages().size(), 1u);

  win().SetSel(ids::IDC_TICKER_LIST, 0);
  main->modified = false;
  win().Click(ids::IDC_DEL);
  ASSERT_EQ(main->n_files, 2);
  EXPECT_TRUE(main->modified);
  EXPECT_STREQ(main->GetTicker(0), "B");
  EXPECT_STREQ(main->GetTicker(1), "C");
  EXPECT_EQ(main->GetTicker(2), nullptr);
  EXPECT_EQ(main->stocks[2], nullptr);
  // The calendar now comes from B's file.
  EXPECT_EQ(calendar[main->patterns.n_days - 1], b_days.back().ymd());
  EXPECT_EQ(main->patterns.n_days, 180);
}

TEST_F(StockListTest, ModAndDelWithoutSelectionChangeNothing) {
  Add("A", a);
  Add("B", b);
  Fill("X", b, "4", {ids::IDC_PRICE});
  win().SetSel(ids::IDC_TICKER_LIST, -1);
  win().Click(ids::IDC_MOD);
  win().SetSel(ids::IDC_TICKER_LIST, -1);
  win().Click(ids::IDC_DEL);
  ASSERT_EQ(main->n_files, 2);
  EXPECT_STREQ(main->GetTicker(0), "A");
  EXPECT_STREQ(main->GetTicker(1), "B");
  EXPECT_EQ(main->stocks[0]->infl_periods, 5);
}

TEST_F(StockListTest, TrainedModelKeepsItsInputs) {
  Add("A", a);
  main->Trained = 1;
  for (int id : {ids::IDC_PRICE, ids::IDC_VOLUME, ids::IDC_LONG, ids::IDC_SHORT}) {
    const bool before = window->IsChecked(id);
    win().Click(id);
    EXPECT_EQ(window->IsChecked(id), before) << id;
  }
  Add("B", b);
  EXPECT_EQ(main->n_files, 1);
  win().SetSel(ids::IDC_TICKER_LIST, 0);
  win().Click(ids::IDC_DEL);
  EXPECT_EQ(main->n_files, 1);

  main->Trained = 0;
  const bool before = window->IsChecked(ids::IDC_PRICE);
  win().Click(ids::IDC_PRICE);
  EXPECT_NE(window->IsChecked(ids::IDC_PRICE), before);
}

TEST_F(StockListTest, BrowseFillsTheFileField) {
  win().SetText(ids::IDC_FILENAME, "old.csv");
  win().Click(ids::IDC_BROWSE);   // cancelled
  EXPECT_EQ(window->GetText(ids::IDC_FILENAME), "old.csv");
  platform.QueueFile(a);
  win().Click(ids::IDC_BROWSE);
  EXPECT_EQ(window->GetText(ids::IDC_FILENAME), a);
  ASSERT_EQ(platform.file_dialogs().size(), 2u);
  const FileDialogSpec& spec = platform.file_dialogs()[1].spec;
  EXPECT_FALSE(spec.save);
  EXPECT_EQ(spec.filter, "Text (*.csv)|*.csv|Text (*.txt)|*.txt|All Files (*.*)|*.*|");
  EXPECT_EQ(spec.initial_name, "");
  EXPECT_EQ(spec.options, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
  EXPECT_EQ(main->n_files, 0);
}

}  // namespace
}  // namespace kv::test
