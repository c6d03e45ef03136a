// Pieces of the batch runner that tests reach directly.
#pragma once

#include <cstdint>
#include <string>

namespace kv {

// The training time of a T line, "h:mm", in milliseconds: the leading
// decimal digits of the hour and minute texts (at most 9 characters each).
uint32_t BatchTimeLimitMs(const std::string& hours, const std::string& minutes);

}  // namespace kv
