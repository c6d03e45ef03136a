// Back-propagation: one learning step, and the phase of a training round.
#include <algorithm>

#include "model/main_dlg.h"
#include "net/fast_kernels.h"
#include "net/forward_pass.h"
#include "net/random.h"
#include "resources/ids.h"

namespace kv {

void TMainDlg::backprop(int day) {
  day = std::clamp(day, 0, kMaxDays - 1);
  const int nh = std::clamp(x_matrix, 0, kMaxHidden);
  const int ni = std::clamp(in_nodes, 0, kMaxInputs);
  const int no = std::clamp(out_nodes, 1, kMaxOutputs);
  const int rows = ni + 1;

  // The day's input column, copied once out of the row-major matrix for
  // both the forward pass and the update.
  alignas(64) float x[kInputRows];
  alignas(64) double xd[kInputRows];
  for (int j = 0; j < rows; ++j) x[j] = inputs[j][day];
  netk::K().widen(x, rows, xd);
  ForwardDay(*this, day, xd);

  for (int o = 0; o < no; ++o) out_err[o] = result[day][o] - out_act[o];
  for (int h = 0; h <= nh; ++h) {
    float e = 0;
    for (int o = 0; o < no; ++o) e += out_err[o] * out_w[o][h] * (1 - out_act[o]) * out_act[o];
    hidden_err[h] = e;
  }
  const float keep = 1 - momentum;
  // The gradient of hidden_w[j][h] is (1 - act) * err * x * act; the part
  // before x is the same for the whole column h.
  alignas(64) float a[16] = {};
  alignas(64) float act[16] = {};
  for (int h = 0; h < nh; ++h) {
    a[h] = (1 - hidden_act[h]) * hidden_err[h];
    act[h] = hidden_act[h];
  }
  netk::K().update_hidden(&hidden_w[0][0], &hidden_dw[0][0], x, rows, nh, a, act, learn_rate,
                          keep, momentum);
  for (int h = 0; h <= nh; ++h) {
    for (int o = 0; o < no; ++o) {
      float g = (1 - out_act[o]) * out_act[o] * out_err[o] * hidden_act[h];
      out_w[o][h] += learn_rate * (keep * g + momentum * out_dw[o][h]);
      out_dw[o][h] = g;
    }
  }
}

void TMainDlg::ExecBackProp() {
  SetStatus("Back Propagation Training");
  Check_Events();
  modified = true;
  long long s = 0;
  dlg.SetText(ids::IDC_CYCLE, "0");

  double best_fit = 1.0 / (process_bp(eval_days, keepout_days, 1, true) + 1.0);
  phase_best_fit = best_fit;
  seed_random_from_time();
  to_best();

  while (training_on && learn_rate > 0.0003) {
    const int span = eval_days - keepout_days;
    const int r = span > 0 ? random31() % span : 0;
    backprop(n_days - (r + keepout_days));
    ++s;
    CountLearningStep();
    if (s % 25 == 0) Check_Events();
    if (s % 1000 == 0) {
      modified = true;
      double fit = 1.0 / (process_bp(eval_days, keepout_days, 1, true) + 1.0);
      if (keepout_days < eval_days)
        dlg.SetText(ids::IDC_CYCLE, std::to_string(s / (eval_days - keepout_days)));
      if (fit > best_fit) {
        best_fit = fit;
        phase_best_fit = best_fit;
        learn_rate = static_cast<float>(std::min(learn_rate * 1.1, 1.0));
        to_best();
      } else {
        learn_rate = static_cast<float>(learn_rate * 0.995);
      }
      dlg.Invalidate();
      Check_Events();
    }
  }
  from_best(0);
}

}  // namespace kv
