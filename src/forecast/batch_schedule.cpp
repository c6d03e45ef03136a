#include "forecast/batch_schedule.h"

#include <cstdlib>
#include <utility>

namespace kv {

BatchSchedule::BatchSchedule(std::vector<BatchJob> jobs)
    : jobs_(std::move(jobs)), state_(jobs_.size(), State::kWaiting), text_(jobs_.size()) {}

int BatchSchedule::Next() const {
  if (stopped_) return -1;
  for (size_t i = 0; i < jobs_.size(); ++i) {
    if (state_[i] != State::kWaiting) continue;
    bool blocked = false;
    for (size_t j = 0; j < i && !blocked; ++j)
      blocked = jobs_[j].key == jobs_[i].key &&
                (state_[j] == State::kWaiting || state_[j] == State::kRunning);
    if (!blocked) return static_cast<int>(i);
  }
  return -1;
}

void BatchSchedule::Start(int job) { state_[static_cast<size_t>(job)] = State::kRunning; }

void BatchSchedule::Finish(int job, std::string log_line) {
  state_[static_cast<size_t>(job)] = State::kFinished;
  text_[static_cast<size_t>(job)] = std::move(log_line);
}

void BatchSchedule::Stop() { stopped_ = true; }

std::vector<BatchSchedule::Logged> BatchSchedule::TakeLogged() {
  std::vector<Logged> out;
  while (next_log_ < jobs_.size()) {
    State& s = state_[next_log_];
    if (s == State::kFinished) {
      out.push_back({static_cast<int>(next_log_), std::move(text_[next_log_])});
      s = State::kLogged;
    } else if (!(s == State::kWaiting && stopped_)) {
      break;   // runs still, or may yet start
    }
    ++next_log_;
  }
  return out;
}

bool BatchSchedule::Done() const { return Running() == 0 && Next() < 0; }

int BatchSchedule::Running() const {
  int n = 0;
  for (State s : state_) n += s == State::kRunning;
  return n;
}

int BatchSchedule::NotRun() const {
  int n = 0;
  for (State s : state_) n += s == State::kWaiting;
  return n;
}

bool InShard(int position, int k, int n) { return n > 0 && (position - 1) % n == k - 1; }

namespace {
// A whole decimal number from 1 up to a million, all of text.
bool SmallNumber(const std::string& text, int* v) {
  if (text.empty() || text.size() > 7) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  *v = std::atoi(text.c_str());
  return *v >= 1 && *v <= 1000000;
}
}  // namespace

bool ParseShard(const std::string& text, int* k, int* n) {
  const size_t slash = text.find('/');
  return slash != std::string::npos && SmallNumber(text.substr(0, slash), k) &&
         SmallNumber(text.substr(slash + 1), n) && *k <= *n;
}

std::string ShardLogName(int k, int n) {
  return "batch-" + std::to_string(k) + "-of-" + std::to_string(n) + ".log";
}

bool ParseShardLogName(const std::string& path, int* k, int* n) {
  const size_t slash = path.find_last_of('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::string head = "batch-", tail = ".log";
  if (name.size() <= head.size() + tail.size() || name.compare(0, head.size(), head) != 0 ||
      name.compare(name.size() - tail.size(), tail.size(), tail) != 0)
    return false;
  const std::string mid = name.substr(head.size(), name.size() - head.size() - tail.size());
  const size_t of = mid.find("-of-");
  if (of == std::string::npos) return false;
  return ParseShard(mid.substr(0, of) + "/" + mid.substr(of + 4), k, n);
}

std::vector<std::string> MergeShardLines(const std::vector<std::vector<std::string>>& logs) {
  std::vector<std::string> out;
  for (size_t row = 0;; ++row) {
    bool any = false;
    for (const auto& log : logs)
      if (row < log.size()) {
        out.push_back(log[row]);
        any = true;
      }
    if (!any) return out;
  }
}

}  // namespace kv
