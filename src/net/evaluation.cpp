// Evaluation of the network over a window of days.
//
// The days are run in blocks of kBlockDays: the hidden sums of a whole block
// come from one pass over the weights, vectorised across the days, and the
// activations of the block are computed together, which lets the processor
// overlap the exponentials. The totals and statistics are then added up day
// by day in window order, exactly as one forward pass per day would.
#include <algorithm>
#include <cmath>

#include "model/main_dlg.h"
#include "net/fast_kernels.h"

namespace kv {

double TMainDlg::process_bp(int start_back, int end_back, int step, bool force) {
  if (!force && start_back == cache_start_back && end_back == cache_end_back &&
      step == cache_step)
    return cache_total;
  cache_start_back = start_back;
  cache_end_back = end_back;
  cache_step = step;

  if (!stocks[0]) return 1e6;

  const int n = std::clamp(n_days, 0, kMaxDays);
  const int no = std::clamp(out_nodes, 1, kMaxOutputs);
  for (int i = 0; i < n; ++i)
    for (int o = 0; o < no; ++o) guess[i][o] = 0;
  good_calls = 0;
  bad_calls = 0;
  abs_error_sum = 0;
  double total = 0;

  // The window is clipped to the stored days: days before day 0 are passed
  // over along the step grid, and the walk ends at the last stored day.
  if (step < 1) step = 1;
  long long i = static_cast<long long>(n_days) - start_back;
  const long long end = std::min<long long>(static_cast<long long>(n_days) - end_back, n);
  if (i < 0) i += ((-i + step - 1) / step) * step;
  if (i >= end) {
    cache_total = total;
    return total;
  }
  const int first = static_cast<int>(i);
  const int count = static_cast<int>((end - i + step - 1) / step);

  using netk::kBlockDays;
  using netk::kRowLen;
  const netk::Kernels& k = netk::K();
  const int nh = std::clamp(x_matrix, 0, kMaxHidden);
  const int rows = std::clamp(in_nodes, 0, kMaxInputs) + 1;

  alignas(64) double wd[kInputRows * kRowLen];
  alignas(64) double xb[kInputRows * kBlockDays];
  alignas(64) double sums[kRowLen * kBlockDays];
  float hact[kBlockDays][kHiddenCols];
  double osum[kBlockDays][kMaxOutputs];
  float oact[kBlockDays][kMaxOutputs];
  k.widen(&hidden_w[0][0], rows * kRowLen, wd);

  int last = 0;   // block index of the last day run
  for (int b = 0; b < count; b += kBlockDays) {
    const int days = std::min(kBlockDays, count - b);
    const int d0 = first + b * step;
    k.fill_block(&inputs[0][0], kMaxDays, rows, d0, step, days, xb);
    k.block_sums(wd, xb, rows, nh, sums);
    for (int t = 0; t < days; ++t) {
      for (int h = 0; h < nh; ++h)
        hact[t][h] = static_cast<float>(netk::Logistic(sums[h * kBlockDays + t]));
      hact[t][nh] = 1.0f;
    }
    for (int t = 0; t < days; ++t)
      for (int o = 0; o < no; ++o) {
        double sum = 0;
        for (int h = 0; h <= nh; ++h)
          sum += static_cast<double>(out_w[o][h]) * static_cast<double>(hact[t][h]);
        osum[t][o] = sum;
      }
    for (int t = 0; t < days; ++t)
      for (int o = 0; o < no; ++o) oact[t][o] = static_cast<float>(netk::Logistic(osum[t][o]));

    for (int t = 0; t < days; ++t) {
      const int d = d0 + t * step;
      float err = 0;
      for (int o = 0; o < no; ++o) {
        guess[d][o] = oact[t][o];
        err += std::fabs(oact[t][o] - result[d][o]);
      }
      const float e = err / static_cast<float>(no);
      if (!(e < 1e20f)) {   // the forward pass failed: the worst possible network
        std::copy(hact[t], hact[t] + nh + 1, hidden_act);
        std::copy(oact[t], oact[t] + no, out_act);
        abs_error_sum = 1e20f;
        cache_total = 1e20;
        return 1e20;
      }
      total += static_cast<double>(e) * static_cast<double>(e);
      abs_error_sum += std::fabs(e);
      for (int o = 0; o < no; ++o) {
        if (oact[t][o] > 0.3) {
          if (result[d][o] >= oact[t][o]) good_calls += 1;
          else bad_calls += 1;
        }
      }
      last = t;
    }
  }
  // The activations stay those of the last day, as after its forward pass.
  std::copy(hact[last], hact[last] + nh + 1, hidden_act);
  std::copy(oact[last], oact[last] + no, out_act);
  cache_total = total;
  return total;
}

}  // namespace kv
