// The training session: TRAIN runs rounds of a back-propagation phase,
// annealing passes and hidden-layer growth until something clears
// training_on (STOP, Forget, a field edit, the batch time limit, closing).
// Everything happens inside the command; the phases pump messages so that
// STOP, the timers and the menu stay live, and report through progress.
#include <algorithm>
#include <string>

#include "forecast/stats_window.h"
#include "model/dialog_progress.h"
#include "model/main_dlg.h"
#include "net/random.h"
#include "resources/ids.h"

namespace kv {

void DialogProgress::Phase(const std::string& text) { m_.SetStatus(text); }

void DialogProgress::Cycle(long long cycle) {
  m_.dlg.SetText(ids::IDC_CYCLE, std::to_string(cycle));
}

void DialogProgress::Improved(double) {
  m_.dlg.Invalidate();
  RefreshStatWindow();
}

void DialogProgress::Finished(const std::string& text) { m_.SetStatus(text); }

// Drains the event queue without blocking: posted work, timers, sockets. A
// quit request met here ends the process (Platform::Quit).
void TMainDlg::Check_Events() { plat().CheckEvents(); }

// One back-propagation phase: learning steps on random days of the training
// window, with a look at the fit every 1000 steps that keeps the best network
// and adapts the rate.
void TMainDlg::ExecBackProp() {
  progress->Phase("Back Propagation Training");
  Check_Events();
  modified = true;
  long long s = 0;
  progress->Cycle(0);

  double best_fit = 1.0 / (process_bp(eval_days, keepout_days, 1, true) + 1.0);
  phase_best_fit = best_fit;
  seed_random_from_time();
  to_best();

  while (training_on && net.learn_rate > 0.0003) {
    const int span = eval_days - keepout_days;
    const int r = span > 0 ? random31() % span : 0;
    backprop(patterns.n_days - (r + keepout_days));
    ++s;
    CountLearningStep();
    if (s % 25 == 0) Check_Events();
    if (s % 1000 == 0) {
      modified = true;
      double fit = 1.0 / (process_bp(eval_days, keepout_days, 1, true) + 1.0);
      if (keepout_days < eval_days) progress->Cycle(s / (eval_days - keepout_days));
      if (fit > best_fit) {
        best_fit = fit;
        phase_best_fit = best_fit;
        net.learn_rate = static_cast<float>(std::min(net.learn_rate * 1.1, 1.0));
        to_best();
        progress->Improved(best_fit);
      } else {
        net.learn_rate = static_cast<float>(net.learn_rate * 0.995);
      }
      Check_Events();
    }
  }
  from_best(0);
}

// Simulated annealing: a random search around the best network found so far.
// Every trial perturbs all live weights of the snapshot at once; a trial is
// kept only when it evaluates strictly better. The width widens after a
// success and narrows slowly after a failure, and the pass ends when it has
// narrowed below its floor.
void TMainDlg::ExecAnneal(int pass) {
  modified = true;
  progress->Phase("Simulated Annealing Training pass " + std::to_string(pass));
  Check_Events();
  long long t = 0;
  progress->Cycle(0);

  // Early passes look at every 8th, 4th, 2nd day only: cheap, coarse trials.
  const int stride = 1 << (4 - std::clamp(pass, 1, 4));
  double best_fit = 1.0 / (process_bp(eval_days, keepout_days, stride, true) + 1.0);
  phase_best_fit = best_fit;
  to_best();

  while (training_on && net.learn_rate > 0.001) {
    // Around the snapshot, not the previous trial: a failed trial leaves no
    // trace. Only the live weights move; the bias row and column of the
    // snapshot sit at their fixed places (row 240, column 12).
    const float w = net.learn_rate;
    const int nh = std::clamp(net.x_matrix, 0, kMaxHidden);
    const int ni = std::clamp(net.in_nodes, 0, kMaxInputs);
    const int no = std::clamp(net.out_nodes, 1, kMaxOutputs);
    for (int h = 0; h < nh; ++h) {
      for (int j = 0; j < ni; ++j) net.hidden_w[j][h] = net.best_hidden_w[j][h] + frand(w);
      net.hidden_w[ni][h] = net.best_hidden_w[kMaxInputs][h] + frand(w);
    }
    for (int o = 0; o < no; ++o) {
      for (int h = 0; h < nh; ++h) net.out_w[o][h] = net.best_out_w[o][h] + frand(w);
      net.out_w[o][nh] = net.best_out_w[o][kMaxHidden] + frand(w);
    }

    Check_Events();
    ++t;
    if (t % 100 == 0) progress->Cycle(t);

    const double fit = 1.0 / (process_bp(eval_days, keepout_days, stride, true) + 1.0);
    if (fit > best_fit) {
      modified = true;
      net.learn_rate = static_cast<float>(std::min(net.learn_rate * 1.1, 1.0));
      progress->Improved(fit);
      Check_Events();
      best_fit = fit;
      phase_best_fit = best_fit;
      to_best();
    } else {
      net.learn_rate = static_cast<float>(net.learn_rate * 0.995);
    }
    CountLearningStep();
  }

  from_best(0);
  progress->Phase("Exiting Simulated Annealing Training");
}

void TMainDlg::SetBusyControls() {
  dlg.Enable(ids::IDC_TRAIN, false);
  dlg.Enable(ids::IDC_FORGET, false);
  dlg.Enable(ids::IDC_PREDICT, false);
  dlg.Enable(ids::IDC_STOP, true);
  // The inputs of a trained network must not change under it.
  dlg.Enable(ids::IDC_ADD, Trained == 0);
  dlg.Enable(ids::IDC_DEL, Trained == 0);
  dlg.SetReadOnly(ids::IDC_NEURONS, Trained > 0);
  dlg.SetReadOnly(ids::IDC_INFL_PERIOD, Trained > 0);
}

void TMainDlg::SetIdleControls() {
  dlg.Enable(ids::IDC_TRAIN, true);
  dlg.Enable(ids::IDC_FORGET, true);
  dlg.Enable(ids::IDC_PREDICT, true);
  dlg.Enable(ids::IDC_STOP, false);
  // A session usually leaves the network trained even when it started fresh:
  // lock the stock list as loading a trained model does, so the inputs the
  // weights were trained on cannot be changed behind them.
  dlg.Enable(ids::IDC_ADD, Trained == 0);
  dlg.Enable(ids::IDC_DEL, Trained == 0);
  dlg.SetReadOnly(ids::IDC_NEURONS, Trained > 0);
  dlg.SetReadOnly(ids::IDC_INFL_PERIOD, Trained > 0);
}

void TMainDlg::B1_BNClicked() {
  if (RefuseDamaged("be trained")) return;
  training_on = DoBackProp || DoAnnealing;
  if (!training_on) {
    plat().MessageBox("Please select a training algorithm from the Options Menu", "Kestrivane",
                      MB_OK);
    return;
  }
  Prep_Data();
  modified = true;
  SetBusyControls();
  seed_random_from_time();
  if (AutoSave) {
    CmFilesave();
    plat().SetTimer(this, ids::TIMER_AUTOSAVE, 900000);
  }
  plat().SetTimer(this, ids::TIMER_MINUTE, 60000);

  while (training_on) {
    // Both algorithms unticked from the menu while the session runs: a round
    // would do nothing but spin without pumping, so the session ends here.
    if (!DoBackProp && !DoAnnealing) {
      training_on = false;
      break;
    }
    // Unticking Auto Save ends the periodic saves; ticking it does not start them.
    if (!AutoSave) plat().KillTimer(this, ids::TIMER_AUTOSAVE);

    if (DoBackProp && training_on) {
      Trained = std::max(Trained, 1);
      net.learn_rate = 0.03f;
      ExecBackProp();
    }
    if (DoAnnealing && training_on) {
      Trained = std::max(Trained, 1);
      // Trained remembers the pass the next sequence starts from, so a
      // stopped sequence resumes where it was.
      int p = std::min(Trained, 4);
      while (training_on && p <= 4) {
        net.learn_rate = 0.6f;
        ExecAnneal(p);
        ++p;
        // Forget during the pass left a fresh network: it stays untrained.
        if (Trained > 0) Trained = std::min(p, 4);
      }
    }
    if (training_on && AutoIncNeu) {
      modified = true;
      const int adds = net.x_matrix / 10 + 1;
      for (int i = 0; i < adds; ++i) add_x_matrix();   // refused at 12: ignored
      // A grown network starts its annealing over from the coarse passes.
      if (net.x_matrix < max_neurons) Trained = 1;
      dlg.SetText(ids::IDC_NEURONS, std::to_string(net.x_matrix));
    }
  }

  plat().KillTimer(this, ids::TIMER_AUTOSAVE);
  plat().KillTimer(this, ids::TIMER_MINUTE);
  plat().KillTimer(this, ids::TIMER_TIME_LIMIT);
  progress->Finished("Finished Training");
  Check_Events();
  SetIdleControls();
  dlg.Invalidate();
}

void TMainDlg::STOP_BNClicked() {
  DisplayEvaluation();
  training_on = false;
  SetStatus("Stopped");
  dlg.Invalidate();
}

// ---- Options menu: each toggle takes effect when the next round or session
// reads its flag.

void TMainDlg::CmTrainitem_backprop() {
  DoBackProp = !DoBackProp;
  modified = true;
}

void TMainDlg::CmPopupitem_annealing() {
  DoAnnealing = !DoAnnealing;
  modified = true;
}

void TMainDlg::CmOptions_auto_save() {
  AutoSave = !AutoSave;
  modified = true;
}

void TMainDlg::CmOptions_adjust_neurons() {
  AutoIncNeu = !AutoIncNeu;
  modified = true;
}

// No genetic training exists: the item is always grey, and DoGenetic only
// travels with the model file.
void TMainDlg::CmOptiongenetic() {}

void TMainDlg::CeTrainitem_backprop(CommandEnabler& ce) {
  ce.Enable(true);
  ce.SetCheck(DoBackProp);
}

void TMainDlg::CePopupitem_annealing(CommandEnabler& ce) {
  ce.Enable(true);
  ce.SetCheck(DoAnnealing);
}

void TMainDlg::CeOptions_auto_save(CommandEnabler& ce) {
  ce.Enable(true);
  ce.SetCheck(AutoSave);
}

void TMainDlg::CeOptions_adjust_neurons(CommandEnabler& ce) {
  ce.Enable(true);
  ce.SetCheck(AutoIncNeu);
}

void TMainDlg::CeOptiongenetic(CommandEnabler& ce) { ce.Enable(false); }

}  // namespace kv
