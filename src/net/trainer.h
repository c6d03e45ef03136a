// Trainer: one training session on one network, as a value. It runs the
// rounds TRAIN runs (a back-propagation phase, annealing passes 1..4, growth
// of the hidden layer) on a Network over a Patterns, drawing from its own
// generator, until it is stopped: by its owner between steps, by the step
// budget, or by the stop flag. It knows no window and no clock, so several
// train at once in separate threads, each with its own network and
// generator.
#pragma once

#include <atomic>
#include <cstdint>

#include "data/patterns.h"
#include "net/network.h"
#include "net/random.h"
#include "net/training_progress.h"

namespace kv {

class Trainer;

// What the owner of a session does at the session's pumping points. The
// defaults suit a session that nothing watches (a walk-forward fold).
class TrainingHost {
 public:
  virtual ~TrainingHost() = default;
  // Between learning steps: serve events, look at a clock. May change the
  // trainer's public state (running, settings, trained, step_budget).
  virtual void Pump(Trainer&) {}
  // The evaluation a phase judges the network by; returns its total.
  virtual double Evaluate(Trainer& t, int start_back, int end_back, int step);
  // A back-propagation phase is about to draw its days (the dialog seeds its
  // generator from the clock here unless a fixed seed is in force).
  virtual void Reseed(Trainer&) {}
  // The network changed in a way worth saving.
  virtual void Changed() {}
  // A new round begins.
  virtual void RoundStarts() {}
  // The hidden layer grew at the end of a round.
  virtual void Grew(Trainer&) {}
};

// The session's settings, read at every round and phase step.
struct TrainingSettings {
  bool do_backprop = true;
  bool do_annealing = true;
  bool auto_grow = true;   // add neurons after every round, up to max_neurons
  int32_t max_neurons = 12;
  int32_t eval_days = 140;  // the window: the last eval_days days ...
  int32_t keepout_days = 10;   // ... but these last ones
};

class Trainer {
 public:
  // Nothing is owned; all must outlive the trainer. progress may be null;
  // host null means the defaults of TrainingHost.
  Trainer(Network& net, const Patterns& patterns, Random& rng, TrainingProgress* progress,
          TrainingHost* host = nullptr);

  Network& net;
  const Patterns& patterns;
  Random& rng;
  TrainingSettings settings;
  // Cleared to end the session; the running phase restores its best network.
  bool running = true;
  // Set from another thread to stop at the next pumping point.
  const std::atomic<bool>* stop = nullptr;
  // The annealing pass the next round starts from, as the model stores it
  // (0: untrained).
  int32_t trained = 0;
  // Learning steps (back-propagation steps and annealing trials) so far;
  // with a non-negative budget, the step that reaches it ends the session.
  long long learning_steps = 0;
  long long step_budget = -1;
  // Fit of the best network the running phase has found.
  double phase_best_fit = 0;

  // Rounds until running is cleared.
  void Run();
  void BackPropPhase();
  void AnnealPass(int pass);

 private:
  void PumpPoint();
  double Fit(int step);
  void CountLearningStep();
  TrainingProgress& Progress();

  TrainingProgress* progress_;
  TrainingHost* host_;
};

}  // namespace kv
