// Hand-made model state for the chart painters' tests: a target stock (and
// optionally a related one) with a calendar of consecutive dates and given
// prices, without reading any file.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "model/globals.h"
#include "model/main_dlg.h"

namespace kv::test {

// Consecutive calendar dates from y-m-d, leaving out the dates in skip.
inline std::vector<int32_t> Dates(int y, int m, int d, int count, std::vector<int32_t> skip = {}) {
  static const int kLen[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  std::vector<int32_t> out;
  while (static_cast<int>(out.size()) < count) {
    int32_t ymd = y * 10000 + m * 100 + d;
    bool skipped = false;
    for (int32_t s : skip) skipped |= s == ymd;
    if (!skipped) out.push_back(ymd);
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    int len = kLen[m - 1] + (m == 2 && leap ? 1 : 0);
    if (++d > len) {
      d = 1;
      if (++m > 12) {
        m = 1;
        ++y;
      }
    }
  }
  return out;
}

// Fills the model with the days of dates: calendar, the target's prices from price(d),
// no outputs, no signals. The evaluation cache is set as if the repaint-time
// evaluation had just run, so the outputs a test writes into guess survive
// the figures' evaluation.
inline void MakeChartModel(TMainDlg& m, const std::vector<int32_t>& dates,
                           const std::function<float(int)>& price, int eval_days,
                           int keepout_days) {
  const int n = static_cast<int>(dates.size());
  m.eval_days = eval_days;
  m.keepout_days = keepout_days;
  m.stocks[0] = std::make_unique<Stock>();
  m.stocks[0]->symbol = "GE";
  m.n_files = 1;
  m.patterns.n_days = n;
  calendar_count = n;
  for (int d = 0; d < n; ++d) {
    calendar[d] = dates[d];
    m.stocks[0]->raw_price[d] = price(d);
  }
  for (int d = 0; d < kMaxDays; ++d) {
    m.net.guess[d][0] = m.net.guess[d][1] = 0;
    m.patterns.result[d][0] = m.patterns.result[d][1] = 0;
    m.signal[d] = 0;
  }
  m.cache_start_back = m.eval_days;
  m.cache_end_back = 10;
  m.cache_step = 1;
}

}  // namespace kv::test
