#include "cli/train_time.h"

namespace kv::cli {
namespace {

// Up to 7 digits at text[pos]: far above any limit, far below overflow.
bool Digits(const std::string& text, size_t& pos, unsigned long long& out) {
  const size_t start = pos;
  out = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 7)
    out = out * 10 + static_cast<unsigned>(text[pos++] - '0');
  return pos > start && !(pos < text.size() && text[pos] >= '0' && text[pos] <= '9');
}

}  // namespace

std::optional<unsigned long long> ParseTrainingTime(const std::string& text) {
  size_t pos = 0;
  unsigned long long first = 0, second = 0;
  if (!Digits(text, pos, first) || pos == text.size()) return std::nullopt;
  const char unit = text[pos++];
  if (unit == ':') {
    const size_t mm = pos;
    if (!Digits(text, pos, second) || pos != text.size() || pos - mm != 2 || second > 59)
      return std::nullopt;
    return first * 60 + second;
  }
  if (unit == 'm') return pos == text.size() ? std::optional(first) : std::nullopt;
  if (unit != 'h') return std::nullopt;
  if (pos == text.size()) return first * 60;
  if (!Digits(text, pos, second) || second > 59 || pos + 1 != text.size() || text[pos] != 'm')
    return std::nullopt;
  return first * 60 + second;
}

}  // namespace kv::cli
