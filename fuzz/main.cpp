// The libFuzzer entry of one target: the build compiles this file once per
// target with KV_FUZZ_TARGET naming it.
#include <cstdio>
#include <cstdlib>

#include "fuzz/targets/harness.h"

#ifndef KV_FUZZ_TARGET
#error "KV_FUZZ_TARGET names the target"
#endif

namespace {
const kv::fuzz::Target& This() {
  static const kv::fuzz::Target* t = kv::fuzz::FindTarget(KV_FUZZ_TARGET);
  if (!t) {
    std::fprintf(stderr, "kvfuzz: no target %s\n", KV_FUZZ_TARGET);
    std::abort();
  }
  return *t;
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  This();
  kv::fuzz::Env::Get();   // fixtures made before the first input
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  This().run(data, size);
  return 0;
}
