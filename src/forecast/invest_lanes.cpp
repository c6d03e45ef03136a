// Sixteen market simulations side by side. Each lane is one account; the
// operations per lane are those of Invest, in the same order and precision,
// so every lane ends with exactly the value Invest gives for its parameter
// set. The day's outputs and price are the same for all lanes, so the buy
// rule (which depends only on parameters the lanes share) is one test per
// day, and only the sell rule and the band differ between lanes.
//
// A multiply followed by an add must stay two roundings: no contraction.
#if defined(__clang__)
#pragma clang fp contract(off)
#else
#pragma GCC optimize("fp-contract=off")
#endif
#pragma GCC diagnostic ignored "-Wpsabi"

#include "forecast/invest_lanes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "app/options.h"
#include "model/main_dlg.h"
#include "resources/ids.h"

namespace kv {
namespace {

typedef float v16f __attribute__((vector_size(64)));
typedef int32_t v16i __attribute__((vector_size(64)));
typedef double v8d __attribute__((vector_size(64)));
typedef int64_t v8l __attribute__((vector_size(64)));

#define KV_INLINE inline __attribute__((always_inline))

template <class V, class T, size_t... I>
KV_INLINE V SplatImpl(T s, std::index_sequence<I...>) {
  return V{((void)I, s)...};
}

// Every lane = s.
template <class V, class T>
KV_INLINE V Splat(T s) {
  return SplatImpl<V>(s, std::make_index_sequence<sizeof(V) / sizeof(T)>());
}

KV_INLINE bool Any(const v16i& m) {
  int32_t r = 0;
  for (int l = 0; l < 16; ++l) r |= m[l];
  return r != 0;
}

// The broker fee of Invest: fixed, plus commission and a fee per share
// above the share threshold (rare: computed lane by lane).
KV_INLINE v16f Fees(const v16i& shares, float price, const v16i& trading) {
  const InvestSettingsRecord& s = InvestSettings;
  v16f fee = Splat<v16f>(s.inv_broker_fee);
  const v16i over = (shares > s.inv_broker_q_over) & trading;
  if (Any(over)) {
    for (int l = 0; l < 16; ++l) {
      if (!over[l]) continue;
      const double n = static_cast<double>(shares[l]) - s.inv_broker_q_over;
      fee[l] = static_cast<float>(s.inv_broker_fee + std::fabs(n * price * s.inv_broker_com * 0.01) +
                                  std::fabs(n * s.inv_broker_fpshare));
    }
  }
  return fee;
}

// (double)p compared with limit * (double)purchase, lane by lane; the
// products are formed in double as Invest forms them.
KV_INLINE v16i CompareScaled(float p, const v8d (&limit)[2], const v16f& purchase, bool at_least) {
  v16i r;
  for (int half = 0; half < 2; ++half) {
    v8d pur;
    for (int l = 0; l < 8; ++l) pur[l] = purchase[8 * half + l];
    const v8d scaled = limit[half] * pur;
    const v8d price = Splat<v8d>(static_cast<double>(p));
    const v8l hit = at_least ? price >= scaled : price <= scaled;
    for (int l = 0; l < 8; ++l) r[8 * half + l] = hit[l] ? -1 : 0;
  }
  return r;
}

__attribute__((target_clones("avx512f", "avx2", "default")))
void Simulate(const float* price, const float (*guess)[kMaxOutputs], int first, int end,
              float buy_up_min, float buy_down_max, float sell_down_min, const float* sell_up_max,
              const float* band, int count, float* value, int8_t (*signal)[InvestLanes::kLanes]) {
  v16f sum_max;
  v8d upper[2], lower[2];
  for (int l = 0; l < 16; ++l) {
    const int k = std::min(l, count - 1);   // unused lanes repeat the last set
    sum_max[l] = sell_up_max[k];
    upper[l / 8][l % 8] = 1.0 + static_cast<double>(band[k]);
    lower[l / 8][l % 8] = 1.0 - static_cast<double>(band[k]);
  }
  v16f cash = Splat<v16f>(InvestSettings.inv_initial);
  v16f held = Splat<v16f>(0.0f);
  v16f purchase = Splat<v16f>(0.0f);
  const v16i minus_one = Splat<v16i>(-1), zero_i = Splat<v16i>(0), one_i = Splat<v16i>(1);
  float p = 0.0f;
  for (int d = first; d < end; ++d) {
    p = price[d];
    const float up = guess[d][0];
    const float down = guess[d][1];
    const v16f vp = Splat<v16f>(p);
    const v16f val = cash + held * vp;
    v16i sig;
    if (up > buy_up_min && down < buy_down_max) {
      sig = one_i;
      if (p > 0) {
        const v16i buy = cash > 1.0f;
        if (Any(buy)) {
          const v16f amount = val < cash ? val : cash;   // std::min(cash, value)
          const v16f q = amount / vp;
          const v16i shares = __builtin_convertvector(q, v16i);
          const v16f c = (cash - amount) - Fees(shares, p, buy);
          cash = buy ? c : cash;
          held = buy ? held + q : held;
          purchase = buy ? vp : purchase;
        }
      }
    } else {
      sig = down > sell_down_min ? (Splat<v16f>(up) < sum_max ? minus_one : zero_i) : zero_i;
      const v16i hold = sig == 0;
      const v16i take = hold & CompareScaled(p, upper, purchase, true);
      const v16i stop = hold & CompareScaled(p, lower, purchase, false);
      const v16i sell = ((sig == -1) | take | stop) & (held > 0.0001f);
      if (Any(sell)) {
        const v16i shares = __builtin_convertvector(held, v16i);
        const v16f c = (cash + held * vp) - Fees(shares, p, sell);
        cash = sell ? c : cash;
        held = sell ? Splat<v16f>(0.0f) : held;
      }
    }
    for (int l = 0; l < 16; ++l) signal[d - first][l] = static_cast<int8_t>(sig[l]);
  }
  const v16f result = cash + held * Splat<v16f>(p);
  for (int l = 0; l < count; ++l) value[l] = result[l];
}

}  // namespace

void InvestLanes::WriteSignals(TMainDlg& m, int lane) const {
  for (int d = first; d < end; ++d) m.signal[d] = signal[d - first][lane];
}

void InvestMany(TMainDlg& m, int days_back, int days_from_end, const float* sell_up_max,
                const float* take_stop_band, int count, InvestLanes& out) {
  count = std::clamp(count, 1, InvestLanes::kLanes);
  const int n = std::clamp(m.n_days, 0, kMaxDays);
  out.count = count;
  out.first = std::max(0, m.n_days - days_back);
  out.end = std::min(n, m.n_days - days_from_end);
  if (out.end < out.first) out.end = out.first;
  Simulate(m.stocks[0]->raw_price, m.guess, out.first, out.end, m.buy_up_min, m.buy_down_max,
           m.sell_down_min, sell_up_max, take_stop_band, count, out.value, out.signal);
  m.dlg.Enable(ids::IDC_REP, m.Trained > 0);
}

}  // namespace kv
