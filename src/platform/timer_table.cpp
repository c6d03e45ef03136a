#include "platform/timer_table.h"

#include <algorithm>
#include <utility>

#include "platform/platform.h"

namespace kv {

std::vector<TimerTable::Timer>::iterator TimerTable::Find(const WindowHandler* handler,
                                                          unsigned id) {
  return std::find_if(timers_.begin(), timers_.end(),
                      [&](const Timer& t) { return t.handler == handler && t.id == id; });
}

void TimerTable::Set(WindowHandler* handler, unsigned id, unsigned period_ms, uint64_t now) {
  const uint64_t due = now + period_ms;
  auto it = Find(handler, id);
  if (it != timers_.end()) {
    it->period = period_ms;
    it->due = due;
  } else {
    timers_.push_back({handler, id, period_ms, due});
  }
  UpdateNextDue();
}

void TimerTable::Kill(WindowHandler* handler, unsigned id) {
  std::erase_if(timers_, [&](const Timer& t) { return t.handler == handler && t.id == id; });
  UpdateNextDue();
}

void TimerTable::KillAll(WindowHandler* handler) {
  std::erase_if(timers_, [&](const Timer& t) { return t.handler == handler; });
  UpdateNextDue();
}

bool TimerTable::Has(const WindowHandler* handler, unsigned id) const {
  return std::any_of(timers_.begin(), timers_.end(),
                     [&](const Timer& t) { return t.handler == handler && t.id == id; });
}

unsigned TimerTable::Period(const WindowHandler* handler, unsigned id) const {
  for (const Timer& t : timers_)
    if (t.handler == handler && t.id == id) return t.period;
  return 0;
}

uint64_t TimerTable::WaitFrom(uint64_t now, uint64_t max_ms) const {
  uint64_t wait = max_ms;
  for (const Timer& t : timers_) wait = std::min(wait, t.due > now ? t.due - now : 0);
  return wait;
}

void TimerTable::UpdateNextDue() {
  next_due_ = UINT64_MAX;
  for (const Timer& t : timers_) next_due_ = std::min(next_due_, t.due);
}

void TimerTable::FireDue(uint64_t now) {
  if (now < next_due_) return;   // the common case of a busy pump
  // Handlers may change the table: walk a snapshot and look each one up again.
  std::vector<std::pair<WindowHandler*, unsigned>> due;
  for (const Timer& t : timers_)
    if (now >= t.due) due.emplace_back(t.handler, t.id);
  for (const auto& entry : due) {
    // Plain names, not a structured binding: lambdas capture these (clang 14).
    WindowHandler* handler = entry.first;
    const unsigned id = entry.second;
    auto it = Find(handler, id);
    if (it == timers_.end() || now < it->due) continue;
    it->due = now + it->period;
    // Before the call, so that a pump inside the handler does not fire it again.
    UpdateNextDue();
    handler->EvTimer(id);
  }
}

}  // namespace kv
