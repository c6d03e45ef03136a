#include "platform/posted_work.h"

namespace kv {

void PostedWork::RunPending() {
  const size_t n = queue_.size();
  for (size_t i = 0; i < n && !queue_.empty(); ++i) {
    auto fn = std::move(queue_.front());
    queue_.pop_front();
    fn();
  }
}

}  // namespace kv
