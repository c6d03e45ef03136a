#include "platform/worker_process.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kv {

WorkerProcess::~WorkerProcess() {
  if (pid_ > 0 && !ended_) {
    ::kill(pid_, SIGKILL);
    while (::waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {}
  }
  if (fd_ >= 0) ::close(fd_);
}

bool WorkerProcess::Start(const std::string& program, const std::vector<std::string>& args,
                          std::string* err) {
  int p[2];
  if (::pipe2(p, O_CLOEXEC) != 0) {
    if (err) *err = std::string("no pipe for the worker: ") + std::strerror(errno);
    return false;
  }
  posix_spawn_file_actions_t fa;
  posix_spawnattr_t attr;
  posix_spawn_file_actions_init(&fa);
  posix_spawnattr_init(&attr);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&fa, p[1], 1);
  // The worker starts with SIGINT and SIGTERM blocked and unblocks them once
  // it can take them as a stop: one sent meanwhile waits instead of killing it.
  sigset_t stops, deflt;
  sigemptyset(&stops);
  sigaddset(&stops, SIGINT);
  sigaddset(&stops, SIGTERM);
  sigemptyset(&deflt);
  for (int s : {SIGINT, SIGTERM, SIGPIPE, SIGHUP}) sigaddset(&deflt, s);
  posix_spawnattr_setsigmask(&attr, &stops);
  posix_spawnattr_setsigdefault(&attr, &deflt);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const int rc = ::posix_spawn(&pid_, program.c_str(), &fa, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  posix_spawnattr_destroy(&attr);
  ::close(p[1]);
  if (rc != 0) {
    ::close(p[0]);
    pid_ = -1;
    if (err) *err = "cannot start " + program + ": " + std::strerror(rc);
    return false;
  }
  fd_ = p[0];
  ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
  return true;
}

bool WorkerProcess::Poll() {
  if (pid_ <= 0 || ended_) return ended_;
  while (fd_ >= 0) {
    char buf[4096];
    const ssize_t n = ::read(fd_, buf, sizeof buf);
    if (n > 0) {
      // A log line is short; a worker that says far more is cut, not trusted.
      if (out_.size() < (1u << 20)) out_.append(buf, static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    ::close(fd_);   // end of output
    fd_ = -1;
  }
  // Its output is complete only once the pipe is closed; waiting for the
  // exit alone could lose what is still in the pipe.
  if (fd_ >= 0) return false;
  const pid_t r = ::waitpid(pid_, &status_, WNOHANG);
  if (r == pid_) ended_ = true;
  return ended_;
}

void WorkerProcess::Signal(int sig) {
  if (running()) ::kill(pid_, sig);
}

int WorkerProcess::exit_status() const {
  return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
}

std::string WorkerProcess::Ending() const {
  if (WIFSIGNALED(status_)) {
    const int s = WTERMSIG(status_);
    const char* name = sigabbrev_np(s);
    return "killed by signal " + std::to_string(s) + (name ? std::string(" (SIG") + name + ")" : "");
  }
  return "exit status " + std::to_string(exit_status());
}

void WorkerProcess::UnblockStops() {
  sigset_t stops;
  sigemptyset(&stops);
  sigaddset(&stops, SIGINT);
  sigaddset(&stops, SIGTERM);
  sigprocmask(SIG_UNBLOCK, &stops, nullptr);
}

void WorkerProcess::WaitAny(const std::vector<WorkerProcess*>& workers, int timeout_ms) {
  std::vector<pollfd> fds;
  for (const WorkerProcess* w : workers) {
    if (w->fd_ >= 0) fds.push_back({w->fd_, POLLIN, 0});
    // A worker whose output has ended is exiting: look again very soon
    // rather than at the timeout.
    else if (w->running()) timeout_ms = std::min(timeout_ms, 1);
  }
  ::poll(fds.data(), fds.size(), timeout_ms);
}

}  // namespace kv
