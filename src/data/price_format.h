// The shape of a price file as people export it, found by looking at the
// whole file once: byte-order mark, field separator, quoted fields, a heading
// that names the columns, numbers with thousands separators, exponents or a
// currency sign, and dates stamped with a time of day.
//
// A file in the plain form the column rules were made for is left alone: its
// lines reach the reader exactly as written (less a byte-order mark). Any
// other file is "rewritten": each data line is handed to the reader as the
// plain line "DATE,CLOSE,VOLUME" (named columns) or as all its numbers in
// order, comma-separated (no naming heading), so the date recognition and the
// column rules downstream stay one and the same code.
#pragma once

#include <string>
#include <vector>

namespace kv {

// Longest line read whole; the rest of a longer line is dropped.
inline constexpr size_t kPriceLineLimit = 1000;

struct PriceFormat {
  bool opened = false;        // the file is a regular file that could be opened
  bool bom = false;           // a UTF-8 byte-order mark before the first line
  char separator = ',';       // ',', ';' or '\t'
  bool rewrite = false;       // data lines are rewritten (see above)
  bool named = false;         // the heading names the price column
  int price_col = 0;          // 1-based columns the reader takes; 0 = none
  int volume_col = 0;
  // The date's column: 1, unless the heading names a date column further on
  // (a vendor's layout with a ticker first); such lines are rewritten with
  // their date first.
  int date_col = 1;
  bool timestamps = false;    // dates carry a time of day
  bool intraday = false;      // with timestamps, some date holds several lines
  std::string intraday_date;  // the first such date, as written
  // With the date further on: the columns before it (a ticker) change from
  // line to line, so the file holds several stocks; the first two, as written.
  std::string first_series, other_series;
};

// The text of a price file as the reader takes it: UTF-16 with a byte-order
// mark (a spreadsheet's "Unicode text") as UTF-8, and lines that end in a
// carriage return alone (old Macintosh exports) as lines, when the text
// holds no line feed at all.
void NormalizePriceText(std::string& text);

// Looks at the file at path. A path that is not a regular file (a folder, a
// FIFO, a device) or cannot be read gives opened == false at once.
PriceFormat SniffPriceFormat(const std::string& path);
// The same for the whole text of a file (opened is set).
PriceFormat SniffPriceText(const std::string& text);

// Price and volume columns (1-based, 0 = none) of a line without a naming
// heading, by its number of non-empty fields.
void PriceColumnsByCount(int nfields, int& price_col, int& volume_col);

// The lines of a price file in the form the reader works on. Heading lines
// come as written; data lines as written or rewritten (see above). The file
// is read once, whole, by Open; the passes of one read work on that text.
class PriceLines {
 public:
  // False when the file is not a regular file or cannot be read.
  bool Open(const std::string& path);
  // The next line without its line end; false at the end of the file.
  bool Next(std::string& line);
  // Back to the first line of the text Open read.
  void Rewind();
  const PriceFormat& format() const { return format_; }

  // Exporters write a word such as "null", "NaN" or "N/A" where a day has no
  // value. A data line whose price is such a word carries no quote: Next
  // passes over it, as over a day the file does not hold, and counts it
  // here (since the last Open or Rewind). Such a word in another column
  // reads as 0, so the columns after it stay where they are.
  int no_price_lines() const { return no_price_lines_; }
  const std::string& no_price_first_date() const { return no_price_date_; }   // as written
  const std::string& no_price_word() const { return no_price_word_; }         // as written

 private:
  // Fills the no-value words of a data line with 0; false when its price is
  // one of them (the line is to be passed over).
  bool FillNoValues(std::string& line);
  bool IsDataLine(const std::string& line) const;

  PriceFormat format_;
  int no_price_lines_ = 0;
  std::string no_price_date_, no_price_word_;
  std::string text_;
  size_t pos_ = 0;
  bool open_ = false;
  bool first_ = true;
};

// The line of text starting at *pos, as ReadLine reads it from a file: at
// most `limit` characters kept, the rest up to the line end dropped, a
// trailing '\r' removed; *pos moves past the line end. False at the end.
bool NextTextLine(const std::string& text, size_t* pos, std::string& line, size_t limit);

// The fields of one raw line split at `separator`, double quotes honoured
// (a separator inside quotes belongs to the field; quotes are removed);
// empty fields are kept.
std::vector<std::string> SplitQuoted(const std::string& line, char separator);

// A column name as compared: lower case without blanks, '_', '.', '*', '<'
// and '>'.
std::string ColumnKey(const std::string& name);

// The value of a number field as exported: blanks and quotes, a leading
// currency sign and thousands separators ignored, a decimal comma when
// `decimal_comma`, an exponent allowed, and a K, M or B right after the last
// digit multiplies by a thousand, a million or a billion ("17.19M", as some
// sites export volumes). False when the field holds no number.
bool ParseExportedNumber(const std::string& field, bool decimal_comma, double& value);

}  // namespace kv
