// The historical price file reader: a structural check, then the data lines,
// each cleaned, split into fields and placed at its day of the calendar.
//
// Lines come through PriceLines (data/price_format.h): a file in the plain
// form reaches the column rules as written; a spreadsheet or broker export
// (quotes, tabs, a heading naming its columns, exponents, time stamps) comes
// rewritten into that plain form. Lines are read whole up to 1000
// characters; the rest of a longer line is dropped, never read as a line.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

#include "data/fields.h"
#include "data/price_format.h"
#include "data/price_passes.h"
#include "data/stock.h"
#include "platform/platform.h"
#include "util/text.h"

namespace kv {

namespace {

constexpr int kMaxFields = 10;
constexpr int kMinDataLines = 120;
constexpr int kMaxLinesToFirstData = 8;   // at most 7 heading lines

void FileError(const std::string& text) {
  plat().MessageBox(text, "File Error", MB_OK | MB_ICONEXCLAMATION);
}

bool StartsWithDigit(const std::string& s) { return !s.empty() && s[0] >= '0' && s[0] <= '9'; }

// A field's leading number as a 32-bit float. A value beyond the float range
// is no price anyone quotes; it reads as a missing value (0) rather than as
// an infinity that would poison the scaling of the whole series.
float FieldValue(std::string_view field) {
  float v = static_cast<float>(LeadingDouble(field));
  return std::isfinite(v) ? v : 0.0f;
}

// The first calendar day holding date, or -1.
int DayOf(int32_t date) {
  const int n = std::clamp(calendar_count, 0, kMaxDays);
  const int32_t* at = std::find(calendar, calendar + n, date);
  return at == calendar + n ? -1 : static_cast<int>(at - calendar);
}

// The same in a calendar whose days ascend.
int DayOfSorted(int32_t date) {
  const int n = std::clamp(calendar_count, 0, kMaxDays);
  const int32_t* at = std::lower_bound(calendar, calendar + n, date);
  return at == calendar + n || *at != date ? -1 : static_cast<int>(at - calendar);
}

void Place(Stock& s, int day, float p, float v) {
  s.price[day] = s.raw_price[day] = s.quoted_price[day] = p;
  s.volume[day] = s.raw_volume[day] = v;
  s.quoted[day] = true;
}

}  // namespace

bool Stock::Check_File_Format(const char* path) {
  if (path) data_file = path;
  PriceLines lines;
  if (!lines.Open(data_file)) {
    FileError("Can not open data file: \n" + data_file + "\n-ERROR 1500");
    return false;
  }
  return CheckFileFormat(*this, lines);
}

bool CheckFileFormat(Stock& s, PriceLines& lines) {
  const std::string& data_file = s.data_file;
  lines.Rewind();
  // A file of several stocks would give one series of all of them.
  if (!lines.format().other_series.empty()) {
    FileError("File: \n" + data_file + " holds the prices of several stocks (" + lines.format().first_series +
              " and " + lines.format().other_series +
              ")\nKestrivane reads one stock per file: please export one file per stock\n-ERROR 1504");
    return false;
  }
  // Several lines on one date are prices within the day: read as days they
  // would give a wrong series, whichever line won.
  if (lines.format().intraday) {
    FileError("File: \n" + data_file + " holds several lines on the date " +
              lines.format().intraday_date +
              " (prices within the day)\nKestrivane reads daily prices: please export one line "
              "per day\n-ERROR 1503");
    return false;
  }
  std::string line;
  int read = 0;
  while (lines.Next(line)) {
    ++read;
    if (StartsWithDigit(line)) break;
  }
  if (read > kMaxLinesToFirstData) {
    FileError("File: \n" + data_file + " is not a valid text csv file\n-ERROR 1501");
    return false;
  }
  int count = 0;
  while (lines.Next(line)) {
    Stock::strcheck(line);
    if (line.empty()) continue;
    if (!StartsWithDigit(line)) {
      FileError("File: \n" + data_file + " is not a valid text csv file\n-ERROR 1502");
      return false;
    }
    ++count;
  }
  if (count < kMinDataLines) {
    FileError("File: \n" + data_file +
              " is too short\nKestrivane requires at least 120 days of data\n-ERROR 1510");
    return false;
  }
  return true;
}

bool Stock::Read_File(int keep, const char* path) {
  if (path) data_file = path;
  data_read = false;
  PriceLines lines;
  if (!lines.Open(data_file)) {
    FileError("Can not open data file: \n" + data_file + "\n-ERROR 1500");
    return false;
  }
  if (!CheckFileFormat(*this, lines)) return false;
  if (!FigureDateFormat(*this, lines)) {
    FileError("Date Format error in historical data file: \n" + data_file + "\n-ERROR 512");
    return false;
  }
  lines.Rewind();
  for (float* s : {price, raw_price, s_price, l_price, volume, raw_volume, quoted_price}) std::fill(s, s + kMaxDays, 0.0f);
  std::fill(quoted, quoted + kMaxDays, false);
  file_dates.clear();
  no_price_lines = 0;

  std::string line;
  for (int n = 1; n <= header_lines; ++n) {
    if (!lines.Next(line)) {
      FileError("Format error in historical file: \n" + data_file +
                "\nLine Number: " + std::to_string(n) + "\n-ERROR 510");
      return false;
    }
  }

  // A six-column file whose lines carry a trailing 0 looks like seven
  // columns; until a line shows otherwise, such lines are read as six.
  // The calendar Add_Dates builds ascends: a binary search then finds the
  // day a scan would.
  const int days = std::clamp(calendar_count, 0, kMaxDays);
  const bool ascending = std::adjacent_find(calendar, calendar + days, std::greater_equal<int32_t>()) ==
                         calendar + days;
  bool layout_settled = false;
  std::string_view fields[kMaxFields + 1];
  const int32_t today = plat().clock().TodayYmd();
  while (lines.Next(line)) {
    strcheck(line);
    int n = SplitFields(line, fields, kMaxFields);
    // A blank line is no line of the layout: it neither settles the
    // seven-column question nor carries a date.
    if (n == 0) continue;
    fields[n] = "0";   // the field after the last one reads as 0
    if (!layout_settled) {
      if (n == 7 && FieldValue(fields[6]) == 0) n = 6;
      else layout_settled = true;
    }
    std::string date_field(fields[0]);
    int32_t date = Convert_Date(date_field);
    if (date == 0) continue;
    if (date > today) continue;
    file_dates.push_back(date);
    // Only the days of the calendar are kept: the numbers of a line older
    // than its first day (most lines of a long history) are never read.
    const int day = ascending ? DayOfSorted(date) : DayOf(date);
    if (day < 0) continue;
    int price_col, volume_col;
    PriceColumnsByCount(n, price_col, volume_col);
    const float p = price_col ? FieldValue(fields[price_col - 1]) : 0.0f;
    const float v = volume_col ? FieldValue(fields[volume_col - 1]) : 0.0f;
    Place(*this, day, p, v);
  }
  no_price_lines = lines.no_price_lines();
  no_price_date = lines.no_price_first_date();
  no_price_word = lines.no_price_word();
  lines = PriceLines();
  Filter();
  Normalize(keep);
  data_read = true;
  return true;
}

bool Stock::Add_Price(int32_t date, float p, float v) {
  if (date > plat().clock().TodayYmd()) return true;
  const int day = DayOf(date);
  if (day >= 0) Place(*this, day, p, v);
  return true;
}

}  // namespace kv
