// The URL template and the quote-file check, without a server.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "download/quote_file.h"
#include "download/quote_settings.h"

namespace kv::test {
namespace {

TEST(QuoteUrlTest, PlaceholdersAreReplacedEncoded) {
  struct Case {
    const char* templ;
    const char* symbol;
    const char* url;
  } cases[] = {
      {"https://h/d?s={symbol}&i=d", "IBM", "https://h/d?s=IBM&i=d"},
      {"https://h/{symbol_lc}.us/{SYMBOL}", "brk.B", "https://h/brk.b.us/BRK.B"},
      {"https://h/q?s={symbol}", "^GSPC", "https://h/q?s=%5EGSPC"},
      {"https://h/q?s={symbol}", "A B&c=1", "https://h/q?s=A%20B%26c%3D1"},
      {"https://h/q?s={symbol}", "NESN\xC3\xA9", "https://h/q?s=NESN%C3%A9"},
      {"https://h/{symbol}/{symbol}", "KO", "https://h/KO/KO"},
      // Anything else in braces is the template's own text.
      {"https://h/{ticker}/{symbol", "KO", "https://h/{ticker}/{symbol"},
  };
  for (const Case& c : cases) EXPECT_EQ(ExpandQuoteUrl(c.templ, c.symbol), c.url) << c.templ;
}

TEST(QuoteFileCheckTest, Verdicts) {
  const std::string rows(1200, '\n');
  struct Case {
    const char* name;
    std::string text;
    std::string verdict;
  } cases[] = {
      {"dates first", "Date,Close\n2024-03-01,101.5\n" + rows, ""},
      {"quoted dates", "\"Date\",\"Close\"\n\"01/03/2024\",\"101.5\"\n" + rows, ""},
      {"digit in the last line, no line end", rows + "3/1/2024,101.5", ""},
      {"headings only", "Date,Close\n<no data>\n" + rows, "not a price file"},
      {"digit not at a line start", "Date,Close\n x 2024-03-01\n" + rows, "not a price file"},
      {"two quotes before the digit", "\"\"2024-03-01\n" + rows, "not a price file"},
      {"NUL byte", "2024-03-01\n" + std::string(1, '\0') + rows, "NUL byte in the answer"},
      {"empty", "", "empty answer"},
      {"999 characters", "2024-03-01\n" + std::string(988, ' '), "only 999 characters (a quote file has at least 1000)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // However the answer is cut into pieces, the verdict is the same.
    for (size_t piece : {size_t{1}, size_t{7}, c.text.size() + 1}) {
      QuoteFileCheck check;
      for (size_t i = 0; i < c.text.size(); i += piece) check.Feed(c.text.data() + i, std::min(piece, c.text.size() - i));
      EXPECT_EQ(check.Verdict(), c.verdict) << piece;
    }
  }
}

}  // namespace
}  // namespace kv::test
