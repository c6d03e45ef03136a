#include "support/reference_engine.h"

#include <algorithm>
#include <cmath>

namespace kv::test {

float RefFeedforward(TMainDlg& m, int day) {
  if (day < 0 || day >= kMaxDays) return 1e20f;
  const int nh = std::clamp(m.x_matrix, 0, kMaxHidden);
  const int ni = std::clamp(m.in_nodes, 0, kMaxInputs);
  const int no = std::clamp(m.out_nodes, 1, kMaxOutputs);

  m.hidden_act[nh] = 1.0f;
  for (int h = 0; h < nh; ++h) {
    double sum = 0;
    for (int j = 0; j <= ni; ++j)
      sum += static_cast<double>(m.hidden_w[j][h]) * static_cast<double>(m.inputs[j][day]);
    m.hidden_act[h] = static_cast<float>(m.sigmoid(sum));
  }
  float err = 0;
  for (int o = 0; o < no; ++o) {
    double sum = 0;
    for (int h = 0; h <= nh; ++h)
      sum += static_cast<double>(m.out_w[o][h]) * static_cast<double>(m.hidden_act[h]);
    m.out_act[o] = static_cast<float>(m.sigmoid(sum));
    m.guess[day][o] = m.out_act[o];
    err += std::fabs(m.out_act[o] - m.result[day][o]);
  }
  return err / static_cast<float>(no);
}

void RefBackprop(TMainDlg& m, int day) {
  day = std::clamp(day, 0, kMaxDays - 1);
  RefFeedforward(m, day);
  const int nh = std::clamp(m.x_matrix, 0, kMaxHidden);
  const int ni = std::clamp(m.in_nodes, 0, kMaxInputs);
  const int no = std::clamp(m.out_nodes, 1, kMaxOutputs);

  for (int o = 0; o < no; ++o) m.out_err[o] = m.result[day][o] - m.out_act[o];
  for (int h = 0; h <= nh; ++h) {
    float e = 0;
    for (int o = 0; o < no; ++o)
      e += m.out_err[o] * m.out_w[o][h] * (1 - m.out_act[o]) * m.out_act[o];
    m.hidden_err[h] = e;
  }
  const float keep = 1 - m.momentum;
  for (int j = 0; j <= ni; ++j) {
    const float x = m.inputs[j][day];
    for (int h = 0; h < nh; ++h) {
      float g = (1 - m.hidden_act[h]) * m.hidden_err[h] * x * m.hidden_act[h];
      m.hidden_w[j][h] += m.learn_rate * (keep * g + m.momentum * m.hidden_dw[j][h]);
      m.hidden_dw[j][h] = g;
    }
  }
  for (int h = 0; h <= nh; ++h) {
    for (int o = 0; o < no; ++o) {
      float g = (1 - m.out_act[o]) * m.out_act[o] * m.out_err[o] * m.hidden_act[h];
      m.out_w[o][h] += m.learn_rate * (keep * g + m.momentum * m.out_dw[o][h]);
      m.out_dw[o][h] = g;
    }
  }
}

double RefProcessBp(TMainDlg& m, int start_back, int end_back, int step, bool force) {
  if (!force && start_back == m.cache_start_back && end_back == m.cache_end_back &&
      step == m.cache_step)
    return m.cache_total;
  m.cache_start_back = start_back;
  m.cache_end_back = end_back;
  m.cache_step = step;

  if (!m.stocks[0]) return 1e6;

  const int n = std::clamp(m.n_days, 0, kMaxDays);
  const int no = std::clamp(m.out_nodes, 1, kMaxOutputs);
  for (int i = 0; i < n; ++i)
    for (int o = 0; o < no; ++o) m.guess[i][o] = 0;
  m.good_calls = 0;
  m.bad_calls = 0;
  m.abs_error_sum = 0;
  double total = 0;

  if (step < 1) step = 1;
  long long i = static_cast<long long>(m.n_days) - start_back;
  const long long end = static_cast<long long>(m.n_days) - end_back;
  if (i < 0) i += ((-i + step - 1) / step) * step;
  for (; i < end && i < n; i += step) {
    const int d = static_cast<int>(i);
    float e = RefFeedforward(m, d);
    if (!(e < 1e20f)) {
      m.abs_error_sum = 1e20f;
      m.cache_total = 1e20;
      return 1e20;
    }
    total += static_cast<double>(e) * static_cast<double>(e);
    m.abs_error_sum += std::fabs(e);
    for (int o = 0; o < no; ++o) {
      if (m.out_act[o] > 0.3) {
        if (m.result[d][o] >= m.out_act[o]) m.good_calls += 1;
        else m.bad_calls += 1;
      }
    }
  }
  m.cache_total = total;
  return total;
}

}  // namespace kv::test
