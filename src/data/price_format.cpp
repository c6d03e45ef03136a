#include "data/price_format.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <set>

#include "data/fields.h"
#include "data/stock.h"
#include "util/file.h"
#include "util/file_failure.h"
#include "util/text.h"

namespace kv {

namespace {

constexpr size_t kPlainLineLimit = 99;   // longer lines are never plain

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string Trim(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && (s[a] == ' ' || s[a] == '\t' || s[a] == '"')) ++a;
  while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t' || s[b - 1] == '"')) --b;
  return s.substr(a, b - a);
}

void StripBom(std::string& line) {
  if (line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
}

// A field that says the day has no value, as exporters write it.
bool IsNoValueWord(const std::string& field) {
  std::string k;
  for (char c : field)
    if (c != ' ' && c != '\t' && c != '"') k += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return k == "null" || k == "nan" || k == "n/a" || k == "#n/a" || k == "na" || k == "none";
}

char SeparatorOf(const std::string& line) {
  return line.find(';') != std::string::npos    ? ';'
         : line.find(',') != std::string::npos  ? ','
         : line.find('\t') != std::string::npos ? '\t'
                                                 : ',';
}

// Every field after the date says "no value": the line tells nothing about
// the file's columns.
bool AllNoValues(const std::string& line) {
  const auto fields = SplitQuoted(line, SeparatorOf(line));
  return std::any_of(fields.begin() + (fields.empty() ? 0 : 1), fields.end(), IsNoValueWord) &&
         std::all_of(fields.begin() + (fields.empty() ? 0 : 1), fields.end(),
                     [](const std::string& f) { return IsNoValueWord(f) || Trim(f).empty(); });
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The month (1 to 12) whose name, or its first three letters, starts s at
// at; 0 when none does. *end is set past the name.
int MonthWordAt(const std::string& s, size_t at, size_t* end) {
  static const char* const kNames = "janfebmaraprmayjunjulaugsepoctnovdec";
  if (at + 3 > s.size()) return 0;
  for (int m = 0; m < 12; ++m)
    if (Lower(s[at]) == kNames[3 * m] && Lower(s[at + 1]) == kNames[3 * m + 1] &&
        Lower(s[at + 2]) == kNames[3 * m + 2]) {
      size_t e = at + 3;
      while (e < s.size() && ((Lower(s[e]) >= 'a' && Lower(s[e]) <= 'z') || s[e] == '.')) ++e;
      *end = e;
      return m + 1;
    }
  return 0;
}

// "Feb 24, 2025", "February 24, 2025", "Sept. 4 2025": the month's name,
// the day, then a four-digit year, as some sites write dates (a field that
// holds a comma, so always quoted). The date as 2025-02-24, or empty when
// the field is not such a date.
std::string IsoOfWordDate(const std::string& field) {
  size_t at = 0;
  const int month = MonthWordAt(field, 0, &at);
  if (month == 0 || at >= field.size() || field[at] != ' ') return {};
  while (at < field.size() && field[at] == ' ') ++at;
  int day = 0, digits = 0;
  while (at < field.size() && IsDigit(field[at]) && digits < 3) day = day * 10 + (field[at++] - '0'), ++digits;
  if (digits == 0 || digits > 2 || day < 1 || day > 31) return {};
  if (at < field.size() && field[at] == ',') ++at;
  while (at < field.size() && field[at] == ' ') ++at;
  int year = 0;
  digits = 0;
  while (at < field.size() && IsDigit(field[at]) && digits < 5) year = year * 10 + (field[at++] - '0'), ++digits;
  if (digits != 4 || at != field.size()) return {};
  return Format("%04d-%02d-%02d", year, month, day);
}

// A data line in the wider sense: its first character, after blanks and an
// opening quote, is a digit, or its first field is a whole date in words.
bool LooksLikeData(const std::string& line) {
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '"') continue;
    if (IsDigit(c)) return true;
    size_t end = 0;
    if (MonthWordAt(line, i, &end) == 0) return false;
    const auto fields = SplitQuoted(line, SeparatorOf(line));
    return !fields.empty() && !IsoOfWordDate(Trim(fields[0])).empty();
  }
  return false;
}

// A line of a file whose date stands in column date_col (1-based): a data
// line when that field starts with a digit.
bool LooksLikeDataAt(const std::string& line, int date_col, char separator) {
  if (date_col <= 1) return LooksLikeData(line);
  const auto fields = SplitQuoted(line, separator);
  return static_cast<int>(fields.size()) >= date_col && LooksLikeData(fields[date_col - 1]);
}

// The 1-based column a heading names Date, when that is not the first one;
// 0 otherwise.
int LaterDateColumn(const std::string& heading, char separator) {
  const auto names = SplitQuoted(heading, separator);
  for (size_t i = 1; i < names.size(); ++i)
    if (ColumnKey(names[i]) == "date") return static_cast<int>(i) + 1;
  return 0;
}

// A date field without the time of day that may follow it; a date in words
// as 2025-02-24.
std::string DatePart(const std::string& field) {
  std::string d = Trim(field);
  if (!d.empty() && !IsDigit(d[0])) {
    if (std::string iso = IsoOfWordDate(d); !iso.empty()) return iso;
  }
  const size_t colon = d.find(':');
  if (colon == std::string::npos) return d;
  const size_t cut = d.find_last_of(" T", colon);
  return cut == std::string::npos ? d : Trim(d.substr(0, cut));
}

// Fixed-point text that reads back as the same double (17 significant
// digits), never in exponent form, which the line clean-up would mangle.
std::string FixedText(double v) {
  if (v == 0 || !std::isfinite(v)) return "0";
  const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(v)))) + 1;
  const int decimals = std::clamp(17 - magnitude, 0, 60);
  return Format("%.*f", decimals, v);
}

int PriceRank(const std::string& key) {
  if (key == "adjclose" || key == "adjusted" || key == "adjustedclose") return 2;
  if (key == "close" || key == "last" || key == "close/last" || key == "price") return 1;
  return 0;
}

bool IsVolumeKey(const std::string& key) { return key == "volume" || key == "vol"; }

// The columns the field-count rules take for one raw line, as the reader
// applies them to a file's first line.
void RuleColumnsOf(const std::string& raw, int& price_col, int& volume_col) {
  std::string line = raw;
  Stock::strcheck(line);
  std::string_view f[11];
  int n = SplitFields(line, f, 10);
  f[n] = "0";
  if (n == 7 && LeadingDouble(f[6]) == 0) n = 6;
  PriceColumnsByCount(n, price_col, volume_col);
}

// A field of a data line that the plain reader would get wrong: a number in
// exponent form, or with both a thousands separator and a decimal comma.
// The multiple a letter after a number's last digit stands for: thousands,
// millions, billions; 1 for any other character.
double UnitOf(char c) {
  return c == 'K' ? 1e3 : c == 'M' ? 1e6 : c == 'B' ? 1e9 : 1;
}

bool NeedsCareAsNumber(const std::string& field, char separator) {
  const std::string f = Trim(field);
  if (f.size() >= 2 && IsDigit(f[f.size() - 2]) && UnitOf(f.back()) != 1) return true;
  for (size_t i = 1; i + 1 < f.size(); ++i)
    if ((f[i] == 'e' || f[i] == 'E') && IsDigit(f[i - 1]) &&
        (IsDigit(f[i + 1]) || ((f[i + 1] == '-' || f[i + 1] == '+') && i + 2 < f.size() && IsDigit(f[i + 2]))))
      return true;
  if (separator == ';') {
    const size_t dot = f.find('.'), comma = f.find(',');
    if (dot != std::string::npos && comma != std::string::npos && dot < comma) return true;
    if (std::count(f.begin(), f.end(), '.') > 1) return true;
  }
  return false;
}

}  // namespace

void PriceColumnsByCount(int nfields, int& price_col, int& volume_col) {
  static constexpr int kPrice[8] = {0, 0, 2, 2, 3, 4, 5, 6};
  static constexpr int kVolume[8] = {0, 0, 0, 3, 4, 5, 6, 7};
  if (nfields < 0 || nfields > 7) {
    price_col = volume_col = 0;
    return;
  }
  price_col = kPrice[nfields];
  volume_col = kVolume[nfields];
}

std::vector<std::string> SplitQuoted(const std::string& line, char separator) {
  std::vector<std::string> out(1);
  bool quoted = false;
  for (char c : line) {
    if (c == '"') quoted = !quoted;
    else if (c == separator && !quoted) out.emplace_back();
    else out.back().push_back(c);
  }
  return out;
}

std::string ColumnKey(const std::string& name) {
  std::string key;
  for (char c : name) {
    if (c == ' ' || c == '\t' || c == '_' || c == '.' || c == '*' || c == '"' || c == '<' || c == '>') continue;
    key.push_back(static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c));
  }
  return key;
}

bool ParseExportedNumber(const std::string& field, bool decimal_comma, double& value) {
  std::string s = Trim(field);
  bool negative = false;
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
    negative = s[0] == '-';
    s.erase(0, 1);
  }
  for (const char* sign : {"$", "\xE2\x82\xAC", "\xC2\xA3", "\xC2\xA5"})
    if (s.compare(0, std::strlen(sign), sign) == 0) {
      s.erase(0, std::strlen(sign));
      break;
    }
  // Volumes as some sites export them: "17.19M", "950.25K", "1.2B".
  double unit = 1;
  if (s.size() >= 2 && IsDigit(s[s.size() - 2])) {
    unit = UnitOf(s.back());
    if (unit != 1) s.pop_back();
  }
  const auto count = [&](char c) { return std::count(s.begin(), s.end(), c); };
  if (decimal_comma) {
    if (count(',') > 0 || count('.') > 1) s.erase(std::remove(s.begin(), s.end(), '.'), s.end());
    std::replace(s.begin(), s.end(), ',', '.');
  } else if (count(',') > 0) {
    // One comma not followed by exactly three digits, in a number without a
    // point, is a decimal comma ("185,64"); otherwise commas group thousands.
    const size_t comma = s.find(',');
    size_t digits = 0;
    while (comma + 1 + digits < s.size() && IsDigit(s[comma + 1 + digits])) ++digits;
    if (count(',') == 1 && count('.') == 0 && digits != 3) s[comma] = '.';
    else s.erase(std::remove(s.begin(), s.end(), ','), s.end());
  }
  if (s.empty() || !(IsDigit(s[0]) || s[0] == '.')) return false;
  size_t used = 0;
  const double v = LeadingDouble(s, &used) * unit;
  if (used == 0) return false;
  value = negative ? -v : v;
  return true;
}

bool NextTextLine(const std::string& text, size_t* pos, std::string& line, size_t limit) {
  const size_t at = *pos;
  if (at >= text.size()) {
    line.clear();
    return false;
  }
  const void* nl = std::memchr(text.data() + at, '\n', text.size() - at);
  const size_t end = nl ? static_cast<size_t>(static_cast<const char*>(nl) - text.data()) : text.size();
  line.assign(text, at, std::min(end - at, limit));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  *pos = nl ? end + 1 : end;
  return true;
}

namespace {

// A spreadsheet's "Unicode text" is UTF-16 with a byte-order mark: as UTF-8.
// Characters that are not whole (an odd last byte, a lone surrogate) become
// '?', which no date or number holds.
void Utf16ToUtf8(std::string& text) {
  const bool big = static_cast<unsigned char>(text[0]) == 0xFE;
  std::string out;
  out.reserve(text.size() / 2);
  auto unit = [&](size_t i) {
    const unsigned a = static_cast<unsigned char>(text[i]), b = static_cast<unsigned char>(text[i + 1]);
    return big ? (a << 8) | b : (b << 8) | a;
  };
  for (size_t i = 2; i + 1 < text.size(); i += 2) {
    unsigned c = unit(i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 3 < text.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = '?';
    }
    AppendUtf8(out, c);
  }
  if (text.size() % 2) out += '?';
  text = std::move(out);
}

}  // namespace

void NormalizePriceText(std::string& text) {
  if (text.size() >= 2 && ((static_cast<unsigned char>(text[0]) == 0xFF && static_cast<unsigned char>(text[1]) == 0xFE) ||
                           (static_cast<unsigned char>(text[0]) == 0xFE && static_cast<unsigned char>(text[1]) == 0xFF)))
    Utf16ToUtf8(text);
  // Lines that end in a carriage return alone, as old Macintosh exports
  // write them: only when no line feed is found anywhere, so that a stray
  // carriage return inside a line of any other file stays as it was.
  if (text.find('\n') == std::string::npos) std::replace(text.begin(), text.end(), '\r', '\n');
}

PriceFormat SniffPriceFormat(const std::string& path) {
  std::string text;
  if (!ReadFileToString(path, &text)) return PriceFormat();
  NormalizePriceText(text);
  return SniffPriceText(text);
}

PriceFormat SniffPriceText(const std::string& text) {
  PriceFormat fmt;
  fmt.opened = true;

  std::string line, heading;
  bool first = true, in_data = false;
  int heading_fields = 0;
  std::set<std::string> dates;
  size_t pos = 0;
  while (NextTextLine(text, &pos, line, kPriceLineLimit)) {
    if (first) {
      fmt.bom = line.compare(0, 3, "\xEF\xBB\xBF") == 0;
      StripBom(line);
      first = false;
    }
    if (!in_data) {
      if (!LooksLikeData(line)) {
        // A vendor's layout may put a ticker before the date: a heading that
        // names a later Date column, and a line whose field there is a date.
        const int later = heading.empty() ? 0 : LaterDateColumn(heading, SeparatorOf(heading));
        if (later == 0 || !LooksLikeDataAt(line, later, SeparatorOf(heading))) {
          if (!line.empty()) heading = line;
          continue;
        }
        fmt.date_col = later;
        fmt.rewrite = true;
      }
      if (AllNoValues(line)) continue;
      in_data = true;
      // The first data line decides the separator and the columns.
      fmt.separator = SeparatorOf(line);
      if (fmt.separator == '\t') fmt.rewrite = true;
      if (!IsDigit(line[0])) fmt.rewrite = true;   // a quoted or indented date
      const auto fields = SplitQuoted(line, fmt.separator);
      int nfields = static_cast<int>(fields.size());
      if (nfields > 1 && Trim(fields.back()).empty()) --nfields;
      int rule_price = 0, rule_volume = 0;
      RuleColumnsOf(line, rule_price, rule_volume);
      fmt.price_col = rule_price;
      fmt.volume_col = rule_volume;
      if (!heading.empty()) {
        const auto names = SplitQuoted(heading, fmt.separator);
        heading_fields = static_cast<int>(names.size());
        int price = 0, rank = 0, volume = 0;
        for (int i = 0; i < heading_fields; ++i) {
          const std::string key = ColumnKey(names[i]);
          if (PriceRank(key) > rank) rank = PriceRank(key), price = i + 1;
          if (!volume && IsVolumeKey(key)) volume = i + 1;
        }
        if (price > 1 && price != fmt.date_col && heading_fields == nfields) {
          fmt.named = true;
          fmt.price_col = price;
          fmt.volume_col = volume;
          if (price != rule_price || volume != rule_volume) fmt.rewrite = true;
        }
      }
      // Without the price named, a layout with the date further on is not
      // one this reader knows: it stays unread, and says so.
      if (fmt.date_col > 1 && !fmt.named) {
        PriceFormat unknown;
        unknown.opened = true;
        return unknown;
      }
    }
    if (!LooksLikeDataAt(line, fmt.date_col, fmt.separator)) continue;
    if (line.size() > kPlainLineLimit) fmt.rewrite = true;
    // Most lines hold no quote, no exponent, no unit letter and no decimal
    // comma: then no field needs care and only the date field can hold a
    // time of day, which is found without splitting the line. A date further
    // on is looked at in every line.
    if (fmt.date_col == 1 && fmt.separator != ';' &&
        std::none_of(line.begin(), line.end(),
                     [](char c) { return c == '"' || c == 'e' || c == 'E' || UnitOf(c) != 1; }) &&
        line.find(':') >= line.find(fmt.separator))
      continue;
    bool quoted = false;
    for (char c : line) {
      if (c == '"') quoted = !quoted;
      else if (quoted && c == fmt.separator) fmt.rewrite = true;
    }
    const auto fields = SplitQuoted(line, fmt.separator);
    for (size_t i = 1; i < fields.size(); ++i)
      if (NeedsCareAsNumber(fields[i], fmt.separator)) fmt.rewrite = true;
    const std::string& date_field = fields[std::min<size_t>(fmt.date_col, fields.size()) - 1];
    const bool timed = date_field.find(':') != std::string::npos;
    if (timed) fmt.timestamps = fmt.rewrite = true;
    // In a vendor's layout the columns before the date name the stock: a
    // change from line to line is a second stock in the same file.
    if (fmt.date_col > 1 && fmt.other_series.empty()) {
      std::string series;
      for (int i = 0; i + 1 < fmt.date_col; ++i) series += (i ? " " : "") + Trim(fields[static_cast<size_t>(i)]);
      if (fmt.first_series.empty()) fmt.first_series = series;
      else if (series != fmt.first_series) fmt.other_series = series;
    }
    // Several lines on one date are prices within the day: shown by a time
    // in the date field, or, in a vendor's layout, by a time column of its own.
    if (timed || fmt.date_col > 1) {
      const std::string date = DatePart(date_field);
      if (!dates.insert(date).second && !fmt.intraday) {
        fmt.intraday = true;
        fmt.intraday_date = date;
      }
    }
  }
  return fmt;
}

bool PriceLines::Open(const std::string& path) {
  text_.clear();
  Rewind();
  errno = 0;
  try {
    open_ = ReadFileToString(path, &text_);
  } catch (const std::bad_alloc&) {
    open_ = false;
    errno = ENOMEM;
  }
  if (!open_) {
    // errno is that of the failed open or read; none is left by a file over
    // the size limit.
    NoteFileFailure("open", path, errno ? errno : EFBIG);
    format_ = PriceFormat();
    return false;
  }
  NormalizePriceText(text_);
  format_ = SniffPriceText(text_);
  return true;
}

void PriceLines::Rewind() {
  pos_ = 0;
  first_ = true;
  no_price_lines_ = 0;
  no_price_date_.clear();
  no_price_word_.clear();
}

bool PriceLines::IsDataLine(const std::string& line) const {
  return LooksLikeDataAt(line, format_.date_col, format_.separator);
}

bool PriceLines::FillNoValues(std::string& line) {
  // Most lines hold no letter at all.
  if (std::none_of(line.begin(), line.end(), [](char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }))
    return true;
  auto fields = SplitQuoted(line, format_.separator);
  std::vector<bool> none(fields.size(), false);
  bool any = false;
  std::string word;
  for (size_t i = 1; i < fields.size(); ++i)
    if (IsNoValueWord(fields[i])) {
      if (word.empty()) word = Trim(fields[i]);
      fields[i] = "0";
      none[i] = any = true;
    }
  if (!any) return true;
  std::string out;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) out += format_.separator;
    const bool quote = fields[i].find(format_.separator) != std::string::npos;
    out += quote ? "\"" + fields[i] + "\"" : fields[i];
  }
  int price_col = format_.price_col, volume_col = 0;
  if (!format_.named) RuleColumnsOf(out, price_col, volume_col);
  if (price_col >= 2 && static_cast<size_t>(price_col) <= fields.size() && none[price_col - 1]) {
    if (no_price_lines_++ == 0) {
      no_price_date_ = DatePart(fields[std::min<size_t>(format_.date_col, fields.size()) - 1]);
      no_price_word_ = word;
    }
    return false;
  }
  line = out;
  return true;
}

bool PriceLines::Next(std::string& line) {
  do {
    if (!open_ || !NextTextLine(text_, &pos_, line, kPriceLineLimit)) return false;
    if (first_) StripBom(line);
    first_ = false;
    if (!IsDataLine(line)) return true;
  } while (!FillNoValues(line));
  if (!format_.rewrite) return true;

  const auto fields = SplitQuoted(line, format_.separator);
  const bool decimal_comma = format_.separator == ';';
  std::string out = static_cast<int>(fields.size()) >= format_.date_col ? DatePart(fields[format_.date_col - 1]) : "";
  const auto number = [&](int col) {
    double v = 0;
    if (col >= 2 && col <= static_cast<int>(fields.size()) &&
        ParseExportedNumber(fields[col - 1], decimal_comma, v))
      return FixedText(v);
    return std::string("0");
  };
  if (format_.named) {
    out += "," + number(format_.price_col);
    if (format_.volume_col) out += "," + number(format_.volume_col);
  } else {
    for (size_t i = 1; i < fields.size(); ++i) {
      double v = 0;
      if (ParseExportedNumber(fields[i], decimal_comma, v)) out += "," + FixedText(v);
    }
  }
  line = out;
  return true;
}

}  // namespace kv
