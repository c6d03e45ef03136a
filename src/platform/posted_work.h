// Work posted to the event queue, run by the next pump in the order posted.
// Both faces keep their posted work here; the Qt face also asks its event
// loop for a turn when work arrives.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>

namespace kv {

class PostedWork {
 public:
  void Post(std::function<void()> fn) { queue_.push_back(std::move(fn)); }
  bool empty() const { return queue_.empty(); }

  // Runs what was posted before this call, oldest first. Work posted by the
  // work itself waits for the next call, so work that posts itself cannot spin.
  void RunPending();

 private:
  std::deque<std::function<void()>> queue_;
};

}  // namespace kv
