// The historical price file reader: a structural check, then the data lines,
// each cleaned, split into fields and placed at its day of the calendar.
//
// Lines are read with a limit of 99 characters. The rest of a longer line is
// read and dropped (util ReadLine), so an overlong line is cut, never split
// into several lines and never written past a buffer; such lines are not
// expected in a quote file, and the date, close and volume stand at the front.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "data/fields.h"
#include "data/stock.h"
#include "platform/platform.h"
#include "util/text.h"

namespace kv {

namespace {

constexpr size_t kLineLimit = 99;
constexpr int kMaxFields = 10;
constexpr int kMinDataLines = 120;
constexpr int kMaxLinesToFirstData = 8;   // at most 7 heading lines

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;
File Open(const std::string& path) { return File(std::fopen(path.c_str(), "rb"), &std::fclose); }

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

// Price and volume columns (1-based, 0 = none) by the number of fields.
void Columns(int nfields, int& price_col, int& volume_col) {
  static constexpr int kPrice[8] = {0, 0, 2, 2, 3, 4, 5, 6};
  static constexpr int kVolume[8] = {0, 0, 0, 3, 4, 5, 6, 7};
  if (nfields < 0 || nfields > 7) {
    price_col = volume_col = 0;
    return;
  }
  price_col = kPrice[nfields];
  volume_col = kVolume[nfields];
}

}  // namespace

bool Stock::Check_File_Format(const char* path) {
  if (path) data_file = path;
  File f = Open(data_file);
  if (!f) {
    FileError("Can not open data file: \n" + data_file + "\n-ERROR 1500");
    return false;
  }
  std::string line;
  int read = 0;
  while (ReadLine(f.get(), line, kLineLimit)) {
    ++read;
    if (StartsWithDigit(line)) break;
  }
  if (read > kMaxLinesToFirstData) {
    FileError("File: \n" + data_file + " is not a valid text csv file\n-ERROR 1501");
    return false;
  }
  int count = 0;
  while (ReadLine(f.get(), line, kLineLimit)) {
    strcheck(line);
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
  if (!Check_File_Format()) return false;
  if (!Figure_Date_Format()) {
    FileError("Date Format error in historical data file: \n" + data_file + "\n-ERROR 512");
    return false;
  }
  File f = Open(data_file);
  if (!f) {
    FileError("Unable to open historical data file: " + data_file + "\n-ERROR 500");
    return false;
  }
  for (float* s : {price, raw_price, s_price, l_price, volume}) std::fill(s, s + kMaxDays, 0.0f);

  std::string line;
  for (int n = 1; n <= header_lines; ++n) {
    if (!ReadLine(f.get(), line, kLineLimit)) {
      FileError("Format error in historical file: \n" + data_file +
                "\nLine Number: " + std::to_string(n) + "\n-ERROR 510");
      return false;
    }
  }

  // A six-column file whose lines carry a trailing 0 looks like seven
  // columns; until a line shows otherwise, such lines are read as six.
  bool layout_settled = false;
  std::string_view fields[kMaxFields + 1];
  while (ReadLine(f.get(), line, kLineLimit)) {
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
    int price_col, volume_col;
    Columns(n, price_col, volume_col);
    float p = price_col ? FieldValue(fields[price_col - 1]) : 0.0f;
    float v = volume_col ? FieldValue(fields[volume_col - 1]) : 0.0f;
    Add_Price(date, p, v);
  }
  f.reset();
  Filter();
  Normalize(keep);
  return true;
}

bool Stock::Add_Price(int32_t date, float p, float v) {
  if (date > plat().clock().TodayYmd()) return true;
  const int n = std::clamp(calendar_count, 0, kMaxDays);
  for (int i = 0; i < n; ++i) {
    if (calendar[i] == date) {
      price[i] = raw_price[i] = p;
      volume[i] = v;
      break;
    }
  }
  return true;
}

}  // namespace kv
