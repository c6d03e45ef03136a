// The engine's inner loops. Each loop body is written once with the
// compiler's generic vector types and compiled three times, for plain
// x86-64, for AVX2 and for AVX-512; the widest flavour the processor
// supports is picked when the program starts. Off x86-64, or in a portable
// build, only the plain flavour is compiled, without intrinsics.
#include "net/simd/simd_target.h"

#include "net/simd/kernels.h"

#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <utility>

#include "net/network.h"

namespace kv::netk {
namespace {

#define KV_INLINE inline __attribute__((always_inline))

typedef double v8d __attribute__((vector_size(64)));
typedef double v4d __attribute__((vector_size(32)));
typedef float v16f __attribute__((vector_size(64)));
typedef float v8f __attribute__((vector_size(32)));
typedef float v4f __attribute__((vector_size(16)));
typedef int32_t v16i __attribute__((vector_size(64)));
typedef int32_t v8i __attribute__((vector_size(32)));
typedef int32_t v4i __attribute__((vector_size(16)));

// The exponential of the activations. glibc's exp calls its implementation
// and then checks the result to set errno; the same implementation is
// exported without that check as __exp_finite. It is taken when present and
// when it agrees bit for bit with exp on a spread of arguments; otherwise exp
// itself is called.
double LibraryExp(double x) { return std::exp(x); }

// Both choices of the exponential are made by CheckExp, once the process has
// computed as many exponentials by library calls as the check's own sweep
// (NoteLibraryExps), or when VectorExpInUse asks: a command that runs the
// network little (inspect's display evaluation, one forecast) never pays for
// the sweep. Until then every exponential is a library call, which gives the
// same bits. Atomic because the check may switch them while another thread's
// kernel runs; either value gives the same results.
std::atomic<double (*)(double)> g_exp{LibraryExp};
std::atomic<bool> g_vector_exp{false};
std::atomic<bool> g_exp_checked{false};

KV_INLINE double Exp(double x) { return g_exp.load(std::memory_order_relaxed)(x); }
KV_INLINE bool VectorExp() { return g_vector_exp.load(std::memory_order_relaxed); }

// ---- the exponential as vectors ------------------------------------------------
//
// On x86-64 processors with FMA, glibc's exp reduces x to r = x - k ln2/128
// (k the integer nearest to 128 x / ln2, ln2/128 in two parts), looks up
// 2^((k mod 128)/128) as a double H plus a relative tail, and returns
// s + s * (tail + r + r^2 (C2 + r C3) + r^4 (C4 + r C5)) with
// s = H * 2^(k div 128), each step one rounding or one fused multiply-add
// (one rounding too). ExpSteps does exactly those operations; the vector flavours do
// them several lanes at a time. They are used only once a check finds
// ExpSteps agreeing with the library bit for bit over
// the activations' range (which also proves the constants and the table);
// otherwise every exponential is a library call.
constexpr double Bits(uint64_t b) { return std::bit_cast<double>(b); }
constexpr double kInvLn2N = Bits(0x40671547652b82feULL);     // 128 / ln 2
constexpr double kNegLn2HiN = Bits(0xbf762e42fefa0000ULL);   // -ln 2 / 128, leading bits
constexpr double kNegLn2LoN = Bits(0xbd0cf79abc9e3b3aULL);   // the rest
constexpr double kExpShift = Bits(0x4338000000000000ULL);    // 1.5 * 2^52: rounds to integers
constexpr double kC2 = Bits(0x3fdffffffffffdbdULL);
constexpr double kC3 = Bits(0x3fc555555555543cULL);
constexpr double kC4 = Bits(0x3fa55555cf172b91ULL);
constexpr double kC5 = Bits(0x3f81111167a4d017ULL);
// The reduction holds for 2^-54 <= |x| < 512; other arguments (0, tiny,
// huge, not numbers) go to the library.
constexpr double kExpMinAbs = 0x1p-54;
constexpr double kExpMaxAbs = 512.0;

alignas(64) constexpr uint64_t kExpTable[256] = {
#include "net/simd/exp_table.inc"
};

bool ExpInRange(double x) {
  const double a = std::fabs(x);
  return a >= kExpMinAbs && a < kExpMaxAbs;
}

// Run only where the processor has FMA (the check below asks first), so each
// fused step is one instruction rather than a library call, which keeps the
// check short.
#if KV_X86_SIMD
KV_TARGET_BEGIN("fma")
#endif
double ExpSteps(double x) {
  const double z = std::fma(x, kInvLn2N, kExpShift);
  const uint64_t ki = std::bit_cast<uint64_t>(z);
  const double kd = z - kExpShift;
  double r = std::fma(kd, kNegLn2HiN, x);
  r = std::fma(kd, kNegLn2LoN, r);
  const uint64_t idx = 2 * (ki & 127);
  const double tail = Bits(kExpTable[idx]);
  const double scale = Bits(kExpTable[idx + 1] + (ki << 45));
  const double p23 = std::fma(r, kC3, kC2);
  const double tr = r + tail;
  const double r2 = r * r;
  const double p45 = std::fma(r, kC5, kC4);
  const double t = std::fma(p23, r2, tr);
  const double tmp = std::fma(r2 * r2, p45, t);
  return std::fma(scale, tmp, scale);
}
#if KV_X86_SIMD
KV_TARGET_END
#endif

// One sweep over the arguments the activations meet, -50 ... 50, across
// every entry of the table many times over, settles both choices: the
// library's unchecked exp must give exp's bits everywhere, and ExpSteps must
// give them wherever it is used (which needs FMA and AVX2).
void CheckExp() {
#if defined(__GLIBC__)
  auto finite = reinterpret_cast<double (*)(double)>(dlvsym(RTLD_DEFAULT, "__exp_finite", "GLIBC_2.15"));
#else
  double (*finite)(double) = nullptr;
#endif
  bool steps = false;
#if KV_X86_SIMD
  __builtin_cpu_init();
  steps = __builtin_cpu_supports("fma") && __builtin_cpu_supports("avx2");
#endif
  for (int i = -50000; i <= 50000 && (finite || steps); ++i) {
    const double x = i * 1e-3 + 1e-11 * (i % 13);
    const double a = std::exp(x);
    if (finite) {
      const double b = finite(x);
      if (std::memcmp(&a, &b, sizeof a) != 0) finite = nullptr;
    }
    if (steps && ExpInRange(x)) {
      const double c = ExpSteps(x);
      if (std::memcmp(&a, &c, sizeof a) != 0) steps = false;
    }
  }
  g_exp.store(finite ? finite : LibraryExp, std::memory_order_relaxed);
  g_vector_exp.store(steps, std::memory_order_relaxed);
  g_exp_checked.store(true, std::memory_order_relaxed);
}

// Thread-safe and once per process; the guard's fast path is a single load.
void EnsureExpChecked() {
  static const bool checked = (CheckExp(), true);
  (void)checked;
}

// Counts the library exponentials of this thread until the check has run;
// the kernels call it only while g_exp_checked is false.
constexpr int kExpsBeforeCheck = 100001;   // the sweep's own count
__attribute__((noinline, cold)) void NoteLibraryExps(int n) {
  static thread_local int count = 0;
  count += n;
  if (count >= kExpsBeforeCheck) EnsureExpChecked();
}

template <class V, class T>
KV_INLINE V Load(const T* p) {
  V v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <class V, class T>
KV_INLINE void Store(T* p, const V& v) {
  std::memcpy(p, &v, sizeof v);
}

}  // namespace

// ---- the three flavours ----------------------------------------------------------

// kLevel: 0 plain x86-64, 1 AVX2, 2 AVX-512 (F, VL and DQ: every AVX-512
// processor but the first Xeon Phi has them).
namespace baseline {
namespace {
constexpr int kLevel = 0;
constexpr int kGroup = 2;
#include "net/simd/kernels_body.inc"
}  // namespace
}  // namespace baseline

#if KV_X86_SIMD
KV_TARGET_BEGIN("avx2,fma")
namespace avx2 {
namespace {
constexpr int kLevel = 1;
constexpr int kGroup = 2;
#include "net/simd/kernels_body.inc"
}  // namespace
}  // namespace avx2
KV_TARGET_END

KV_TARGET_BEGIN("avx512f,avx512vl,avx512dq,avx2,fma")
namespace avx512 {
namespace {
constexpr int kLevel = 2;
constexpr int kGroup = 4;
#include "net/simd/kernels_body.inc"
}  // namespace
}  // namespace avx512
KV_TARGET_END
#endif

namespace {

#if KV_X86_SIMD
const Kernels* Table(Isa isa) {
  switch (isa) {
    case Isa::kAvx512: return &avx512::kKernels;
    case Isa::kAvx2: return &avx2::kKernels;
    default: return &baseline::kKernels;
  }
}

bool Supported(Isa isa) {
  switch (isa) {
    case Isa::kAvx512:
      return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
             __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx2") &&
             __builtin_cpu_supports("fma");
    case Isa::kAvx2: return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    default: return true;
  }
}

Isa Detect() {
  __builtin_cpu_init();
  if (Supported(Isa::kAvx512)) return Isa::kAvx512;
  if (Supported(Isa::kAvx2)) return Isa::kAvx2;
  return Isa::kBaseline;
}
#else
const Kernels* Table(Isa) { return &baseline::kKernels; }
bool Supported(Isa isa) { return isa == Isa::kBaseline; }
Isa Detect() { return Isa::kBaseline; }
#endif

// Plain code until the processor has been asked (static initialisation).
Isa g_isa = Isa::kBaseline;
const Kernels* g_kernels = &baseline::kKernels;

}  // namespace

const Kernels& K() { return *g_kernels; }

bool VectorExpInUse() {
  EnsureExpChecked();
  return VectorExp() && g_isa != Isa::kBaseline;
}

Isa BestIsa() { return Detect(); }
Isa ActiveIsa() { return g_isa; }

bool UseIsa(Isa isa) {
  if (!Supported(isa)) return false;
  g_isa = isa;
  g_kernels = Table(isa);
  return true;
}

namespace {
const bool g_selected = UseIsa(Detect());
}  // namespace

const char* IsaName(Isa isa) {
  switch (isa) {
    case Isa::kAvx512: return "avx512";
    case Isa::kAvx2: return "avx2";
    default: return KV_X86_SIMD ? "x86-64" : "plain";
  }
}

}  // namespace kv::netk
