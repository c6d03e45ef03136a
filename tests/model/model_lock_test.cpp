// Two programs on one model: a command that may write the model holds its
// lock for the whole run; a second writer is turned away at once, saying who
// holds it; readers are not held up; a killed holder frees the model.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "support/fixture.h"
#include "util/model_lock.h"

namespace kv::test {
namespace {

using Output = CliOutput;

class ModelLockTest : public ::testing::Test {
 protected:
  TempDir dir;
  Output Run(const std::string& args) { return RunCli(dir, args); }
};

TEST_F(ModelLockTest, ASecondWriterIsTurnedAwayAtOnce) {
  const std::string model = dir.file("m.kvn");
  ASSERT_EQ(Run("create m.kvn --stock GE," + SamplePath("GE.csv") + ",5,s").status, 0);

  // The first program: a long training run, in a process of its own.
  const pid_t trainer = ::fork();
  if (trainer == 0) {
    if (::chdir(dir.path().c_str()) != 0) ::_exit(126);
    std::freopen("/dev/null", "w", stderr);
    std::freopen("/dev/null", "w", stdout);
    ::execl(KV_CLI_PATH, "kestrivane-cli", "train", "m.kvn", "--seconds", "3600", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  const std::string lock_file = ModelLock::LockPath(model);
  for (int i = 0; i < 3000 && ReadFile(lock_file).empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_EQ(ReadFile(lock_file), std::to_string(trainer) + " kestrivane-cli train\n");
  const std::string before = ReadFile(model);

  dir.write("b.kbf", "KBF 1.9\nT 0:01 \"m.kvn\"\n");
  const std::string who = "(process " + std::to_string(trainer) + ", kestrivane-cli train)";
  struct Case {
    std::string args;
    bool turned_away;
  } cases[] = {
      {"train m.kvn --steps 1", true},
      {"search m.kvn --force", true},
      {"create m.kvn --stock GE," + SamplePath("GE.csv") + ",3,s", true},
      {"batch b.kbf", true},
      {"info m.kvn", false},
      {"chart m.kvn --out c.png", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const Output o = Run(c.args);
    if (c.turned_away) {
      EXPECT_EQ(o.status, 1);
      EXPECT_NE((o.err + o.out).find("m.kvn is in use by another Kestrivane " + who), std::string::npos)
          << o.err << o.out;
    } else {
      EXPECT_EQ(o.status, 0) << o.err;
    }
    EXPECT_EQ(ReadFile(model), before);
  }

  // A holder killed outright leaves the model free.
  ::kill(trainer, SIGKILL);
  int status = 0;
  ::waitpid(trainer, &status, 0);
  const Output o = Run("train m.kvn --steps 1");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_NE(ReadFile(model), before);
  EXPECT_FALSE(std::filesystem::exists(lock_file));   // removed by the one who let go
}

}  // namespace
}  // namespace kv::test
