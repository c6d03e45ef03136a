// Test helpers: trading days and price files written from them.
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace kv::test {

struct Day {
  int y, m, d;
  int ymd() const { return y * 10000 + m * 100 + d; }
};

// `count` weekdays from y-m-d on (that day included when it is a weekday).
std::vector<Day> TradingDays(int y, int m, int d, int count);

// Noon of y-m-d, local time: a "today" for the virtual clock.
std::time_t NoonOf(int y, int m, int d);

// A file: header, then one line per day made by `line(day, index)`.
std::string PriceText(const std::vector<Day>& days,
                      const std::function<std::string(const Day&, int)>& line,
                      const std::string& header = "Date,Close\n");

// The usual test line: YYYY-MM-DD,close,volume with a gently moving close.
std::string IsoLine(const Day& day, int i);

}  // namespace kv::test
