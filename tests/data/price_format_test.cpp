// Price files as people export them: quoted fields with thousands
// separators, volumes in K/M/B, European numbers, tabs, a byte-order mark,
// headings that name their columns in any order, a ticker before the date,
// dates in words, exponents, time stamps, a first pair of dates across
// 1999/2000; and "files" that are no files at all.
#include <sys/stat.h>

#include <cstdlib>
#include <functional>

#include "data/data_quality.h"
#include "data/price_files.h"
#include "data/price_format.h"
#include "data/stock.h"
#include "support/fixture.h"
#include "util/file.h"
#include "util/text.h"

namespace kv::test {
namespace {

class PriceFormatTest : public PlatformTest {
 protected:
  std::unique_ptr<Stock> stock = std::make_unique<Stock>();
  bool ReadAsTarget(const std::string& path) {
    stock = std::make_unique<Stock>();
    if (stock->Add_Dates(path.c_str()) == 0) return false;
    return stock->Read_File(1, path.c_str());
  }
};

// The close of day i, as the sample files move: above 1000 so thousands
// separators show, with cents.
double Close(int i) { return 1185.64 + (i % 23) * 1.25 - (i % 5) * 0.37; }
long Volume(int i) { return 38250300 + i * 1013L; }

// "1,234,567.89" / "1.234.567,89" with the given marks.
std::string Grouped(double v, int decimals, char thousands, char point) {
  std::string plain = Format("%.*f", decimals, v);
  const size_t dot = plain.find('.');
  std::string whole = plain.substr(0, dot), out;
  for (size_t i = 0; i < whole.size(); ++i) {
    if (i && (whole.size() - i) % 3 == 0) out += thousands;
    out += whole[i];
  }
  if (dot != std::string::npos) out += point + plain.substr(dot + 1);
  return out;
}

TEST_F(PriceFormatTest, ExportedFormsReadDayByDay) {
  using Line = std::function<std::string(const Day&, int)>;
  const std::string iso = "%04d-%02d-%02d";
  struct Case {
    const char* name;
    std::string heading;
    Line line;
    bool newest_first = false;
    int first_year = 2020, first_month = 1, first_day = 2;
  } cases[] = {
      {"quoted, thousands separators, long lines",
       "\"Date\",\"Open\",\"High\",\"Low\",\"Close\",\"Volume\"\n",
       [&](const Day& d, int i) {
         return Format(("\"" + iso + "\"").c_str(), d.y, d.m, d.d) + ",\"" +
                Grouped(Close(i) - 1, 6, ',', '.') + "\",\"" + Grouped(Close(i) + 2, 6, ',', '.') +
                "\",\"" + Grouped(Close(i) - 3, 6, ',', '.') + "\",\"" + Grouped(Close(i), 6, ',', '.') +
                "\",\"" + Grouped(Volume(i), 0, ',', '.') + "\"";
       }},
      {"European numbers with ;", "Datum;Open;Close;Volume\n",
       [&](const Day& d, int i) {
         return Format("%02d.%02d.%04d", d.d, d.m, d.y) + ";" + Grouped(Close(i) + 4, 2, '.', ',') + ";" +
                Grouped(Close(i), 2, '.', ',') + ";" + Grouped(Volume(i), 0, '.', ',');
       }},
      {"tab-separated", "Date\tClose\tVolume\n",
       [&](const Day& d, int i) {
         return Format(iso.c_str(), d.y, d.m, d.d) + Format("\t%.2f\t%ld", Close(i), Volume(i));
       }},
      {"byte-order mark, no heading", "\xEF\xBB\xBF",
       [&](const Day& d, int i) {
         return Format(iso.c_str(), d.y, d.m, d.d) + Format(",%.2f,%ld", Close(i), Volume(i));
       }},
      {"adjusted close before the volume", "Date,Open,High,Low,Close,Adj Close,Volume\n",
       [&](const Day& d, int i) {
         return Format(iso.c_str(), d.y, d.m, d.d) +
                Format(",1,2,3,%.2f,%.2f,%ld", Close(i) + 9, Close(i), Volume(i));
       }},
      {"adjusted close after the volume", "date,open,high,low,close,volume,ADJ_CLOSE\n",
       [&](const Day& d, int i) {
         return Format(iso.c_str(), d.y, d.m, d.d) +
                Format(",1,2,3,%.2f,%ld,%.2f", Close(i) + 9, Volume(i), Close(i));
       }},
      {"an exchange's export, newest first", "Date,Close/Last,Volume,Open,High,Low\n",
       [&](const Day& d, int i) {
         return Format("%02d/%02d/%04d", d.m, d.d, d.y) +
                Format(",$%.2f,%ld,$%.2f,$%.2f,$%.2f", Close(i), Volume(i), Close(i) + 1, Close(i) + 2, Close(i) - 2);
       },
       true},
      {"8 columns", "Date,Open,High,Low,Close,Adj. Close*,Volume,Dividends\n",
       [&](const Day& d, int i) {
         return Format(iso.c_str(), d.y, d.m, d.d) +
                Format(",1,2,3,%.2f,%.2f,%ld,0.5", Close(i) + 9, Close(i), Volume(i));
       }},
      {"exponents", "Date,Price,Vol\n",
       [&](const Day& d, int i) {
         return Format(iso.c_str(), d.y, d.m, d.d) + Format(",%.6E,%.8E", Close(i), static_cast<double>(Volume(i)));
       }},
      {"date and time", "Date,Close,Volume\n",
       [&](const Day& d, int i) {
         return Format((iso + " 00:00:00").c_str(), d.y, d.m, d.d) + Format(",%.2f,%ld", Close(i), Volume(i));
       }},
      {"ISO time stamps", "Date,Close,Volume\n",
       [&](const Day& d, int i) {
         return Format((iso + "T16:00:00").c_str(), d.y, d.m, d.d) + Format(",%.2f,%ld", Close(i), Volume(i));
       }},
      {"volumes in thousands, millions and billions, quoted, newest first",
       "\"Date\",\"Price\",\"Open\",\"High\",\"Low\",\"Vol.\",\"Change %\"\n",
       [&](const Day& d, int i) {
         const double v = static_cast<double>(Volume(i));
         const std::string vol = i % 3 == 0   ? Format("%.3fK", v / 1e3)
                                 : i % 3 == 1 ? Format("%.6fM", v / 1e6)
                                              : Format("%.9fB", v / 1e9);
         return Format("\"%02d/%02d/%04d\",\"%s\",\"1.00\",\"2.00\",\"0.50\",\"%s\",\"-0.12%%\"", d.m, d.d, d.y,
                       Grouped(Close(i), 2, ',', '.').c_str(), vol.c_str());
       },
       true},
      {"volumes in millions, not quoted", "Date,Close,Volume\n",
       [&](const Day& d, int i) {
         return Format(iso.c_str(), d.y, d.m, d.d) +
                Format(",%.2f,%.6fM", Close(i), static_cast<double>(Volume(i)) / 1e6);
       }},
      {"a vendor's layout: ticker, period and date, a time column",
       "<TICKER>,<PER>,<DATE>,<TIME>,<OPEN>,<HIGH>,<LOW>,<CLOSE>,<VOL>\n",
       [&](const Day& d, int i) {
         return Format("ACME,D,%04d%02d%02d,000000,1,2,3,%.4f,%ld", d.y, d.m, d.d, Close(i), Volume(i));
       }},
      {"dates in words, quoted, newest first", "\"Date\",\"Price\",\"Vol.\"\n",
       [&](const Day& d, int i) {
         static const char* const kMonth[] = {"Jan", "Feb", "March", "Apr", "MAY", "June",
                                              "Jul", "Aug", "Sept.", "Oct", "Nov", "DECEMBER"};
         return Format("\"%s %02d, %04d\",\"%s\",\"%ld\"", kMonth[d.m - 1], d.d, d.y,
                       Grouped(Close(i), 2, ',', '.').c_str(), Volume(i));
       },
       true},
      {"a symbol column before the date", "Symbol,Date,Close,Volume\n",
       [&](const Day& d, int i) {
         return "\"ACME\"," + Format(iso.c_str(), d.y, d.m, d.d) + Format(",%.2f,%ld", Close(i), Volume(i));
       }},
      {"first two dates across 1999/2000", "Date,Close,Volume\n",
       [&](const Day& d, int i) {
         return Format(iso.c_str(), d.y, d.m, d.d) + Format(",%.2f,%ld", Close(i), Volume(i));
       },
       false, 1999, 12, 31},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform.ClearRecords();
    const auto days = TradingDays(c.first_year, c.first_month, c.first_day, 130);
    std::string text = c.heading;
    for (int k = 0; k < 130; ++k) {
      const int i = c.newest_first ? 129 - k : k;
      text += c.line(days[i], i) + "\n";
    }
    ASSERT_TRUE(ReadAsTarget(dir.write("f.csv", text)));
    EXPECT_TRUE(platform.messages().empty());
    ASSERT_EQ(calendar_count, 130);
    for (int i = 0; i < 130; ++i) {
      SCOPED_TRACE(i);
      ASSERT_EQ(calendar[i], days[i].ymd());
      ASSERT_FLOAT_EQ(stock->raw_price[i], static_cast<float>(Close(i)));
      ASSERT_FLOAT_EQ(stock->volume[i], static_cast<float>(Volume(i)));
    }
  }
}

// A day the exporter had no data for comes as a line of "null" or "NaN": it
// is a day the file does not quote, not a price of 0, and says so. The same
// word elsewhere on a line reads as 0 and moves no column.
TEST_F(PriceFormatTest, NoValueWordsAreDaysWithoutAQuote) {
  const std::string iso = "%04d-%02d-%02d";
  struct Case {
    const char* name;
    const char* heading;
    std::function<std::string(const std::string& date, int i)> line;
    std::vector<int> skipped;   // days passed over
    const char* finding;        // the data check's line, "" for none
  } cases[] = {
      {"null rows of a seven-column export", "Date,Open,High,Low,Close,Adj Close,Volume\n",
       [](const std::string& date, int i) {
         return i == 40 || i == 41 || i == 0 ? date + ",null,null,null,null,null,null"
                                             : date + Format(",1,2,3,4,%.2f,%ld", Close(i), Volume(i));
       },
       {0, 40, 41},
       "3 lines have the price \"null\" and are read as days without a quote, the first dated 2020-01-02"},
      {"NaN close with ;", "Datum;Close;Volume\n",
       [](const std::string& date, int i) {
         return date + (i == 50 ? std::string(";NaN;1000") : Format(";%.2f;%ld", Close(i), Volume(i)));
       },
       {50},
       "1 line has the price \"NaN\" and is read as a day without a quote (2020-03-12)"},
      {"a volume of N/A", "Date,Close,Volume\n",
       [](const std::string& date, int i) {
         return date + Format(",%.2f,", Close(i)) + (i == 60 ? std::string("N/A") : std::to_string(Volume(i)));
       },
       {},
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform.ClearRecords();
    const auto days = TradingDays(2020, 1, 2, 133);
    std::string text = c.heading;
    for (int i = 0; i < 133; ++i) text += c.line(Format(iso.c_str(), days[i].y, days[i].m, days[i].d), i) + "\n";
    ASSERT_TRUE(ReadAsTarget(dir.write("f.csv", text)));
    EXPECT_TRUE(platform.messages().empty());
    ASSERT_EQ(calendar_count, 133 - static_cast<int>(c.skipped.size()));
    for (int i = 0, day = 0; i < 133; ++i) {
      if (std::count(c.skipped.begin(), c.skipped.end(), i)) continue;
      SCOPED_TRACE(i);
      ASSERT_EQ(calendar[day], days[i].ymd());
      ASSERT_FLOAT_EQ(stock->raw_price[day], static_cast<float>(Close(i)));
      ASSERT_FLOAT_EQ(stock->volume[day], i == 60 && c.skipped.empty() ? 0.0f : static_cast<float>(Volume(i)));
      ++day;
    }
    std::string said;
    for (const Finding& f : CheckStockData(*stock, false, 0, calendar_count))
      if (f.kind == FindingKind::NoPrice) said = f.text;
    EXPECT_EQ(said, c.finding);
  }
}

// Files that would give a wrong series whichever line won: several lines on
// one date (a time in the date field, or a vendor's time column), or, in a
// vendor's layout, several stocks in one file.
TEST_F(PriceFormatTest, SeveralLinesOnOneDateOrSeveralStocksAreRefused) {
  const auto days = TradingDays(2020, 1, 2, 130);
  const std::string intraday = " holds several lines on the date 2020-01-02 (prices within the day)\n"
                               "Kestrivane reads daily prices: please export one line per day\n-ERROR 1503";
  struct Case {
    const char* name;
    std::string heading;
    std::function<std::string(const Day&, int)> line;   // the line of day d, part k
    std::string message;                                // after "File: \n" + path
  } cases[] = {
      {"time in the date field", "Date,Close,Volume\n",
       [](const Day& d, int k) { return Format("%04d-%02d-%02d %s,10.5,100", d.y, d.m, d.d, k ? "16:00:00" : "09:30:00"); },
       intraday},
      {"a vendor's time column", "<TICKER>,<PER>,<DATE>,<TIME>,<CLOSE>,<VOL>\n",
       [](const Day& d, int k) { return Format("ACME,5,%04d%02d%02d,%s,10.5,100", d.y, d.m, d.d, k ? "160000" : "093000"); },
       " holds several lines on the date 20200102 (prices within the day)\n"
       "Kestrivane reads daily prices: please export one line per day\n-ERROR 1503"},
      {"several stocks", "Symbol,Date,Close,Volume\n",
       [](const Day& d, int k) { return Format("%s,%04d-%02d-%02d,10.5,100", k ? "BETA" : "ACME", d.y, d.m, d.d); },
       " holds the prices of several stocks (ACME and BETA)\n"
       "Kestrivane reads one stock per file: please export one file per stock\n-ERROR 1504"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform.ClearRecords();
    std::string text = c.heading;
    for (const Day& d : days)
      for (int k = 0; k < 2; ++k) text += c.line(d, k) + "\n";
    const std::string p = dir.write("refused.csv", text);
    EXPECT_FALSE(stock->Check_File_Format(p.c_str()));
    ASSERT_EQ(platform.messages().size(), 1u);
    EXPECT_EQ(platform.messages()[0].text, "File: \n" + p + c.message);
  }
}

TEST_F(PriceFormatTest, NotARegularFileIsRefusedAtOnce) {
  const std::string fifo = dir.file("fifo.csv");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& p : {fifo, dir.path().string(), std::string("/dev/zero")}) {
    SCOPED_TRACE(p);
    platform.ClearRecords();
    EXPECT_EQ(stock->Add_Dates(p.c_str()), 0);
    EXPECT_FALSE(stock->Read_File(0, p.c_str()));
    ASSERT_EQ(platform.messages().size(), 1u);
    EXPECT_EQ(platform.messages()[0].text, "Can not open data file: \n" + p + "\n-ERROR 1500");
  }
}

// The reader splits a whole read of the file into lines exactly as reading
// it line by line from the file did; a rewound PriceLines gives them again.
TEST_F(PriceFormatTest, LinesOfOneWholeReadAreThoseReadLineReads) {
  // Overlong lines start with a letter: a data line that long would be rewritten.
  const std::string overlong = "x" + std::string(998, '7') + "\r" + std::string(20, '8');
  const std::string cases[] = {
      "",
      "\n",
      "a\r\nb\r\n",
      "no line end",
      "cr at the end\r",
      "\r\n\r\n\n",
      std::string("nul\0inside\n", 12) + "x",
      overlong + "\nnext\n",
      "y" + std::string(999, '5') + "\r\n" + "z" + std::string(1000, '6'),
  };
  for (const std::string& text : cases) {
    SCOPED_TRACE(testing::PrintToString(text.substr(0, 40)));
    const std::string p = dir.write("lines.csv", text);
    std::vector<std::string> want;
    std::string line;
    File f = OpenRegularFile(p);
    ASSERT_TRUE(f);
    while (ReadLine(f.get(), line, kPriceLineLimit)) want.push_back(line);
    std::vector<std::string> got;
    size_t pos = 0;
    while (NextTextLine(text, &pos, line, kPriceLineLimit)) got.push_back(line);
    EXPECT_EQ(got, want);
    PriceLines lines;
    ASSERT_TRUE(lines.Open(p));
    for (int pass = 0; pass < 2; ++pass) {
      got.clear();
      while (lines.Next(line)) got.push_back(line);
      EXPECT_EQ(got, want);
      lines.Rewind();
    }
  }
}

}  // namespace
}  // namespace kv::test
