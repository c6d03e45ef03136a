// The training session: TRAIN runs rounds of a back-propagation phase,
// annealing passes and hidden-layer growth until something clears
// training_on (STOP, Forget, a field edit, the batch time limit, closing).
// Everything happens inside the command; the phases pump messages so that
// STOP, the timers and the menu stay live.
#include <algorithm>
#include <string>

#include "model/main_dlg.h"
#include "net/random.h"
#include "resources/ids.h"

namespace kv {

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
      learn_rate = 0.03f;
      ExecBackProp();
    }
    if (DoAnnealing && training_on) {
      Trained = std::max(Trained, 1);
      // Trained remembers the pass the next sequence starts from, so a
      // stopped sequence resumes where it was.
      int p = std::min(Trained, 4);
      while (training_on && p <= 4) {
        learn_rate = 0.6f;
        ExecAnneal(p);
        ++p;
        // Forget during the pass left a fresh network: it stays untrained.
        if (Trained > 0) Trained = std::min(p, 4);
      }
    }
    if (training_on && AutoIncNeu) {
      modified = true;
      const int adds = x_matrix / 10 + 1;
      for (int i = 0; i < adds; ++i) add_x_matrix();   // refused at 12: ignored
      // A grown network starts its annealing over from the coarse passes.
      if (x_matrix < max_neurons) Trained = 1;
      dlg.SetText(ids::IDC_NEURONS, std::to_string(x_matrix));
    }
  }

  plat().KillTimer(this, ids::TIMER_AUTOSAVE);
  plat().KillTimer(this, ids::TIMER_MINUTE);
  plat().KillTimer(this, ids::TIMER_TIME_LIMIT);
  SetStatus("Finished Training");
  Check_Events();
  SetIdleControls();
  dlg.Invalidate();
}

void TMainDlg::STOP_BNClicked() {
  process_bp(eval_days, 10, 1, true);
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
