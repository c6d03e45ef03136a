// The price file reader: structure check, column layouts, alignment on the
// calendar, and files that are wrong in every way a file can be.
#include <memory>
#include <random>

#include "data/price_files.h"
#include "data/stock.h"
#include "support/fixture.h"
#include "util/text.h"

namespace kv::test {
namespace {

class PriceFileTest : public PlatformTest {
 protected:
  std::unique_ptr<Stock> stock = std::make_unique<Stock>();
  const std::vector<Day> days = TradingDays(1999, 3, 1, 130);

  // Reads `text` as the target stock: calendar first, then the series with
  // the default (unit) scale factors, so volumes stay as written.
  bool ReadAsTarget(const std::string& text) {
    std::string p = dir.write("t.csv", text);
    stock = std::make_unique<Stock>();
    if (stock->Add_Dates(p.c_str()) == 0) return false;
    return stock->Read_File(1, p.c_str());
  }
  std::string Message(size_t i = 0) const {
    return i < platform.messages().size() ? platform.messages()[i].text : "";
  }
};

TEST_F(PriceFileTest, HeadingLinesAndLengthLimits) {
  struct Case {
    const char* name;
    int headings;
    int data_lines;   // after the first data line
    const char* error;
  } cases[] = {
      {"7 heading lines", 7, 125, nullptr},
      {"8 heading lines", 8, 125, "1501"},
      {"no heading", 0, 125, nullptr},
      {"120 lines after the first", 1, 120, nullptr},
      {"119 lines after the first", 1, 119, "1510"},
  };
  const auto many = TradingDays(1999, 3, 1, 200);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform.ClearRecords();
    std::string header;
    for (int i = 0; i < c.headings; ++i) header += "Heading line\n";
    std::vector<Day> d(many.begin(), many.begin() + c.data_lines + 1);
    std::string p = dir.write("h.csv", PriceText(d, IsoLine, header));
    EXPECT_EQ(stock->Check_File_Format(p.c_str()), c.error == nullptr);
    if (!c.error) {
      EXPECT_TRUE(platform.messages().empty());
    } else if (std::string(c.error) == "1501") {
      EXPECT_EQ(Message(), "File: \n" + p + " is not a valid text csv file\n-ERROR 1501");
    } else {
      EXPECT_EQ(Message(), "File: \n" + p +
                               " is too short\nKestrivane requires at least 120 days of data\n-ERROR 1510");
    }
  }
}

TEST_F(PriceFileTest, StructureErrors) {
  std::string text = PriceText(days, IsoLine);
  text.insert(text.find('\n', 200) + 1, "Total,5\n");
  std::string p = dir.write("x.csv", text);
  EXPECT_FALSE(stock->Check_File_Format(p.c_str()));
  EXPECT_EQ(Message(), "File: \n" + p + " is not a valid text csv file\n-ERROR 1502");

  platform.ClearRecords();
  p = dir.file("none.csv");
  EXPECT_FALSE(stock->Read_File(0, p.c_str()));
  EXPECT_EQ(Message(), "Can not open data file: \n" + p + "\n-ERROR 1500");
  EXPECT_EQ(platform.messages().size(), 1u);

  // Dates of a month name first have no data line in the reader's sense.
  platform.ClearRecords();
  p = dir.write("names.csv", PriceText(days, [](const Day& d, int) {
                  return Format("Mar-%02d-99,10", d.d);
                }, ""));
  EXPECT_FALSE(stock->Check_File_Format(p.c_str()));
  EXPECT_NE(Message().find("-ERROR 1501"), std::string::npos);

  // A layout the date recognition refuses gets the reader's 512 as well.
  platform.ClearRecords();
  p = dir.write("seven.csv", PriceText(days, [](const Day& d, int) {
                  return Format("%d%02d%02d,10", d.y % 10, d.m, d.d);
                }));
  EXPECT_FALSE(stock->Read_File(0, p.c_str()));
  ASSERT_EQ(platform.messages().size(), 2u);
  EXPECT_NE(Message(0).find("-ERROR 512a"), std::string::npos);
  EXPECT_EQ(Message(1), "Date Format error in historical data file: \n" + p + "\n-ERROR 512");
}

TEST_F(PriceFileTest, PriceAndVolumeColumnsFollowTheFieldCount) {
  struct Case {
    const char* name;
    std::string first_line_tail;   // used on day 0 only, when not empty
    std::string tail;              // after the date on every other line
    float price, volume;           // expected on day 5
  } cases[] = {
      {"date only", "", "", 0, 0},
      {"date, close", "", ",10.5", 10.5f, 0},
      {"date, close, volume", "", ",10.5,1000", 10.5f, 1000},
      {"4 fields", "", ",9,10.5,1000", 10.5f, 1000},
      {"5 fields", "", ",11,9,10.5,1000", 10.5f, 1000},
      {"6 fields", "", ",10,11,9,10.5,1000", 10.5f, 1000},
      {"6 fields and a trailing 0", "", ",10,11,9,10.5,1000,0", 10.5f, 1000},
      {"7 fields", "", ",3,10,11,9,10.5,1000", 10.5f, 1000},
      {"a six-field line settles the layout", ",10,11,9,10.5,1000", ",10,11,9,10.5,1000,0", 1000, 0},
      {"8 fields are not supported", "", ",1,2,3,4,5,6,7", 0, 0},
      {"an empty open field", "", ",,11,9,10.5,1000", 10.5f, 1000},
      {"an empty last field shifts left", "", ",10,11,9,10.5,", 9, 10.5f},
      {"semicolons and decimal commas", "", ";10,5;1000", 10.5f, 1000},
      {"blanks and quotes", "", ", \"10.5\" , 1000 ", 10.5f, 1000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform.ClearRecords();
    std::string text = PriceText(days, [&](const Day& d, int i) {
      std::string date = Format("%04d%02d%02d", d.y, d.m, d.d);
      return date + (i == 0 && !c.first_line_tail.empty() ? c.first_line_tail : c.tail);
    });
    ASSERT_TRUE(ReadAsTarget(text));
    EXPECT_TRUE(platform.messages().empty());
    EXPECT_FLOAT_EQ(stock->raw_price[5], c.price);
    EXPECT_FLOAT_EQ(stock->volume[5], c.volume);
  }
}

TEST_F(PriceFileTest, BlankLinesNeitherCountNorSettleTheLayout) {
  std::string text = PriceText(days, [](const Day& d, int i) {
    return Format("%04d%02d%02d,10,11,9,10.5,1000,0", d.y, d.m, d.d) + (i == 3 ? "\n\n \t\n" : "");
  });
  ASSERT_TRUE(ReadAsTarget(text));
  EXPECT_EQ(calendar_count, 130);
  EXPECT_FLOAT_EQ(stock->raw_price[100], 10.5f);
  EXPECT_FLOAT_EQ(stock->volume[100], 1000);
}

TEST_F(PriceFileTest, RelatedStockLandsOnTheTargetsDays) {
  const auto longer = TradingDays(1999, 2, 1, 200);
  std::string target = dir.write("target.csv", PriceText(days, IsoLine));
  // The related stock lacks every fifth day and has days the target lacks.
  std::string related_text = "Date,Close,Volume\n";
  for (size_t i = 0; i < longer.size(); ++i)
    if (i % 5 != 3) related_text += Format("%d,%d,%d\n", longer[i].ymd(), 100 + static_cast<int>(i), 7);
  std::string related = dir.write("related.csv", related_text);

  ASSERT_EQ(stock->Add_Dates(target.c_str()), 130);
  auto rel = std::make_unique<Stock>();
  ASSERT_TRUE(rel->Read_File(1, related.c_str()));
  for (int d = 1; d < 130; ++d) {
    size_t i = 0;
    while (longer[i].ymd() != calendar[d]) ++i;
    if (i % 5 == 3) {
      EXPECT_EQ(rel->raw_price[d], rel->raw_price[d - 1]) << d;   // the previous close
      EXPECT_EQ(rel->volume[d], 0) << d;
    } else {
      EXPECT_EQ(rel->raw_price[d], 100 + static_cast<float>(i)) << d;
      EXPECT_EQ(rel->volume[d], 7) << d;
    }
  }
}

TEST_F(PriceFileTest, FutureQuotesLeaveNoTrace) {
  ASSERT_TRUE(ReadAsTarget(PriceText(days, IsoLine)));
  ASSERT_EQ(calendar_count, 130);
  // The same file read on an earlier day: the later quotes are ignored and
  // the gap filling repeats the last known close.
  clock.SetNow(NoonOf(days[99].y, days[99].m, days[99].d));
  auto again = std::make_unique<Stock>();
  ASSERT_TRUE(again->Read_File(1, dir.file("t.csv").c_str()));
  EXPECT_EQ(again->raw_price[99], stock->raw_price[99]);
  for (int d = 100; d < 130; ++d) {
    EXPECT_EQ(again->raw_price[d], stock->raw_price[99]);
    EXPECT_EQ(again->volume[d], 0);
  }
}

TEST_F(PriceFileTest, OverlongLinesAreCutNotSplit) {
  std::string tail(20000, 'x');
  std::string text = PriceText(days, [&](const Day& d, int i) {
    return IsoLine(d, i) + "," + tail + ",12345";
  });
  ASSERT_TRUE(ReadAsTarget(text));
  EXPECT_EQ(calendar_count, 130);
  // The cut happens after the volume, so the line reads as date, close, volume.
  EXPECT_FLOAT_EQ(stock->volume[7], 1007);
}

TEST_F(PriceFileTest, GarbageFilesAreRefusedWithAMessage) {
  std::mt19937 gen(7);
  std::string binary(300000, '\0');
  for (char& c : binary) c = static_cast<char>(gen());
  std::string no_line_ends = "1999" + std::string(10 * 1024 * 1024, '7');
  std::string huge_numbers = PriceText(days, [](const Day& d, int) {
    return Format("%d,", d.ymd()) + std::string(90, '9');
  });
  const struct {
    const char* name;
    std::string text;
  } cases[] = {{"binary", binary}, {"a 10 MB line", no_line_ends}, {"empty", ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    platform.ClearRecords();
    std::string p = dir.write("g.csv", c.text);
    EXPECT_FALSE(stock->Read_File(0, p.c_str()));
    EXPECT_FALSE(platform.messages().empty());
  }
  // Numbers beyond the float range read as missing values, not infinities.
  platform.ClearRecords();
  ASSERT_TRUE(ReadAsTarget(huge_numbers));
  for (int d = 0; d < 130; ++d) EXPECT_EQ(stock->raw_price[d], 0);
}

}  // namespace
}  // namespace kv::test
