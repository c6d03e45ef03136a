// The training session: rounds of a back-propagation phase, annealing passes
// and hidden-layer growth. Every draw comes from the session's generator and
// every look outside goes through its host, so a session's result depends
// on nothing but its network, patterns, settings and seed.
#include "net/trainer.h"

#include <algorithm>
#include <string>

namespace kv {

namespace {
class NoProgress final : public TrainingProgress {
 public:
  void Phase(const std::string&) override {}
  void Cycle(long long) override {}
  void Improved(double) override {}
  void Finished(const std::string&) override {}
};
NoProgress g_no_progress;   // stateless: safe to share between threads
TrainingHost g_no_host;     // likewise
}  // namespace

double TrainingHost::Evaluate(Trainer& t, int start_back, int end_back, int step) {
  return t.net.Evaluate(t.patterns, start_back, end_back, step).total;
}

Trainer::Trainer(Network& n, const Patterns& p, Random& r, TrainingProgress* progress,
                 TrainingHost* host)
    : net(n), patterns(p), rng(r), progress_(progress), host_(host ? host : &g_no_host) {}

TrainingProgress& Trainer::Progress() { return progress_ ? *progress_ : g_no_progress; }

void Trainer::PumpPoint() {
  host_->Pump(*this);
  if (stop && stop->load(std::memory_order_relaxed)) running = false;
}

double Trainer::Fit(int step) {
  return 1.0 / (host_->Evaluate(*this, settings.eval_days, settings.keepout_days, step) + 1.0);
}

void Trainer::CountLearningStep() {
  ++learning_steps;
  if (step_budget >= 0 && learning_steps >= step_budget) running = false;
}

// One back-propagation phase: learning steps on random days of the training
// window, with a look at the fit every 1000 steps that keeps the best network
// and adapts the rate.
void Trainer::BackPropPhase() {
  Progress().Phase("Back Propagation Training");
  PumpPoint();
  host_->Changed();
  long long s = 0;
  Progress().Cycle(0);

  double best_fit = Fit(1);
  phase_best_fit = best_fit;
  host_->Reseed(*this);
  net.ToBest();

  while (running && net.learn_rate > 0.0003) {
    const int span = settings.eval_days - settings.keepout_days;
    const int r = span > 0 ? rng.Next31() % span : 0;
    net.Backprop(patterns, patterns.n_days - (r + settings.keepout_days));
    ++s;
    CountLearningStep();
    if (s % 25 == 0) PumpPoint();
    if (s % 1000 == 0) {
      host_->Changed();
      double fit = Fit(1);
      if (settings.keepout_days < settings.eval_days)
        Progress().Cycle(s / (settings.eval_days - settings.keepout_days));
      if (fit > best_fit) {
        best_fit = fit;
        phase_best_fit = best_fit;
        net.learn_rate = static_cast<float>(std::min(net.learn_rate * 1.1, 1.0));
        net.ToBest();
        Progress().Improved(best_fit);
      } else {
        net.learn_rate = static_cast<float>(net.learn_rate * 0.995);
      }
      PumpPoint();
    }
  }
  net.FromBest(0);
}

// Simulated annealing: a random search around the best network found so far.
// Every trial perturbs all live weights of the snapshot at once; a trial is
// kept only when it evaluates strictly better. The width widens after a
// success and narrows slowly after a failure, and the pass ends when it has
// narrowed below its floor.
void Trainer::AnnealPass(int pass) {
  host_->Changed();
  Progress().Phase("Simulated Annealing Training pass " + std::to_string(pass));
  PumpPoint();
  long long t = 0;
  Progress().Cycle(0);

  // Early passes look at every 8th, 4th, 2nd day only: cheap, coarse trials.
  const int stride = 1 << (4 - std::clamp(pass, 1, 4));
  double best_fit = Fit(stride);
  phase_best_fit = best_fit;
  net.ToBest();

  while (running && net.learn_rate > 0.001) {
    // Around the snapshot, not the previous trial: a failed trial leaves no
    // trace. Only the live weights move; the bias row and column of the
    // snapshot sit at their fixed places (row 240, column 12).
    const float w = net.learn_rate;
    const int nh = std::clamp(net.x_matrix, 0, kMaxHidden);
    const int ni = std::clamp(net.in_nodes, 0, kMaxInputs);
    const int no = std::clamp(net.out_nodes, 1, kMaxOutputs);
    for (int h = 0; h < nh; ++h) {
      for (int j = 0; j < ni; ++j) net.hidden_w[j][h] = net.best_hidden_w[j][h] + rng.Frand(w);
      net.hidden_w[ni][h] = net.best_hidden_w[kMaxInputs][h] + rng.Frand(w);
    }
    for (int o = 0; o < no; ++o) {
      for (int h = 0; h < nh; ++h) net.out_w[o][h] = net.best_out_w[o][h] + rng.Frand(w);
      net.out_w[o][nh] = net.best_out_w[o][kMaxHidden] + rng.Frand(w);
    }

    PumpPoint();
    ++t;
    if (t % 100 == 0) Progress().Cycle(t);

    const double fit = Fit(stride);
    if (fit > best_fit) {
      host_->Changed();
      net.learn_rate = static_cast<float>(std::min(net.learn_rate * 1.1, 1.0));
      Progress().Improved(fit);
      PumpPoint();
      best_fit = fit;
      phase_best_fit = best_fit;
      net.ToBest();
    } else {
      net.learn_rate = static_cast<float>(net.learn_rate * 0.995);
    }
    CountLearningStep();
  }

  net.FromBest(0);
  Progress().Phase("Exiting Simulated Annealing Training");
}

void Trainer::Run() {
  while (running) {
    // Both algorithms off: a round would do nothing but spin without
    // pumping, so the session ends here.
    if (!settings.do_backprop && !settings.do_annealing) {
      running = false;
      break;
    }
    host_->RoundStarts();

    if (settings.do_backprop && running) {
      trained = std::max(trained, 1);
      net.learn_rate = 0.03f;
      BackPropPhase();
    }
    if (settings.do_annealing && running) {
      trained = std::max(trained, 1);
      // trained remembers the pass the next sequence starts from, so a
      // stopped sequence resumes where it was.
      int p = std::min(trained, 4);
      while (running && p <= 4) {
        net.learn_rate = 0.6f;
        AnnealPass(p);
        ++p;
        // Forget during the pass left a fresh network: it stays untrained.
        if (trained > 0) trained = std::min(p, 4);
      }
    }
    if (running && settings.auto_grow) {
      host_->Changed();
      const int adds = net.x_matrix / 10 + 1;
      for (int i = 0; i < adds; ++i) net.Grow(settings.max_neurons, rng);   // refused at the limit
      // A grown network starts its annealing over from the coarse passes.
      if (net.x_matrix < settings.max_neurons) trained = 1;
      host_->Grew(*this);
    }
  }
}

}  // namespace kv
