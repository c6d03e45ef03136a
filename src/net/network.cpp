// The network's calls, and the plain loops that define what they compute.
#include "net/network.h"

#include <algorithm>
#include <cmath>

#include "net/random.h"
#include "net/simd/kernels.h"

namespace kv {

float Network::Forward(const Patterns& p, int day) {
  // A day outside the arrays is the one error the forward pass can meet; it
  // counts as the worst possible fit.
  if (day < 0 || day >= kMaxDays) return 1e20f;
  return netk::K().forward(*this, p, day);
}

void Network::Backprop(const Patterns& p, int day) {
  netk::K().backprop(*this, p, std::clamp(day, 0, kMaxDays - 1));
}

void Network::ToBest() {
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
}

void Network::FromBest(int count) {
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
}

bool Network::Grow(int limit) { return Grow(limit, DefaultRandom()); }

bool Network::Grow(int limit, Random& rng) {
  if (x_matrix >= limit) return false;
  ++x_matrix;
  const int n = x_matrix - 1;
  for (int j = 0; j < kInputRows; ++j) hidden_w[j][n] = rng.Frand(5.0f);
  for (int o = 0; o < kMaxOutputs; ++o) {
    out_w[o][n + 1] = out_w[o][n];   // the bias weight moves one column right
    out_w[o][n] = 0.01f;
  }
  return true;
}

// ---- the definition --------------------------------------------------------------

namespace plain {

float Forward(Network& m, const Patterns& p, int day) {
  if (day < 0 || day >= kMaxDays) return 1e20f;
  const int nh = std::clamp(m.x_matrix, 0, kMaxHidden);
  const int ni = std::clamp(m.in_nodes, 0, kMaxInputs);
  const int no = std::clamp(m.out_nodes, 1, kMaxOutputs);

  m.hidden_act[nh] = 1.0f;
  for (int h = 0; h < nh; ++h) {
    double sum = 0;
    for (int j = 0; j <= ni; ++j)
      sum += static_cast<double>(m.hidden_w[j][h]) * static_cast<double>(p.inputs[j][day]);
    m.hidden_act[h] = static_cast<float>(netk::Logistic(sum));
  }
  float err = 0;
  for (int o = 0; o < no; ++o) {
    double sum = 0;
    for (int h = 0; h <= nh; ++h)
      sum += static_cast<double>(m.out_w[o][h]) * static_cast<double>(m.hidden_act[h]);
    m.out_act[o] = static_cast<float>(netk::Logistic(sum));
    m.guess[day][o] = m.out_act[o];
    err += std::fabs(m.out_act[o] - p.result[day][o]);
  }
  return err / static_cast<float>(no);
}

void Backprop(Network& m, const Patterns& p, int day) {
  day = std::clamp(day, 0, kMaxDays - 1);
  Forward(m, p, day);
  const int nh = std::clamp(m.x_matrix, 0, kMaxHidden);
  const int ni = std::clamp(m.in_nodes, 0, kMaxInputs);
  const int no = std::clamp(m.out_nodes, 1, kMaxOutputs);

  for (int o = 0; o < no; ++o) m.out_err[o] = p.result[day][o] - m.out_act[o];
  for (int h = 0; h <= nh; ++h) {
    float e = 0;
    for (int o = 0; o < no; ++o)
      e += m.out_err[o] * m.out_w[o][h] * (1 - m.out_act[o]) * m.out_act[o];
    m.hidden_err[h] = e;
  }
  const float keep = 1 - m.momentum;
  for (int j = 0; j <= ni; ++j) {
    const float x = p.inputs[j][day];
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

Evaluation Evaluate(Network& m, const Patterns& p, int start_back, int end_back, int step) {
  Evaluation ev;
  const int n = std::clamp(p.n_days, 0, kMaxDays);
  const int no = std::clamp(m.out_nodes, 1, kMaxOutputs);
  for (int i = 0; i < n; ++i)
    for (int o = 0; o < no; ++o) m.guess[i][o] = 0;

  // Days before day 0 are passed over along the step grid.
  if (step < 1) step = 1;
  long long i = static_cast<long long>(p.n_days) - start_back;
  const long long end = static_cast<long long>(p.n_days) - end_back;
  if (i < 0) i += ((-i + step - 1) / step) * step;
  for (; i < end && i < n; i += step) {
    const int d = static_cast<int>(i);
    const float e = Forward(m, p, d);
    if (!(e < 1e20f)) {
      ev.abs_error_sum = 1e20f;
      ev.total = 1e20;
      return ev;
    }
    ev.total += static_cast<double>(e) * static_cast<double>(e);
    ev.abs_error_sum += std::fabs(e);
    for (int o = 0; o < no; ++o) {
      if (m.out_act[o] > 0.3) {
        if (p.result[d][o] >= m.out_act[o]) ev.good_calls += 1;
        else ev.bad_calls += 1;
      }
    }
  }
  return ev;
}

}  // namespace plain

}  // namespace kv
