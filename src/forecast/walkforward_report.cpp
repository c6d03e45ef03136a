#include "forecast/walkforward_report.h"

#include <cmath>

#include "util/file.h"

namespace kv {
namespace {

bool IsDate(const JsonValue* v, int* ymd) {
  if (!v || v->type() != JsonValue::Type::kNumber) return false;
  const double d = v->AsNumber();
  if (!(d >= 10000101 && d <= 99991231) || d != std::floor(d)) return false;
  const int i = static_cast<int>(d);
  const int month = i / 100 % 100, day = i % 100;
  if (month < 1 || month > 12 || day < 1 || day > 31) return false;
  *ymd = i;
  return true;
}

// A number or null; false for anything else (a missing key reads as null).
bool IsNumberOrNull(const JsonValue* v, std::optional<double>* out) {
  if (!v || v->is_null()) {
    out->reset();
    return true;
  }
  if (v->type() != JsonValue::Type::kNumber || !std::isfinite(v->AsNumber())) return false;
  *out = v->AsNumber();
  return true;
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

bool ReadEquity(const JsonValue& list, const std::string& where, std::vector<EquityPoint>* out,
                std::string* err) {
  if (list.type() != JsonValue::Type::kArray || list.size() == 0) {
    *err = where + " is not a list of {\"date\", \"value\"} points";
    return false;
  }
  out->clear();
  for (size_t i = 0; i < list.items().size(); ++i) {
    const JsonValue& p = list.items()[i];
    EquityPoint e;
    std::optional<double> value;
    if (p.type() != JsonValue::Type::kObject || !IsDate(p.Find("date"), &e.date) ||
        !IsNumberOrNull(p.Find("value"), &value) || !value) {
      *err = where + ", point " + std::to_string(i + 1) +
             ": needs a \"date\" (YYYYMMDD) and a \"value\" number";
      return false;
    }
    e.value = *value;
    out->push_back(e);
  }
  return true;
}

bool ReadRun(const JsonValue& doc, const char* key, WalkForwardRun* run, std::string* err) {
  const JsonValue* r = doc.Find(key);
  const std::string name = Quoted(key);
  if (!r || r->type() != JsonValue::Type::kObject) {
    *err = std::string("not a walk-forward result: no ") + name + " object";
    return false;
  }
  for (const std::string& stat : WalkForwardStatNames()) {
    const JsonValue* v = r->Find(stat);
    if (!v) continue;
    WalkForwardRun::Stat s{stat, std::nullopt, "-"};
    if (!IsNumberOrNull(v, &s.value)) {
      *err = name + ": " + Quoted(stat) + " is not a number";
      return false;
    }
    if (s.value) s.text = v->NumberText();
    run->stats.push_back(std::move(s));
  }
  const JsonValue* equity = r->Find("equity");
  if (!equity) {
    *err = name + ": no \"equity\" list";
    return false;
  }
  if (!ReadEquity(*equity, name + " \"equity\"", &run->equity, err)) return false;
  if (const JsonValue* bh = r->Find("buy_hold_equity"))
    if (!ReadEquity(*bh, name + " \"buy_hold_equity\"", &run->buy_hold_equity, err)) return false;
  return true;
}

}  // namespace

const std::vector<std::string>& WalkForwardStatNames() {
  static const std::vector<std::string> names = {
      "start",          "end",           "days",          "exposure_pct",
      "final_value",    "peak_value",    "return_pct",    "buy_hold_return_pct",
      "annual_return_pct", "annual_volatility_pct", "sharpe", "sortino",
      "max_drawdown_pct", "max_drawdown_days", "trades", "win_rate_pct",
      "best_trade_pct", "worst_trade_pct", "avg_trade_pct", "profit_factor"};
  return names;
}

std::optional<double> WalkForwardRun::Get(const std::string& name) const {
  for (const Stat& s : stats)
    if (s.name == name) return s.value;
  return std::nullopt;
}

bool ParseWalkForwardReport(const JsonValue& doc, WalkForwardReport* out, std::string* err) {
  const JsonValue* folds = doc.Find("folds");
  if (!folds || folds->type() != JsonValue::Type::kArray) {
    *err = "not a walk-forward result: no \"folds\" list";
    return false;
  }
  if (folds->size() == 0) {
    *err = "the walk-forward result has no folds";
    return false;
  }
  WalkForwardReport r;
  for (size_t i = 0; i < folds->items().size(); ++i) {
    const JsonValue& f = folds->items()[i];
    const std::string where = "fold " + std::to_string(i + 1);
    if (f.type() != JsonValue::Type::kObject) {
      *err = where + " is not an object";
      return false;
    }
    WalkForwardFold fold;
    const std::pair<const char*, int*> dates[] = {{"train_start", &fold.train_start},
                                                  {"train_end", &fold.train_end},
                                                  {"test_start", &fold.test_start},
                                                  {"test_end", &fold.test_end}};
    for (const auto& [key, at] : dates) {
      if (!IsDate(f.Find(key), at)) {
        *err = where + ": " + Quoted(key) + " is not a date (YYYYMMDD)";
        return false;
      }
    }
    if (fold.test_start > fold.test_end || fold.train_start > fold.train_end) {
      *err = where + ": a window ends before it starts";
      return false;
    }
    const std::pair<const char*, std::optional<double>*> numbers[] = {
        {"hit_rate_pct", &fold.hit_rate_pct},
        {"confidence_pct", &fold.confidence_pct},
        {"return_pct", &fold.return_pct},
        {"buy_hold_return_pct", &fold.buy_hold_return_pct}};
    for (const auto& [key, at] : numbers) {
      if (!IsNumberOrNull(f.Find(key), at)) {
        *err = where + ": " + Quoted(key) + " is not a number";
        return false;
      }
    }
    std::optional<double> trades;
    if (!IsNumberOrNull(f.Find("trades"), &trades) || !trades || *trades < 0 ||
        *trades > 1e9 || *trades != std::floor(*trades)) {
      *err = where + ": \"trades\" is not a count";
      return false;
    }
    fold.trades = static_cast<int>(*trades);
    r.folds.push_back(fold);
  }
  if (!ReadRun(doc, "out_of_sample", &r.out_of_sample, err)) return false;
  if (!ReadRun(doc, "in_sample", &r.in_sample, err)) return false;
  *out = std::move(r);
  return true;
}

bool ReadWalkForwardFile(const std::string& path, WalkForwardReport* out, JsonValue* doc,
                         std::string* err) {
  // Far more than any real result; a bigger file is not one.
  constexpr size_t kMaxBytes = size_t{256} << 20;
  std::string text;
  if (!ReadFileToString(path, &text, err, kMaxBytes)) return false;
  JsonValue parsed;
  std::string why;
  if (!ParseJson(text, &parsed, &why)) {
    *err = path + ": not JSON (" + why + ")";
    return false;
  }
  WalkForwardReport report;
  if (!ParseWalkForwardReport(parsed, &report, &why)) {
    *err = path + ": " + why;
    return false;
  }
  *out = std::move(report);
  if (doc) *doc = std::move(parsed);
  return true;
}

}  // namespace kv
