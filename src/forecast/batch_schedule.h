// Which model line of a batch may start now when several models run at
// once, and when a finished line may go to the log. Pure: it starts and
// waits for nothing itself.
#pragma once

#include <string>
#include <vector>

namespace kv {

struct BatchJob {
  int line = 0;          // 1-based line of the batch file
  std::string model;     // the model path as written
  std::string key;       // the model file itself, so that two spellings of one path meet
};

class BatchSchedule {
 public:
  explicit BatchSchedule(std::vector<BatchJob> jobs);

  // The first job in file order that may start now, -1 when none may: a
  // job waits while an earlier line naming the same model has not finished,
  // so one model is never worked on twice at once and its lines keep their
  // order. After Stop nothing may start.
  int Next() const;
  void Start(int job);
  void Finish(int job, std::string log_line);
  // Starts nothing more; what runs may finish. Jobs never started are left
  // out of the log, as a stopped sequential run leaves them.
  void Stop();

  // The finished log lines that may be written now, in file order: a line
  // goes out once every line before it has gone out or will never run. Each
  // is given once, with its job.
  struct Logged {
    int job;
    std::string text;
  };
  std::vector<Logged> TakeLogged();

  bool Done() const;       // nothing runs and nothing more will start
  int Running() const;
  int NotRun() const;      // jobs that never started (a stopped run)
  bool stopped() const { return stopped_; }
  const std::vector<BatchJob>& jobs() const { return jobs_; }

 private:
  enum class State { kWaiting, kRunning, kFinished, kLogged };
  std::vector<BatchJob> jobs_;
  std::vector<State> state_;
  std::vector<std::string> text_;
  size_t next_log_ = 0;    // the first job not yet logged or skipped
  bool stopped_ = false;
};

// Shards: a batch spread over N machines, each running every N-th model
// line. position is 1-based among the T and P lines.
bool InShard(int position, int k, int n);
// "K/N" with 1 <= K <= N: true and the two numbers.
bool ParseShard(const std::string& text, int* k, int* n);
// batch-K-of-N.log, the shard's log; ParseShardLogName reads K and N back
// from a path ending in such a name.
std::string ShardLogName(int k, int n);
bool ParseShardLogName(const std::string& path, int* k, int* n);

// The model lines of shard logs 1..N (logs[k-1] without its header) put
// back in the order one run of the whole batch writes them: shard k holds
// positions k, k+N, k+2N... A shard that ended early (stopped) just has
// nothing for its later positions.
std::vector<std::string> MergeShardLines(const std::vector<std::vector<std::string>>& logs);

}  // namespace kv
