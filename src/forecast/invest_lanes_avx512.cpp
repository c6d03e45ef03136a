// Sixteen market simulations side by side, with AVX-512. Each lane is one
// account; the operations per lane are those of Invest, in the same order
// and precision, so every lane ends with exactly the value Invest gives for
// its parameter set. The day's outputs and price are the same for all lanes,
// so the buy rule (which depends only on parameters the lanes share) is one
// test per day, and only the sell rule and the band differ between lanes.
#include "net/simd/simd_target.h"

#include "forecast/invest_lanes_simd.h"

#if KV_X86_SIMD

#include <algorithm>
#include <cmath>

#include "app/options.h"

namespace kv::lanes {
namespace {

#define KV_LANES __attribute__((target("avx512f,avx512dq")))

// The broker fee of Invest for the lanes in `trading`: fixed, plus
// commission and a fee per share above the share threshold (rare: computed
// lane by lane).
KV_LANES inline __m512 Fees(__m512i shares, float price, __mmask16 trading) {
  const InvestSettingsRecord& s = InvestSettings;
  const __mmask16 over =
      _mm512_mask_cmpgt_epi32_mask(trading, shares, _mm512_set1_epi32(s.inv_broker_q_over));
  if (!over) return _mm512_set1_ps(s.inv_broker_fee);
  alignas(64) int32_t n[16];
  alignas(64) float fee[16];
  _mm512_store_si512(n, shares);
  for (int l = 0; l < 16; ++l) {
    fee[l] = s.inv_broker_fee;
    if (!(over >> l & 1)) continue;
    const double excess = static_cast<double>(n[l]) - s.inv_broker_q_over;
    fee[l] = static_cast<float>(s.inv_broker_fee + std::fabs(excess * price * s.inv_broker_com * 0.01) +
                                std::fabs(excess * s.inv_broker_fpshare));
  }
  return _mm512_load_ps(fee);
}

// (double)p against limit * (double)purchase for the sixteen lanes, the
// products formed in double as Invest forms them.
KV_LANES inline __mmask16 AtLeast(float p, const __m512d (&limit)[2], __m512 purchase) {
  const __m512d price = _mm512_set1_pd(p);
  const __m512d lo = _mm512_mul_pd(limit[0], _mm512_cvtps_pd(_mm512_castps512_ps256(purchase)));
  const __m512d hi = _mm512_mul_pd(limit[1], _mm512_cvtps_pd(_mm512_extractf32x8_ps(purchase, 1)));
  return static_cast<__mmask16>(_mm512_cmp_pd_mask(price, lo, _CMP_GE_OQ) |
                                _mm512_cmp_pd_mask(price, hi, _CMP_GE_OQ) << 8);
}

KV_LANES inline __mmask16 AtMost(float p, const __m512d (&limit)[2], __m512 purchase) {
  const __m512d price = _mm512_set1_pd(p);
  const __m512d lo = _mm512_mul_pd(limit[0], _mm512_cvtps_pd(_mm512_castps512_ps256(purchase)));
  const __m512d hi = _mm512_mul_pd(limit[1], _mm512_cvtps_pd(_mm512_extractf32x8_ps(purchase, 1)));
  return static_cast<__mmask16>(_mm512_cmp_pd_mask(price, lo, _CMP_LE_OQ) |
                                _mm512_cmp_pd_mask(price, hi, _CMP_LE_OQ) << 8);
}

KV_LANES void Simulate(const float* price, const float (*guess)[kMaxOutputs], int first, int end,
                       float buy_up_min, float buy_down_max, float sell_down_min,
                       const float* sell_up_max, const float* band, int count, float* value,
                       int8_t (*signal)[InvestLanes::kLanes]) {
  alignas(64) float sum_max[16];
  alignas(64) double upper[16], lower[16];
  for (int l = 0; l < 16; ++l) {
    const int k = std::min(l, count - 1);   // unused lanes repeat the last set
    sum_max[l] = sell_up_max[k];
    upper[l] = 1.0 + static_cast<double>(band[k]);
    lower[l] = 1.0 - static_cast<double>(band[k]);
  }
  const __m512 up_max = _mm512_load_ps(sum_max);
  const __m512d up_limit[2] = {_mm512_load_pd(upper), _mm512_load_pd(upper + 8)};
  const __m512d down_limit[2] = {_mm512_load_pd(lower), _mm512_load_pd(lower + 8)};
  __m512 cash = _mm512_set1_ps(InvestSettings.inv_initial);
  __m512 held = _mm512_setzero_ps();
  __m512 purchase = _mm512_setzero_ps();
  const __m128i buy_signal = _mm_set1_epi8(1);
  float p = 0.0f;
  for (int d = first; d < end; ++d) {
    p = price[d];
    const float up = guess[d][0];
    const float down = guess[d][1];
    const __m512 vp = _mm512_set1_ps(p);
    const __m512 val = _mm512_add_ps(cash, _mm512_mul_ps(held, vp));
    __m128i sig8;
    if (up > buy_up_min && down < buy_down_max) {
      sig8 = buy_signal;
      if (p > 0) {
        const __mmask16 buy = _mm512_cmp_ps_mask(cash, _mm512_set1_ps(1.0f), _CMP_GT_OQ);
        if (buy) {
          // std::min(cash, value): value when it is below cash, else cash
          const __m512 amount =
              _mm512_mask_blend_ps(_mm512_cmp_ps_mask(val, cash, _CMP_LT_OQ), cash, val);
          const __m512 q = _mm512_div_ps(amount, vp);
          const __m512 c =
              _mm512_sub_ps(_mm512_sub_ps(cash, amount), Fees(_mm512_cvttps_epi32(q), p, buy));
          cash = _mm512_mask_mov_ps(cash, buy, c);
          held = _mm512_mask_mov_ps(held, buy, _mm512_add_ps(held, q));
          purchase = _mm512_mask_mov_ps(purchase, buy, vp);
        }
      }
    } else {
      const __mmask16 sell_signal =
          down > sell_down_min ? _mm512_cmp_ps_mask(_mm512_set1_ps(up), up_max, _CMP_LT_OQ) : 0;
      const __mmask16 hold = static_cast<__mmask16>(~sell_signal);
      const __mmask16 limit = hold & static_cast<__mmask16>(AtLeast(p, up_limit, purchase) |
                                                           AtMost(p, down_limit, purchase));
      const __mmask16 sell = (sell_signal | limit) &
                             _mm512_cmp_ps_mask(held, _mm512_set1_ps(0.0001f), _CMP_GT_OQ);
      if (sell) {
        const __m512 c = _mm512_sub_ps(_mm512_add_ps(cash, _mm512_mul_ps(held, vp)),
                                       Fees(_mm512_cvttps_epi32(held), p, sell));
        cash = _mm512_mask_mov_ps(cash, sell, c);
        held = _mm512_mask_mov_ps(held, sell, _mm512_setzero_ps());
      }
      sig8 = _mm512_cvtepi32_epi8(_mm512_maskz_mov_epi32(sell_signal, _mm512_set1_epi32(-1)));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(signal[d - first]), sig8);
  }
  alignas(64) float result[16];
  _mm512_store_ps(result, _mm512_add_ps(cash, _mm512_mul_ps(held, _mm512_set1_ps(p))));
  for (int l = 0; l < count; ++l) value[l] = result[l];
}

}  // namespace

void SimulateAvx512(const float* price, const float (*guess)[kMaxOutputs], int first, int end,
                    float buy_up_min, float buy_down_max, float sell_down_min,
                    const float* sell_up_max, const float* band, int count, float* value,
                    Signals signal) {
  Simulate(price, guess, first, end, buy_up_min, buy_down_max, sell_down_min, sell_up_max, band,
           count, value, signal);
}

}  // namespace kv::lanes

#endif
