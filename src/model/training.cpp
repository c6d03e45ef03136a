// The training session: TRAIN runs the Trainer (net/trainer.h) on the
// dialog's network until something clears training_on (STOP, Forget, a field
// edit, the batch time limit, closing). Everything happens inside the
// command; the session pumps messages through the dialog's host so that
// STOP, the timers and the menu stay live, and reports through progress.
#include <algorithm>
#include <string>

#include "forecast/stats_window.h"
#include "model/dialog_progress.h"
#include "model/main_dlg.h"
#include "net/random.h"
#include "net/trainer.h"
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

namespace {

// The dialog as the host of its training session: at every pumping point the
// session's state goes to the dialog's members, the events are served (STOP,
// Forget, the timers, the menu toggles may change them) and the members come
// back to the session.
class DialogTrainingHost final : public TrainingHost {
 public:
  explicit DialogTrainingHost(TMainDlg& m) : m_(m) {}

  void Pump(Trainer& t) override {
    Out(t);
    m_.Check_Events();
    In(t);
  }
  double Evaluate(Trainer&, int start_back, int end_back, int step) override {
    return m_.process_bp(start_back, end_back, step, true);
  }
  void Reseed(Trainer&) override { seed_random_from_time(); }
  void Changed() override { m_.modified = true; }
  void RoundStarts() override {
    // Unticking Auto Save ends the periodic saves; ticking it does not start them.
    if (!m_.AutoSave) plat().KillTimer(&m_, ids::TIMER_AUTOSAVE);
  }
  void Grew(Trainer& t) override {
    m_.dlg.SetText(ids::IDC_NEURONS, std::to_string(t.net.x_matrix));
  }

  void In(Trainer& t) {
    t.running = m_.training_on;
    t.trained = m_.Trained;
    t.learning_steps = m_.learning_steps;
    t.step_budget = m_.step_budget;
    t.phase_best_fit = m_.phase_best_fit;
    t.settings.do_backprop = m_.DoBackProp;
    t.settings.do_annealing = m_.DoAnnealing;
    t.settings.auto_grow = m_.AutoIncNeu;
    t.settings.max_neurons = max_neurons;
    t.settings.eval_days = m_.eval_days;
    t.settings.keepout_days = m_.keepout_days;
  }
  void Out(const Trainer& t) {
    m_.training_on = t.running;
    m_.Trained = t.trained;
    m_.learning_steps = t.learning_steps;
    m_.phase_best_fit = t.phase_best_fit;
  }

 private:
  TMainDlg& m_;
};

}  // namespace

// The phases on the dialog's network and patterns, with the default
// generator, as the session runs them.
void TMainDlg::ExecBackProp() {
  DialogTrainingHost host(*this);
  Trainer t(net, patterns, DefaultRandom(), progress, &host);
  host.In(t);
  t.BackPropPhase();
  host.Out(t);
}

void TMainDlg::ExecAnneal(int pass) {
  DialogTrainingHost host(*this);
  Trainer t(net, patterns, DefaultRandom(), progress, &host);
  host.In(t);
  t.AnnealPass(pass);
  host.Out(t);
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

  {
    DialogTrainingHost host(*this);
    Trainer t(net, patterns, DefaultRandom(), progress, &host);
    host.In(t);
    t.Run();
    host.Out(t);
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
