// A child process that does one piece of work and says its result on its
// standard output: a batch run with several models at once starts one per
// model, since one process trains one model at a time.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace kv {

class WorkerProcess {
 public:
  WorkerProcess() = default;
  ~WorkerProcess();   // a worker still running is killed and reaped
  WorkerProcess(const WorkerProcess&) = delete;
  WorkerProcess& operator=(const WorkerProcess&) = delete;

  // Starts program with args (args[0] is the name it sees): standard input
  // from /dev/null, standard output into a pipe read by Poll, standard error
  // shared with this process. The worker has a process group of its own, so
  // a Ctrl-C at the terminal reaches only this process, which decides what
  // to pass on. SIGINT and SIGTERM start blocked: the worker unblocks them
  // once it has its handlers (UnblockStops). False with the reason in *err.
  bool Start(const std::string& program, const std::vector<std::string>& args, std::string* err);
  // Takes in what the worker has written, without waiting; true once it has
  // ended and all its output is in.
  bool Poll();
  void Signal(int sig);
  bool running() const { return pid_ > 0 && !ended_; }
  bool ended() const { return ended_; }
  const std::string& output() const { return out_; }
  // How it ended: 0 for exit status 0; "exit status N" or "killed by
  // signal N (NAME)" otherwise.
  int exit_status() const;   // -1 when killed by a signal
  std::string Ending() const;
  int fd() const { return fd_; }

  // For the worker: takes the SIGINT and SIGTERM its starter blocked.
  static void UnblockStops();

  // Waits until one of the workers may have news, at most timeout_ms.
  static void WaitAny(const std::vector<WorkerProcess*>& workers, int timeout_ms);

 private:
  pid_t pid_ = -1;
  int fd_ = -1;
  bool ended_ = false;
  int status_ = 0;
  std::string out_;
};

}  // namespace kv
