// The lane simulators' common part: which one runs here, the days they
// simulate, and the signals they keep. The simulators themselves are in
// invest_lanes_avx512.cpp and invest_lanes_avx2.cpp.
#include "forecast/invest_lanes.h"

#include <algorithm>

#include "forecast/invest_lanes_simd.h"
#include "net/simd/kernels.h"
#include "net/simd/simd_target.h"

namespace kv {

void InvestLanes::WriteSignals(int32_t* out, int lane) const {
  for (int d = first; d < end; ++d) out[d] = signal[d - first][lane];
}

int InvestLaneWidth() {
#if KV_X86_SIMD
  // The engine's choice (normally the widest the processor has; the tests
  // and benchmarks may choose a narrower one) also decides here.
  switch (netk::ActiveIsa()) {
    case netk::Isa::kAvx512: return __builtin_cpu_supports("avx512dq") ? 16 : 0;
    case netk::Isa::kAvx2: return 8;
    default: return 0;
  }
#else
  return 0;
#endif
}

bool InvestLanesAvailable() { return InvestLaneWidth() > 0; }

void InvestMany(const LaneMarket& m, int days_back, int days_from_end,
                const float* sell_up_max, const float* take_stop_band, int count,
                InvestLanes& out) {
  const int width = InvestLaneWidth();
  out.count = 0;
  if (width == 0) return;
  count = std::clamp(count, 1, width);
  const int n = std::clamp(m.n_days, 0, kMaxDays);
  out.count = count;
  out.first = std::max(0, m.n_days - days_back);
  out.end = std::min(n, m.n_days - days_from_end);
  if (out.end < out.first) out.end = out.first;
#if KV_X86_SIMD
  auto simulate = width == 16 ? lanes::SimulateAvx512 : lanes::SimulateAvx2;
  simulate(m.raw_price, m.guess, out.first, out.end, m.buy_up_min, m.buy_down_max,
           m.sell_down_min, sell_up_max, take_stop_band, count, out.value, out.signal);
#endif
}

}  // namespace kv
