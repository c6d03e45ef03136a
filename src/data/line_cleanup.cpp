// Clean-up of one line of a historical price file before it is parsed:
// month names become numbers, separators and decimal marks are unified and
// everything else is dropped, so that every layout reaches the date
// recognition and the column picker in one shape ("31/12/98,12.50,1000").
#include <algorithm>
#include <cstring>

#include "data/stock.h"
#include "util/text.h"

namespace kv {

namespace {
constexpr size_t kMaxCleanLine = 1023;
constexpr const char* kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
}  // namespace

bool Stock::Convert_Month(std::string& line) {
  // The names are tried in calendar order and the first one found anywhere in
  // the line wins; only that one occurrence is replaced. Every name starts
  // with a capital, so a line without one (most lines) holds none.
  if (std::none_of(line.begin(), line.end(), [](char c) { return c >= 'A' && c <= 'Z'; }))
    return false;
  for (int m = 0; m < 12; ++m) {
    size_t at = line.find(kMonths[m]);
    if (at == std::string::npos) continue;
    line = line.substr(0, at) + Format("%02d", m + 1) + line.substr(at + 3);
    return true;
  }
  return false;
}

char Stock::ChCheck(char c, int mode) {
  if ((c >= '0' && c <= '9') || c == '.' || c == '/' || c == '\n') return c;
  switch (c) {
    case ',': return mode == 1 ? '.' : ',';   // a line with semicolons uses decimal commas
    case ';': return ',';
    case '-': return '/';
    default: return 0;
  }
}

namespace {

// ChCheck of every byte, for both modes: the clean-up runs several times
// over every line of every price file.
struct CleanTable {
  char to[2][256];
  CleanTable() {
    for (int mode = 0; mode < 2; ++mode)
      for (int c = 0; c < 256; ++c) to[mode][c] = Stock::ChCheck(static_cast<char>(c), mode);
  }
};
const CleanTable& Clean() {
  static const CleanTable table;   // made on first use, whatever the order of start-up
  return table;
}

}  // namespace

void Stock::strcheck(std::string& line) {
  Convert_Month(line);
  const char* to = Clean().to[line.find(';') != std::string::npos ? 1 : 0];
  // In place: what is kept never overtakes what is read.
  char* s = line.data();
  const size_t n = line.size();
  size_t kept = 0;
  for (size_t i = 0; i < n && kept < kMaxCleanLine; ++i) {
    const char k = to[static_cast<unsigned char>(s[i])];
    s[kept] = k;
    kept += k != 0;
  }
  line.resize(kept);
}

}  // namespace kv
