#include "data/data_quality.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "data/stock.h"
#include "util/text.h"

namespace kv {

long DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

namespace {

constexpr int kMaxPerKind = 5;   // a file full of one fault is named a few times, not a thousand

long DaysFromCivil(int32_t ymd) { return kv::DaysFromCivil(ymd / 10000, ymd / 100 % 100, ymd % 100); }

void Add(std::vector<Finding>& out, FindingKind kind, int32_t date, std::string text) {
  const auto same = std::count_if(out.begin(), out.end(), [&](const Finding& f) { return f.kind == kind; });
  if (same < kMaxPerKind) out.push_back({kind, date, std::move(text)});
}

// Prices as the file gave them on the days it quotes (calendar order).
struct Quote {
  int32_t date;
  float price;
};

void CheckPrices(const std::vector<Quote>& q, std::vector<Finding>& out) {
  int zeros = 0;
  int32_t first_zero = 0;
  for (const Quote& x : q)
    if (x.price == 0 && zeros++ == 0) first_zero = x.date;
  if (zeros)
    Add(out, FindingKind::ZeroPrice, first_zero,
        Format("price 0 on %d quoted day%s, the first on %d", zeros, zeros == 1 ? "" : "s", first_zero));

  // Runs of one unchanged price: single unchanged closes are normal.
  for (size_t i = 0; i < q.size();) {
    size_t j = i + 1;
    while (j < q.size() && q[j].price == q[i].price) ++j;
    if (q[i].price != 0 && static_cast<int>(j - i) >= kStaleRun)
      Add(out, FindingKind::StalePrice, q[i].date,
          Format("the same price %g on %d quoted days in a row from %d (a stale or filled series)",
                 static_cast<double>(q[i].price), static_cast<int>(j - i), q[i].date));
    i = j;
  }

  // A large one-day move that the next few days undo: more likely an
  // unadjusted split or a bad tick than a market move.
  for (size_t k = 1; k < q.size(); ++k) {
    const double before = q[k - 1].price, after = q[k].price;
    if (before <= 0 || after <= 0 || std::fabs(after - before) <= kSuspectMove * before) continue;
    for (size_t j = k + 1; j < q.size() && j <= k + kReversalDays; ++j) {
      if (std::fabs(q[j].price - before) < std::fabs(q[j].price - after)) {
        Add(out, FindingKind::SuspectMove, q[k].date,
            Format("a one-day move of %+.0f %% on %d that reverses within %d days (an unadjusted "
                   "split or a bad tick?)",
                   (after / before - 1) * 100, q[k].date, kReversalDays));
        break;
      }
    }
  }
}

void CheckDates(const std::vector<int32_t>& dates, std::vector<Finding>& out) {
  // The file's own direction is the one most of its steps take, so a file
  // written newest first throughout is in order.
  int up = 0, down = 0;
  for (size_t i = 1; i < dates.size(); ++i) {
    if (dates[i] > dates[i - 1]) ++up;
    if (dates[i] < dates[i - 1]) ++down;
  }
  const bool newest_first = down > up;
  std::set<int32_t> seen;
  for (size_t i = 0; i < dates.size(); ++i) {
    if (!seen.insert(dates[i]).second) {
      Add(out, FindingKind::Repeated, dates[i], Format("the date %d is written more than once", dates[i]));
      continue;
    }
    if (i > 0 && dates[i] != dates[i - 1] && (dates[i] < dates[i - 1]) != newest_first)
      Add(out, FindingKind::OutOfOrder, dates[i],
          Format("the date %d is out of order (after %d)", dates[i], dates[i - 1]));
  }
  int32_t prev = 0;
  for (int32_t d : seen) {
    if (prev && DaysBetween(prev, d) > kMaxGapDays)
      Add(out, FindingKind::Gap, d,
          Format("no quote for %ld days between %d and %d", DaysBetween(prev, d), prev, d));
    prev = d;
  }
}

}  // namespace

long DaysBetween(int32_t a, int32_t b) { return DaysFromCivil(b) - DaysFromCivil(a); }

std::vector<Finding> CheckStockData(const Stock& s, bool related, int first, int end) {
  std::vector<Finding> out;
  if (s.no_price_lines > 0)
    Add(out, FindingKind::NoPrice, 0,
        s.no_price_lines == 1
            ? Format("1 line has the price \"%s\" and is read as a day without a quote (%s)",
                     s.no_price_word.c_str(), s.no_price_date.c_str())
            : Format("%d lines have the price \"%s\" and are read as days without a quote, the first "
                     "dated %s",
                     s.no_price_lines, s.no_price_word.c_str(), s.no_price_date.c_str()));
  const int n = std::clamp(calendar_count, 0, kMaxDays);
  std::vector<Quote> q;
  for (int i = 0; i < n; ++i)
    if (s.quoted[i]) q.push_back({calendar[i], s.quoted_price[i]});
  CheckPrices(q, out);

  first = std::clamp(first, 0, n);
  end = std::clamp(end, first, n);
  if (related && end > first) {
    const int days = end - first;
    const int have = static_cast<int>(std::count(s.quoted + first, s.quoted + end, true));
    if (have == 0)
      Add(out, FindingKind::PoorOverlap, calendar[first],
          Format("none of the %d days of the training window is quoted: the stock feeds only "
                 "zeros or stale values",
                 days));
    else if (have < kMinOverlap * days)
      Add(out, FindingKind::PoorOverlap, calendar[first],
          Format("quotes only %d of the %d days of the training window (%.1f %%, at least %.0f %% "
                 "wanted): the missing days are fed as zeros or stale values",
                 have, days, 100.0 * have / days, kMinOverlap * 100));
  }

  if (n > 0) {
    std::vector<int32_t> dates;
    for (int32_t d : s.file_dates)
      if (d >= calendar[0] && d <= calendar[n - 1]) dates.push_back(d);
    CheckDates(dates, out);
  }
  return out;
}

std::optional<std::string> StaleDataWarning(int32_t last_day, int32_t today) {
  if (last_day <= 0) return std::nullopt;
  const long age = DaysBetween(last_day, today);
  if (age <= kStaleDataDays) return std::nullopt;
  return Format("latest price %d is %ld days old", last_day, age);
}

}  // namespace kv
