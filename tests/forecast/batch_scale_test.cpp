// Batch runs with several models at once, shards and their merged logs: the
// schedule alone, then the command line and the batch menu on real models.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "app/options.h"
#include "forecast/batch_runner.h"
#include "forecast/batch_schedule.h"
#include "support/fixture.h"
#include "util/json.h"

namespace kv::test {
namespace {

// A script of steps on one schedule: "n2" Next gives job 2 ("n-": none),
// "s2" starts it, "f2" finishes it, "l02" the log takes jobs 0 and 2 now
// ("l": nothing), "x" stops, "d" all is done.
TEST(BatchScheduleTest, StartsAndLogsInFileOrder) {
  struct Case {
    const char* keys;
    const char* script;
  } cases[] = {
      // Finished out of order: the log waits for the first line.
      {"a b c", "n0 s0 n1 s1 f1 l n2 s2 f2 l f0 l012 d"},
      // A line of a model already running waits; later models go first.
      {"a b a c", "n0 s0 n1 s1 n3 s3 n- f3 l f0 l0 n2 s2 f1 l1 f2 l23 d"},
      // Stopped: nothing new starts; lines never started are left out.
      {"a b c d", "n0 s0 n1 s1 x n- f1 l f0 l01 d"},
      // Stopped before anything ran.
      {"a a", "x n- l d"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.keys) + ": " + c.script);
    std::vector<BatchJob> jobs;
    std::istringstream keys(c.keys);
    for (std::string k; keys >> k;) jobs.push_back({static_cast<int>(jobs.size()) + 2, k + ".kvn", k});
    BatchSchedule s(jobs);
    std::istringstream script(c.script);
    for (std::string step; script >> step;) {
      SCOPED_TRACE(step);
      const int job = step.size() > 1 && step[1] != '-' ? step[1] - '0' : -1;
      switch (step[0]) {
        case 'n': EXPECT_EQ(s.Next(), job); break;
        case 's': s.Start(job); break;
        case 'f': s.Finish(job, "line " + std::to_string(job)); break;
        case 'x': s.Stop(); break;
        case 'd': EXPECT_TRUE(s.Done()); break;
        case 'l': {
          std::string got;
          for (const auto& l : s.TakeLogged()) {
            got += static_cast<char>('0' + l.job);
            EXPECT_EQ(l.text, "line " + std::to_string(l.job));
          }
          EXPECT_EQ(got, step.substr(1));
          break;
        }
      }
    }
  }
}

TEST(BatchScheduleTest, ShardsAndTheirLogNames) {
  struct Case {
    const char* text;
    bool ok;
    int k, n;
    const char* positions;   // of 1..7, those in the shard
  } cases[] = {
      {"1/1", true, 1, 1, "1234567"}, {"1/2", true, 1, 2, "1357"}, {"2/2", true, 2, 2, "246"},
      {"3/3", true, 3, 3, "36"},      {"2/9", true, 2, 9, "2"},    {"0/3", false, 0, 0, ""},
      {"4/3", false, 0, 0, ""},       {"1/0", false, 0, 0, ""},    {"1/", false, 0, 0, ""},
      {"-1/3", false, 0, 0, ""},      {"1/3 ", false, 0, 0, ""},   {"a/b", false, 0, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    int k = 0, n = 0;
    ASSERT_EQ(ParseShard(c.text, &k, &n), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(k, c.k);
    EXPECT_EQ(n, c.n);
    std::string in;
    for (int i = 1; i <= 7; ++i)
      if (InShard(i, k, n)) in += static_cast<char>('0' + i);
    EXPECT_EQ(in, c.positions);
    int k2 = 0, n2 = 0;
    EXPECT_TRUE(ParseShardLogName("/some/where/" + ShardLogName(k, n), &k2, &n2));
    EXPECT_EQ(k2 * 100 + n2, k * 100 + n);
  }
  int k, n;
  for (const char* bad : {"batch.log", "batch-1-of-3.txt", "batch-4-of-3.log", "xbatch-1-of-3.log", "batch-1-3.log"})
    EXPECT_FALSE(ParseShardLogName(bad, &k, &n)) << bad;
}

// Four models and a nightly batch of seven model lines (a missing model and
// a model named twice among them), run as a user runs it.
class BatchScaleCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* m : {"a", "b", "c", "d"}) {
      const CliOutput c = RunCli(dir, std::string("create ") + m + ".kvn --stock GE," + SamplePath("GE.csv") + ",5,s");
      ASSERT_EQ(c.status, 0) << c.err;
    }
    dir.write("b.kbf",
              "KBF 1.9\n# nightly\nP \"a.kvn\"\nT 0:00 \"b.kvn\"\nP \"missing.kvn\"\nT 0:00 \"a.kvn\"\n"
              "\nP \"c.kvn\"\nT 0:00 \"d.kvn\"\nP \"b.kvn\"\n");
  }
  // A log without its date and time columns, which differ from run to run.
  std::string Undated(const std::string& name) {
    std::istringstream in(ReadFile(dir.file(name)));
    std::string out;
    for (std::string line; std::getline(in, line);) {
      size_t cut = 0;
      if (line.rfind(" Error", 0) != 0 && line.rfind("Date\t", 0) != 0) cut = line.find('\t', line.find('\t') + 1) + 1;
      out += line.substr(cut) + "\n";
    }
    return out;
  }
  TempDir dir;
};

TEST_F(BatchScaleCliTest, AtOnceAndShardsLogAsOneSequentialRun) {
  const CliOutput whole = RunCli(dir, "batch b.kbf");
  ASSERT_EQ(whole.status, 1) << whole.err;   // the missing model
  const std::string expected = Undated("batch.log");
  ASSERT_EQ(std::count(expected.begin(), expected.end(), '\n'), 8) << expected;

  const CliOutput two = RunCli(dir, "batch --jobs 2 b.kbf");
  EXPECT_EQ(two.status, 1) << two.err;
  EXPECT_EQ(Undated("batch.log"), expected);
  // Each T line trained its model, said so, and the run was summed up.
  for (const char* said : {"line 4: b.kvn: training for 0 min", "line 6: a.kvn: training for 0 min",
                           "line 9: d.kvn: training for 0 min", "line 5: missing.kvn: failed: Error",
                           "6 models done, 1 failed, 0 not run"})
    EXPECT_NE(two.err.find(said), std::string::npos) << said << "\n" << two.err;

  for (int n : {1, 2, 3}) {
    SCOPED_TRACE(n);
    for (int k = 1; k <= n; ++k) {
      const CliOutput s = RunCli(dir, "batch --shard " + std::to_string(k) + "/" + std::to_string(n) + " b.kbf");
      EXPECT_NE(s.status, 2) << s.err;
    }
    const CliOutput m = RunCli(dir, "batch --merge-logs merged.log batch-*-of-" + std::to_string(n) + ".log");
    EXPECT_EQ(m.status, 1) << m.err;   // the merged log holds the missing model's Error line
    EXPECT_EQ(Undated("merged.log"), expected);
  }

  // The same run as JSON: one object per model line and a summary.
  const CliOutput j = RunCli(dir, "batch --jobs 2 --json b.kbf");
  JsonValue doc;
  std::string err;
  ASSERT_TRUE(ParseJson(j.out, &doc, &err)) << err << j.out;
  const auto& models = doc.Find("models")->items();
  ASSERT_EQ(models.size(), 7u);
  EXPECT_EQ(models[1].Find("line")->AsNumber(), 4);
  EXPECT_EQ(models[1].Find("action")->AsString(), "train");
  EXPECT_EQ(models[2].Find("outcome")->AsString(), "failed");
  EXPECT_EQ(models[2].Find("error")->AsString(), "Error openning neural file \"missing.kvn\" for reading");
  EXPECT_NE(models[0].Find("advice")->AsString(), "");
  EXPECT_EQ(doc.Find("summary")->Dump(0), R"({"models":7,"done":6,"failed":1,"not_run":0,"stopped":false})");
}

TEST_F(BatchScaleCliTest, GnuParallelRecipeOfTheReadme) {
  if (std::system("command -v parallel >/dev/null") != 0) GTEST_SKIP() << "GNU Parallel is not installed";
  RunCli(dir, "batch b.kbf");
  const std::string expected = Undated("batch.log");
  // Local workers stand in for the machines: ":" is this machine.
  dir.write("nodes.txt", "2/:\n");
  const std::string cli = KV_CLI_PATH;
  const std::string cmd = "cd '" + dir.path().string() + "' && parallel --sshloginfile nodes.txt --workdir . '" + cli +
                          "' batch --shard {}/3 b.kbf ::: 1 2 3 </dev/null >/dev/null 2>&1; '" + cli +
                          "' batch --merge-logs nightly.log batch-*-of-3.log 2>/dev/null";
  std::system(cmd.c_str());
  EXPECT_EQ(Undated("nightly.log"), expected);
}

// Ctrl-C while two models train: both finish their save, forecast and log
// line, the third never starts, and the exit status says the batch stopped.
TEST_F(BatchScaleCliTest, CtrlCLetsRunningModelsFinish) {
  dir.write("t.kbf", "KBF 1.9\nT 0:01 \"a.kvn\"\nT 0:01 \"b.kvn\"\nT 0:01 \"c.kvn\"\n");
  const std::string c_before = ReadFile(dir.file("c.kvn"));
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (::chdir(dir.path().c_str()) != 0) ::_exit(127);
    if (!std::freopen("err.txt", "w", stderr) || !std::freopen("/dev/null", "w", stdout)) ::_exit(127);
    ::execl(KV_CLI_PATH, KV_CLI_PATH, "batch", "--jobs", "2", "t.kbf", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  // Both models are training once both have said so.
  int status = 0;
  pid_t ended = 0;
  while (ReadFile(dir.file("err.txt")).find("line 3: b.kvn: training") == std::string::npos &&
         (ended = ::waitpid(pid, &status, WNOHANG)) == 0)
    ::usleep(10000);
  ASSERT_EQ(ended, 0) << ReadFile(dir.file("err.txt"));
  ::kill(pid, SIGINT);
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 130);
  const std::string log = ReadFile(dir.file("batch.log"));
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3) << log;
  EXPECT_NE(log.find("\ta.kvn\t\n"), std::string::npos) << log;
  EXPECT_NE(log.find("\tb.kvn\t\n"), std::string::npos) << log;
  EXPECT_EQ(ReadFile(dir.file("c.kvn")), c_before);
  EXPECT_NE(ReadFile(dir.file("err.txt")).find("2 models done, 0 failed, 1 not run (stopped)"), std::string::npos);
}

TEST_F(BatchScaleCliTest, UsageErrors) {
  for (const char* args : {"batch --jobs 0 b.kbf", "batch --jobs x b.kbf", "batch --shard 0/2 b.kbf",
                           "batch --shard 3/2 b.kbf", "batch --check --jobs 2 b.kbf", "batch --merge-logs out.log",
                           "batch --merge-logs out.log batch.log", "batch --merge-logs out.log batch-1-of-2.log",
                           "batch --merge-logs out.log batch-1-of-2.log batch-1-of-3.log",
                           "batch --run-line 0 b.kbf", "batch --run-line 2 --jobs 2 b.kbf"})
    EXPECT_EQ(RunCli(dir, args).status, 2) << args;
}

// A run that cannot begin: the dialog's message on standard error, exit
// status 1, no log printed and the last log kept.
TEST(BatchCliTest, ARunThatCannotBeginFails) {
  TempDir dir;
  dir.write("old.kbf", "KBF 1.8\n");
  dir.write("ok.kbf", "KBF 1.9\n");
  const struct {
    std::string args;
    std::string err;
    bool log_is_folder;
  } cases[] = {
      {"batch missing.kbf", "Unable to open batch file for reading -ERROR 702", false},
      {"batch .", "Unable to open batch file for reading -ERROR 702", false},
      {"batch old.kbf", "File old.kbf is not a batch file -ERROR 703", false},
      {"batch batch.log", "File batch.log is the batch log itself, which each run writes afresh.", false},
      {"batch ok.kbf", "Unable to open file \"batch.log\"for writing -ERROR 701", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    std::filesystem::remove_all(dir.file("batch.log"));
    if (c.log_is_folder) std::filesystem::create_directory(dir.file("batch.log"));
    else dir.write("batch.log", "KBF 1.9\nlast run\n");
    const CliOutput o = RunCli(dir, c.args);
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "");
    EXPECT_NE(o.err.find(c.err), std::string::npos) << o.err;
    if (!c.log_is_folder) {
      EXPECT_EQ(ReadFile(dir.file("batch.log")), "KBF 1.9\nlast run\n");
    }
  }
}

// A log the disk cannot take in full: every model still runs, and the run
// fails saying so.
TEST(BatchCliTest, ALogThatLosesLinesFails) {
  TempDir dir;
  ASSERT_EQ(RunCli(dir, "create m.kvn --stock GE," + SamplePath("GE.csv") + ",5,s").status, 0);
  std::string batch = "KBF 1.9\n";
  for (int i = 0; i < 24; ++i) batch += "P \"m.kvn\"\n";
  dir.write("b.kbf", batch);
  // Files of at most 1 KB for the command, whose messages go to a pipe; the
  // signal a longer write raises is ignored, so the write fails instead.
  const std::string cmd = "cd '" + dir.path().string() + "' && { trap '' XFSZ; ulimit -f 1; '" KV_CLI_PATH
                          "' batch b.kbf >/dev/null </dev/null; echo \"status $?\"; } 2>&1 | cat >'" +
                          dir.file("err") + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  const std::string err = ReadFile(dir.file("err"));
  EXPECT_NE(err.find("24 models done, 0 failed"), std::string::npos) << err;
  EXPECT_NE(err.find("kestrivane-cli: batch: Unable to write every result to \"batch.log\" (File too large), so the "
                     "log lacks some of them."),
            std::string::npos)
      << err;
  EXPECT_NE(err.find("status 1\n"), std::string::npos) << err;
}

class BatchMenuAtOnceTest : public MainDlgTest {};

// The batch menu's run with "Models at once" at 2 runs its models in the
// command-line program beside it; a worker that dies still gives its line.
TEST_F(BatchMenuAtOnceTest, WorkersAndWorkersThatDie) {
  clock.SetStepPerPump(60000);   // the pause before the log is shown passes at once
  ASSERT_EQ(RunCli(dir, "create a.kvn --stock GE," + SamplePath("GE.csv") + ",5,s").status, 0);
  ASSERT_EQ(::symlink(KV_CLI_PATH, dir.file("kestrivane-cli").c_str()), 0);
  const std::string batch = dir.write("n.kbf", "KBF 1.9\nP \"a.kvn\"\nP \"none.kvn\"\nT 0:00 \"a.kvn\"\n");
  theOptions->SetOption("batch_jobs", 2);
  platform.QueueFile(batch);
  main->CmBatchrun();
  const std::string log = ReadFile(dir.file("batch.log"));
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 4) << log;
  EXPECT_NE(log.find("\tGE\t"), std::string::npos) << log;
  EXPECT_NE(log.find("\n Error openning neural file \"none.kvn\" for reading\n"), std::string::npos) << log;
  EXPECT_EQ(main->batch_failures, 1);

  BatchOptions opt;
  opt.jobs = 2;
  opt.worker = "/bin/false";
  const BatchReport rep = RunBatch(*main, batch.c_str(), opt);
  ASSERT_EQ(rep.models.size(), 3u);
  for (const BatchOutcome& o : rep.models)
    EXPECT_EQ(o.log_line, " Error running neural file \"" + o.model +
                              "\": its worker process ended (exit status 1) without a log line; run the line again");
  EXPECT_EQ(main->batch_failures, 3);
}

}  // namespace
}  // namespace kv::test
