// The network's members of the dialog: thin calls of net on patterns under
// their historic names, and the commands that reset or reshape the network
// (Forget and the Neurons field).
#include <algorithm>
#include <cmath>

#include "model/main_dlg.h"
#include "net/random.h"
#include "net/simd/kernels.h"
#include "resources/ids.h"
#include "util/text.h"

namespace kv {

double TMainDlg::sigmoid(double x) const { return netk::Logistic(x); }

float TMainDlg::feedforward(int day) { return net.Forward(patterns, day); }

void TMainDlg::backprop(int day) { net.Backprop(patterns, day); }

bool TMainDlg::to_best() {
  net.ToBest();
  return true;
}

bool TMainDlg::from_best(int count) {
  net.FromBest(count);
  return true;
}

bool TMainDlg::add_x_matrix() { return net.Grow(max_neurons); }

double TMainDlg::process_bp(int start_back, int end_back, int step, bool force) {
  if (!force && start_back == cache_start_back && end_back == cache_end_back &&
      step == cache_step)
    return cache_total;
  cache_start_back = start_back;
  cache_end_back = end_back;
  cache_step = step;

  if (!stocks[0]) return 1e6;

  const Evaluation ev = net.Evaluate(patterns, start_back, end_back, step);
  good_calls = ev.good_calls;
  bad_calls = ev.bad_calls;
  abs_error_sum = ev.abs_error_sum;
  cache_total = ev.total;
  return ev.total;
}

double TMainDlg::DisplayEvaluation() { return process_bp(eval_days, 10, 1, true); }

void TMainDlg::clear_network() {
  Trained = 0;
  TimeTrained = 0;
  dlg.Enable(ids::IDC_PREDICT, false);
  dlg.Enable(ids::IDC_ADD, true);
  dlg.Enable(ids::IDC_DEL, true);
  dlg.Enable(ids::IDC_MOD, true);
  dlg.Enable(ids::IDC_REP, false);
  dlg.SetReadOnly(ids::IDC_NEURONS, false);
  dlg.SetReadOnly(ids::IDC_INFL_PERIOD, false);
  modified = true;
  for (int j = 0; j < kInputRows; ++j)
    for (int h = 0; h < kMaxHidden; ++h) net.hidden_w[j][h] = frand(0.001f);
  for (int o = 0; o < kMaxOutputs; ++o)
    for (int h = 0; h < kHiddenCols; ++h) net.out_w[o][h] = frand(0.001f);
  net.learn_rate = 0.1f;
  DisplayEvaluation();
}

void TMainDlg::INITIALIZE_BNClicked() {
  if (Trained != 0) {
    int answer = plat().MessageBox("Are you sure you want to DELETE ALL training to date?",
                                   "Confirmation", MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer != IDYES) {
      dlg.Invalidate();
      return;
    }
  }
  SetStatus("Initializing");
  clear_network();
  to_best();
  training_on = false;
  SetStatus("Kestrivane");
  dlg.Invalidate();
}

void TMainDlg::XMATRIX_ENKillfocus() { SetNeurons(LeadingInt(dlg.GetText(ids::IDC_NEURONS, 8))); }

void TMainDlg::SetNeurons(long long n) {
  modified = true;
  net.x_matrix = static_cast<int32_t>(std::clamp<long long>(n, 2, kMaxHidden));
  dlg.SetText(ids::IDC_NEURONS, std::to_string(net.x_matrix));
  DisplayEvaluation();
  training_on = false;
  dlg.Invalidate();
}

}  // namespace kv
