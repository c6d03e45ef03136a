// The window timers of a platform face: which handler has which timer, its
// period and when it is next due, in milliseconds of the platform clock.
// Both faces keep their timers here and differ only in how they wait.
#pragma once

#include <cstdint>
#include <vector>

namespace kv {

class WindowHandler;

class TimerTable {
 public:
  // Starts a timer, or restarts it with the new period if the handler has
  // one of that id already.
  void Set(WindowHandler* handler, unsigned id, unsigned period_ms, uint64_t now);
  void Kill(WindowHandler* handler, unsigned id);
  void KillAll(WindowHandler* handler);

  bool Has(const WindowHandler* handler, unsigned id) const;
  unsigned Period(const WindowHandler* handler, unsigned id) const;   // 0 if none
  bool empty() const { return timers_.empty(); }
  // The earliest due time; UINT64_MAX without timers.
  uint64_t NextDue() const { return next_due_; }
  // Milliseconds from now until the next timer is due, at most max_ms.
  uint64_t WaitFrom(uint64_t now, uint64_t max_ms) const;

  // Calls EvTimer of every timer due at now, once each however late it is
  // (as window timers do), and sets it due a period from now. Handlers may
  // set, kill or pump meanwhile: a timer killed or restarted by an earlier
  // handler is not fired.
  void FireDue(uint64_t now);

 private:
  struct Timer {
    WindowHandler* handler;
    unsigned id;
    unsigned period;
    uint64_t due;
  };
  std::vector<Timer>::iterator Find(const WindowHandler* handler, unsigned id);
  void UpdateNextDue();

  std::vector<Timer> timers_;
  uint64_t next_due_ = UINT64_MAX;
};

}  // namespace kv
