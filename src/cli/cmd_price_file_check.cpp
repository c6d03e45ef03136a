// kestrivane-cli inspect: what the program reads from one price file, read as
// the target stock of a one-stock model is read (calendar first, then the
// stock with new scale factors). The user's answer to "did it read my file
// right?".
#include <algorithm>
#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "cli/json_output.h"
#include "data/data_quality.h"
#include "data/price_format.h"

namespace kv::cli {
namespace {

// Y, M and D in the order their digit positions stand in the date field.
std::string DateLayout(const Stock& s) {
  std::pair<int, char> at[3] = {{s.year_pos[0], 'Y'}, {s.month_pos[0], 'M'}, {s.day_pos[0], 'D'}};
  std::sort(at, at + 3);
  return {at[0].second, at[1].second, at[2].second};
}

int Run(Args& args) {
  const JsonOutput json = TakeJson(args);
  const bool rows = TakeFlag(args, "--rows");
  if (int rc = CheckArgs(args, 1, 1, "give exactly one price file")) return rc;

  Session s;
  TMainDlg& m = *s.main;
  auto stock = std::make_unique<Stock>();
  stock->data_file = args[0];
  stock->symbol = "FILE";
  stock->do_price = stock->do_volume = stock->do_l_price = stock->do_s_price = true;
  m.stocks[0] = std::move(stock);
  m.n_files = 1;
  m.Update_Stocks();
  if (!s.platform.messages().empty() || m.patterns.n_days == 0) return 1;

  const Stock& st = *m.stocks[0];
  const int n = std::min(m.patterns.n_days, calendar_count);
  const PriceFormat format = SniffPriceFormat(st.data_file);
  const int quoted = static_cast<int>(std::count(st.quoted, st.quoted + n, true));
  const auto findings =
      CheckStockData(st, false, m.patterns.n_days - m.eval_days, m.patterns.n_days - m.keepout_days);
  if (json.text()) {
    std::printf("header_lines: %d\n", st.header_lines);
    std::printf("date_layout: %s\n", DateLayout(st).c_str());
    std::printf("n_days: %d\n", m.patterns.n_days);
    std::printf("first_date: %d\n", calendar[0]);
    std::printf("last_date: %d\n", calendar[n - 1]);
    std::printf("price column: %d\n", format.price_col);
    std::printf("volume column: %d\n", format.volume_col);
    std::printf("rows: %d\n", quoted);
    for (const Finding& f : findings) std::printf("warning: %s\n", f.text.c_str());
    if (rows) {
      for (int d = 0; d < n; ++d)
        std::printf("%d,%g,%g,%g,%g,%g\n", calendar[d], static_cast<double>(st.raw_price[d]),
                    static_cast<double>(st.price[d]), static_cast<double>(st.s_price[d]),
                    static_cast<double>(st.l_price[d]), static_cast<double>(st.volume[d]));
    }
  }
  if (!json.wanted()) return 0;

  JsonValue doc = JsonValue::Object();
  doc.Set("file", args[0]);
  doc.Set("header_lines", st.header_lines);
  doc.Set("date_layout", DateLayout(st));
  doc.Set("n_days", m.patterns.n_days);
  doc.Set("first_date", calendar[0]);
  doc.Set("last_date", calendar[n - 1]);
  doc.Set("price_column", format.price_col);
  doc.Set("volume_column", format.volume_col);
  doc.Set("rows", quoted);
  JsonValue warnings = JsonValue::Array();
  for (const Finding& f : findings) warnings.Push(f.text);
  doc.Set("warnings", std::move(warnings));
  if (rows) {
    JsonValue days = JsonValue::Array();
    for (int d = 0; d < n; ++d) {
      JsonValue day = JsonValue::Object();
      day.Set("date", calendar[d]);
      day.Set("raw_price", st.raw_price[d]);
      day.Set("price", st.price[d]);
      day.Set("s_price", st.s_price[d]);
      day.Set("l_price", st.l_price[d]);
      day.Set("volume", st.volume[d]);
      days.Push(std::move(day));
    }
    doc.Set("days", std::move(days));
  }
  return json.Write(doc) ? 0 : 1;
}

const Registrar reg({"inspect", "inspect FILE [--rows] [--json[=FILE]]",
                     "Shows what the program reads from one historical price file: the heading\n"
                     "lines, the recognised date layout (e.g. YMD, MDY, DMY), the number of days\n"
                     "and the first and last date, the columns the close price and the volume\n"
                     "were taken from (1-based, 0 for none), the number of days read, and one\n"
                     "\"warning:\" line per doubtful finding in the data (prices of 0, stale runs,\n"
                     "suspect one-day moves, dates out of order, repeated or far apart).\n"
                     "With --rows, one line per day follows:\n"
                     "YYYYMMDD,raw_price,price,s_price,l_price,volume (the scaled series as the\n"
                     "network sees them). A file the program refuses prints its message and\n"
                     "exits with status 1. --json prints the same as JSON instead (the days\n"
                     "as \"days\" with --rows); --json=FILE writes it to FILE as well.",
                     Run});

}  // namespace
}  // namespace kv::cli
