// The settings of a new model, written once: the main dialog starts with
// them, File > New goes back to them and a model file that leaves one out
// reads as them.
#pragma once

#include <cstdint>

namespace kv::defaults {

inline constexpr int32_t kStrategy = 3;
// The search's parameters (strategy 7) before any search.
inline constexpr float kBuyUpMin = 0.75f, kBuyDownMax = 0.40f, kSellDownMin = 0.75f, kSellUpMax = 0.40f,
                       kTakeStopBand = 0.10f;
inline constexpr int32_t kYMatrix = 1;       // hidden layers
inline constexpr int32_t kNhSynapsis = 4;
inline constexpr float kThreshold = 1.0f;
inline constexpr int32_t kPointsStock = 10;
inline constexpr int32_t kEvalDays = 140;    // the evaluation window, days back from the end
inline constexpr int32_t kKeepoutDays = 10;  // ... less these last days
inline constexpr int32_t kDayIncrem = 1;
inline constexpr bool kDoBackProp = true, kDoAnnealing = true, kDoGenetic = false, kAutoSave = false,
                      kAutoIncNeu = true;
inline constexpr int32_t kPredicMode = 0;

}  // namespace kv::defaults
