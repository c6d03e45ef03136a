#include "data/price_files.h"

#include "data/data_quality.h"
#include "util/text.h"

namespace kv::test {

namespace {
Day CivilFromDays(long z) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int y = static_cast<int>(yoe + era * 400 + (m <= 2));
  return {y, m, d};
}
}  // namespace

std::vector<Day> TradingDays(int y, int m, int d, int count) {
  std::vector<Day> out;
  for (long z = DaysFromCivil(y, m, d); static_cast<int>(out.size()) < count; ++z) {
    const long wd = (z + 4) % 7;   // 1970-01-01 was a Thursday; 0 = Sunday
    if (wd != 0 && wd != 6) out.push_back(CivilFromDays(z));
  }
  return out;
}

std::time_t NoonOf(int y, int m, int d) {
  std::tm t{};
  t.tm_year = y - 1900;
  t.tm_mon = m - 1;
  t.tm_mday = d;
  t.tm_hour = 12;
  t.tm_isdst = -1;
  return std::mktime(&t);
}

std::string PriceText(const std::vector<Day>& days,
                      const std::function<std::string(const Day&, int)>& line,
                      const std::string& header) {
  std::string text = header;
  for (size_t i = 0; i < days.size(); ++i) text += line(days[i], static_cast<int>(i)) + "\n";
  return text;
}

std::string IsoLine(const Day& day, int i) {
  return Format("%04d-%02d-%02d,%.2f,%d", day.y, day.m, day.d, 20.0 + (i % 17) * 0.25, 1000 + i);
}

}  // namespace kv::test
