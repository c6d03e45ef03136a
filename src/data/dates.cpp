// Recognition of the date layout of a price file. Rather than keeping a list
// of known layouts we watch how often each two-digit group of the date field
// changes from one line to the next: the day changes most often, the month
// less, the year least. The recognised digit positions then turn any date
// field of the file into YYYYMMDD.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "data/fields.h"
#include "data/price_format.h"
#include "data/price_passes.h"
#include "data/stock.h"
#include "data/calendar.h"
#include "platform/platform.h"
#include "util/text.h"

namespace kv {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The two characters at pos[0], pos[1] of a field read as a number the way
// atoi reads them: digits up to the first non-digit; positions beyond the
// field end the number.
int PairValue(const std::string& field, const int pos[2]) {
  int v = 0;
  for (int k = 0; k < 2; ++k) {
    int p = pos[k];
    if (p < 0 || p >= static_cast<int>(field.size()) || !IsDigit(field[p])) break;
    v = v * 10 + (field[p] - '0');
  }
  return v;
}

// The cleaned and normalised first field of a raw line.
std::string DateFieldOf(std::string line) {
  Stock::strcheck(line);
  std::string field = FirstField(line);
  NormalizeDateField(field);
  return field;
}

void DateMessage(const std::string& text) {
  plat().MessageBox(text, "File Error", MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

bool Stock::Figure_Date_Format(const char* path) {
  if (path) data_file = path;
  PriceLines lines;
  header_lines = -1;
  try {
    if (!lines.Open(data_file)) return false;
  } catch (const std::exception&) {
    DateMessage("IO error reading data file: \n" + data_file + "\n-ERROR 512c");
    return false;
  }
  return FigureDateFormat(*this, lines);
}

bool FigureDateFormat(Stock& s, PriceLines& lines) {
  const std::string& file = s.data_file;
  int32_t& header_lines = s.header_lines;
  try {
    header_lines = -1;
    lines.Rewind();

    std::string line;
    bool found = false;
    while (lines.Next(line)) {
      ++header_lines;
      if (!line.empty() && IsDigit(line[0])) {
        found = true;
        break;
      }
    }
    // A file without any line starting with a digit has no data line at all:
    // an empty file, or one whose lines start with something else (a ticker
    // before the date, with no heading that names the date and the close).
    if (!found) {
      DateMessage("No line of historical data file: \n" + file +
                  "\nbegins with a date. Each line of prices must start with its date,\n"
                  "as in 2024-01-02,100.14,13213635\n-ERROR 512e");
      return false;
    }

    std::string first = DateFieldOf(line);
    if (first.empty()) return false;

    int digits[8];
    int ndigits = 0;
    for (int i = 0; i < static_cast<int>(first.size()); ++i) {
      if (!IsDigit(first[i])) continue;
      if (ndigits == 8) {   // more than 8 digits: not a date
        ndigits = 9;
        break;
      }
      digits[ndigits++] = i;
    }
    if (ndigits != 6 && ndigits != 8) {
      DateMessage("Date Format error in historical data file: \n" + file + "\n-ERROR 512a");
      return false;
    }

    int pair[3][2] = {{digits[0], digits[1]}, {digits[2], digits[3]}, {digits[4], digits[5]}};
    int prev[3];
    for (int p = 0; p < 3; ++p) prev[p] = PairValue(first, pair[p]);
    std::vector<std::string> ahead;   // date fields of the lines that follow

    if (ndigits == 8) {
      // A four-digit year: find the century digits by comparing with the
      // second line, where they are the same, and leave them out.
      if (!lines.Next(line)) {
        DateMessage("File Too Short Error. file: \n" + file +
                    " has less than 120 days of data\n-ERROR 512b");
        return false;
      }
      std::string second = DateFieldOf(line);
      if (second.empty()) {
        DateMessage("Blank lines not allowed at top on Y2K format: \n\n-ERROR 512f");
        return false;
      }
      while (static_cast<int>(ahead.size()) < 120 && lines.Next(line)) ahead.push_back(DateFieldOf(line));
      // The century is looked for at the first two and at the fifth and sixth
      // digits of the field (not characters), so that a dotted field such as
      // 31.12.1998 is read like 31/12/1998.
      auto century_at = [&](const std::string& a, const std::string& b, int da, int db) {
        const int pa = digits[da], pb = digits[db];
        if (pb >= static_cast<int>(a.size()) || pb >= static_cast<int>(b.size())) return false;
        if (a[pa] != b[pa] || a[pb] != b[pb]) return false;
        return (a[pa] == '1' && a[pb] == '9') || (a[pa] == '2' && a[pb] == '0');
      };
      bool front = century_at(first, second, 0, 1);
      bool middle = !front && century_at(first, second, 4, 5);
      if (!front && !middle) {
        // The first two dates straddle a century (1999/2000): let the
        // following lines tell where the century stands.
        int votes_front = 0, votes_middle = 0;
        const std::string* prev_field = &second;
        for (const std::string& f : ahead) {
          if (f.empty()) continue;
          votes_front += century_at(*prev_field, f, 0, 1);
          votes_middle += century_at(*prev_field, f, 4, 5);
          prev_field = &f;
        }
        front = votes_front > votes_middle;
        middle = votes_middle > votes_front;
      }
      if (front) {
        int p[3][2] = {{digits[2], digits[3]}, {digits[4], digits[5]}, {digits[6], digits[7]}};
        std::copy(&p[0][0], &p[0][0] + 6, &pair[0][0]);
      } else if (middle) {
        pair[2][0] = digits[6];
        pair[2][1] = digits[7];
      } else {
        DateMessage("Date Format error in historical data file: \n" + file + "\n-ERROR 512d");
        return false;
      }
      for (int p = 0; p < 3; ++p) prev[p] = PairValue(second, pair[p]);
    } else {
      while (static_cast<int>(ahead.size()) < 120 && lines.Next(line)) ahead.push_back(DateFieldOf(line));
    }

    int changes[3] = {0, 0, 0};
    for (int n = 0; n < 120; ++n) {
      if (n >= static_cast<int>(ahead.size())) {
        DateMessage("File Too Short Error. file: \n" + file +
                    " has less than 120 days of data\n-ERROR 512b");
        return false;
      }
      const std::string& field = ahead[n];
      if (field.empty()) continue;
      for (int p = 0; p < 3; ++p) {
        int v = PairValue(field, pair[p]);
        if (v != prev[p]) ++changes[p];
        prev[p] = v;
      }
    }

    // The pair that changes most often is the day, the one that changes least
    // the year. When two pairs changed equally often the plain rule would
    // leave one role without a pair; then the pair further left is taken as
    // the larger unit, which reads tied dates as month before day (the usual
    // order of US quote files) and year before month.
    int order[3] = {0, 1, 2};
    std::stable_sort(order, order + 3, [&](int a, int b) { return changes[a] < changes[b]; });
    // order[0] changed least: year; order[1]: month; order[2]: day. The
    // stable sort keeps equal counts in left-to-right order.
    int* roles[3] = {s.year_pos, s.month_pos, s.day_pos};
    for (int r = 0; r < 3; ++r) {
      roles[r][0] = pair[order[r]][0];
      roles[r][1] = pair[order[r]][1];
    }
    return true;
  } catch (const std::exception&) {
    DateMessage("IO error reading data file: \n" + file + "\n-ERROR 512c");
    return false;
  }
}

int32_t Stock::Convert_Date(std::string& field) {
  NormalizeDateField(field);
  char ymd[7];
  const int32_t* pos[3] = {year_pos, month_pos, day_pos};
  int k = 0;
  for (auto* p : pos) {
    for (int j = 0; j < 2; ++j) {
      int at = p[j];
      if (at < 0 || at >= static_cast<int>(field.size()) || !IsDigit(field[at])) return 0;
      ymd[k++] = field[at];
    }
  }
  ymd[6] = 0;
  int32_t v = 0;
  for (int i = 0; i < 6; ++i) v = v * 10 + (ymd[i] - '0');
  return v + (ymd[0] >= '4' ? 19000000 : 20000000);
}

}  // namespace kv
