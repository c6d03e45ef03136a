// Evaluation of the network over a window of days.
#include <algorithm>
#include <cmath>

#include "model/main_dlg.h"

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
  const long long end = static_cast<long long>(n_days) - end_back;
  if (i < 0) i += ((-i + step - 1) / step) * step;
  for (; i < end && i < n; i += step) {
    const int d = static_cast<int>(i);
    float e = feedforward(d);
    if (!(e < 1e20f)) {   // the forward pass failed: the worst possible network
      abs_error_sum = 1e20f;
      cache_total = 1e20;
      return 1e20;
    }
    total += static_cast<double>(e) * static_cast<double>(e);
    abs_error_sum += std::fabs(e);
    for (int o = 0; o < no; ++o) {
      if (out_act[o] > 0.3) {
        if (result[d][o] >= out_act[o]) good_calls += 1;
        else bad_calls += 1;
      }
    }
  }
  cache_total = total;
  return total;
}

}  // namespace kv
