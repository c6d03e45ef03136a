// Two programs writing one model: the lock that keeps the second one out.
//
// Whoever may save a model (train, search, a batch working on that model, the
// desktop program while the model has unsaved changes) holds an advisory
// flock() for as long as it may save. The lock lies on a companion file
// beside the model, "MODEL.kvn.lock", because the model file itself is
// replaced at every save and a lock on it would not last. Readers (info,
// predict, chart) take no lock and are never blocked.
//
// The lock file holds "PID COMMAND" of its holder, so the one turned away can
// say who is at work. The holder removes the file on release. A process that
// dies holding the lock releases it with its last descriptor (flock's own
// rule), so a killed run never leaves a model locked; its file may stay
// behind and is simply taken over.
#pragma once

#include <string>

namespace kv {

class ModelLock {
 public:
  ModelLock() = default;
  ~ModelLock();                         // Release()
  ModelLock(ModelLock&& other) noexcept;
  ModelLock& operator=(ModelLock&& other) noexcept;
  ModelLock(const ModelLock&) = delete;
  ModelLock& operator=(const ModelLock&) = delete;

  // Takes the lock of the model at model_path, naming command as the holder
  // (e.g. "kestrivane-cli train"); never waits. Releases a lock held before.
  // False only when another holder has it: message() then says so, with that
  // holder's process id and command. Where no lock file can be made (a folder
  // the user cannot write, where no save could succeed either) the result is
  // true and held() false.
  bool Acquire(const std::string& model_path, const std::string& command);
  void Release();

  bool held() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }   // the model's path
  // Why Acquire failed, ready to show: "MODEL is in use by another Kestrivane
  // (process 123, kestrivane-cli train); try again when it has finished".
  const std::string& message() const { return message_; }
  // The process that holds the lock Acquire could not take; 0 when unknown.
  long holder_pid() const { return holder_pid_; }

  static std::string LockPath(const std::string& model_path) { return model_path + ".lock"; }

 private:
  int fd_ = -1;
  std::string path_;
  std::string message_;
  long holder_pid_ = 0;
};

}  // namespace kv
