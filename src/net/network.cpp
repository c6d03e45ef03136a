// The network: forward pass, snapshot and restore, growth, re-initialisation,
// Forget and the Neurons field. The loops over the weights live in
// fast_kernels.cpp.
#include <algorithm>
#include <cmath>

#include "model/main_dlg.h"
#include "net/fast_kernels.h"
#include "net/random.h"
#include "resources/ids.h"
#include "util/text.h"

namespace kv {

double TMainDlg::sigmoid(double x) const { return netk::Logistic(x); }

float TMainDlg::feedforward(int day) {
  // A day outside the arrays is the one error the forward pass can meet; it
  // counts as the worst possible fit.
  if (day < 0 || day >= kMaxDays) return 1e20f;
  return netk::K().feedforward(*this, day);
}

bool TMainDlg::to_best() {
  const int nh = std::clamp(x_matrix, 0, kMaxHidden);
  const int ni = std::clamp(in_nodes, 0, kMaxInputs);
  const int no = std::clamp(out_nodes, 1, kMaxOutputs);
  best_x_matrix = x_matrix;
  for (int h = 0; h < nh; ++h) {
    for (int j = 0; j < ni; ++j) best_hidden_w[j][h] = hidden_w[j][h];
    best_hidden_w[kMaxInputs][h] = hidden_w[ni][h];
  }
  for (int o = 0; o < no; ++o) {
    for (int h = 0; h < nh; ++h) best_out_w[o][h] = out_w[o][h];
    best_out_w[o][kMaxHidden] = out_w[o][nh];
  }
  return true;
}

bool TMainDlg::from_best(int count) {
  if (count == 0) count = best_x_matrix;
  count = std::clamp(count, 0, kMaxHidden);
  x_matrix = count;
  const int ni = std::clamp(in_nodes, 0, kMaxInputs);
  const int no = std::clamp(out_nodes, 1, kMaxOutputs);
  for (int h = 0; h < count; ++h) {
    for (int j = 0; j < ni; ++j) hidden_w[j][h] = best_hidden_w[j][h];
    hidden_w[ni][h] = best_hidden_w[kMaxInputs][h];
  }
  for (int o = 0; o < no; ++o) {
    for (int h = 0; h < count; ++h) out_w[o][h] = best_out_w[o][h];
    out_w[o][count] = best_out_w[o][kMaxHidden];
  }
  return true;
}

bool TMainDlg::add_x_matrix() {
  if (x_matrix >= max_neurons) return false;
  ++x_matrix;
  const int n = x_matrix - 1;
  for (int j = 0; j < kInputRows; ++j) hidden_w[j][n] = frand(5.0f);
  for (int o = 0; o < kMaxOutputs; ++o) {
    out_w[o][n + 1] = out_w[o][n];   // the bias weight moves one column right
    out_w[o][n] = 0.01f;
  }
  return true;
}

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
    for (int h = 0; h < kMaxHidden; ++h) hidden_w[j][h] = frand(0.001f);
  for (int o = 0; o < kMaxOutputs; ++o)
    for (int h = 0; h < kHiddenCols; ++h) out_w[o][h] = frand(0.001f);
  learn_rate = 0.1f;
  process_bp(eval_days, 10, 1, true);
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

void TMainDlg::XMATRIX_ENKillfocus() {
  modified = true;
  std::string text = dlg.GetText(ids::IDC_NEURONS, 8);
  long long n = LeadingInt(text);
  x_matrix = static_cast<int32_t>(std::clamp<long long>(n, 2, kMaxHidden));
  dlg.SetText(ids::IDC_NEURONS, std::to_string(x_matrix));
  process_bp(eval_days, 10, 1, true);
  training_on = false;
  dlg.Invalidate();
}

}  // namespace kv
