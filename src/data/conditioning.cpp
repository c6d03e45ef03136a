// Series conditioning of a stock: gap filling, the two trend filters and the
// scaling that brings every series into the range the network works in. The
// scale factors travel with the model, so that a trained network sees new
// quotes on the scale it was trained on.
#include <algorithm>
#include <cmath>

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
}  // namespace

void Stock::Filter() {
  const int n = DayCount();
  // Days on which the stock has no quote repeat the previous close; volume
  // stays 0 there, a missing trade is no trade.
  for (int i = 1; i < n; ++i) {
    if (raw_price[i] == 0) raw_price[i] = raw_price[i - 1];
    if (price[i] == 0) price[i] = price[i - 1];
  }
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

void Stock::Normalize(int keep) {
  const int n = DayCount();
  struct Series {
    float* v;
    float* factor;
  } series[3] = {{s_price, &normal1}, {l_price, &normal2}, {volume, &normal3}};
  for (auto& s : series) {
    float f = ScaleFactor(s.v, n);
    if (keep == 0) *s.factor = f;
    for (int i = 0; i < n; ++i) s.v[i] *= *s.factor;
  }

  float upper = -10000.0f;
  for (int i = 0; i < n; ++i) upper = std::max(upper, price[i]);
  if (keep == 0) {
    normal4 = 0;
    normal5 = upper;
  }
  if (std::fabs(normal5 - normal4) < 0.1f) normal5 += 0.1f;
  for (int i = 0; i < n; ++i) price[i] = (price[i] - normal4) * 0.9f / (normal5 - normal4);
}

}  // namespace kv
