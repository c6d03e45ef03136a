#include "platform/pollers.h"

namespace kv {

int Pollers::Add(std::function<void()> fn) {
  const int h = next_++;
  pollers_[h] = std::make_shared<std::function<void()>>(std::move(fn));
  return h;
}

void Pollers::RunAll() {
  // Walk by handle, without copying the table: pollers may add or remove
  // pollers.
  const int last = next_ - 1;
  for (auto it = pollers_.begin(); it != pollers_.end() && it->first <= last;) {
    const int handle = it->first;
    std::shared_ptr<std::function<void()>> fn = it->second;
    (*fn)();
    it = pollers_.upper_bound(handle);
  }
}

}  // namespace kv
