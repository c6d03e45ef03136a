// The pollers of a platform face: functions called at every pump (the HTTP
// transfers poll their sockets). Both faces keep them here.
#pragma once

#include <functional>
#include <map>
#include <memory>

namespace kv {

class Pollers {
 public:
  // Returns the handle that removes it.
  int Add(std::function<void()> fn);
  // A poller may remove itself, or another, while it runs.
  void Remove(int handle) { pollers_.erase(handle); }
  bool empty() const { return pollers_.empty(); }

  // Calls every poller once, in the order added. One added meanwhile is
  // first called at the next run.
  void RunAll();

 private:
  // Shared so that a poller removed (even by itself) while it runs stays
  // alive until it returns.
  std::map<int, std::shared_ptr<std::function<void()>>> pollers_;
  int next_ = 1;
};

}  // namespace kv
