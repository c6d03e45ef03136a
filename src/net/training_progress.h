// TrainingProgress: what a training session tells whoever watches it. The
// dialog shows it in its status line, Cycle field, chart and statistics
// window; kestrivane-cli in its progress line. Every call comes from the
// thread that trains, between learning steps, and must return quickly.
#pragma once

#include <string>

namespace kv {

class TrainingProgress {
 public:
  virtual ~TrainingProgress() = default;
  // A phase begins or ends; `text` is the status line ("Back Propagation
  // Training", "Simulated Annealing Training pass 2", ...).
  virtual void Phase(const std::string& text) = 0;
  // The running phase's cycle count (0 when it starts).
  virtual void Cycle(long long cycle) = 0;
  // The running phase found a better network, whose fit is `best_fit`
  // (1 / (error + 1); higher is better).
  virtual void Improved(double best_fit) = 0;
  // The session is over ("Finished Training").
  virtual void Finished(const std::string& text) = 0;
};

}  // namespace kv
