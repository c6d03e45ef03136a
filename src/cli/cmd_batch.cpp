// kestrivane-cli batch: runs a batch file (.kbf) without a window and prints
// the resulting batch.log; with --check only says what each line would do.
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "forecast/batch_file.h"
#include "util/text.h"

namespace kv::cli {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;
extern "C" void OnBatchInterrupt(int) { g_interrupted = 1; }

// batch --check FILE: each line's meaning and every error, nothing run.
int Check(const std::vector<std::string>& files) {
  const BatchCheck check = CheckBatchFile(files[0]);
  for (const BatchCheck::Line& l : check.lines) {
    std::string where = l.number > 0 ? "line " + std::to_string(l.number) + ": " : std::string();
    // Paths come from the file as written: control characters in them must
    // not reach the terminal.
    std::string text = l.text;
    for (char& c : text)
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    std::printf("%s%s%s\n", where.c_str(), l.error ? "error: " : "", text.c_str());
  }
  if (!check.opened)
    return Fail("batch --check: " + files[0] + " would not run at all; mend the error above and check again");
  if (check.errors > 0)
    return Fail("batch --check: " + files[0] + ": " + std::to_string(check.errors) +
                (check.errors == 1 ? " line in error; mend it" : " lines in error; mend them") + " and check again");
  std::printf("%s: no errors\n", files[0].c_str());
  return 0;
}

int Run(Args& args) {
  const bool check = TakeFlag(args, "--check");
  if (int rc = CheckArgs(args, 1, 1, "give exactly one batch file")) return rc;
  if (check) return Check(args);

  Session session;
  TMainDlg& m = *session.main;
  // A Q line asks the program to quit; here that simply ends the command
  // once the log is printed.
  session.platform.SetQuitHandler([](int) {});
  // Ctrl-C acts as File > Batch > Stop Batch: the running model is still
  // saved, forecast and logged. A second Ctrl-C ends the program at once.
  struct sigaction sa {};
  sigemptyset(&sa.sa_mask);
  sa.sa_handler = OnBatchInterrupt;
  sa.sa_flags = SA_RESETHAND;
  sigaction(SIGINT, &sa, nullptr);
  int poller = plat().AddPoller([&] {
    if (g_interrupted && m.batch_running) {
      g_interrupted = 0;
      std::fputs("kestrivane-cli: interrupted, stopping the batch\n", stderr);
      m.CmBatchstop();
    }
  });
  m.RunBatch(args[0].c_str());
  plat().RemovePoller(poller);
  signal(SIGINT, SIG_DFL);

  // A batch file or log that could not be used ended the run before it began.
  for (const auto& msg : session.platform.messages())
    if (msg.caption == "File Error") return 1;
  std::FILE* f = std::fopen("batch.log", "rb");
  if (!f) return Fail("batch: no batch.log was written");
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) std::fwrite(buf, 1, n, stdout);
  std::fclose(f);
  if (m.batch_failures > 0)
    return Fail("batch: " + std::to_string(m.batch_failures) +
                (m.batch_failures == 1 ? " model" : " models") + " failed; see the Error lines of batch.log");
  return 0;
}

const Registrar reg({
    "batch",
    "batch [--check] FILE.kbf",
    "Runs a batch file as File > Batch > Run Batch does: each T line trains its\n"
    "model for the given time, saves it and forecasts it; each P line forecasts\n"
    "without training; Q ends the batch. The results go to batch.log in the\n"
    "current folder, which is printed at the end; a model that failed gets an\n"
    "Error line there instead of its forecast. Ctrl-C stops the batch after\n"
    "the running model is saved, forecast and logged. Exit status 1 when any\n"
    "model failed to load, train, save or forecast, or the batch did not run.\n"
    "--check only reads the file: it prints what each line would do and every\n"
    "error (a bad first line, a T line without h:mm, a model path without\n"
    "quotes, a model file that cannot be opened), runs nothing and leaves\n"
    "batch.log alone. Exit status 1 when any line is in error.",
    Run,
});

}  // namespace
}  // namespace kv::cli
