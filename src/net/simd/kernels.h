// The inner loops of the network engine (the forward pass, the learning
// step, the evaluation of a block of days) in several instruction-set
// flavours chosen when the program starts (plain x86-64, AVX2, AVX-512).
//
// Every flavour gives exactly the bits of the plain loops: each hidden sum
// is accumulated in double precision over the input rows in row order (the
// product of two floats is exact in double, so only the order of the
// additions could change a result, and it never does), and each weight
// update does the same single-precision operations in the same order. No
// fused multiply-add is ever formed. The loops are vectorised across hidden
// neurons (one day) or across days (an evaluation window), never across the
// input rows.
#pragma once

#include <cmath>
#include <cstdint>

namespace kv {
class Network;
struct Patterns;
}

namespace kv::netk {

// Weight rows of hidden_w hold 12 floats (one per possible hidden neuron).
constexpr int kRowLen = 12;
// Days evaluated together by eval_block.
constexpr int kBlockDays = 16;

// The activation: exactly 1 above 50, exactly 0 below
// -50. The kernels compute the same, with the divisions as vectors.
inline double Logistic(double x) {
  if (x > 50) return 1.0;
  if (x < -50) return 0.0;
  return 1.0 / (1.0 + std::exp(-x));
}

enum class Isa { kBaseline = 0, kAvx2 = 1, kAvx512 = 2 };

struct Kernels {
  // Network::Forward for a day within the arrays.
  float (*forward)(Network& net, const Patterns& p, int day);
  // Network::Backprop for a day within the arrays.
  void (*backprop)(Network& net, const Patterns& p, int day);
  // The forward passes of `count` (at most kBlockDays) days first,
  // first + step, ...: hidden activations hact[h][k] for h <= x_matrix (the
  // bias unit 1.0 included) and output activations oact[o][k]. wd holds
  // hidden_w widened to double (rows of kRowLen). Nothing of the network
  // changes.
  void (*eval_block)(const Network& net, const Patterns& p, const double* wd, int first,
                     int step, int count,
                     float (*hact)[kBlockDays], float (*oact)[kBlockDays]);
  // dst[i] = src[i] for i < n, widened to double.
  void (*widen)(const float* src, int n, double* dst);
  // e[i] = exp(-s[i]) for i < used (at most 16), as the activations compute
  // it: 0 where |s[i]| > 50 (the activation is then exactly 0 or 1).
  void (*exp_neg16)(const double* s, int used, double* e);
};

// True when the exponentials run as vectors (the processor has FMA and the
// C library's exp was found to agree with the vector code; asking runs that
// check if it has not run yet);
// otherwise each one is a library call. Both give the same bits.
bool VectorExpInUse();

// The kernels of the instruction set in use (the widest the processor
// offers, unless UseIsa chose another).
const Kernels& K();

// The widest instruction set this processor and system support.
Isa BestIsa();
Isa ActiveIsa();
// Switches the engine to isa; false (and nothing changes) when the
// processor lacks it. For the tests and the benchmarks.
bool UseIsa(Isa isa);
const char* IsaName(Isa isa);

}  // namespace kv::netk
