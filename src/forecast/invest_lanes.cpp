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

namespace {

using Simulator = decltype(&lanes::SimulateAvx2);

struct LaneSimulator {
  int width = 0;
  Simulator simulate = nullptr;
};

// The engine's choice (normally the widest the processor has; the tests and
// benchmarks may choose a narrower one) also decides here.
LaneSimulator Chosen() {
#if KV_X86_SIMD
  switch (netk::ActiveIsa()) {
    case netk::Isa::kAvx512:
      if (__builtin_cpu_supports("avx512dq")) return {16, lanes::SimulateAvx512};
      return {};
    case netk::Isa::kAvx2: return {lanes::kAvx2Lanes, lanes::SimulateAvx2};
    default: return {};
  }
#else
  return {};
#endif
}

}  // namespace

int InvestLaneWidth() { return Chosen().width; }

bool InvestLanesAvailable() { return InvestLaneWidth() > 0; }

void InvestMany(const LaneMarket& m, int days_back, int days_from_end,
                const float* sell_up_max, const float* take_stop_band, int count,
                InvestLanes& out) {
  const LaneSimulator chosen = Chosen();
  out.count = 0;
  if (chosen.width == 0) return;
  count = std::clamp(count, 1, chosen.width);
  const int n = std::clamp(m.n_days, 0, kMaxDays);
  out.count = count;
  out.first = std::max(0, m.n_days - days_back);
  out.end = std::min(n, m.n_days - days_from_end);
  if (out.end < out.first) out.end = out.first;
  chosen.simulate(m.raw_price, m.guess, out.first, out.end, m.buy_up_min, m.buy_down_max,
                  m.sell_down_min, sell_up_max, take_stop_band, count, out.value, out.signal);
}

}  // namespace kv
