// Where the command-line program keeps kv.dat, run as users run it: through
// the PATH from a folder of their own, installed under a prefix, and stopped
// in the middle of a download whose flags are meant for that run only.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "download/download_support.h"
#include "support/fixture.h"

namespace kv::test {
namespace {

namespace fs = std::filesystem;

class PreferencesPlaceTest : public ::testing::Test {
 protected:
  TempDir dir;

  // A copy of the program in folder (relative to the temp folder).
  std::string Install(const std::string& folder) {
    fs::create_directories(dir.file(folder));
    const std::string program = dir.file(folder + "/kestrivane-cli");
    fs::copy_file(KV_CLI_PATH, program, fs::copy_options::overwrite_existing);
    return program;
  }

  // Starts "kestrivane-cli args..." found through the PATH (bin first), in
  // the folder cwd, with XDG_CONFIG_HOME in the temp folder.
  pid_t Start(const std::string& bin, const std::string& cwd, const std::vector<std::string>& args) {
    const std::string path = "PATH=" + bin + ":/usr/bin:/bin";
    const std::string xdg = "XDG_CONFIG_HOME=" + dir.file("config");
    const std::string out = dir.file("out.txt");
    const pid_t pid = ::fork();
    if (pid == 0) {
      if (::chdir(cwd.c_str()) != 0) ::_exit(126);
      std::vector<const char*> argv{"kestrivane-cli"};
      for (const std::string& a : args) argv.push_back(a.c_str());
      argv.push_back(nullptr);
      const char* env[] = {path.c_str(), xdg.c_str(), "HOME=/nonexistent", nullptr};
      std::FILE* o = std::freopen(out.c_str(), "w", stdout);
      std::FILE* e = std::freopen(out.c_str(), "a", stderr);
      (void)o;
      (void)e;
      // The search for the program uses this process's own PATH.
      ::setenv("PATH", path.c_str() + 5, 1);
      ::execvpe("kestrivane-cli", const_cast<char* const*>(argv.data()), const_cast<char* const*>(env));
      ::_exit(127);
    }
    return pid;
  }
  static int Wait(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
};

TEST_F(PreferencesPlaceTest, ThePlantedFileInTheCurrentFolderIsIgnored) {
  TestHttpServer ours, planted;
  ServeQuoteSource(ours);
  ServeQuoteSource(planted);
  ours.SetBody("/q/GE.txt", QuoteText(1500));
  planted.SetBody("/q/GE.txt", QuoteText(1500));
  fs::create_directories(dir.file("work"));
  fs::create_directories(dir.file("config/kestrivane"));
  fs::create_directories(dir.file("quotes"));
  dir.write("work/kv.dat", "inet_server,\"" + planted.host() + "\"\ninet_des_dir,\"" + dir.file("stolen") + "\"\n");

  struct Case {
    std::string folder;   // where the program lies
    std::string kv_dat;   // where its own kv.dat lies
  } cases[] = {
      {"unpacked", "unpacked/kv.dat"},
      {"prefix/bin", "config/kestrivane/kv.dat"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder);
    const std::string program = Install(c.folder);
    const std::string settings = "inet_server,\"" + ours.host() + "\"\ninet_des_dir,\"" + dir.file("quotes") + "\"\n";
    dir.write(c.kv_dat, settings);
    const int before = ours.requests_for("/q/GE.txt");
    EXPECT_EQ(Wait(Start(dir.file(c.folder), dir.file("work"), {"download", "GE"})), 0)
        << ReadFile(dir.file("out.txt"));
    EXPECT_EQ(ours.requests_for("/q/GE.txt"), before + 1);
    EXPECT_EQ(planted.request_count(), 0);
    EXPECT_TRUE(fs::exists(dir.file("quotes/GE.csv")));
    fs::remove(dir.file("quotes/GE.csv"));
    // Nothing was changed, so nothing was written.
    EXPECT_EQ(ReadFile(dir.file(c.kv_dat)), settings);
    fs::remove(program);
  }
  EXPECT_FALSE(fs::exists(dir.file("stolen")));
}

TEST_F(PreferencesPlaceTest, FlagsOfAnInterruptedDownloadNeverReachTheFile) {
  TestHttpServer server;
  ServeQuoteSource(server);
  server.Set("/q/GE.txt", "", TestHttpServer::Mode::kStall);
  Install("app");
  fs::create_directories(dir.file("work"));
  fs::create_directories(dir.file("run"));
  const std::string settings = "inet_server,\"quotes.elsewhere.example\"\ninet_des_dir,\"./\"\n";
  for (int sig : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(sig);
    dir.write("app/kv.dat", settings);
    const int before = server.requests_for("/q/GE.txt");
    const pid_t pid = Start(dir.file("app"), dir.file("work"),
                            {"download", "--server", server.host(), "--dest", dir.file("run"), "--database", "USA", "GE"});
    // Stopped once the quote is being fetched, that is after the download began.
    for (int i = 0; i < 3000 && server.requests_for("/q/GE.txt") == before; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GT(server.requests_for("/q/GE.txt"), before);
    ::kill(pid, sig);
    EXPECT_NE(Wait(pid), 0);
    EXPECT_EQ(ReadFile(dir.file("app/kv.dat")), settings);
  }
}

}  // namespace
}  // namespace kv::test
