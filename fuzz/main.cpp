// The libFuzzer entry of one target: the build compiles this file once per
// target with KV_FUZZ_TARGET naming it.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "fuzz/targets/harness.h"

#ifndef KV_FUZZ_TARGET
#error "KV_FUZZ_TARGET names the target"
#endif

// The targets run on a virtual clock, so no real time ever needs to pass:
// a real pause (the batch runner waits before it shows its log) would only
// slow the run down. This replaces the C library's sleep for the fuzz
// programs alone.
extern "C" int nanosleep(const struct timespec*, struct timespec* rem) {
  if (rem) *rem = timespec{};
  return 0;
}

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

// Adds the target's -max_len unless the command line gives one.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  bool given = false;
  for (int i = 1; i < *argc; ++i)
    if (std::strncmp((*argv)[i], "-max_len=", 9) == 0) given = true;
  if (!given) {
    static std::string flag = "-max_len=" + std::to_string(This().max_len);
    static std::vector<char*> args;
    args.assign(*argv, *argv + *argc);
    args.insert(args.begin() + 1, flag.data());
    args.push_back(nullptr);
    *argv = args.data();
    *argc += 1;
  }
  kv::fuzz::Env::Get();   // fixtures made before the first input
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  This().run(data, size);
  return 0;
}
