#include "util/model_lock.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace kv {

ModelLock::~ModelLock() { Release(); }

ModelLock::ModelLock(ModelLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      path_(std::move(other.path_)),
      message_(std::move(other.message_)),
      holder_pid_(other.holder_pid_) {}

ModelLock& ModelLock::operator=(ModelLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
    message_ = std::move(other.message_);
    holder_pid_ = other.holder_pid_;
  }
  return *this;
}

bool ModelLock::Acquire(const std::string& model_path, const std::string& command) {
  Release();
  message_.clear();
  holder_pid_ = 0;
  path_ = model_path;
  const std::string lock_path = LockPath(model_path);
  // A holder removes its file as it lets go; a file locked after that
  // removal is no longer the one at the path, so open it again.
  for (int attempt = 0; attempt < 20; ++attempt) {
    const int fd = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) return true;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const bool busy = errno == EWOULDBLOCK;
      if (busy) {
        char buf[300];
        const ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
        std::string holder = n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
        while (!holder.empty() && (holder.back() == '\n' || holder.back() == '\r')) holder.pop_back();
        const size_t blank = holder.find(' ');
        holder_pid_ = std::atol(holder.substr(0, blank).c_str());
        const std::string who =
            holder.empty() ? "a process that has not yet said who it is"
            : blank == std::string::npos ? "process " + holder
                                         : "process " + holder.substr(0, blank) + ", " + holder.substr(blank + 1);
        message_ = model_path + " is in use by another Kestrivane (" + who +
                   "); try again when it has finished";
      }
      ::close(fd);
      return !busy;   // a file system without locks: go on unlocked
    }
    struct stat mine {}, there {};
    if (::fstat(fd, &mine) == 0 && ::stat(lock_path.c_str(), &there) == 0 && mine.st_ino == there.st_ino &&
        mine.st_dev == there.st_dev) {
      const std::string holder = std::to_string(::getpid()) + " " + command + "\n";
      if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] ssize_t w = ::pwrite(fd, holder.data(), holder.size(), 0);
      }
      fd_ = fd;
      return true;
    }
    ::close(fd);
  }
  return true;
}

void ModelLock::Release() {
  if (fd_ < 0) return;
  // Removed while still locked, so nobody can lock this file any more.
  ::unlink(LockPath(path_).c_str());
  ::close(fd_);
  fd_ = -1;
}

}  // namespace kv
