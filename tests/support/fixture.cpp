#include "support/fixture.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "net/random.h"
#include "resources/ids.h"

namespace kv::test {

TempDir::TempDir() {
  std::random_device rd;
  auto base = std::filesystem::temp_directory_path();
  for (;;) {
    path_ = base / ("kvtest-" + std::to_string(::getpid()) + "-" + std::to_string(rd()));
    if (std::filesystem::create_directory(path_)) break;
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::write(const std::string& name, const std::string& text) const {
  std::string p = file(name);
  std::ofstream(p, std::ios::binary) << text;
  return p;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

PlatformTest::PlatformTest() {
  SetPlatform(&platform);
  platform.SetClock(&clock);
  // Quit requests must not end the test program.
  platform.SetQuitHandler([](int) {});
  saved_program_dir = program_dir;
  program_dir = dir.path().string() + "/";
  char buf[4096];
  if (::getcwd(buf, sizeof buf)) saved_cwd = buf;
  if (::chdir(dir.path().c_str()) != 0) ADD_FAILURE() << "chdir";
  fix_random_seed(12345);
  calendar_count = 0;
}

PlatformTest::~PlatformTest() {
  if (!saved_cwd.empty() && ::chdir(saved_cwd.c_str()) != 0) ADD_FAILURE() << "chdir back";
  program_dir = saved_program_dir;
  unfix_random_seed();
  platform.SetClock(nullptr);
  SetPlatform(nullptr);
}

MainDlgTest::MainDlgTest() {
  window = platform.CreateDialog(ids::DLG_MAIN, nullptr);
  main = std::make_unique<TMainDlg>(*window);
  main->EvInitDialog();
  // The start-up work (timer 4103) would run at the first second of virtual
  // time; tests that want it fire it themselves.
  platform.KillTimer(main.get(), ids::TIMER_STARTUP);
  platform.ClearRecords();
}

MainDlgTest::~MainDlgTest() {
  main.reset();
  window.reset();
}

std::string SamplePath(const std::string& name) { return std::string(KV_SAMPLES_DIR) + "/" + name; }

CliOutput RunCli(const TempDir& dir, const std::string& args) {
  const std::string out = dir.file("stdout"), err = dir.file("stderr");
  const std::string cmd = "cd '" + dir.path().string() + "' && '" KV_CLI_PATH "' " + args + " >'" + out +
                          "' 2>'" + err + "' </dev/null";
  const int rc = std::system(cmd.c_str());
  return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, ReadFile(out), ReadFile(err)};
}

}  // namespace kv::test
