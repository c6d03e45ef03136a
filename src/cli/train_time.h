// The training time of `train --time`.
#pragma once

#include <optional>
#include <string>

namespace kv::cli {

// Minutes from "H:MM" (MM 00 to 59), "90m", "2h" or "1h30m" (minutes 0 to
// 59 after hours); nothing for any other text. Zero is returned as 0: the
// caller decides what range it takes.
std::optional<unsigned long long> ParseTrainingTime(const std::string& text);

}  // namespace kv::cli
