// The peer: the FANN library (single precision) on the same shapes, the
// same days and the same starting weights, trained incrementally with
// sigmoid units, one pattern per call, as the engine trains.
#include <floatfann.h>

#include <cmath>
#include <memory>
#include <vector>

#include "bench_world.h"

namespace kv::bench {
namespace {

struct FannNet {
  fann* ann = nullptr;
  int ni = 0;
  std::vector<fann_type> in, out;   // day-major, as FANN wants its patterns
  ~FannNet() {
    if (ann) fann_destroy(ann);
  }
};

// A FANN network holding the model's trained weights and patterns.
std::unique_ptr<FannNet> MakeFann(const Shape& s) {
  TMainDlg& m = TheWorld().Model(s);
  TheWorld().Trained(s).Put(m);
  auto f = std::make_unique<FannNet>();
  const int ni = m.net.in_nodes, nh = m.net.x_matrix;
  f->ni = ni;
  f->ann = fann_create_standard(3, ni, nh, 2);
  fann_set_activation_function_hidden(f->ann, FANN_SIGMOID);
  fann_set_activation_function_output(f->ann, FANN_SIGMOID);
  fann_set_activation_steepness_hidden(f->ann, 0.5f);   // 1 / (1 + e^-x), as ours
  fann_set_activation_steepness_output(f->ann, 0.5f);
  fann_set_training_algorithm(f->ann, FANN_TRAIN_INCREMENTAL);
  fann_set_learning_rate(f->ann, m.net.learn_rate);
  fann_set_learning_momentum(f->ann, m.net.momentum);
  fann_set_train_error_function(f->ann, FANN_ERRORFUNC_LINEAR);

  // Neurons are numbered through the layers, each layer ending with its
  // bias neuron: inputs 0 .. ni, hidden ni+1 .. ni+nh+1, outputs after.
  const unsigned n = fann_get_total_connections(f->ann);
  std::vector<fann_connection> c(n);
  fann_get_connection_array(f->ann, c.data());
  for (fann_connection& k : c) {
    const int to = static_cast<int>(k.to_neuron), from = static_cast<int>(k.from_neuron);
    if (to <= ni + nh) k.weight = m.net.hidden_w[from][to - (ni + 1)];
    else k.weight = m.net.out_w[to - (ni + nh + 2)][from - (ni + 1)];
  }
  fann_set_weight_array(f->ann, c.data(), n);

  f->in.resize(static_cast<size_t>(kMaxDays) * ni);
  f->out.resize(static_cast<size_t>(kMaxDays) * 2);
  for (int d = 0; d < kMaxDays; ++d) {
    for (int j = 0; j < ni; ++j) f->in[static_cast<size_t>(d) * ni + j] = m.patterns.inputs[j][d];
    f->out[2 * d] = m.patterns.result[d][0];
    f->out[2 * d + 1] = m.patterns.result[d][1];
  }
  return f;
}

}  // namespace

void RegisterFannBenchmarks(World& w) {
  for (const Shape& s : w.shapes) {
    Register("step", s.Name(), "fann", [s](benchmark::State& st) {
      auto f = MakeFann(s);
      TMainDlg& m = TheWorld().Model(s);
      for (auto _ : st) {
        const int d = PhaseDay(m);
        fann_train(f->ann, &f->in[static_cast<size_t>(d) * f->ni], &f->out[2 * d]);
      }
      st.SetItemsProcessed(st.iterations());
    });
    Register("eval130", s.Name(), "fann", [s](benchmark::State& st) {
      auto f = MakeFann(s);
      TMainDlg& m = TheWorld().Model(s);
      for (auto _ : st) {
        double total = 0;
        for (int d = m.patterns.n_days - m.eval_days; d < m.patterns.n_days - m.keepout_days; ++d) {
          const fann_type* o = fann_run(f->ann, &f->in[static_cast<size_t>(d) * f->ni]);
          const float e = (std::fabs(o[0] - f->out[2 * d]) + std::fabs(o[1] - f->out[2 * d + 1])) / 2;
          total += static_cast<double>(e) * e;
        }
        benchmark::DoNotOptimize(total);
      }
      st.SetItemsProcessed(st.iterations());
    });
  }
}

}  // namespace kv::bench
