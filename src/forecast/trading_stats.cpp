#include "forecast/trading_stats.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>

namespace kv {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kYear = 252;

// a / b, where b is a non-negative spread: 0 / 0 is 0 (nothing happened),
// anything else over 0 has no value.
double Ratio(double a, double b) {
  if (b > 0) return a / b;
  return a == 0 ? 0 : kNaN;
}

}  // namespace

int32_t PreviousDate(int32_t d) {
  using namespace std::chrono;
  const year_month_day ymd{year{d / 10000}, month{static_cast<unsigned>(d / 100 % 100)},
                           day{static_cast<unsigned>(d % 100)}};
  if (!ymd.ok()) return d - 1;
  const year_month_day before{sys_days{ymd} - days{1}};
  return static_cast<int32_t>(int{before.year()} * 10000 + unsigned{before.month()} * 100 +
                              unsigned{before.day()});
}

RunRecord RecordOf(const SimulationResult& r, float initial, int32_t day_before) {
  RunRecord run;
  run.equity.reserve(r.days.size() + 1);
  run.equity.push_back({day_before, initial});
  for (const SimulatedDay& d : r.days) {
    run.equity.push_back({d.date, d.value_after});
    run.days_holding += d.holding;
  }
  run.round_trips = r.round_trips;
  if (!r.days.empty()) {
    run.first_price = r.days.front().price;
    run.last_price = r.days.back().price;
  }
  return run;
}

RunRecord Chain(const std::vector<RunRecord>& runs) {
  RunRecord out;
  double growth = 1;   // buy and hold over the runs so far
  for (const RunRecord& run : runs) {
    if (run.equity.empty()) continue;
    if (out.equity.empty()) {
      out.equity = run.equity;
      out.first_price = run.first_price;
    } else {
      const double from = run.equity.front().value;
      const double scale = from != 0 ? out.equity.back().value / from : 1;
      for (size_t i = 1; i < run.equity.size(); ++i)
        out.equity.push_back({run.equity[i].date, run.equity[i].value * scale});
    }
    growth *= run.first_price > 0 ? run.last_price / run.first_price : kNaN;
    out.round_trips.insert(out.round_trips.end(), run.round_trips.begin(), run.round_trips.end());
    out.days_holding += run.days_holding;
  }
  out.last_price = out.first_price * growth;
  return out;
}

TradingStats ComputeStats(const RunRecord& run) {
  TradingStats s;
  const std::vector<EquityPoint>& e = run.equity;
  if (e.empty()) return s;
  const size_t n = e.size();
  s.days = static_cast<int32_t>(n - 1);
  s.start = e[n > 1 ? 1 : 0].date;
  s.end = e.back().date;
  s.exposure_pct = s.days > 0 ? 100.0 * run.days_holding / s.days : 0;
  const double first = e.front().value;
  s.final_value = e.back().value;
  s.peak_value = first;
  for (const EquityPoint& p : e) s.peak_value = std::max(s.peak_value, p.value);
  s.return_pct = first > 0 ? (s.final_value / first - 1) * 100 : kNaN;
  s.buy_hold_return_pct = run.first_price > 0 ? (run.last_price / run.first_price - 1) * 100 : kNaN;

  // Daily returns; a day after a value at or below 0 has none, and then
  // neither have the figures made of them.
  bool defined = first > 0;
  double sum = 0, down2 = 0;
  for (size_t i = 1; i < n; ++i) {
    if (!(e[i - 1].value > 0)) defined = false;
    else {
      const double r = e[i].value / e[i - 1].value - 1;
      sum += r;
      if (r < 0) down2 += r * r;
    }
  }
  if (s.days > 0) {
    const double mean = sum / s.days;
    double var = 0;
    for (size_t i = 1; i < n && defined; ++i) {
      const double r = e[i].value / e[i - 1].value - 1;
      var += (r - mean) * (r - mean);
    }
    const double sd = s.days > 1 ? std::sqrt(var / (s.days - 1)) : 0;
    const double downside = std::sqrt(down2 / s.days);
    if (!(first > 0)) s.annual_return_pct = kNaN;
    else if (s.final_value <= 0) s.annual_return_pct = -100;
    else s.annual_return_pct = (std::pow(s.final_value / first, kYear / s.days) - 1) * 100;
    s.annual_volatility_pct = defined ? sd * std::sqrt(kYear) * 100 : kNaN;
    s.sharpe = defined ? Ratio(mean, sd) * std::sqrt(kYear) : kNaN;
    s.sortino = defined ? Ratio(mean, downside) * std::sqrt(kYear) : kNaN;
  }

  // The deepest fall from a running peak, and how long until it was made good.
  size_t peak_at = 0, deepest_peak_at = 0, trough_at = 0;
  for (size_t i = 1; i < n; ++i) {
    if (e[i].value >= e[peak_at].value) peak_at = i;   // a fall starts on the last day at the peak
    const double peak = e[peak_at].value;
    if (peak > 0) {
      const double fall = (e[i].value / peak - 1) * 100;
      if (fall < s.max_drawdown_pct) {
        s.max_drawdown_pct = fall;
        deepest_peak_at = peak_at;
        trough_at = i;
      }
    }
  }
  if (s.max_drawdown_pct < 0) {
    size_t back = n - 1;
    for (size_t i = trough_at + 1; i < n; ++i)
      if (e[i].value >= e[deepest_peak_at].value) {
        back = i;
        break;
      }
    s.max_drawdown_days = static_cast<int32_t>(back - deepest_peak_at);
  }

  s.trades = static_cast<int32_t>(run.round_trips.size());
  if (s.trades == 0) {
    s.win_rate_pct = s.best_trade_pct = s.worst_trade_pct = s.avg_trade_pct = s.profit_factor = kNaN;
    return s;
  }
  double wins = 0, losses = 0, total = 0;
  int won = 0;
  s.best_trade_pct = -std::numeric_limits<double>::infinity();
  s.worst_trade_pct = std::numeric_limits<double>::infinity();
  for (const RoundTrip& t : run.round_trips) {
    total += t.return_pct;
    s.best_trade_pct = std::max(s.best_trade_pct, t.return_pct);
    s.worst_trade_pct = std::min(s.worst_trade_pct, t.return_pct);
    if (t.return_pct > 0) {
      wins += t.return_pct;
      ++won;
    } else if (t.return_pct < 0) {
      losses -= t.return_pct;
    }
  }
  s.win_rate_pct = 100.0 * won / s.trades;
  s.avg_trade_pct = total / s.trades;
  s.profit_factor = losses > 0 ? wins / losses : kNaN;
  return s;
}

namespace {

// The statistics in their order, each with how it is printed.
enum class Kind { kInt, kValue, kPct, kRatio };
struct Field {
  const char* name;
  Kind kind;
  double TradingStats::*real;
  int32_t TradingStats::*integer;
};
constexpr Field kFields[] = {
    {"start", Kind::kInt, nullptr, &TradingStats::start},
    {"end", Kind::kInt, nullptr, &TradingStats::end},
    {"days", Kind::kInt, nullptr, &TradingStats::days},
    {"exposure_pct", Kind::kPct, &TradingStats::exposure_pct, nullptr},
    {"final_value", Kind::kValue, &TradingStats::final_value, nullptr},
    {"peak_value", Kind::kValue, &TradingStats::peak_value, nullptr},
    {"return_pct", Kind::kPct, &TradingStats::return_pct, nullptr},
    {"buy_hold_return_pct", Kind::kPct, &TradingStats::buy_hold_return_pct, nullptr},
    {"annual_return_pct", Kind::kPct, &TradingStats::annual_return_pct, nullptr},
    {"annual_volatility_pct", Kind::kPct, &TradingStats::annual_volatility_pct, nullptr},
    {"sharpe", Kind::kRatio, &TradingStats::sharpe, nullptr},
    {"sortino", Kind::kRatio, &TradingStats::sortino, nullptr},
    {"max_drawdown_pct", Kind::kPct, &TradingStats::max_drawdown_pct, nullptr},
    {"max_drawdown_days", Kind::kInt, nullptr, &TradingStats::max_drawdown_days},
    {"trades", Kind::kInt, nullptr, &TradingStats::trades},
    {"win_rate_pct", Kind::kPct, &TradingStats::win_rate_pct, nullptr},
    {"best_trade_pct", Kind::kPct, &TradingStats::best_trade_pct, nullptr},
    {"worst_trade_pct", Kind::kPct, &TradingStats::worst_trade_pct, nullptr},
    {"avg_trade_pct", Kind::kPct, &TradingStats::avg_trade_pct, nullptr},
    {"profit_factor", Kind::kRatio, &TradingStats::profit_factor, nullptr},
};

}  // namespace

std::string FormatStats(const TradingStats& s) {
  std::string out;
  for (const Field& f : kFields) {
    char value[64];
    if (f.integer) {
      std::snprintf(value, sizeof value, "%d", s.*f.integer);
    } else {
      const double v = s.*f.real;
      if (!std::isfinite(v)) std::snprintf(value, sizeof value, "n/a");
      else std::snprintf(value, sizeof value, f.kind == Kind::kRatio ? "%.3f" : "%.2f", v);
    }
    out += f.name;
    out += ": ";
    out += value;
    out += '\n';
  }
  return out;
}

void AddStats(JsonValue& object, const TradingStats& s) {
  for (const Field& f : kFields) {
    if (f.integer) object.Set(f.name, JsonValue(s.*f.integer));
    // Account values in the simulator's own single precision.
    else if (f.kind == Kind::kValue) object.Set(f.name, JsonValue(static_cast<float>(s.*f.real)));
    else object.Set(f.name, JsonValue(s.*f.real));
  }
}

JsonValue EquityJson(const std::vector<EquityPoint>& equity, bool single_precision) {
  JsonValue a = JsonValue::Array();
  for (const EquityPoint& p : equity) {
    JsonValue o = JsonValue::Object();
    o.Set("date", p.date);
    o.Set("value", single_precision ? JsonValue(static_cast<float>(p.value)) : JsonValue(p.value));
    a.Push(std::move(o));
  }
  return a;
}

}  // namespace kv
