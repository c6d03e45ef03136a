// Evaluation of the network over a window of days.
//
// The days are run in blocks of kBlockDays (simd/kernels.cpp): the sums of a
// whole block come from one pass over the weights, vectorised across the
// days, and the activations of the block are computed together, which lets
// the processor overlap the exponentials. The totals and statistics are then
// added up day by day in window order, exactly as one forward pass per day
// would.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "net/network.h"
#include "net/simd/kernels.h"

namespace kv {

// The last evaluation, so that a repeated one is answered without running
// the network again: the strategy search evaluates the same window after
// every few hundred simulations, and the display evaluation repeats itself
// too. A repeat is recognised by comparing, bit for bit, everything the
// evaluation reads: the counts, the window, the weights, the input rows and
// the targets of the window's days. Training changes the weights before
// every evaluation; it only pays for comparing and copying the weights.
struct Network::Memo {
  // The weights and shape of the last completed evaluation.
  bool known = false;
  int n = 0, no = 0, nh = 0, rows = 0, first = 0, count = 0, step = 0;
  float hidden_w[kInputRows * kMaxHidden];
  float out_w[kMaxOutputs * kHiddenCols];
  // Set when the last two evaluations had the same weights: the window's
  // inputs and targets then, and what the evaluation produced.
  bool full = false;
  float inputs[kInputRows * kMaxDays];   // rows x count
  float result[kMaxDays * kMaxOutputs];  // count x no
  float guess[kMaxDays * kMaxOutputs];   // count x no
  float good_calls = 0, bad_calls = 0, abs_error_sum = 0;
  float hidden_act[kHiddenCols] = {};
  float out_act[kMaxOutputs] = {};
  double total = 0;
};

Network::MemoSlot::MemoSlot() = default;
Network::MemoSlot::~MemoSlot() = default;
Network::MemoSlot::MemoSlot(const MemoSlot&) {}

// A memo checks everything it answers from, so the one a network has stays
// right whatever is assigned to it.
Network::MemoSlot& Network::MemoSlot::operator=(const MemoSlot&) { return *this; }

Evaluation Network::Evaluate(const Patterns& p, int start_back, int end_back, int step) {
  const int n = std::clamp(p.n_days, 0, kMaxDays);
  const int no = std::clamp(out_nodes, 1, kMaxOutputs);
  for (int i = 0; i < n; ++i)
    for (int o = 0; o < no; ++o) guess[i][o] = 0;
  Evaluation ev;
  double total = 0;

  // The window is clipped to the stored days: days before day 0 are passed
  // over along the step grid, and the walk ends at the last stored day.
  if (step < 1) step = 1;
  long long i = static_cast<long long>(p.n_days) - start_back;
  const long long end = std::min<long long>(static_cast<long long>(p.n_days) - end_back, n);
  if (i < 0) i += ((-i + step - 1) / step) * step;
  if (i >= end) return ev;
  const int first = static_cast<int>(i);
  const int count = static_cast<int>((end - i + step - 1) / step);

  using netk::kBlockDays;
  const netk::Kernels& k = netk::K();
  const int nh = std::clamp(x_matrix, 0, kMaxHidden);
  const int rows = std::clamp(in_nodes, 0, kMaxInputs) + 1;

  // Inputs and targets of the window's days, row by row, as the repeat
  // record keeps them.
  auto same_window = [&](const float* kept_inputs, const float* kept_result) {
    for (int j = 0; j < rows; ++j) {
      const float* kept = kept_inputs + j * count;
      if (step == 1) {
        if (std::memcmp(&p.inputs[j][first], kept, count * sizeof(float))) return false;
      } else {
        for (int t = 0; t < count; ++t)
          if (std::memcmp(&p.inputs[j][first + t * step], &kept[t], sizeof(float))) return false;
      }
    }
    if (step == 1 && no == kMaxOutputs)   // the window's targets lie in one block
      return std::memcmp(p.result[first], kept_result, count * no * sizeof(float)) == 0;
    for (int t = 0; t < count; ++t)
      if (std::memcmp(p.result[first + t * step], &kept_result[t * no], no * sizeof(float)))
        return false;
    return true;
  };
  // Not value-initialised: its arrays are read only after they were written
  // (known, full), and a command that evaluates once need not clear 1 MB.
  if (!memo_.memo) memo_.memo.reset(new Memo);
  Memo& r = *memo_.memo;
  const bool same_weights =
      r.known && r.n == n && r.no == no && r.nh == nh && r.rows == rows && r.first == first &&
      r.count == count && r.step == step &&
      std::memcmp(r.hidden_w, &hidden_w[0][0], rows * kMaxHidden * sizeof(float)) == 0 &&
      std::memcmp(r.out_w, &out_w[0][0], no * kHiddenCols * sizeof(float)) == 0;
  if (same_weights && r.full && same_window(r.inputs, r.result)) {
    for (int t = 0; t < count; ++t)
      for (int o = 0; o < no; ++o) guess[first + t * step][o] = r.guess[t * no + o];
    ev.good_calls = r.good_calls;
    ev.bad_calls = r.bad_calls;
    ev.abs_error_sum = r.abs_error_sum;
    ev.total = r.total;
    std::copy(r.hidden_act, r.hidden_act + nh + 1, hidden_act);
    std::copy(r.out_act, r.out_act + no, out_act);
    return ev;
  }
  r.known = false;
  alignas(64) double wd[kInputRows * netk::kRowLen];
  alignas(64) float hact[kHiddenCols][kBlockDays];
  alignas(64) float oact[kMaxOutputs][kBlockDays];
  k.widen(&hidden_w[0][0], rows * netk::kRowLen, wd);

  // After the walk the activations are those of the last day run, as after
  // its forward pass.
  auto keep_activations = [&](int t) {
    for (int h = 0; h <= nh; ++h) hidden_act[h] = hact[h][t];
    for (int o = 0; o < no; ++o) out_act[o] = oact[o][t];
  };
  int last = 0;   // position in the block of the last day run
  for (int b = 0; b < count; b += kBlockDays) {
    const int days = std::min(kBlockDays, count - b);
    const int d0 = first + b * step;
    k.eval_block(*this, p, wd, d0, step, days, hact, oact);
    for (int t = 0; t < days; ++t) {
      const int d = d0 + t * step;
      float err = 0;
      for (int o = 0; o < no; ++o) {
        guess[d][o] = oact[o][t];
        err += std::fabs(oact[o][t] - p.result[d][o]);
      }
      const float e = err / static_cast<float>(no);
      if (!(e < 1e20f)) {   // the forward pass failed: the worst possible network
        keep_activations(t);
        ev.abs_error_sum = 1e20f;
        ev.total = 1e20;
        return ev;
      }
      total += static_cast<double>(e) * static_cast<double>(e);
      ev.abs_error_sum += std::fabs(e);
      for (int o = 0; o < no; ++o) {
        if (oact[o][t] > 0.3) {
          if (p.result[d][o] >= oact[o][t]) ev.good_calls += 1;
          else ev.bad_calls += 1;
        }
      }
      last = t;
    }
  }
  keep_activations(last);
  ev.total = total;

  // Record this evaluation for a repeat; the window's data only when the
  // weights have not changed since the previous one.
  r.known = true;
  r.n = n;
  r.no = no;
  r.nh = nh;
  r.rows = rows;
  r.first = first;
  r.count = count;
  r.step = step;
  std::memcpy(r.hidden_w, &hidden_w[0][0], rows * kMaxHidden * sizeof(float));
  std::memcpy(r.out_w, &out_w[0][0], no * kHiddenCols * sizeof(float));
  r.full = same_weights;
  if (r.full) {
    for (int j = 0; j < rows; ++j) {
      if (step == 1) std::memcpy(r.inputs + j * count, &p.inputs[j][first], count * sizeof(float));
      else
        for (int t = 0; t < count; ++t) r.inputs[j * count + t] = p.inputs[j][first + t * step];
    }
    for (int t = 0; t < count; ++t)
      for (int o = 0; o < no; ++o) {
        r.result[t * no + o] = p.result[first + t * step][o];
        r.guess[t * no + o] = guess[first + t * step][o];
      }
    r.good_calls = ev.good_calls;
    r.bad_calls = ev.bad_calls;
    r.abs_error_sum = ev.abs_error_sum;
    std::copy(hidden_act, hidden_act + nh + 1, r.hidden_act);
    std::copy(out_act, out_act + no, r.out_act);
    r.total = total;
  }
  return ev;
}

}  // namespace kv
