// Series conditioning of a stock: gap filling, the two trend filters and the
// scaling that brings every series into the range the network works in. The
// scale factors travel with the model, so that a trained network sees new
// quotes on the scale it was trained on.
#include <algorithm>
#include <cmath>

#include "data/patterns.h"
#include "data/stock.h"

namespace kv {

namespace {
int DayCount() { return std::clamp(calendar_count, 0, kMaxDays); }

// Running average magnitude of a series, weighted towards its end, turned
// into the factor that gives that magnitude 0.5.
float ScaleFactor(const float* v, int n) {
  float m = v[0];
  for (int i = 0; i < n; ++i) m = 0.05f * std::fabs(v[i]) + 0.95f * m;
  m = std::max(m, 0.1f);
  float f = 1.0f / (2.0f * m);
  return std::max(f, 0.0f);
}

// The trend filters of gap-filled closes; each day uses closes up to that day.
void TrendFilters(const float* price, int n, float* s_price, float* l_price) {
  const float p0 = price[0];
  float s = p0, t = p0, L = p0;
  for (int i = 0; i < n; ++i) {
    s = 0.75f * s + 0.25f * price[i];
    L = 0.9f * L + 0.1f * (s - p0);
    l_price[i] = L;
    t = 0.95f * t + 0.05f * s;
    s_price[i] = s - t;
  }
}

// Scales the four series of n days in place. The factors come from the
// first `known` days, or are the ones given when `keep`.
void Scale(float* price, float* s_price, float* l_price, float* volume, int n, int known,
           bool keep, float normal[5]) {
  float* series[3] = {s_price, l_price, volume};
  for (int k = 0; k < 3; ++k) {
    float f = ScaleFactor(series[k], known);
    if (!keep) normal[k] = f;
    for (int i = 0; i < n; ++i) series[k][i] *= normal[k];
  }
  float upper = -10000.0f;
  for (int i = 0; i < known; ++i) upper = std::max(upper, price[i]);
  if (!keep) {
    normal[3] = 0;
    normal[4] = upper;
  }
  if (std::fabs(normal[4] - normal[3]) < 0.1f) normal[4] += 0.1f;
  for (int i = 0; i < n; ++i) price[i] = (price[i] - normal[3]) * 0.9f / (normal[4] - normal[3]);
}
}  // namespace

void Stock::Filter() {
  const int n = DayCount();
  // Days on which the stock has no quote repeat the previous close; volume
  // stays 0 there, a missing trade is no trade.
  for (int i = 1; i < n; ++i) {
    if (raw_price[i] == 0) raw_price[i] = raw_price[i - 1];
    if (price[i] == 0) price[i] = price[i - 1];
  }
  TrendFilters(price, n, s_price, l_price);
}

void Stock::Normalize(int keep) {
  const int n = DayCount();
  float normal[5] = {normal1, normal2, normal3, normal4, normal5};
  Scale(price, s_price, l_price, volume, n, n, keep != 0, normal);
  normal1 = normal[0];
  normal2 = normal[1];
  normal3 = normal[2];
  normal4 = normal[3];
  normal5 = normal[4];
}

void ConditionSeries(const float* close, const float* volume, int n_days, int last_day,
                     ScaledSeries& out) {
  const int n = std::clamp(n_days, 0, kMaxDays);
  // As Read_File leaves a fresh model's stock, but with the factors known on
  // last_day: closes are gap-filled already, volumes as read.
  std::copy(close, close + n, out.price);
  std::copy(volume, volume + n, out.volume);
  TrendFilters(out.price, n, out.s_price, out.l_price);
  const int known = std::clamp(last_day + 1, n > 0 ? 1 : 0, n);
  float normal[5] = {1, 1, 1, 0, 1};
  Scale(out.price, out.s_price, out.l_price, out.volume, n, known, false, normal);
}

}  // namespace kv
