// Bad price files as a user meets them: added with ADD to a model as a
// related stock, and as the first (target) stock of a new model. Each gives
// its message and leaves the rest of the model as it was.
#include <string>
#include <vector>

#include "badinput/bad_inputs.h"
#include "badinput/badinput_support.h"
#include "data/price_files.h"
#include "resources/ids.h"
#include "support/fixture.h"
#include "util/text.h"

namespace kv::test {
namespace {

class PriceFileBadInput : public MainDlgTest {
 protected:
  const std::vector<Day> days = TradingDays(2024, 1, 2, 200);
  const std::string good = PriceText(days, IsoLine, "Date,Close,Volume\n");

  void Add(const std::string& symbol, const std::string& file) {
    window->SetText(ids::IDC_SYMBOL, symbol);
    window->SetText(ids::IDC_FILENAME, file);
    window->SetText(ids::IDC_INFL_PERIOD, "5");
    window->Check(ids::IDC_PRICE, true);
    window->Check(ids::IDC_SHORT, true);
    main->TICKER_ADD_BNClicked();
  }
  // A fresh model, as after File > New.
  void NewModel() {
    main->modified = false;
    main->CmFilenew();
    platform.ClearRecords();
  }

  // The bad variants of a price file and the error numbers each must show
  // when read as a related stock: first the reader's own, then 454 for the
  // stock that failed. An empty list: the file is read.
  struct Case {
    std::string name;
    std::string bytes;
    std::vector<std::string> errors;
  };
  std::vector<Case> Cases() const {
    // A spreadsheet exported with every empty column of the sheet: the first
    // data line followed by 100,000 commas.
    const std::string first = IsoLine(days[0], 0);
    std::string rest = good.substr(good.find('\n') + 1);
    rest = rest.substr(rest.find('\n') + 1);
    const std::string with_long = "Date,Close,Volume\n" + first + std::string(100000, ',') + "\n" + rest;
    std::vector<Case> out;
    for (auto& v : bad::CommonVariants(good, "")) out.push_back({v.name, v.bytes, {}});
    const std::vector<std::vector<std::string>> errors = {
        {"1510", "454"},            // empty
        {"1510", "454"},            // NUL bytes: one line, no data
        {},                         // the long line is cut at 99 characters and read
        {"1510", "454"},            // no line ends: one line
        {},                         // CR-only line ends: read as lines
        {},                         // UTF-16 with its byte-order mark: read as text
        {"1510", "454"},            // .xlsx: a few lines of binary
    };
    for (size_t i = 0; i < out.size(); ++i) out[i].errors = errors[i];
    out[2].bytes = with_long;
    return out;
  }
};

TEST_F(PriceFileBadInput, AsRelatedStockTheMessageIsShownAndTheModelKept) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    NewModel();
    dir.write("target.csv", good);
    Add("TGT", "target.csv");
    ASSERT_TRUE(platform.messages().empty());
    const ModelPicture before = ModelPicture::Of(*main);
    const std::string bad = dir.write("bad.csv", c.bytes);
    Add("BAD", bad);
    EXPECT_EQ(ErrorNumbers(platform), c.errors);
    for (const auto& m : platform.messages()) EXPECT_EQ(m.caption, "File Error");
    EXPECT_EQ(ReadFile(bad), c.bytes);   // the file itself is left alone
    ModelPicture after = ModelPicture::Of(*main);
    if (!c.errors.empty()) {
      // The stock stays in the list (to be corrected with MOD); the target
      // stock, the calendar and the inputs are untouched.
      EXPECT_EQ(main->n_files, 2);
      after.n_files = before.n_files;
      after.symbols = before.symbols;
      EXPECT_EQ(after, before);
    } else {
      EXPECT_EQ(after.calendar, before.calendar);
      EXPECT_EQ(after.target_price, before.target_price);
      EXPECT_EQ(main->stocks[1]->raw_price[0], main->stocks[0]->raw_price[0]);
    }
  }
}

TEST_F(PriceFileBadInput, AsTargetStockNoCalendarIsMade) {
  // The calendar comes from the target stock's dates alone: the file names
  // its fault (512e: no line begins with a date), then 453 says the file
  // could not be read.
  const std::vector<std::vector<std::string>> errors = {
      {"512e", "453"}, {"512e", "453"}, {}, {"512e", "453"}, {}, {}, {"512e", "453"},
  };
  const std::vector<Case> cases = Cases();
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.name);
    NewModel();
    const std::string bad = dir.write("bad.csv", c.bytes);
    Add("BAD", bad);
    EXPECT_EQ(ErrorNumbers(platform), errors[i]);
    if (!errors[i].empty()) {
      EXPECT_EQ(main->n_files, 1);   // listed, to be corrected with MOD
      EXPECT_EQ(main->patterns.n_days, 0);
      EXPECT_EQ(calendar_count, 0);
    } else {
      EXPECT_EQ(main->patterns.n_days, 200);
    }
  }
}

TEST_F(PriceFileBadInput, FiftyMegabytesOfIntradayQuotes) {
  // A minute-by-minute export: every line starts with a date and carries a
  // time of day; several lines on one date are refused as prices within the
  // day, with a message that says so.
  std::string text = "Date,Open,High,Low,Close,Volume\n";
  text.reserve(52u << 20);
  for (size_t i = 0; text.size() < (50u << 20); ++i) {
    const Day& d = days[(i / 390) % days.size()];
    text += Format("%04d-%02d-%02d %02zu:%02zu,20.10,20.20,20.00,20.15,%zu\n", d.y, d.m, d.d,
                   9 + (i % 390) / 60, (i % 390) % 60, 100 + i % 977);
  }
  dir.write("target.csv", good);
  Add("TGT", "target.csv");
  const ModelPicture before = ModelPicture::Of(*main);
  const std::string bad = dir.write("intraday.csv", text);
  Add("MIN", bad);
  EXPECT_EQ(ErrorNumbers(platform), (std::vector<std::string>{"1503", "454"}));
  ModelPicture after = ModelPicture::Of(*main);
  after.n_files = before.n_files;
  after.symbols = before.symbols;
  EXPECT_EQ(after, before);
}

}  // namespace
}  // namespace kv::test
