// One stock of a model: its historical file, the series read from it (one
// value per calendar day) and the scale factors that bring them to the
// network's range.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/calendar.h"

namespace kv {

class Stock {
 public:
  // Field widths of the stored texts (characters, terminator excluded).
  static constexpr int kSymbolMax = 254;
  static constexpr int kDataFileMax = 511;

  std::string symbol;             // ticker symbol
  int32_t infl_periods = 10;      // lagged days per series, 1..20
  int32_t infl_period = 1;        // stored in the model file only
  bool do_price = false;
  bool do_volume = false;
  bool do_l_price = false;
  bool do_s_price = true;
  std::string data_file;          // path of the historical file
  float price[kMaxDays] = {};     // close, normalised
  float raw_price[kMaxDays] = {}; // close, gap-filled, not normalised
  float s_price[kMaxDays] = {};   // short-term filtered, scaled
  float l_price[kMaxDays] = {};   // long-term filtered, scaled
  float volume[kMaxDays] = {};    // volume, scaled
  float raw_volume[kMaxDays] = {}; // volume as read, not scaled
  float normal1 = 1, normal2 = 1, normal3 = 1, normal4 = 0, normal5 = 1;
  int32_t header_lines = 0;       // lines before the first data line
  int32_t year_pos[2] = {0, 1};   // digit positions inside a normalised date field
  int32_t month_pos[2] = {2, 3};
  int32_t day_pos[2] = {4, 5};
  // What the last read found in the file itself, for the data-quality check
  // (never stored in the model file).
  bool data_read = false;             // the last Read_File succeeded
  bool quoted[kMaxDays] = {};         // calendar days the file quotes
  float quoted_price[kMaxDays] = {};  // the close as read, before gap filling
  std::vector<int32_t> file_dates;    // dated lines, in file order, none after today
  // Data lines passed over because their price was a word such as "null":
  // how many, the first one's date and the word, as written.
  int no_price_lines = 0;
  std::string no_price_date, no_price_word;

  Stock() { Clear(); }
  // A cleared record followed by Read_File(keep, path); the result is ignored.
  Stock(int keep, const char* path);

  void Clear();

  // ---- reading (price_file.cpp) ----
  bool Check_File_Format(const char* path = nullptr);
  bool Read_File(int keep, const char* path = nullptr);
  bool Add_Price(int32_t date, float price, float volume);

  // ---- dates and calendar (dates.cpp, calendar.cpp) ----
  bool Figure_Date_Format(const char* path = nullptr);
  int32_t Convert_Date(std::string& field);
  int32_t Add_Dates(const char* path = nullptr);

  // ---- clean-up and conditioning (line_cleanup.cpp, conditioning.cpp) ----
  static bool Convert_Month(std::string& line);
  static void strcheck(std::string& line);
  static char ChCheck(char c, int mode);
  void Filter();
  void Normalize(int keep);
};

}  // namespace kv
