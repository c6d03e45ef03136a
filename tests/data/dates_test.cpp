// Date layout recognition and the calendar built from the target stock's file.
#include <algorithm>
#include <memory>

#include "data/price_files.h"
#include "data/stock.h"
#include "support/fixture.h"
#include "util/text.h"

namespace kv::test {
namespace {

const char* const kMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string Layout(const Stock& s) {
  std::pair<int, char> at[3] = {{s.year_pos[0], 'Y'}, {s.month_pos[0], 'M'}, {s.day_pos[0], 'D'}};
  std::sort(at, at + 3);
  return {at[0].second, at[1].second, at[2].second};
}

class DatesTest : public PlatformTest {
 protected:
  std::unique_ptr<Stock> stock = std::make_unique<Stock>();
};

TEST_F(DatesTest, EveryLayoutGivesTheSameCalendar) {
  struct Case {
    const char* name;
    std::function<std::string(const Day&)> date;
    const char* layout;
  };
  const Case cases[] = {
      {"12/31/98", [](const Day& d) { return Format("%d/%d/%02d", d.m, d.d, d.y % 100); }, "MDY"},
      {"31-Dec-98",
       [](const Day& d) { return Format("%02d-%s-%02d", d.d, kMonthNames[d.m - 1], d.y % 100); },
       "DMY"},
      {"981231", [](const Day& d) { return Format("%02d%02d%02d", d.y % 100, d.m, d.d); }, "YMD"},
      {"19981231", [](const Day& d) { return Format("%04d%02d%02d", d.y, d.m, d.d); }, "YMD"},
      {"12/31/1998", [](const Day& d) { return Format("%02d/%02d/%04d", d.m, d.d, d.y); }, "MDY"},
      {"31.12.98", [](const Day& d) { return Format("%02d.%02d.%02d", d.d, d.m, d.y % 100); }, "DMY"},
      {"1998-12-31", [](const Day& d) { return Format("%04d-%02d-%02d", d.y, d.m, d.d); }, "YMD"},
      {"31.12.1998", [](const Day& d) { return Format("%02d.%02d.%04d", d.d, d.m, d.y); }, "DMY"},
  };
  const auto days = TradingDays(1998, 12, 31, 130);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform.ClearRecords();
    std::string path = dir.write("f.csv", PriceText(days, [&](const Day& d, int i) {
                                   return c.date(d) + Format(",%d.5", 10 + i % 7);
                                 }));
    ASSERT_EQ(stock->Add_Dates(path.c_str()), 130);
    EXPECT_TRUE(platform.messages().empty());
    EXPECT_EQ(Layout(*stock), c.layout);
    EXPECT_EQ(stock->header_lines, 1);
    EXPECT_EQ(calendar[0], 19981231);
    EXPECT_EQ(calendar[129], days[129].ymd());
    // The recognised positions read another line of the same layout.
    std::string field = c.date(Day{1999, 2, 3});
    Stock::strcheck(field);
    EXPECT_EQ(stock->Convert_Date(field), 19990203);
  }
}

TEST_F(DatesTest, TwoDigitYearsSplitAt39And40) {
  // Positions of a YYMMDD field.
  const struct {
    const char* field;
    int32_t date;
  } cases[] = {{"391231", 20391231}, {"400101", 19400101}, {"000105", 20000105},
               {"991231", 19991231}, {"39/12/31", 20391231}, {"1231", 0}, {"39x231", 0}};
  for (const auto& c : cases) {
    std::string f = c.field;
    EXPECT_EQ(stock->Convert_Date(f), c.date) << c.field;
  }
}

TEST_F(DatesTest, TiedChangeCountsTakeTheLeftPairAsTheLargerUnit) {
  // Day and month change on every line: read as month before day.
  std::string text = "Date,Close\n";
  for (int i = 0; i < 130; ++i)
    text += Format("%02d%02d%02d,10\n", i % 12 + 1, i % 28 + 1, 90 + i / 12);
  ASSERT_TRUE(stock->Figure_Date_Format(dir.write("md.csv", text).c_str()));
  EXPECT_EQ(Layout(*stock), "MDY");
  // Only the last pair changes: year before month.
  text = "Date,Close\n";
  for (int i = 0; i < 130; ++i) text += Format("9812%02d,10\n", i % 28 + 1);
  ASSERT_TRUE(stock->Figure_Date_Format(dir.write("ym.csv", text).c_str()));
  EXPECT_EQ(Layout(*stock), "YMD");
}

TEST_F(DatesTest, RecognitionErrorsAreReportedWithTheirNumbers) {
  const auto days = TradingDays(1998, 1, 5, 130);
  auto file = [&](const std::function<std::string(const Day&, int)>& line) {
    return dir.write("e.csv", PriceText(days, line));
  };
  auto expect_refused = [&](const std::string& path, const std::string& message) {
    platform.ClearRecords();
    EXPECT_FALSE(stock->Figure_Date_Format(path.c_str()));
    ASSERT_EQ(platform.messages().size(), 1u);
    EXPECT_EQ(platform.messages()[0].text, message);
    EXPECT_EQ(platform.messages()[0].caption, "File Error");
    EXPECT_EQ(platform.messages()[0].flags, MB_OK | MB_ICONEXCLAMATION);
  };

  std::string p = file([](const Day& d, int) { return Format("%d%02d%02d,10", d.y % 10, d.m, d.d); });
  expect_refused(p, "Date Format error in historical data file: \n" + p + "\n-ERROR 512a");

  // Too few lines to watch the changes: 120 lines after the first one are needed.
  std::vector<Day> short_days(days.begin(), days.begin() + 120);
  p = dir.write("short.csv", PriceText(short_days, IsoLine));
  expect_refused(p, "File Too Short Error. file: \n" + p + " has less than 120 days of data\n-ERROR 512b");

  // A blank second line in a four-digit-year file.
  std::string text = PriceText(days, IsoLine);
  text.insert(text.find('\n', text.find('\n') + 1) + 1, "\n");
  p = dir.write("blank.csv", text);
  expect_refused(p, "Blank lines not allowed at top on Y2K format: \n\n-ERROR 512f");

  // No century where one is looked for.
  p = dir.write("cent.csv", PriceText(days, [](const Day& d, int i) {
                  return Format("%02d%02d%04d,10", d.d, (i * 7) % 100, d.y + 100 * (i % 2));
                }));
  expect_refused(p, "Date Format error in historical data file: \n" + p + "\n-ERROR 512d");

  // A slash field with fewer than three parts is no date: refused quietly
  // here, the reader adds its 512.
  p = dir.write("two.csv", PriceText(days, [](const Day& d, int) { return Format("%d/%d,10", d.m, d.d); }));
  platform.ClearRecords();
  EXPECT_FALSE(stock->Figure_Date_Format(p.c_str()));
  EXPECT_TRUE(platform.messages().empty());

  // A file that does not open is refused quietly (its reader says why); one
  // with no line starting with a digit says that no line begins with a date.
  platform.ClearRecords();
  EXPECT_FALSE(stock->Figure_Date_Format(dir.file("missing.csv").c_str()));
  EXPECT_TRUE(platform.messages().empty());
  p = dir.write("words.csv", "TICKER,CLOSE\nACME,10\nACME,11\n");
  expect_refused(p, "No line of historical data file: \n" + p +
                        "\nbegins with a date. Each line of prices must start with its date,\n"
                        "as in 2024-01-02,100.14,13213635\n-ERROR 512e");
  EXPECT_EQ(stock->Add_Dates(dir.file("missing.csv").c_str()), 0);
  EXPECT_EQ(calendar_count, 0);
}

TEST_F(DatesTest, CalendarKeepsTheLatest1000DatesInEitherFileOrder) {
  const auto days = TradingDays(1995, 1, 2, 1500);
  const std::vector<Day> reversed(days.rbegin(), days.rend());
  for (const auto* order : {&days, &reversed}) {
    std::string p = dir.write("cal.csv", PriceText(*order, IsoLine));
    ASSERT_EQ(stock->Add_Dates(p.c_str()), 1000);
    EXPECT_EQ(calendar[0], days[500].ymd());
    EXPECT_EQ(calendar[999], days[1499].ymd());
    EXPECT_TRUE(std::is_sorted(calendar, calendar + 1000));
    EXPECT_TRUE(std::adjacent_find(calendar, calendar + 1000) == calendar + 1000);
  }
}

TEST_F(DatesTest, CalendarDropsFutureAndRepeatedDates) {
  auto days = TradingDays(1999, 1, 4, 200);
  std::vector<Day> with_repeats = days;
  with_repeats.insert(with_repeats.begin() + 50, days[49]);
  with_repeats.insert(with_repeats.begin() + 80, days[10]);
  clock.SetNow(NoonOf(days[149].y, days[149].m, days[149].d));
  std::string p = dir.write("fut.csv", PriceText(with_repeats, IsoLine));
  ASSERT_EQ(stock->Add_Dates(p.c_str()), 150);
  EXPECT_EQ(calendar[49], days[49].ymd());
  EXPECT_EQ(calendar[50], days[50].ymd());
  EXPECT_EQ(calendar[149], days[149].ymd());
  EXPECT_EQ(calendar[150], 0);
}

}  // namespace
}  // namespace kv::test
