// Network: one feed-forward network with a hidden layer, as a value: its
// weights, the best copies a training phase keeps, the momentum memory of
// back-propagation, the activations of the last day run and the outputs per
// day. Several networks may live and train in one process, each in its own
// thread; nothing here is shared between them.
//
// The plain loops of network.cpp are the definition of every result; the
// calls below run the vector flavours of simd/, which give the same bits.
#pragma once

#include <cstdint>
#include <memory>

#include "data/patterns.h"
#include "data/limits.h"

namespace kv {

// The statistics of one evaluation.
struct Evaluation {
  double total = 0;         // sum of the squared mean errors; 1e20 when the pass failed
  float good_calls = 0;     // outputs above 0.3 that the target reached
  float bad_calls = 0;      // ... and that it did not
  float abs_error_sum = 0;  // sum of the mean absolute errors; 1e20 when the pass failed
};

class Network {
 public:
  // Copies carry the weights and state; the evaluation memo stays with
  // each network (a copy starts without one).

  int32_t x_matrix = 4;      // hidden neurons, 2..12
  int32_t in_nodes = 0;      // input rows in use; row in_nodes is the bias
  int32_t out_nodes = 2;
  float learn_rate = 0.01f;
  float momentum = 0.9f;

  float hidden_w[kInputRows][kMaxHidden] = {};
  float out_w[kMaxOutputs][kHiddenCols] = {};   // column x_matrix is the bias
  // The snapshot: its bias row and column sit at fixed places (row
  // kMaxInputs, column kMaxHidden) whatever the shape.
  float best_hidden_w[kInputRows][kMaxHidden] = {};
  float best_out_w[kMaxOutputs][kHiddenCols] = {};
  int32_t best_x_matrix = 0;
  float hidden_dw[kInputRows][kMaxHidden] = {};   // the previous step's gradients
  float out_dw[kMaxOutputs][kHiddenCols] = {};
  float hidden_act[kHiddenCols] = {};   // of the last day run; [x_matrix] is 1.0
  float out_act[kMaxOutputs] = {};
  float out_err[kMaxOutputs] = {};
  float hidden_err[kHiddenCols] = {};
  float guess[kMaxDays][kMaxOutputs] = {};   // outputs per day

  // Runs the network on `day`: sets the activations and guess[day]; returns
  // the mean absolute error against the targets, 1e20 for a day outside the
  // arrays.
  float Forward(const Patterns& p, int day);
  // One learning step on `day` (clamped to the arrays): a forward pass, then
  // every live weight moves by learn_rate times its gradient blended with the
  // previous one by momentum.
  void Backprop(const Patterns& p, int day);
  // Runs the days p.n_days - start_back, ... (every step-th, step below 1
  // taken as 1) before p.n_days - end_back, clipped to the stored days.
  // guess is cleared for the stored days and set for the window; the
  // activations are those of the last day run. A repeat of the previous
  // evaluation (same weights, window and data, bit for bit) is answered
  // from memory with the same results.
  Evaluation Evaluate(const Patterns& p, int start_back, int end_back, int step);
  // Copies the live weights into the snapshot.
  void ToBest();
  // Takes the snapshot's first `count` hidden neurons (0: as many as it
  // holds) back as the live network.
  void FromBest(int count);
  // Adds one hidden neuron with random input weights (frand(5)) and an
  // output weight of 0.01; false, and nothing changes, at `limit` neurons.
  bool Grow(int limit);

 private:
  // The last evaluation, for answering a repeat (evaluation.cpp); made on
  // the first evaluation. About 1 MB.
  struct Memo;
  struct MemoSlot {
    MemoSlot();
    MemoSlot(const MemoSlot&);
    MemoSlot& operator=(const MemoSlot&);
    ~MemoSlot();
    std::unique_ptr<Memo> memo;
  };
  MemoSlot memo_;
};

// The definition in plain loops: one hidden neuron at a time, inputs read
// straight from the row-major matrix, no memo. The calls of Network give the
// same bits; the tests and the benchmarks compare them.
namespace plain {
float Forward(Network& net, const Patterns& p, int day);
void Backprop(Network& net, const Patterns& p, int day);
Evaluation Evaluate(Network& net, const Patterns& p, int start_back, int end_back, int step);
}  // namespace plain

}  // namespace kv
