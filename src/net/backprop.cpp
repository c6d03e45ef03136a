// Back-propagation: one learning step (its loops are in fast_kernels.cpp),
// and the phase of a training round.
#include <algorithm>

#include "model/main_dlg.h"
#include "net/fast_kernels.h"
#include "net/random.h"
#include "resources/ids.h"

namespace kv {

void TMainDlg::backprop(int day) {
  netk::K().backprop(*this, std::clamp(day, 0, kMaxDays - 1));
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
