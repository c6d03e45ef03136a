// Eight market simulations side by side, with AVX2, for processors without
// AVX-512. Each lane is one account doing the operations of Invest in the
// same order and precision, so every lane ends with exactly the value
// Invest gives for its parameter set. The buy rule depends only on
// parameters the lanes share, so it is one test per day; the sell rule and
// the band differ between lanes.
#include "net/simd/simd_target.h"

#include "forecast/invest_lanes_simd.h"

#if KV_X86_SIMD

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/options.h"

KV_TARGET_BEGIN("avx2")
namespace kv::lanes {
namespace {

// The lanes of `bits` (bit l for lane l) as all-ones lanes, for blends.
inline __m256 LaneMask(unsigned bits) {
  const __m256i bit = _mm256_setr_epi32(1, 2, 4, 8, 16, 32, 64, 128);
  return _mm256_castsi256_ps(
      _mm256_cmpeq_epi32(_mm256_and_si256(_mm256_set1_epi32(static_cast<int>(bits)), bit), bit));
}

// The same for four lanes of doubles (bits 0-3).
inline __m256d LaneMaskPd(unsigned bits) {
  const __m256i bit = _mm256_setr_epi64x(1, 2, 4, 8);
  return _mm256_castsi256_pd(
      _mm256_cmpeq_epi64(_mm256_and_si256(_mm256_set1_epi64x(bits), bit), bit));
}

// The day's eight signal bytes for the lanes whose sell rule fired: -1 for
// those lanes, 0 for the others.
struct SellBytes {
  uint64_t of[256] = {};
  constexpr SellBytes() {
    for (unsigned m = 0; m < 256; ++m)
      for (int l = 0; l < 8; ++l)
        if (m >> l & 1) of[m] |= uint64_t{0xff} << (8 * l);
  }
};
constexpr SellBytes kSellBytes;
constexpr uint64_t kBuyBytes = 0x0101010101010101ULL;

// The broker fee of Invest for the lanes in `trading`: fixed, plus
// commission and a fee per share above the share threshold (rare: computed
// lane by lane).
inline __m256 Fees(__m256i shares, float price, unsigned trading) {
  const InvestSettingsRecord& s = InvestSettings;
  const __m256i above = _mm256_cmpgt_epi32(shares, _mm256_set1_epi32(s.inv_broker_q_over));
  const unsigned over =
      trading & static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(above)));
  if (!over) return _mm256_set1_ps(s.inv_broker_fee);
  alignas(32) int32_t n[8];
  alignas(32) float fee[8];
  _mm256_store_si256(reinterpret_cast<__m256i*>(n), shares);
  for (int l = 0; l < 8; ++l) {
    fee[l] = s.inv_broker_fee;
    if (!(over >> l & 1)) continue;
    const double excess = static_cast<double>(n[l]) - s.inv_broker_q_over;
    fee[l] = static_cast<float>(s.inv_broker_fee +
                                std::fabs(excess * price * s.inv_broker_com * 0.01) +
                                std::fabs(excess * s.inv_broker_fpshare));
  }
  return _mm256_load_ps(fee);
}

void Simulate(const float* price, const float (*guess)[kMaxOutputs], int first, int end,
              float buy_up_min, float buy_down_max, float sell_down_min, const float* sell_up_max,
              const float* band, int count, float* value, Signals signal) {
  alignas(32) float sum_max[8];
  alignas(32) double upper[8], lower[8];
  for (int l = 0; l < 8; ++l) {
    const int k = std::min(l, count - 1);   // unused lanes repeat the last set
    sum_max[l] = sell_up_max[k];
    upper[l] = 1.0 + static_cast<double>(band[k]);
    lower[l] = 1.0 - static_cast<double>(band[k]);
  }
  const __m256 up_max = _mm256_load_ps(sum_max);
  const __m256d up_factor[2] = {_mm256_load_pd(upper), _mm256_load_pd(upper + 4)};
  const __m256d down_factor[2] = {_mm256_load_pd(lower), _mm256_load_pd(lower + 4)};
  // The profit-take and stop-loss limits of each lane, upper * purchase and
  // lower * purchase in double as Invest forms them, kept from one purchase
  // to the next rather than formed every day. No purchase yet: 0.
  __m256d up_limit[2], down_limit[2];
  for (int h = 0; h < 2; ++h) {
    up_limit[h] = _mm256_mul_pd(up_factor[h], _mm256_setzero_pd());
    down_limit[h] = _mm256_mul_pd(down_factor[h], _mm256_setzero_pd());
  }
  __m256 cash = _mm256_set1_ps(InvestSettings.inv_initial);
  __m256 held = _mm256_setzero_ps();
  const __m256 one = _mm256_set1_ps(1.0f);
  const __m256 some = _mm256_set1_ps(0.0001f);
  float p = 0.0f;
  for (int d = first; d < end; ++d) {
    p = price[d];
    const float up = guess[d][0];
    const float down = guess[d][1];
    const __m256 vp = _mm256_set1_ps(p);
    uint64_t bytes;
    if (up > buy_up_min && down < buy_down_max) {
      bytes = kBuyBytes;
      if (p > 0) {
        const __m256 buy_lanes = _mm256_cmp_ps(cash, one, _CMP_GT_OQ);
        const unsigned buy = static_cast<unsigned>(_mm256_movemask_ps(buy_lanes));
        if (buy) {
          const __m256 val = _mm256_add_ps(cash, _mm256_mul_ps(held, vp));
          // std::min(cash, value): value when it is below cash, else cash
          const __m256 amount = _mm256_blendv_ps(cash, val, _mm256_cmp_ps(val, cash, _CMP_LT_OQ));
          const __m256 q = _mm256_div_ps(amount, vp);
          const __m256 c =
              _mm256_sub_ps(_mm256_sub_ps(cash, amount), Fees(_mm256_cvttps_epi32(q), p, buy));
          cash = _mm256_blendv_ps(cash, c, buy_lanes);
          held = _mm256_blendv_ps(held, _mm256_add_ps(held, q), buy_lanes);
          const __m256d pd = _mm256_set1_pd(p);
          for (int h = 0; h < 2; ++h) {
            const __m256d lanes = LaneMaskPd(buy >> (4 * h));
            up_limit[h] = _mm256_blendv_pd(up_limit[h], _mm256_mul_pd(up_factor[h], pd), lanes);
            down_limit[h] =
                _mm256_blendv_pd(down_limit[h], _mm256_mul_pd(down_factor[h], pd), lanes);
          }
        }
      }
    } else {
      const unsigned sell_signal =
          down > sell_down_min
              ? static_cast<unsigned>(_mm256_movemask_ps(
                    _mm256_cmp_ps(_mm256_set1_ps(up), up_max, _CMP_LT_OQ)))
              : 0u;
      const __m256d pd = _mm256_set1_pd(p);
      unsigned at_limit = 0;
      for (int h = 0; h < 2; ++h)
        at_limit |= static_cast<unsigned>(_mm256_movemask_pd(
                        _mm256_or_pd(_mm256_cmp_pd(pd, up_limit[h], _CMP_GE_OQ),
                                     _mm256_cmp_pd(pd, down_limit[h], _CMP_LE_OQ))))
                    << (4 * h);
      const unsigned sell =
          (sell_signal | (~sell_signal & at_limit)) &
          static_cast<unsigned>(_mm256_movemask_ps(_mm256_cmp_ps(held, some, _CMP_GT_OQ)));
      if (sell) {
        const __m256 c = _mm256_sub_ps(_mm256_add_ps(cash, _mm256_mul_ps(held, vp)),
                                       Fees(_mm256_cvttps_epi32(held), p, sell));
        const __m256 lanes = LaneMask(sell);
        cash = _mm256_blendv_ps(cash, c, lanes);
        held = _mm256_andnot_ps(lanes, held);
      }
      bytes = kSellBytes.of[sell_signal];
    }
    std::memcpy(signal[d - first], &bytes, sizeof bytes);
  }
  alignas(32) float result[8];
  _mm256_store_ps(result, _mm256_add_ps(cash, _mm256_mul_ps(held, _mm256_set1_ps(p))));
  for (int l = 0; l < count; ++l) value[l] = result[l];
}

}  // namespace
}  // namespace kv::lanes
KV_TARGET_END

namespace kv::lanes {

// Outside the target region: the declaration in the header has none.
void SimulateAvx2(const float* price, const float (*guess)[kMaxOutputs], int first, int end,
                  float buy_up_min, float buy_down_max, float sell_down_min,
                  const float* sell_up_max, const float* band, int count, float* value,
                  Signals signal) {
  Simulate(price, guess, first, end, buy_up_min, buy_down_max, sell_down_min, sell_up_max, band,
           count, value, signal);
}

}  // namespace kv::lanes

#endif
