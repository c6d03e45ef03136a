// The engine's one process-wide pseudo-random generator.
//
// The generator is our own (a 64-bit PCG step giving 31-bit values), so that a
// fixed seed gives the same sequence, and so the same weights, on every
// machine and with every standard library.
#pragma once

#include <cstdint>

namespace kv {

// A non-negative 31-bit pseudo-random integer.
int32_t random31();
// Seeds the generator.
void seed_random(uint64_t seed);
// Seeds from the current time of the platform clock, as training does at the
// start of every session and phase -- unless a fixed seed is in force, in
// which case the sequence simply goes on (reproducible runs).
void seed_random_from_time();
// Fixes the seed for the rest of the process (tools and tests); seeds now.
void fix_random_seed(uint64_t seed);
void unfix_random_seed();
bool random_seed_fixed();

// Uniform random value in -width/2 ... +width/2 (upper end excluded), in steps
// of width * 1e-7.
float frand(float width);

}  // namespace kv
