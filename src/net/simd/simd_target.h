// What every source file of vector code shares: whether its x86-64 vector
// flavours are compiled at all, their intrinsics, and the floating-point
// rules that keep their results the bits of the plain loops.
//
// Its pragmas hold for the rest of the file that includes it: include it
// first in a file of vector code.
#pragma once

// The vector flavours need x86-64 and GCC or Clang (target attributes,
// processor detection). KV_PORTABLE (cmake -DKV_PORTABLE=ON) compiles none of
// them on any target: the plain loops only.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && !defined(KV_PORTABLE)
#define KV_X86_SIMD 1
#else
#define KV_X86_SIMD 0
#endif

// A multiply followed by an add must stay two roundings: no contraction
// (AVX2 and AVX-512 have fused instructions at hand).
#if defined(__clang__)
#pragma clang fp contract(off)
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=off")
#endif
#pragma GCC diagnostic ignored "-Wpsabi"
// The intrinsics headers leave their "undefined" vectors uninitialised on purpose.
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#pragma GCC diagnostic ignored "-Wuninitialized"

#if KV_X86_SIMD
#include <immintrin.h>

// The functions between KV_TARGET_BEGIN("avx2,fma") and KV_TARGET_END are
// compiled for that instruction set: Clang takes the target as an attribute
// over a region, GCC as a pragma.
#define KV_SIMD_PRAGMA(x) _Pragma(#x)
#if defined(__clang__)
#define KV_TARGET_BEGIN(isa) \
  KV_SIMD_PRAGMA(clang attribute push(__attribute__((target(isa))), apply_to = function))
#define KV_TARGET_END KV_SIMD_PRAGMA(clang attribute pop)
#else
#define KV_TARGET_BEGIN(isa) KV_SIMD_PRAGMA(GCC push_options) KV_SIMD_PRAGMA(GCC target(isa))
#define KV_TARGET_END KV_SIMD_PRAGMA(GCC pop_options)
#endif
#endif
