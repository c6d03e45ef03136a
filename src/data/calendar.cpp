// The model's trading calendar, built from the target stock's file: the
// latest 1000 distinct trading dates up to today, ascending. Every series of
// every stock is aligned on these dates.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "data/calendar.h"
#include "data/fields.h"
#include "data/price_format.h"
#include "data/price_passes.h"
#include "data/stock.h"
#include "platform/platform.h"
#include "util/text.h"

namespace kv {

int32_t calendar[kMaxDays] = {};
int32_t calendar_count = 0;

int32_t Stock::Add_Dates(const char* path) {
  if (path) data_file = path;
  const int32_t today = plat().clock().TodayYmd();
  calendar_count = 0;

  PriceLines lines;
  if (!lines.Open(data_file)) {
    header_lines = -1;
    return 0;
  }
  if (!FigureDateFormat(*this, lines)) return 0;

  std::fill(std::begin(calendar), std::end(calendar), 0);
  lines.Rewind();
  std::string line;
  for (int i = 0; i < header_lines; ++i)
    if (!lines.Next(line)) return 0;

  // The latest 1000 dates (a date may come more than once), whether the file
  // runs oldest-first or newest-first: a heap whose top is the oldest date
  // kept, which each later date replaces once the heap is full.
  std::vector<int32_t> kept;
  kept.reserve(kMaxDays);
  const std::greater<int32_t> later;
  while (lines.Next(line)) {
    strcheck(line);
    std::string field = FirstField(line);
    int32_t date = Convert_Date(field);
    if (date == 0 || date > today) continue;
    if (kept.size() < static_cast<size_t>(kMaxDays)) {
      kept.push_back(date);
      std::push_heap(kept.begin(), kept.end(), later);
    } else if (date > kept.front()) {
      std::pop_heap(kept.begin(), kept.end(), later);
      kept.back() = date;
      std::push_heap(kept.begin(), kept.end(), later);
    }
  }

  // Ascending, each date once, unused entries (0) at the end.
  const int used = static_cast<int>(kept.size());
  std::copy(kept.begin(), kept.end(), calendar);
  std::sort(calendar, calendar + used);
  int32_t* end = std::unique(calendar, calendar + used);
  std::fill(end, calendar + kMaxDays, 0);
  calendar_count = static_cast<int32_t>(end - calendar);
  return calendar_count;
}

}  // namespace kv
