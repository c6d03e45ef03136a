#include "app/version_info.h"

#include "model/globals.h"
#include "net/simd/kernels.h"

// Both come from the build (CMakeLists.txt): the project's VERSION and the
// build type.
#ifndef KV_VERSION
#error "KV_VERSION must be defined by the build"
#endif
#ifndef KV_BUILD_TYPE
#define KV_BUILD_TYPE ""
#endif

namespace kv {
namespace {

// The program's own version number (window title, About) must be the one
// the build is named with.
constexpr bool SameVersion(const char* text, double number) {
  int major = 0, minor = 0;
  const char* p = text;
  while (*p >= '0' && *p <= '9') major = major * 10 + (*p++ - '0');
  if (*p == '.') ++p;
  while (*p >= '0' && *p <= '9') minor = minor * 10 + (*p++ - '0');
  const int given = static_cast<int>(number * 10 + 0.5);
  return major * 10 + minor == given;
}
static_assert(SameVersion(KV_VERSION, kVersion), "project VERSION differs from kVersion");

}  // namespace

std::string VersionText(const std::string& program) {
  const netk::Isa isa = netk::ActiveIsa();
  const char* engine = isa == netk::Isa::kAvx512 ? "avx512" : isa == netk::Isa::kAvx2 ? "avx2" : "plain";
  std::string build = KV_BUILD_TYPE;
  if (build.empty()) build = "none";
  return program + " " + KV_VERSION + "\nbuild type: " + build + "\nengine: " + engine + "\n";
}

}  // namespace kv
