// Batch runs as a nightly script runs them: four equal models, one at a
// time against two at once, as whole kestrivane-cli processes in the same run.
#include <sys/resource.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_world.h"

namespace kv::bench {
namespace {

constexpr int kHistoryDays = 10000;  // forty years of trading days

// A price file of kHistoryDays weekdays from 1985 on, a random walk of its
// own for each seed, with volumes: what a user with a long history exports.
void WriteLongHistory(const std::string& path, uint32_t seed) {
  std::ofstream f(path);
  f << "Date,Close,Volume\n";
  uint64_t state = seed * 0x9E3779B97F4A7C15ull + 1;
  auto next = [&] {  // uniform in [0, 1)
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<double>(state >> 11) / 9007199254740992.0;
  };
  double price = 20;
  int y = 1985, mo = 1, d = 1, weekday = 2;  // 1 January 1985 was a Tuesday
  static const int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (int written = 0; written < kHistoryDays;) {
    if (weekday < 5) {
      price *= std::exp((next() - 0.499) * 0.05);
      char line[64];
      std::snprintf(line, sizeof line, "%04d-%02d-%02d,%.2f,%d\n", y, mo, d, price,
                    100000 + static_cast<int>(next() * 800000));
      f << line;
      ++written;
    }
    weekday = (weekday + 1) % 7;
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (++d > kMonthDays[mo - 1] + (mo == 2 && leap)) {
      d = 1;
      if (++mo > 12) mo = 1, ++y;
    }
  }
}

// The batch file of four lines, `command` followed by a model, on four copies
// of one three-stock model whose price files hold kHistoryDays days each;
// empty when it cannot be made.
std::string FourModels(const std::string& cli, const std::string& command, const std::string& name) {
  World& w = TheWorld();
  std::vector<std::string> create = {cli, "create", w.dir + "/long.kvn", "--neurons", "12"};
  const char* symbols[] = {"LONGA", "LONGB", "LONGC"};
  for (uint32_t i = 0; i < 3; ++i) {
    const std::string csv = w.dir + "/" + symbols[i] + ".csv";
    WriteLongHistory(csv, i + 1);
    create.push_back("--stock");
    create.push_back(std::string(symbols[i]) + "," + csv + ",10,pvls");
  }
  if (!RunQuietly(create)) return {};
  const std::string kbf = w.dir + "/" + name + ".kbf";
  std::ofstream f(kbf);
  f << "KBF 1.9\n";
  for (const char* m : {"a", "b", "c", "d"}) {
    const std::string path = w.dir + "/" + name + "-" + m + ".kvn";
    std::filesystem::copy_file(w.dir + "/long.kvn", path, std::filesystem::copy_options::overwrite_existing);
    f << command << " \"" << path << "\"\n";
  }
  return kbf;
}

// Processor time of every process this one has waited for, in seconds.
double ChildrenSeconds() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

}  // namespace

void RegisterBatchBenchmarks(World&) {
  // Each line loads a model (three price files of forty years, cleaned and
  // turned into patterns), forecasts it and logs it: work of the processor,
  // which a T line's wall-clock time limit is not. "plain" is the same batch
  // one model at a time.
  // The models are made when the first batch row runs, not for a run that
  // filters the rows out.
  const std::string cli = KV_CLI_PATH;
  for (const char* jobs : {"2", "1"})
    Register("batch", "4 models", jobs[0] == '2' ? "kestrivane" : "plain",
             [=](benchmark::State& st) {
               static const std::string kbf = FourModels(cli, "P", "four");
               if (kbf.empty()) return st.SkipWithError("the model of the batch could not be made");
               Process(st, {cli, "batch", "--jobs", jobs, kbf});
             },
             1.0, true);

  // The nightly case: four T lines of one minute each. Training time is
  // wall-clock time, so the gain in wall time is certain; what the row must
  // show is that each model still trains on a core of its own, which the
  // processor time of the batch and its workers says, printed per model.
  if (!LongRows()) return;
  for (const char* jobs : {"2", "1"})
    Register("batch", "4 trained models", jobs[0] == '2' ? "kestrivane" : "plain",
             [=](benchmark::State& st) {
               static const std::string kbf = FourModels(cli, "T 0:01", "nightly");
               if (kbf.empty()) return st.SkipWithError("the model of the batch could not be made");
               const double before = ChildrenSeconds();
               Process(st, {cli, "batch", "--jobs", jobs, kbf});
               std::fprintf(stderr, "\nkvbench: batch/4 trained models, --jobs %s: %.1f s of processor time per model "
                            "(each line trains for 60 s)\n", jobs, (ChildrenSeconds() - before) / 4);
             },
             0, true, true);
}

}  // namespace kv::bench
