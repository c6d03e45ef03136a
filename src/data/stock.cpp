#include "data/stock.h"

#include <algorithm>

namespace kv {

Stock::Stock(int keep, const char* path) {
  Clear();
  Read_File(keep, path);
}

void Stock::Clear() {
  symbol.clear();
  infl_periods = 10;
  infl_period = 1;
  do_s_price = true;
  data_file.clear();
  std::fill(std::begin(price), std::end(price), 0.0f);
  std::fill(std::begin(raw_price), std::end(raw_price), 0.0f);
  std::fill(std::begin(raw_volume), std::end(raw_volume), 0.0f);
  std::fill(std::begin(s_price), std::end(s_price), 0.0f);
  std::fill(std::begin(l_price), std::end(l_price), 0.0f);
  std::fill(std::begin(volume), std::end(volume), 0.0f);
  normal1 = 1;
  normal2 = 1;
  normal3 = 1;
  normal4 = 0;
  normal5 = 1;
  data_read = false;
  std::fill(std::begin(quoted), std::end(quoted), false);
  std::fill(std::begin(quoted_price), std::end(quoted_price), 0.0f);
  file_dates.clear();
  no_price_lines = 0;
  no_price_date.clear();
  no_price_word.clear();
}

}  // namespace kv
