// The surroundings in which the fuzz targets drive the program's readers:
// a headless platform with a virtual clock, a private work folder holding
// the files a reader expects beside its input (price files, models), and the
// table of targets.
//
// The targets are plain functions, so the same code runs under libFuzzer
// (fuzz/main.cpp) and in the test suite, which replays every corpus file
// (tests/badinput/corpus_replay_test.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/headless/headless_platform.h"

namespace kv {
class TMainDlg;
}

namespace kv::fuzz {

using TargetFn = void (*)(const uint8_t* data, size_t size);

struct Target {
  const char* name;   // also the folder of its seed corpus: fuzz/corpus/<name>/
  TargetFn run;
  size_t max_len;     // longest input worth trying (libFuzzer -max_len)
};

// Every target, in the order `make fuzz` runs them.
extern const Target kTargets[];
extern const int kTargetCount;
const Target* FindTarget(std::string_view name);

// A property of the program that an input broke. Under libFuzzer this
// prints and aborts, which makes it a finding; the replay test records it.
using FailHandler = void (*)(const char* what, const char* file, int line);
void SetFailHandler(FailHandler h);   // null restores print-and-abort
void Fail(const char* what, const char* file, int line);

#define KV_FUZZ_CHECK(cond)                                          \
  do {                                                               \
    if (!(cond)) ::kv::fuzz::Fail(#cond, __FILE__, __LINE__);        \
  } while (0)

// The virtual "today" of every run: a Sunday in December 2024.
constexpr std::time_t kToday = 1733650000;

// The work folder and the fixture files, made once per process.
class Env {
 public:
  static Env& Get();
  const std::string& dir() const { return dir_; }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  void Write(const std::string& name, std::string_view data) const;
  void Write(const std::string& name, const uint8_t* data, size_t size) const {
    Write(name, std::string_view(reinterpret_cast<const char*>(data), size));
  }
  // Restores the fixture files a run may have changed (models a batch saved).
  void RestoreModels() const;

  // Texts of the fixture files (all in the work folder, named relative to it).
  // A target file only a little longer than the 120 days the reader asks
  // for: every model run reads it several times.
  static constexpr int kTargetDays = 130;
  std::string target_csv;    // "target.csv": kTargetDays trading days, ISO dates
  std::string related_csv;   // "related.csv": US dates, six columns
  std::string semi_csv;      // "semi.csv": semicolons and decimal commas
  std::string good_kvn;      // "good.kvn": an untrained model of target.csv
  std::string good2_kvn;     // "good2.kvn": a model of all three files

 private:
  friend class Run;
  Env();
  ~Env();
  std::string dir_;
};

// One run: a fresh headless platform and virtual clock installed, the work
// folder as the current and the program's folder; everything restored
// afterwards, so runs are independent of each other and of a test around them.
class Run {
 public:
  Run();
  ~Run();
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;
  HeadlessPlatform& platform() { return *platform_; }
  VirtualClock& clock() { return *clock_; }
  Env& env() { return env_; }

 private:
  explicit Run(Env& env);
  friend class Env;
  Env& env_;
  std::unique_ptr<HeadlessPlatform> platform_;
  std::unique_ptr<VirtualClock> clock_;
  std::string saved_cwd_;
  std::string saved_program_dir_;
};

// The main dialog with its window, as after start-up (no start-up work).
// The dialog is built in storage kept for the whole process: it is large,
// and a fresh allocation per run costs more than the run.
class MainDialog {
 public:
  explicit MainDialog(Run& run);
  ~MainDialog();
  MainDialog(const MainDialog&) = delete;
  MainDialog& operator=(const MainDialog&) = delete;
  TMainDlg& operator*() { return *main_; }
  TMainDlg* operator->() { return main_; }
  TMainDlg* get() { return main_; }

 private:
  std::unique_ptr<Dialog> window_;
  TMainDlg* main_ = nullptr;
};

// The calendar must be what the reader promises whatever the file held.
void CheckCalendar();

}  // namespace kv::fuzz
