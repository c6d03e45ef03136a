// The forward pass shared by feedforward and backprop: one day whose input
// column has already been copied out of the row-major input matrix.
#pragma once

namespace kv {

class TMainDlg;

// Runs the network on day (0 <= day < kMaxDays) with inputs xd[j] =
// inputs[j][day], j = 0 ... in_nodes; sets hidden_act, out_act and
// guess[day]; returns the day's mean absolute output error.
float ForwardDay(TMainDlg& m, int day, const double* xd);

}  // namespace kv
