// Batch runs as a nightly script runs them: four equal models, one at a
// time against two at once, as whole kestrivane-cli processes in the same run.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_world.h"

namespace kv::bench {
namespace {

// One whole `kestrivane-cli batch --jobs J` of four T lines on copies of the
// three-stock model (load, train for no time, save, forecast, log), in the
// world's folder, its output thrown away.
void Batch(benchmark::State& st, const std::string& cli, const std::string& jobs) {
  World& w = TheWorld();
  const std::string kbf = w.dir + "/four.kbf";
  {
    std::ofstream f(kbf);
    f << "KBF 1.9\n";
    for (const char* m : {"a", "b", "c", "d"}) {
      const std::string path = w.dir + "/four-" + m + ".kvn";
      std::filesystem::copy_file(w.load_model_path, path, std::filesystem::copy_options::overwrite_existing);
      f << "T 0:00 \"" << path << "\"\n";
    }
  }
  std::vector<std::string> argv = {cli, "batch", "--jobs", jobs, kbf};
  std::vector<char*> args;
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  for (auto _ : st) {
    pid_t pid;
    int status = 0;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0 ||
        waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      st.SkipWithError("the batch of four models failed");
      break;
    }
  }
  posix_spawn_file_actions_destroy(&actions);
  st.SetItemsProcessed(st.iterations());
}

}  // namespace

void RegisterBatchBenchmarks(World&) {
  // "plain" is the same batch one model at a time.
  const std::string cli = KV_CLI_PATH;
  Register("batch", "4 models", "kestrivane", [=](benchmark::State& st) { Batch(st, cli, "2"); }, 1.0, true);
  Register("batch", "4 models", "plain", [=](benchmark::State& st) { Batch(st, cli, "1"); }, 1.0, true);
}

}  // namespace kv::bench
