// The model's trading calendar, built from the target stock's file: the
// latest 1000 distinct trading dates up to today, ascending. Every series of
// every stock is aligned on these dates.
#include <algorithm>
#include <cstdio>
#include <memory>

#include "data/calendar.h"
#include "data/fields.h"
#include "data/price_format.h"
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
  int32_t minimum = 99999999;

  if (!Figure_Date_Format()) return 0;

  std::fill(std::begin(calendar), std::end(calendar), 0);
  PriceLines lines;
  if (!lines.Open(data_file)) {
    plat().MessageBox("Unable to open historical data file: " + data_file + "\n-ERROR 503",
                      "File Error", MB_OK | MB_ICONEXCLAMATION);
    return 0;
  }

  std::string line;
  for (int i = 0; i < header_lines; ++i)
    if (!lines.Next(line)) return 0;

  // Fill the table in file order; once it is full, each newer date replaces
  // the oldest one kept, so the table ends with the latest 1000 dates whether
  // the file runs oldest-first or newest-first.
  int used = 0;
  while (lines.Next(line)) {
    strcheck(line);
    std::string field = FirstField(line);
    int32_t date = Convert_Date(field);
    if (date == 0 || date > today) continue;
    if (used < kMaxDays) {
      calendar[used++] = date;
      minimum = std::min(minimum, date);
      continue;
    }
    if (date <= minimum) continue;
    *std::find(std::begin(calendar), std::end(calendar), minimum) = date;
    minimum = *std::min_element(std::begin(calendar), std::end(calendar));
  }

  // Ascending, each date once, unused entries (0) at the end.
  std::sort(calendar, calendar + used);
  int32_t* end = std::unique(calendar, calendar + used);
  std::fill(end, calendar + kMaxDays, 0);
  calendar_count = static_cast<int32_t>(end - calendar);
  return calendar_count;
}

}  // namespace kv
