// kestrivane-cli inspect: what the program reads from one price file, read as
// the target stock of a one-stock model is read (calendar first, then the
// stock with new scale factors). The user's answer to "did it read my file
// right?".
#include <algorithm>
#include <cstdio>
#include <string>

#include "cli/cli.h"
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
  std::printf("header_lines: %d\n", st.header_lines);
  std::printf("date_layout: %s\n", DateLayout(st).c_str());
  std::printf("n_days: %d\n", m.patterns.n_days);
  std::printf("first_date: %d\n", calendar[0]);
  std::printf("last_date: %d\n", calendar[n - 1]);
  const PriceFormat format = SniffPriceFormat(st.data_file);
  std::printf("price column: %d\n", format.price_col);
  std::printf("volume column: %d\n", format.volume_col);
  std::printf("rows: %d\n", static_cast<int>(std::count(st.quoted, st.quoted + n, true)));
  for (const Finding& f : CheckStockData(st, false, m.patterns.n_days - m.eval_days, m.patterns.n_days - m.keepout_days))
    std::printf("warning: %s\n", f.text.c_str());
  if (rows) {
    for (int d = 0; d < n; ++d)
      std::printf("%d,%g,%g,%g,%g,%g\n", calendar[d], static_cast<double>(st.raw_price[d]),
                  static_cast<double>(st.price[d]), static_cast<double>(st.s_price[d]),
                  static_cast<double>(st.l_price[d]), static_cast<double>(st.volume[d]));
  }
  return 0;
}

const Registrar reg({"inspect", "inspect FILE [--rows]",
                     "Shows what the program reads from one historical price file: the heading\n"
                     "lines, the recognised date layout (e.g. YMD, MDY, DMY), the number of days\n"
                     "and the first and last date, the columns the close price and the volume\n"
                     "were taken from (1-based, 0 for none), the number of days read, and one\n"
                     "\"warning:\" line per doubtful finding in the data (prices of 0, stale runs,\n"
                     "suspect one-day moves, dates out of order, repeated or far apart).\n"
                     "With --rows, one line per day follows:\n"
                     "YYYYMMDD,raw_price,price,s_price,l_price,volume (the scaled series as the\n"
                     "network sees them). A file the program refuses prints its message and\n"
                     "exits with status 1.",
                     Run});

}  // namespace
}  // namespace kv::cli
