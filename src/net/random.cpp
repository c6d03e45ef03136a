#include "net/random.h"

#include "platform/platform.h"

namespace kv {
namespace {
Random g_default;
bool g_fixed = false;
}  // namespace

int32_t Random::Next31() {
  // PCG-XSH-RR 64/32, top bit dropped.
  uint64_t old = state_;
  state_ = old * 6364136223846793005ULL + 1442695040888963407ULL;
  uint32_t xorshifted = static_cast<uint32_t>(((old >> 18u) ^ old) >> 27u);
  uint32_t rot = static_cast<uint32_t>(old >> 59u);
  uint32_t r = (xorshifted >> rot) | (xorshifted << ((32u - rot) & 31u));
  return static_cast<int32_t>(r >> 1);
}

void Random::Seed(uint64_t seed) {
  state_ = 0;
  Next31();
  state_ += seed;
  Next31();
}

float Random::Frand(float width) {
  int32_t r = Next31();
  return static_cast<float>((static_cast<double>(r % 10000000) - 5000000.0) * 1e-7 * width);
}

Random& DefaultRandom() { return g_default; }

int32_t random31() { return g_default.Next31(); }

void seed_random(uint64_t seed) { g_default.Seed(seed); }

void seed_random_from_time() {
  if (g_fixed) return;
  seed_random(static_cast<uint64_t>(plat().clock().Now()));
}

void fix_random_seed(uint64_t seed) {
  g_fixed = true;
  seed_random(seed);
}

void unfix_random_seed() { g_fixed = false; }
bool random_seed_fixed() { return g_fixed; }

float frand(float width) { return g_default.Frand(width); }

}  // namespace kv
