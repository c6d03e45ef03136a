// The lane simulators of each instruction set, behind InvestMany
// (invest_lanes.cpp), which picks one and clamps the days. Each runs
// `count` parameter sets over the days [first, end), its unused lanes
// repeating the last set, and writes value[0, count) and the signals of
// all its lanes.
#pragma once

#include <cstdint>

#include "forecast/invest_lanes.h"

namespace kv::lanes {

using Signals = int8_t (*)[InvestLanes::kLanes];

// 16 lanes; needs AVX-512 F and DQ.
void SimulateAvx512(const float* price, const float (*guess)[kMaxOutputs], int first, int end,
                    float buy_up_min, float buy_down_max, float sell_down_min,
                    const float* sell_up_max, const float* band, int count, float* value,
                    Signals signal);

// kAvx2Lanes lanes; needs AVX2.
constexpr int kAvx2Lanes = 8;
void SimulateAvx2(const float* price, const float (*guess)[kMaxOutputs], int first, int end,
                  float buy_up_min, float buy_down_max, float sell_down_min,
                  const float* sell_up_max, const float* band, int count, float* value,
                  Signals signal);

}  // namespace kv::lanes
