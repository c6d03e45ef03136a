// The passes of one read of a price file over the text PriceLines read once:
// Add_Dates and Read_File run them on their own read instead of reading the
// file again for each.
#pragma once

#include "data/price_format.h"
#include "data/stock.h"

namespace kv {

// Stock::Check_File_Format on lines, from its first line: the same messages.
bool CheckFileFormat(Stock& s, PriceLines& lines);
// Stock::Figure_Date_Format on lines, from its first line: sets
// s.header_lines and the date positions, gives the same messages.
bool FigureDateFormat(Stock& s, PriceLines& lines);

}  // namespace kv
