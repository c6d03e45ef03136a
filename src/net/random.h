// The engine's pseudo-random generator.
//
// The generator is our own (a 64-bit PCG step giving 31-bit values), so that a
// fixed seed gives the same sequence, and so the same weights, on every
// machine and with every standard library. A training session owns or is
// given a Random; the free functions below work on the process's default
// one, which the single model of the program trains with.
#pragma once

#include <cstdint>

namespace kv {

class Random {
 public:
  Random() = default;
  explicit Random(uint64_t seed) { Seed(seed); }
  // A non-negative 31-bit pseudo-random integer.
  int32_t Next31();
  void Seed(uint64_t seed);
  // Uniform random value in -width/2 ... +width/2 (upper end excluded), in
  // steps of width * 1e-7.
  float Frand(float width);

 private:
  uint64_t state_ = 0x853c49e6748fea9bULL;
};

// The process's default generator (the dialog's training, tools, tests).
// Only the thread that runs the dialog touches it.
Random& DefaultRandom();

// A non-negative 31-bit pseudo-random integer from the default generator.
int32_t random31();
// Seeds the default generator.
void seed_random(uint64_t seed);
// Seeds the default generator from the current time of the platform clock,
// as training does at the start of every session and phase -- unless a fixed
// seed is in force, in which case the sequence simply goes on (reproducible
// runs).
void seed_random_from_time();
// Fixes the seed for the rest of the process (tools and tests); seeds now.
void fix_random_seed(uint64_t seed);
void unfix_random_seed();
bool random_seed_fixed();

// Frand of the default generator.
float frand(float width);

}  // namespace kv
