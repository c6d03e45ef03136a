// The engine's own workloads, on the fast engine and on the plain loops.
#include <algorithm>
#include <cmath>

#include "bench_world.h"
#include "net/random.h"
#include "support/reference_engine.h"

namespace kv::bench {
namespace {

// One learning step of a back-propagation phase.
template <class StepFn>
void Steps(benchmark::State& st, const Shape& s, StepFn step) {
  TMainDlg& m = TheWorld().Model(s);
  TheWorld().Trained(s).Put(m);
  for (auto _ : st) step(m, PhaseDay(m));
  st.SetItemsProcessed(st.iterations());
}

// One forced evaluation over the 130 days of the training window, of a
// network that changed since the previous one (as in training: a repeated
// evaluation of an unchanged network is answered from the previous one).
template <class EvalFn>
void Evaluations(benchmark::State& st, const Shape& s, EvalFn eval) {
  TMainDlg& m = TheWorld().Model(s);
  TheWorld().Trained(s).Put(m);
  const float w0 = m.net.hidden_w[0][0], w1 = std::nextafter(w0, 1.0f);
  bool flip = false;
  for (auto _ : st) {
    m.net.hidden_w[0][0] = (flip = !flip) ? w1 : w0;
    benchmark::DoNotOptimize(eval(m));
  }
  st.SetItemsProcessed(st.iterations());
}

// One annealing trial of pass 4, as ExecAnneal runs it: every live weight
// moved around the snapshot, the message pump, an evaluation of every day of
// the window and the comparison of fits.
template <class EvalFn>
void AnnealTrials(benchmark::State& st, const Shape& s, EvalFn eval) {
  TMainDlg& m = TheWorld().Model(s);
  TheWorld().Trained(s).Put(m);
  m.to_best();
  m.net.learn_rate = 0.05f;
  double best_fit = 1.0 / (eval(m) + 1.0);
  for (auto _ : st) {
    const float w = m.net.learn_rate;
    const int nh = std::clamp(m.net.x_matrix, 0, kMaxHidden);
    const int ni = std::clamp(m.net.in_nodes, 0, kMaxInputs);
    const int no = std::clamp(m.net.out_nodes, 1, kMaxOutputs);
    for (int h = 0; h < nh; ++h) {
      for (int j = 0; j < ni; ++j) m.net.hidden_w[j][h] = m.net.best_hidden_w[j][h] + frand(w);
      m.net.hidden_w[ni][h] = m.net.best_hidden_w[kMaxInputs][h] + frand(w);
    }
    for (int o = 0; o < no; ++o) {
      for (int h = 0; h < nh; ++h) m.net.out_w[o][h] = m.net.best_out_w[o][h] + frand(w);
      m.net.out_w[o][nh] = m.net.best_out_w[o][kMaxHidden] + frand(w);
    }
    m.Check_Events();
    const double fit = 1.0 / (eval(m) + 1.0);
    if (fit > best_fit) {
      best_fit = fit;
      m.to_best();
    }
  }
  st.SetItemsProcessed(st.iterations());
}

double FastEval(TMainDlg& m) { return m.process_bp(m.eval_days, m.keepout_days, 1, true); }
double PlainEval(TMainDlg& m) {
  return test::RefProcessBp(m, m.eval_days, m.keepout_days, 1, true);
}

}  // namespace

void RegisterEngineBenchmarks(World& w) {
  for (const Shape& s : w.shapes) {
    RegisterEachIsa("step", s.Name(), [s](benchmark::State& st) {
      Steps(st, s, [](TMainDlg& m, int day) { m.backprop(day); });
    });
    Register("step", s.Name(), "plain", [s](benchmark::State& st) {
      Steps(st, s, [](TMainDlg& m, int day) { test::RefBackprop(m, day); });
    });
    RegisterEachIsa("eval130", s.Name(),
                    [s](benchmark::State& st) { Evaluations(st, s, FastEval); });
    Register("eval130", s.Name(), "plain",
             [s](benchmark::State& st) { Evaluations(st, s, PlainEval); });
  }
  const Shape big{240, 12};
  Register("anneal_trial", big.Name(), "kestrivane",
           [big](benchmark::State& st) { AnnealTrials(st, big, FastEval); });
  Register("anneal_trial", big.Name(), "plain",
           [big](benchmark::State& st) { AnnealTrials(st, big, PlainEval); });
}

}  // namespace kv::bench
