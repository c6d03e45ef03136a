// The inner loops of the network engine, on raw arrays, in several
// instruction-set flavours chosen once at run time (plain x86-64, AVX2,
// AVX-512).
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

namespace kv::netk {

// Weight rows of hidden_w hold 12 floats (one per possible hidden neuron).
constexpr int kRowLen = 12;
// Days evaluated together by BlockSums.
constexpr int kBlockDays = 16;

// The activation: exactly 1 above 50, exactly 0 below -50.
inline double Logistic(double x) {
  if (x > 50) return 1.0;
  if (x < -50) return 0.0;
  return 1.0 / (1.0 + std::exp(-x));
}

enum class Isa { kBaseline = 0, kAvx2 = 1, kAvx512 = 2 };

struct Kernels {
  // sums[h] = sum over j < rows of w[j][h] * xd[j], for h < nh (nh <= 12).
  // w has rows of kRowLen floats.
  void (*day_sums)(const float* w, const double* xd, int rows, int nh, double* sums);
  // One back-propagation update of the input-to-hidden weights, for rows
  // j < rows and neurons h < nh:
  //   g = (a[h] * x[j]) * act[h];  w[j][h] += lr * (keep * g + mom * dw[j][h]);  dw[j][h] = g
  // where a[h] = (1 - act[h]) * err[h]. Neurons at or beyond nh keep their
  // weights and memories. a and act hold 12 floats.
  void (*update_hidden)(float* w, float* dw, const float* x, int rows, int nh, const float* a,
                        const float* act, float lr, float keep, float mom);
  // Hidden sums of a block of kBlockDays days:
  //   sums[h * kBlockDays + k] = sum over j < rows of wd[j][h] * xb[j][k]
  // wd has rows of kRowLen doubles, xb rows of kBlockDays doubles.
  void (*block_sums)(const double* wd, const double* xb, int rows, int nh, double* sums);
  // xb[j][k] = inputs[j][first + k * step] for k < count, 0 for the rest of
  // the block. inputs has rows of row_len floats.
  void (*fill_block)(const float* inputs, int row_len, int rows, int first, int step, int count,
                     double* xb);
  // dst[i] = src[i] for i < n, widened to double.
  void (*widen)(const float* src, int n, double* dst);
};

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
