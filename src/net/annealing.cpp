// Simulated annealing: a random search around the best network found so far.
// Every trial perturbs all live weights of the snapshot at once; a trial is
// kept only when it evaluates strictly better. The width widens after a
// success and narrows slowly after a failure, and the pass ends when it has
// narrowed below its floor.
#include <algorithm>
#include <string>

#include "forecast/stats_window.h"
#include "model/main_dlg.h"
#include "net/random.h"
#include "resources/ids.h"

namespace kv {

void TMainDlg::ExecAnneal(int pass) {
  modified = true;
  SetStatus("Simulated Annealing Training pass " + std::to_string(pass));
  Check_Events();
  long long t = 0;
  dlg.SetText(ids::IDC_CYCLE, "0");

  // Early passes look at every 8th, 4th, 2nd day only: cheap, coarse trials.
  const int stride = 1 << (4 - std::clamp(pass, 1, 4));
  double best_fit = 1.0 / (process_bp(eval_days, keepout_days, stride, true) + 1.0);
  phase_best_fit = best_fit;
  to_best();

  while (training_on && learn_rate > 0.001) {
    // Around the snapshot, not the previous trial: a failed trial leaves no
    // trace. Only the live weights move; the bias row and column of the
    // snapshot sit at their fixed places (row 240, column 12).
    const float w = learn_rate;
    const int nh = std::clamp(x_matrix, 0, kMaxHidden);
    const int ni = std::clamp(in_nodes, 0, kMaxInputs);
    const int no = std::clamp(out_nodes, 1, kMaxOutputs);
    for (int h = 0; h < nh; ++h) {
      for (int j = 0; j < ni; ++j) hidden_w[j][h] = best_hidden_w[j][h] + frand(w);
      hidden_w[ni][h] = best_hidden_w[kMaxInputs][h] + frand(w);
    }
    for (int o = 0; o < no; ++o) {
      for (int h = 0; h < nh; ++h) out_w[o][h] = best_out_w[o][h] + frand(w);
      out_w[o][nh] = best_out_w[o][kMaxHidden] + frand(w);
    }

    Check_Events();
    ++t;
    if (t % 100 == 0) dlg.SetText(ids::IDC_CYCLE, std::to_string(t));

    const double fit = 1.0 / (process_bp(eval_days, keepout_days, stride, true) + 1.0);
    if (fit > best_fit) {
      modified = true;
      learn_rate = static_cast<float>(std::min(learn_rate * 1.1, 1.0));
      dlg.Invalidate();
      RefreshStatWindow();
      Check_Events();
      best_fit = fit;
      phase_best_fit = best_fit;
      to_best();
    } else {
      learn_rate = static_cast<float>(learn_rate * 0.995);
    }
    CountLearningStep();
  }

  from_best(0);
  SetStatus("Exiting Simulated Annealing Training");
}

}  // namespace kv
